// The per-format one-call loaders: a record that already holds a picture
// is freed before the next one is loaded into it.
#include <windows.h>

#include "format_fixture.h"

namespace {

TEST(OneCallLoaders, LoadingAgainIntoTheSameRecordFreesTheFirstPicture) {
    const Rgb picture = PalettePicture(37, 23, 16);
    struct Case {
        const char* name;
        int format, bits;
        int(KAPI* load)(const char*, BitmapRecord*);
    } cases[] = {
        {"bmp", K_FORMAT_BMP, 24, K_LoadBMPBitmap},
        {"pcx", K_FORMAT_PCX, 8, K_LoadPCXBitmap},
        {"tga", K_FORMAT_TGA, 24, K_LoadTGABitmap},
        {"gif", K_FORMAT_GIF, 8, K_LoadGIFBitmap},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TestTempPath(std::string("one_call.") + c.name);
        {
            RecordGuard source;
            MakeRecord(picture, &source.record);
            ASSERT_EQ(K_SaveFile(path.c_str(), &source.record, c.format, c.bits, 0, K_SAVE_OPTIMIZED_PALETTE, nullptr,
                                 nullptr),
                      K_OK);
        }
        RecordGuard loaded;
        ASSERT_EQ(c.load(path.c_str(), &loaded.record), K_OK);
        const int held = HandlesHeld();
        for (int again = 0; again < 3; ++again) ASSERT_EQ(c.load(path.c_str(), &loaded.record), K_OK);
        EXPECT_EQ(HandlesHeld(), held) << "the earlier pictures' storage is still held";
        // The picture the file holds (8-bit saves may requantise it).
        EXPECT_EQ(RecordPixels24(&loaded.record), LoadRgb(path));
    }
}

// ImageMagick's interlaced GIF: rows arrive in pass order and the loader
// puts each where it belongs.
TEST(OneCallLoaders, InterlacedGifRowsLandInPlace) {
    const Rgb picture = PalettePicture(19, 29, 16);
    const std::string ppm = WritePpm(picture, "one_call_interlaced.ppm");
    const std::string gif = TestTempPath("one_call_interlaced.gif");
    Host(std::string(kConvert) + " " + ppm + " -interlace GIF " + gif);
    RecordGuard loaded;
    ASSERT_EQ(K_LoadGIFBitmap(gif.c_str(), &loaded.record), K_OK);
    EXPECT_EQ(RecordPixels24(&loaded.record), picture);
}

}  // namespace
