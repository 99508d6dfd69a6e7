// The picture registry by extension and the JPEG class against libjpeg's tools.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "bitmap.h"
#include "host.h"
#include "jpeg.h"
#include "picture.h"

namespace {

std::string Z(const std::string& unixPath) { return "Z:" + unixPath; }

// A picture class of the test's own: remembers the name it was asked to load.
class TNamePicture : public TBitmap {
public:
    static std::string lastName;
    void LoadFromFile(const std::string& fileName) override {
        lastName = fileName;
        SetSize(7, 3);
    }
};
std::string TNamePicture::lastName;

}  // namespace

TEST(Picture, ClassIsChosenByTheExtensionInAnyCase) {
    TPicture::RegisterFileFormat("tst", "Test pictures", [] { return static_cast<TGraphic*>(new TNamePicture); });
    EXPECT_EQ(TPicture::FileFormatDescription(".TST"), "Test pictures");
    TPicture p;
    p.LoadFromFile("C:\\some.dir\\x.TsT");
    EXPECT_EQ(TNamePicture::lastName, "C:\\some.dir\\x.TsT");
    ASSERT_NE(dynamic_cast<TNamePicture*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Width(), 7);
    // Unknown extensions and names without one are refused.
    for (const char* name : {"C:\\a.xyz", "C:\\dir.tst\\noext"}) {
        try {
            p.LoadFromFile(name);
            ADD_FAILURE() << name;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message().rfind("Unknown picture file extension", 0), 0u) << e.Message();
        }
    }
    // The bitmap view of a picture of another class is a bitmap of its own.
    int changes = 0;
    p.OnChange = [&](TObject*) { ++changes; };
    p.Bitmap()->SetSize(2, 2);
    EXPECT_GE(changes, 1);
}

TEST(Picture, JpegWrittenByLibjpegToolsLoads) {
    ASSERT_TRUE(HostHasTool("cjpeg")) << "libjpeg-turbo-progs missing: scripts/setup installs it";
    // 16x8: left half red, right half blue; smooth enough for small errors.
    std::string ppm = TestTempPath("fw_jpeg_src.ppm");
    std::string pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) pixels += x < 8 ? std::string("\xff\x00\x00", 3) : std::string("\x00\x00\xff", 3);
    WriteFileBytes(ppm, "P6 16 8 255\n" + pixels);
    std::string jpg = TestTempPath("fw_jpeg.JPG");
    ASSERT_EQ(RunHost("cjpeg -quality 95 " + ppm + " > " + jpg), 0);
    TPicture p;
    p.LoadFromFile(Z(jpg));
    auto* j = dynamic_cast<TJPEGImage*>(p.Graphic());
    ASSERT_NE(j, nullptr);
    ASSERT_EQ(j->Width(), 16);
    ASSERT_EQ(j->Height(), 8);
    TBitmap b;
    b.Assign(j);
    auto similar = [](TColor c, int r, int g, int bl) {
        return std::abs(GetRValue(c) - r) < 24 && std::abs(GetGValue(c) - g) < 24 && std::abs(GetBValue(c) - bl) < 24;
    };
    EXPECT_TRUE(similar(b.Canvas()->Pixels(2, 4), 255, 0, 0)) << std::hex << b.Canvas()->Pixels(2, 4);
    EXPECT_TRUE(similar(b.Canvas()->Pixels(13, 4), 0, 0, 255)) << std::hex << b.Canvas()->Pixels(13, 4);
}

TEST(Picture, OurJpegReadsBackInDjpeg) {
    ASSERT_TRUE(HostHasTool("djpeg")) << "libjpeg-turbo-progs missing: scripts/setup installs it";
    TJPEGImage j;
    TBitmap src;
    src.SetSize(8, 8);
    src.Canvas()->Brush()->SetColor(clGreen);
    src.Canvas()->FillRect(RECT{0, 0, 8, 8});
    j.Assign(&src);
    ASSERT_EQ(j.Width(), 8);
    ASSERT_EQ(j.Height(), 8);
    ASSERT_FALSE(j.Empty());
    std::string jpg = TestTempPath("fw_ours.jpg"), ppm = TestTempPath("fw_ours_jpg.ppm");
    j.SaveToFile(Z(jpg));
    ASSERT_EQ(RunHost("djpeg -pnm " + jpg + " > " + ppm), 0);
    std::string out = ReadFileBytes(ppm);
    ASSERT_GE(out.size(), 3u);
    const unsigned char* last = reinterpret_cast<const unsigned char*>(out.data() + out.size() - 3);
    EXPECT_LT(last[0], 16);
    EXPECT_NEAR(last[1], 128, 12);
    EXPECT_LT(last[2], 16);
}

TEST(Picture, BrokenJpegIsAnInvalidGraphic) {
    std::string path = TestTempPath("fw_broken.jpg");
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {{"empty", ""},
                 {"not a JPEG", "BM this is no jpeg"},
                 {"header only", std::string("\xff\xd8\xff\xe0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20)}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(path, c.bytes);
        TJPEGImage j;
        try {
            j.LoadFromFile(Z(path));
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message().rfind("JPEG error #", 0), 0u) << e.Message();
        }
        EXPECT_TRUE(j.Empty());
    }
}
