// Which reader a picture goes to, and the depth asked of the library.
#include <gtest/gtest.h>

#include "picture/picture_route.h"

namespace {

TEST(PictureRoute, ExtensionDecidesInLowerCase) {
    struct Case {
        const char* name;
        PictureRoute route;
    } const cases[] = {
        {"a.psd", PictureRoute::Photoshop},         {"C:\\Pics\\A.PSD", PictureRoute::Photoshop},
        {"title.jpg", PictureRoute::Jpeg},          {"title.JPEG", PictureRoute::Jpeg},
        {"models\\pl01.bmp", PictureRoute::Bitmap}, {"x.gif", PictureRoute::Library},
        {"x.pcx", PictureRoute::Library},           {"x.tif", PictureRoute::Library},
        {"noextension", PictureRoute::Library},     {"folder.bmp\\file", PictureRoute::Library},
        {"x.bmp.gif", PictureRoute::Library},       {"x.psd.", PictureRoute::Library},
    };
    for (const Case& c : cases) EXPECT_EQ(PictureRouteFor(c.name), c.route) << c.name;
}

TEST(PictureRoute, ScreenDepthAskedOfTheLibrary) {
    EXPECT_EQ(LibraryLoadDepth(16, 1), 24);
    EXPECT_EQ(LibraryLoadDepth(15, 1), 24);
    EXPECT_EQ(LibraryLoadDepth(8, 1), 8);
    EXPECT_EQ(LibraryLoadDepth(24, 1), 24);
    EXPECT_EQ(LibraryLoadDepth(32, 1), 32);
    EXPECT_EQ(LibraryLoadDepth(4, 4), 24);  // planes multiply: 16
}

}  // namespace
