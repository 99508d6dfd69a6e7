// Photoshop files against ImageMagick.
#include <cstring>

#include "format_fixture.h"
#include "formats/raster_formats.h"
#include "io/source.h"

namespace {

TEST(Psd, FilesOfImageMagickLoad) {
    struct Case {
        const char* name;
        const char* options;
        Rgb picture;
        int bits;
    } cases[] = {
        {"rgb_rle", "-compress RLE", GradientPicture(27, 9), 24},
        {"rgb_raw", "-compress None", GradientPicture(27, 9), 24},
        {"grey_rle", "-type Grayscale -compress RLE", GrayPicture(27, 9, 256), 8},
        {"grey_raw", "-type Grayscale -compress None", GrayPicture(27, 9, 256), 8},
        {"palette", "-type Palette -compress RLE", PalettePicture(27, 9, 16), 8},
        {"grey_alpha", "-colorspace gray -alpha on -compress RLE", GrayPicture(27, 9, 256), 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string in = WritePpm(c.picture, std::string("psd_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("psd_") + c.name + ".psd");
        Host(std::string(kConvert) + " " + in + " -depth 8 " + c.options + " PSD:" + out);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_PHOTOSHOP);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), c.picture);
        EXPECT_EQ(r, K_OK);
    }
}

TEST(Psd, OurFilesReadBackByImageMagick) {
    Rgb gradient = GradientPicture(33, 10);
    BitmapRecord b;
    MakeRecord(gradient, &b);
    std::string out = TestTempPath("psd_ours_24.psd");
    ASSERT_EQ(K_SaveFile(out.c_str(), &b, K_FORMAT_PHOTOSHOP, 24, 0, 0, nullptr, nullptr), K_OK);
    EXPECT_EQ(HostPixels(out), gradient);
    EXPECT_EQ(LoadRgb(out), gradient);
    K_FreeBitmap(&b);

    struct Case {
        const char* name;
        int bits;
        std::vector<RGBQUAD> palette;
        int mode;
    } cases[] = {
        {"grey ramp", 8, {}, 1},
        {"indexed", 8, {}, 2},
        {"black first", 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, 0},
        {"white first", 1, {{255, 255, 255, 0}, {0, 0, 0, 0}}, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.palette.empty())
            for (int i = 0; i < 256; ++i)
                c.palette.push_back(c.mode == 1 ? RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0}
                                                : RGBQUAD{BYTE(i), BYTE(i * 7), BYTE(255 - i), 0});
        const int w = 21, h = 5;
        int colors = 1 << c.bits;
        std::vector<unsigned char> indices(w * h);
        Rgb expected{w, h, std::vector<unsigned char>(w * h * 3)};
        for (int i = 0; i < w * h; ++i) {
            indices[i] = static_cast<unsigned char>((i * 11) % colors);
            expected.pixels[i * 3] = c.palette[indices[i]].rgbRed;
            expected.pixels[i * 3 + 1] = c.palette[indices[i]].rgbGreen;
            expected.pixels[i * 3 + 2] = c.palette[indices[i]].rgbBlue;
        }
        MakeIndexedRecord(w, h, c.bits, c.palette, indices, &b);
        std::string path = TestTempPath(std::string("psd_ours_") + std::to_string(c.mode) +
                                        std::to_string(c.palette[0].rgbRed) + ".psd");
        ASSERT_EQ(K_SaveFile(path.c_str(), &b, K_FORMAT_PHOTOSHOP, c.bits, 0, 0, nullptr, nullptr), K_OK);
        std::string bytes = ReadFileBytes(path);
        ASSERT_GT(bytes.size(), 30u);
        EXPECT_EQ(bytes[25], c.mode);
        // ImageMagick 6 reads no indexed Photoshop file, not even its own.
        if (c.mode != 2) {
            EXPECT_EQ(HostPixels(path), expected);
        }
        EXPECT_EQ(LoadRgb(path), expected);
        K_FreeBitmap(&b);
    }
}

TEST(Psd, UnreadableLayoutsAreRefused) {
    std::string good = TestTempPath("psd_good.psd");
    Host(std::string(kConvert) + " " + WritePpm(GrayPicture(8, 4, 256), "psd_good.ppm") +
         " -type Grayscale -depth 8 -compress RLE PSD:" + good);
    const std::string original = ReadFileBytes(good);
    struct Bad {
        const char* name;
        size_t offset;
        std::string bytes;
        int code;
    } cases[] = {
        {"signature", 0, "8BPX", K_ERR_FORMAT},
        {"version 2", 4, std::string("\x00\x02", 2), K_ERR_FORMAT},
        {"duotone", 24, std::string("\x00\x08", 2), K_ERR_UNSUPPORTED},
        {"16 bits per channel", 22, std::string("\x00\x10", 2), K_ERR_UNSUPPORTED},
        {"RGB with alpha", 12, std::string("\x00\x04", 2), K_ERR_UNSUPPORTED},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(good, original);
        PatchFile(good, c.offset, c.bytes);
        if (c.name == std::string("RGB with alpha")) PatchFile(good, 24, std::string("\x00\x03", 2));
        {
            InputFile file;
            ASSERT_EQ(file.Open(good.c_str()), K_OK);
            FileInfoRecord info;
            std::memset(&info, 0, sizeof info);
            EXPECT_EQ(ReadPSDInfo(file.handle(), &info), c.code);
        }
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        EXPECT_EQ(LoadPSDFile(good.c_str(), &b, nullptr, 8, nullptr), K_ERR_FORMAT);
        K_FreeBitmap(&b);
    }
}

}  // namespace
