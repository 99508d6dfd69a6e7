// GIF against ImageMagick, netpbm and giflib.
#include <cstring>

#include "format_fixture.h"
#include "formats/raster_formats.h"

namespace {

TEST(Gif, FilesOfPeersLoadWithTheirPixels) {
    struct Case {
        const char* name;
        std::string command;
        Rgb picture;
        int bits;
    } cases[] = {
        {"im", std::string(kConvert) + " {in} GIF:{out}", PalettePicture(35, 13, 256), 8},
        {"im_interlaced", std::string(kConvert) + " {in} -interlace GIF GIF:{out}", PalettePicture(35, 29, 256), 8},
        {"im_16", std::string(kConvert) + " {in} GIF:{out}", PalettePicture(35, 13, 16), 4},
        {"im_2", std::string(kConvert) + " {in} GIF:{out}", PalettePicture(35, 13, 2), 1},
        {"pam", "pamtogif {in} > {out}", PalettePicture(35, 13, 256), 8},
        {"pam_interlaced", "pamtogif -interlace {in} > {out}", PalettePicture(35, 13, 16), 4},
        {"pam_comment", "pamtogif -comment hello {in} > {out}", PalettePicture(35, 13, 4), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string in = WritePpm(c.picture, std::string("gif_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("gif_") + c.name + ".gif");
        std::string command = c.command;
        command.replace(command.find("{in}"), 4, in);
        command.replace(command.find("{out}"), 5, out);
        Host(command);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_GIF);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        // ImageMagick may requantise; giflib's reading through netpbm is the
        // reference for what the file holds.
        Rgb reference = HostPnm("giftopnm " + out);
        if (c.command[0] == 'p') {
            EXPECT_EQ(reference, c.picture);
        }
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), reference);
        EXPECT_EQ(r, K_OK);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        ASSERT_EQ(K_LoadGIFBitmap(out.c_str(), &b), K_OK);
        EXPECT_EQ(b.BitsPerPixel, c.bits);
        EXPECT_EQ(RecordPixels24(&b), reference);
        K_FreeBitmap(&b);
    }
}

TEST(Gif, InterlacedPicturesOfEveryHeightLandInPlace) {
    for (int height = 1; height <= 10; ++height) {
        SCOPED_TRACE(height);
        Rgb picture = PalettePicture(5, height, 16);
        for (int y = 0; y < height; ++y)
            picture.pixels[static_cast<size_t>(y) * 15] = static_cast<unsigned char>(y * 20);
        std::string in = WritePpm(picture, "gif_il.ppm");
        std::string out = TestTempPath("gif_il.gif");
        Host("pamtogif -interlace " + in + " > " + out);
        EXPECT_EQ(LoadRgb(out), picture);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        ASSERT_EQ(K_LoadGIFBitmap(out.c_str(), &b), K_OK);
        EXPECT_EQ(RecordPixels24(&b), picture);
        K_FreeBitmap(&b);
    }
}

TEST(Gif, OurFilesReadBackByPeers) {
    const int w = 300, h = 70;  // enough codes to fill the table and clear it
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i * 3), BYTE(255 - i), 0};
    std::vector<unsigned char> indices(w * h);
    Rgb expected{w, h, std::vector<unsigned char>(w * h * 3)};
    for (int i = 0; i < w * h; ++i) {
        indices[i] = static_cast<unsigned char>((i * 31 + i / 7) & 0xFF);
        const RGBQUAD& q = palette[indices[i]];
        expected.pixels[i * 3] = q.rgbRed;
        expected.pixels[i * 3 + 1] = q.rgbGreen;
        expected.pixels[i * 3 + 2] = q.rgbBlue;
    }
    BitmapRecord b;
    MakeIndexedRecord(w, h, 8, palette, indices, &b);
    std::string out = TestTempPath("gif_ours.gif");
    ASSERT_EQ(K_SaveFile(out.c_str(), &b, K_FORMAT_GIF, 8, 0, 0, nullptr, nullptr), K_OK);
    EXPECT_EQ(HostPnm("giftopnm " + out), expected);
    EXPECT_EQ(HostPixels(out), expected);
    EXPECT_EQ(LoadRgb(out), expected);
    EXPECT_EQ(RunHost("giftext " + out + " > /dev/null"), 0);

    // The logical screen covers the picture; sub-blocks hold at most 254 bytes.
    std::string bytes = ReadFileBytes(out);
    ASSERT_GT(bytes.size(), 13u + 768u + 11u);
    int screenW = static_cast<unsigned char>(bytes[6]) | static_cast<unsigned char>(bytes[7]) << 8;
    int screenH = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    EXPECT_GE(screenW, w);
    EXPECT_GE(screenH, h);
    size_t at = 13 + 768 + 11;
    while (at < bytes.size() && bytes[at] != 0) {
        EXPECT_LE(static_cast<unsigned char>(bytes[at]), 254);
        at += 1 + static_cast<unsigned char>(bytes[at]);
    }
    EXPECT_EQ(bytes.substr(at), std::string("\0;", 2));
    SaveRequest request{out.c_str(), &b, 4, K_FORMAT_GIF, 0, 0, 0, 0, nullptr, nullptr};
    EXPECT_EQ(SaveGIFFile(request), K_ERR_BITS);
    K_FreeBitmap(&b);

    // A true-colour picture goes out as an 8-bit copy with its own palette;
    // what giflib's reader sees is what we load, and the caller's record
    // keeps its depth.
    MakeRecord(GradientPicture(64, 40), &b);
    std::string reduced = TestTempPath("gif_reduced.gif");
    ASSERT_EQ(K_SaveGIFBitmap(reduced.c_str(), &b, 8), K_OK);
    EXPECT_EQ(b.BitsPerPixel, 24);
    Rgb peer = HostPnm("giftopnm " + reduced);
    EXPECT_EQ(peer.width, 64);
    EXPECT_EQ(LoadRgb(reduced), peer);
    K_FreeBitmap(&b);
}

TEST(Gif, MalformedFilesAreRefused) {
    std::string good = TestTempPath("gif_good.gif");
    // A global table of 4 entries, so the image descriptor is at 13 + 12.
    Host("pamtogif " + WritePpm(PalettePicture(16, 4, 4), "gif_good.ppm") + " > " + good);
    const std::string original = ReadFileBytes(good);
    ASSERT_EQ(static_cast<unsigned char>(original[10]) & 0x87, 0x81);
    const size_t descriptor = 13 + 12;
    ASSERT_EQ(original[descriptor], ',');
    struct Bad {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"not GIF", "JIF" + original.substr(3), K_ERR_FORMAT},
        {"minimum code size 0", original.substr(0, descriptor + 10) + '\0' + original.substr(descriptor + 11),
         K_ERR_FORMAT},
        {"minimum code size 9", original.substr(0, descriptor + 10) + '\x09' + original.substr(descriptor + 11),
         K_ERR_FORMAT},
        {"no image descriptor", original.substr(0, descriptor) + ";", K_ERR_READ},
        {"short descriptor", original.substr(0, descriptor + 4), K_ERR_READ},
        {"code past the table", original.substr(0, descriptor + 11) + std::string("\x02\xFF\xFF\x00;", 5),
         K_ERR_BADCODE},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(good, c.bytes);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        EXPECT_EQ(K_LoadGIFFile(good.c_str(), &b, nullptr, 8, nullptr), c.code);
        K_FreeBitmap(&b);
    }
}

}  // namespace
