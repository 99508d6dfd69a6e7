// PNG against ImageMagick, netpbm and pngcheck.
#include <cstring>

#include "format_fixture.h"
#include "formats/raster_formats.h"

namespace {

TEST(Png, EveryColourTypeAndDepthOfImageMagickLoads) {
    struct Case {
        int colorType, bitDepth, bits;
        Rgb picture;
        const char* extra;
    } cases[] = {
        {0, 1, 1, GrayPicture(29, 7, 2), ""},
        {0, 2, 8, GrayPicture(29, 7, 4), ""},
        {0, 4, 4, GrayPicture(29, 7, 16), ""},
        {0, 8, 8, GrayPicture(29, 7, 256), ""},
        {0, 16, 8, GrayPicture(29, 7, 256), ""},
        {2, 8, 24, GradientPicture(29, 7), ""},
        {2, 16, 24, GradientPicture(29, 7), ""},
        {3, 1, 1, PalettePicture(29, 7, 2), ""},
        {3, 2, 8, PalettePicture(29, 7, 4), ""},
        {3, 4, 4, PalettePicture(29, 7, 16), ""},
        {3, 8, 8, PalettePicture(29, 7, 256), ""},
        {4, 8, 32, GrayPicture(29, 7, 256), "-alpha on"},
        {4, 16, 32, GrayPicture(29, 7, 256), "-alpha on"},
        {6, 8, 32, GradientPicture(29, 7), "-alpha on"},
        {6, 16, 32, GradientPicture(29, 7), "-alpha on"},
    };
    for (const Case& c : cases) {
        std::string tag = "png_" + std::to_string(c.colorType) + "_" + std::to_string(c.bitDepth);
        SCOPED_TRACE(tag);
        std::string in = WritePpm(c.picture, tag + ".ppm");
        std::string out = TestTempPath(tag + ".png");
        Host(std::string(kConvert) + " " + in + " " + c.extra + " -define png:color-type=" +
             std::to_string(c.colorType) + " -define png:bit-depth=" + std::to_string(c.bitDepth) + " PNG:" + out);
        // ImageMagick may pick another colour type for a tiny picture; the
        // check below keeps the table honest.
        std::string bytes = ReadFileBytes(out);
        ASSERT_GT(bytes.size(), 26u);
        if (bytes[25] != c.colorType || bytes[24] != c.bitDepth) {
            // ImageMagick chose another layout; the pixels must still agree.
            EXPECT_EQ(LoadRgb(out), c.picture);
            continue;
        }
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_PNG);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), c.picture);
        EXPECT_EQ(r, K_OK);
        // At the file's depth the record has the probe's depth.
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        ASSERT_EQ(K_LoadFile(out.c_str(), &b, 0, K_ORDER_RGB, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr), K_OK);
        EXPECT_EQ(b.BitsPerPixel, c.bits);
        if (c.colorType == 0 && c.bits == 8) {
            EXPECT_TRUE(b.Flags & K_GRAY_PALETTE);
        }
        K_FreeBitmap(&b);
    }
}

TEST(Png, OurFilesPassPngcheckAndNetpbm) {
    Rgb gradient = GradientPicture(33, 12);
    BitmapRecord b;
    MakeRecord(gradient, &b);
    std::string out = TestTempPath("png_ours_24.png");
    ASSERT_EQ(K_SaveFile(out.c_str(), &b, K_FORMAT_PNG, 24, 0, 0, nullptr, nullptr), K_OK);
    EXPECT_EQ(RunHost("pngcheck -q " + out), 0);
    EXPECT_EQ(HostPnm("pngtopam " + out), gradient);
    EXPECT_EQ(LoadRgb(out), gradient);
    K_FreeBitmap(&b);

    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        int colors = 1 << bits;
        std::vector<RGBQUAD> palette;
        for (int i = 0; i < colors; ++i) palette.push_back(RGBQUAD{BYTE(i * 5), BYTE(200 - i / 2), BYTE(i), 0});
        const int w = 19, h = 6;
        std::vector<unsigned char> indices(w * h);
        Rgb expected{w, h, std::vector<unsigned char>(w * h * 3)};
        for (int i = 0; i < w * h; ++i) {
            indices[i] = static_cast<unsigned char>((i * 3) % colors);
            expected.pixels[i * 3] = palette[indices[i]].rgbRed;
            expected.pixels[i * 3 + 1] = palette[indices[i]].rgbGreen;
            expected.pixels[i * 3 + 2] = palette[indices[i]].rgbBlue;
        }
        MakeIndexedRecord(w, h, bits, palette, indices, &b);
        std::string path = TestTempPath("png_ours_" + std::to_string(bits) + ".png");
        ASSERT_EQ(K_SaveFile(path.c_str(), &b, K_FORMAT_PNG, bits, 0, 0, nullptr, nullptr), K_OK);
        EXPECT_EQ(RunHost("pngcheck -q " + path), 0);
        EXPECT_EQ(HostPnm("pngtopam " + path), expected);
        EXPECT_EQ(LoadRgb(path), expected);
        std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes[25], 3);  // palette image
        EXPECT_NE(bytes.find("tIME"), std::string::npos);
        K_FreeBitmap(&b);
    }
}

TEST(Png, BrokenFilesFailWithTheirCodes) {
    std::string good = TestTempPath("png_good.png");
    Host(std::string(kConvert) + " " + WritePpm(GradientPicture(40, 40), "png_good.ppm") + " PNG24:" + good);
    const std::string original = ReadFileBytes(good);
    struct Bad {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"truncated", original.substr(0, original.size() / 2), K_ERR_FORMAT},
        {"bad header CRC", original.substr(0, 29) + "\x01\x02\x03\x04" + original.substr(33), K_ERR_FORMAT},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(good, c.bytes);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        K_InitBitmap(&b, 40, 40, 24);
        EXPECT_EQ(LoadPNGFile(good.c_str(), &b, nullptr, 24, nullptr), c.code);
        K_FreeBitmap(&b);
    }
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    b.BitsPerPixel = 16;
    EXPECT_EQ(LoadPNGFile(good.c_str(), &b, nullptr, 16, nullptr), K_ERR_BITS);
}

}  // namespace
