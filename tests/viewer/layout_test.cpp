// The viewer's geometry: scroll ranges, bars, zoom, fit and centre,
// scrolling by request, key and thumb, and zoom about a point.
#include "model_window.h"

#include "devices/paint.h"

namespace {

using viewer::kStyleHScroll;
using viewer::kStyleVScroll;
constexpr unsigned kBoth = kStyleHScroll | kStyleVScroll;

TEST(ViewerLayout, RangesBarsAndDestination) {
    struct Case {
        const char* name;
        unsigned style;
        int pictureWidth, pictureHeight, zoom, outerWidth, outerHeight;
        int horizontalMaximum, verticalMaximum;
        RECT destination;
    } cases[] = {
        // The last position puts the last column at the view's right edge.
        {"wider than the view", kStyleHScroll, 100, 100, 100, 50, 50, 50, 0, {0, 0, 100, 100}},
        {"half size fits", kStyleHScroll, 100, 100, 50, 50, 50, 0, 0, {0, 0, 50, 50}},
        {"no bar styles", 0, 300, 300, 100, 50, 50, 0, 0, {0, 0, 300, 300}},
        {"both bars", kBoth, 100, 100, 100, 90, 90, 27, 27, {0, 0, 100, 100}},
        // The horizontal bar takes 17 rows; 73 < 80 then needs the vertical one.
        {"one bar brings the other", kBoth, 100, 80, 100, 90, 90, 27, 7, {0, 0, 100, 80}},
        {"tall only", kBoth, 50, 200, 100, 90, 90, 0, 110, {0, 0, 50, 200}},
        {"zoom rounds as MulDiv", kBoth, 3, 3, 150, 90, 90, 0, 0, {0, 0, 5, 5}},
        {"fit keeps the aspect", kBoth | K_VIEWER_FIT, 200, 100, 100, 90, 90, 0, 0, {0, 0, 90, 45}},
        {"centred", kBoth | K_VIEWER_CENTER, 40, 20, 100, 91, 90, 0, 0, {25, 35, 65, 55}},
        {"centred larger than the view", K_VIEWER_CENTER, 120, 100, 100, 90, 90, 0, 0, {-15, -5, 105, 95}},
        {"fit and centred", K_VIEWER_FIT | K_VIEWER_CENTER, 100, 200, 100, 90, 90, 0, 0, {23, 0, 68, 90}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewerFixture f(c.style, c.outerWidth, c.outerHeight);
        OwnedRecord picture;
        MakePicture(&picture.r, c.pictureWidth, c.pictureHeight);
        f.Send(K_VIEWER_ADOPT - K_VIEWER_MESSAGE(0), &picture.r, 0);
        picture.r = BitmapRecord{};  // the viewer owns it now
        f.Send(K_VIEWER_ZOOM - K_VIEWER_MESSAGE(0), 1, c.zoom);
        const ViewerState& s = f.State();
        EXPECT_EQ(s.horizontalMaximum, c.horizontalMaximum);
        EXPECT_EQ(s.verticalMaximum, c.verticalMaximum);
        EXPECT_EQ(f.window.range[0], c.horizontalMaximum);
        EXPECT_EQ(f.window.range[1], c.verticalMaximum);
        EXPECT_EQ(bool(f.window.style & kStyleHScroll), c.horizontalMaximum > 0);
        EXPECT_EQ(bool(f.window.style & kStyleVScroll), c.verticalMaximum > 0);
        // The view is what the client area shows.
        EXPECT_EQ(s.viewWidth, f.window.ClientWidth());
        EXPECT_EQ(s.viewHeight, f.window.ClientHeight());
        EXPECT_EQ(s.destination.left, c.destination.left);
        EXPECT_EQ(s.destination.top, c.destination.top);
        EXPECT_EQ(s.destination.right, c.destination.right);
        EXPECT_EQ(s.destination.bottom, c.destination.bottom);
        // At the last position the picture's far edges meet the view's.
        if (c.horizontalMaximum > 0) {
            f.viewer.Scroll(false, viewer::kBottom, 0);
            EXPECT_EQ(f.State().destination.right, f.State().viewWidth);
        }
        if (c.verticalMaximum > 0) {
            f.viewer.Scroll(true, viewer::kBottom, 0);
            EXPECT_EQ(f.State().destination.bottom, f.State().viewHeight);
        }
    }
}

// A picture of the given size adopted by a viewer with both bars.
struct ScrolledViewer : ViewerFixture {
    ScrolledViewer(unsigned style, int outer, int pictureWidth, int pictureHeight, bool fill = true)
        : ViewerFixture(style, outer, outer) {
        BitmapRecord picture{};
        if (fill)
            MakePicture(&picture, pictureWidth, pictureHeight, 8);
        else
            EXPECT_EQ(K_CreateBitmap(&picture, K_STORAGE_ANY, pictureWidth, pictureHeight, 8, K_ORDER_BGR, nullptr,
                                     K_BOTTOM_UP),
                      K_OK);
        Send(K_VIEWER_ADOPT - K_VIEWER_MESSAGE(0), &picture);
    }
};

TEST(ViewerLayout, ScrollRequests) {
    // A 30-pixel view: step 3, a page 27.
    ScrolledViewer f(kStyleVScroll, 30, 30, 100);
    ASSERT_EQ(f.State().viewHeight, 30);
    ASSERT_EQ(f.State().verticalStep, 3);
    ASSERT_EQ(f.State().verticalMaximum, 70);
    struct Step {
        int request, thumb, position;
    } steps[] = {
        {viewer::kLineUp, 0, 0},          {viewer::kPageDown, 0, 27},    {viewer::kPageDown, 0, 54},
        {viewer::kPageDown, 0, 70},       {viewer::kLineDown, 0, 70},    {viewer::kLineUp, 0, 67},
        {viewer::kPageUp, 0, 40},         {viewer::kTop, 0, 0},          {viewer::kBottom, 0, 70},
        {viewer::kThumbPosition, 12, 12}, {viewer::kThumbTrack, 30, 12}, {viewer::kThumbPosition, 500, 70},
        {8 /* SB_ENDSCROLL */, 0, 70},
    };
    int expectedNotifications = 0;
    int before = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.request);
        f.window.trackPosition = s.thumb;
        size_t scrolls = f.window.scrolled.size();
        f.window.notifications.clear();
        f.viewer.Scroll(true, s.request, s.thumb);
        EXPECT_EQ(f.State().verticalPosition, s.position);
        EXPECT_EQ(f.window.position[1], s.position);
        EXPECT_EQ(f.State().destination.top, -s.position);
        if (s.position != before) {
            ASSERT_EQ(f.window.scrolled.size(), scrolls + 1);
            EXPECT_EQ(f.window.scrolled.back(), std::make_pair(0, before - s.position));
            EXPECT_EQ(f.window.notifications, std::vector<int>{K_VIEWER_SCROLLED});
            ++expectedNotifications;
        } else {
            EXPECT_EQ(f.window.scrolled.size(), scrolls);
            EXPECT_TRUE(f.window.notifications.empty());
        }
        before = s.position;
    }
    EXPECT_FALSE(f.State().scrolling);
    EXPECT_GT(expectedNotifications, 5);
}

TEST(ViewerLayout, ThumbTrackingFollowsStyle) {
    ScrolledViewer f(kStyleHScroll | K_VIEWER_TRACK_THUMB, 40, 100, 40);
    f.window.trackPosition = 25;
    f.viewer.Scroll(false, viewer::kThumbTrack, 25);
    EXPECT_EQ(f.State().horizontalPosition, 25);
}

// Thumb positions of pictures wider than 65535 pixels come from the 32-bit
// tracking position; the message's 16 bits alone would wrap.
TEST(ViewerLayout, ThumbBeyondSixteenBits) {
    ScrolledViewer f(kStyleHScroll, 200, 100000, 1, false);
    ASSERT_EQ(f.State().horizontalMaximum, 100000 - 200);
    f.window.trackPosition = 70000;
    f.viewer.Scroll(false, viewer::kThumbPosition, 70000 & 0xFFFF);
    EXPECT_EQ(f.State().horizontalPosition, 70000);
    EXPECT_EQ(f.window.position[0], 70000);
    EXPECT_EQ(f.State().destination.left, -70000);

    EXPECT_EQ(viewer::WidenThumb(70000 & 0xFFFF, 70000), 70000);
    // A tracking position that is not the message's (a sent message, no
    // drag): the message's thumb holds.
    EXPECT_EQ(viewer::WidenThumb(12, 99), 12);
}

TEST(ViewerLayout, KeysScrollThroughTheShownBars) {
    struct Case {
        unsigned shown;
        int key;
        bool handled, vertical;
        int request;
    } cases[] = {
        {kBoth, viewer::kKeyPageUp, true, true, viewer::kPageUp},
        {kBoth, viewer::kKeyPageDown, true, true, viewer::kPageDown},
        {kBoth, viewer::kKeyEnd, true, true, viewer::kBottom},
        {kBoth, viewer::kKeyHome, true, true, viewer::kTop},
        {kBoth, viewer::kKeyUp, true, true, viewer::kLineUp},
        {kBoth, viewer::kKeyDown, true, true, viewer::kLineDown},
        {kBoth, viewer::kKeyLeft, true, false, viewer::kLineUp},
        {kBoth, viewer::kKeyRight, true, false, viewer::kLineDown},
        {kStyleHScroll, viewer::kKeyDown, false, false, 0},
        {kStyleVScroll, viewer::kKeyRight, false, false, 0},
        {kBoth, 0x41 /* A */, false, false, 0},
    };
    for (const Case& c : cases) {
        ModelWindow window;
        window.style = c.shown;
        Viewer v(window, kBoth);
        bool vertical = !c.vertical;
        int request = -1;
        EXPECT_EQ(v.KeyScroll(c.key, &vertical, &request), c.handled) << c.key;
        if (c.handled) {
            EXPECT_EQ(vertical, c.vertical) << c.key;
            EXPECT_EQ(request, c.request) << c.key;
        }
    }
}

TEST(ViewerLayout, ZoomAndExplicitDestination) {
    // Without scroll bars an explicit destination places the picture there
    // (with them, scrolling takes over its offset).
    ScrolledViewer f(0, 100, 60, 40);
    RECT r{10, 20, 130, 100};
    EXPECT_EQ(f.Send(K_VIEWER_DESTINATION - K_VIEWER_MESSAGE(0), &r), K_OK);
    EXPECT_TRUE(f.State().explicitDestination);
    EXPECT_EQ(f.State().destination.left, 10);
    EXPECT_EQ(f.State().destination.right, 130);
    EXPECT_EQ(f.State().horizontalPosition, -10);
    // Rectangles beyond half a billion pixels are refused.
    RECT huge{-2000000000, 0, 2000000000, 10};
    EXPECT_EQ(f.Send(K_VIEWER_DESTINATION - K_VIEWER_MESSAGE(0), &huge), K_ERR_ARGUMENT);
    EXPECT_EQ(f.State().destination.left, 10);
    // Zoom gives the destination back to the zoom and answers the old zoom.
    EXPECT_EQ(f.Send(K_VIEWER_ZOOM - K_VIEWER_MESSAGE(0), 1, 200), 100);
    EXPECT_FALSE(f.State().explicitDestination);
    EXPECT_EQ(f.State().destination.right - f.State().destination.left, 120);
    EXPECT_EQ(f.State().destination.bottom - f.State().destination.top, 80);
    EXPECT_EQ(f.Send(K_VIEWER_ZOOM - K_VIEWER_MESSAGE(0), 1, 50), 200);
    EXPECT_EQ(f.State().destination.right - f.State().destination.left, 30);
    // A zoom of 0 would show nothing: refused, zoom kept.
    EXPECT_EQ(f.Send(K_VIEWER_ZOOM - K_VIEWER_MESSAGE(0), 1, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(f.State().zoom, 50);
}

TEST(ViewerLayout, ZoomAboutAPoint) {
    // 100 x 100 picture in a 100 x 100 window at 100 %: no bars.
    ScrolledViewer f(kBoth, 100, 100, 100);
    ASSERT_EQ(f.State().horizontalMaximum, 0);
    // Zoom to 400 % about (30, 60): that picture point goes to the middle of
    // the 83 x 83 view: 30 * 4 - 41 = 79, 60 * 4 - 41 = 199.
    ViewerZoomRecord z{0, 400, 0, 30, 60};
    EXPECT_EQ(f.Send(K_VIEWER_ZOOM_AT - K_VIEWER_MESSAGE(0), &z), 100);
    EXPECT_EQ(f.State().zoom, 400);
    EXPECT_EQ(f.State().viewWidth, 83);
    EXPECT_EQ(f.State().horizontalPosition, 79);
    EXPECT_EQ(f.State().verticalPosition, 199);
    EXPECT_EQ(f.State().destination.left, -79);
    EXPECT_EQ(f.State().destination.top, -199);
    // About the centre (41, 41 of the 83 x 83 client) from the far corner
    // (317): (41 + 317) * 800 / 400 - 41.
    f.viewer.Scroll(false, viewer::kBottom, 0);
    f.viewer.Scroll(true, viewer::kBottom, 0);
    ASSERT_EQ(f.State().horizontalPosition, 317);
    ViewerZoomRecord c{0, 800, 1, 0, 0};
    EXPECT_EQ(f.Send(K_VIEWER_ZOOM_AT - K_VIEWER_MESSAGE(0), &c), 400);
    EXPECT_EQ(f.State().horizontalPosition, 675);
    EXPECT_EQ(f.State().verticalPosition, 675);
    EXPECT_EQ(f.State().horizontalMaximum, 800 - 83);
    // A point past the picture's end is clamped to the maximum.
    ViewerZoomRecord beyond{0, 800, 0, 5000, 5000};
    f.Send(K_VIEWER_ZOOM_AT - K_VIEWER_MESSAGE(0), &beyond);
    EXPECT_EQ(f.State().horizontalPosition, 800 - 83);
    // Zoom 0 and null records are refused.
    ViewerZoomRecord zero{0, 0, 1, 0, 0};
    EXPECT_EQ(f.Send(K_VIEWER_ZOOM_AT - K_VIEWER_MESSAGE(0), &zero), K_ERR_ARGUMENT);
    EXPECT_EQ(f.State().zoom, 800);
}

TEST(ViewerLayout, SizeToPicture) {
    ModelWindow window;
    window.outerWidth = window.outerHeight = 50;
    Viewer v(window, kBoth | K_VIEWER_SIZE_TO_PICTURE);
    window.viewer = &v;
    v.Layout(0, 50, 50);
    BitmapRecord picture{};
    MakePicture(&picture, 70, 30, 8);
    LRESULT r;
    ASSERT_TRUE(v.Message(11, 1, reinterpret_cast<LPARAM>(&picture), &r));
    ASSERT_EQ(window.sizedTo.size(), 1u);
    EXPECT_EQ(window.sizedTo[0], std::make_pair(70, 30));
    EXPECT_EQ(window.ClientWidth(), 70);
    EXPECT_EQ(v.State().horizontalMaximum, 0);
    EXPECT_EQ(v.State().verticalMaximum, 0);
    // Maximised windows keep their size.
    window.maximized = true;
    ASSERT_TRUE(v.Message(24, 1, 200, &r));
    EXPECT_EQ(window.sizedTo.size(), 1u);
    EXPECT_EQ(v.State().horizontalMaximum, 140 - 53);
}

TEST(ViewerLayout, MinimisedFitsTheIcon) {
    ScrolledViewer f(kBoth, 100, 80, 40);
    f.viewer.Layout(1, 32, 32);
    EXPECT_EQ(f.State().destination.right, 32);
    EXPECT_EQ(f.State().destination.bottom, 16);
}

TEST(ViewerLayout, MulDivRoundsLikeWin32) {
    struct Case {
        int a, b, c, r;
    } cases[] = {{5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, 2, -3}, {7, 3, 0, -1}, {2000000000, 2, 1, -1}, {3, 150, 100, 5}};
    for (const Case& c : cases) EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.r) << c.a << "*" << c.b << "/" << c.c;
    RECT r{0, 0, 90, 90};
    FitRectToAspect(&r, 3, 2);
    EXPECT_EQ(r.right, 90);
    EXPECT_EQ(r.bottom, 60);
}

}  // namespace
