// Sun raster against netpbm and ImageMagick, and hand-made files for the
// cases the peers do not write.
#include <algorithm>
#include <cstring>
#include <fstream>

#include "formats/format_fixture.h"
#include "legacy_formats/legacy_fixture.h"

namespace {

// A file from a header's words and the bytes after it.
std::string RasFile(std::initializer_list<uint32_t> words, const std::string& rest) {
    std::string f;
    for (uint32_t w : words) {
        f += static_cast<char>(w >> 24);
        f += static_cast<char>(w >> 16);
        f += static_cast<char>(w >> 8);
        f += static_cast<char>(w);
    }
    return f + rest;
}

constexpr uint32_t kMagic = 0x59A66A95;

TEST(SunRaster, FilesOfPeersLoadWithTheirPixels) {
    struct Case {
        const char* name;
        const char* command;  // %s in, %s out; a leading % means ImageMagick
        int kind;             // 0 gradient, 1 palette, 2 black and white
        int width = 33;
    } const cases[] = {
        {"pnm_raw", "pnmtorast -standard %s > %s", 0},
        // netpbm codes one run across all rows.
        {"pnm_rle", "pnmtorast -rle %s > %s", 0},
        {"pnm_map", "pnmtorast -standard %s > %s", 1},
        {"pnm_map_rle", "pnmtorast -rle %s > %s", 1},
        // netpbm writes the last partial byte of a 1-bit row as 0: whole bytes only.
        {"pnm_bits", "ppmtopgm %s | pgmtopbm -threshold | pnmtorast -standard > %s", 2, 40},
        {"pnm_bits_rle", "ppmtopgm %s | pgmtopbm -threshold | pnmtorast -rle > %s", 2, 40},
        {"im_raw", "%s %s SUN:%s", 0},
        {"im_map", "%s %s -type Palette SUN:%s", 1},
        {"im_bits", "%s %s -type Bilevel SUN:%s", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 33 wide: odd rows at every depth, so padding is exercised.
        const int width = c.width;
        Rgb picture = c.kind == 0 ? GradientPicture(width, 21) : PalettePicture(width, 21, c.kind == 1 ? 200 : 2);
        std::string in = WritePpm(picture, std::string("ras_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("ras_") + c.name + ".ras");
        char command[1024];
        if (c.command[0] == '%')
            std::snprintf(command, sizeof command, c.command, kConvert.c_str(), in.c_str(), out.c_str());
        else
            std::snprintf(command, sizeof command, c.command, in.c_str(), out.c_str());
        Host(command);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 55);
        EXPECT_EQ(info.Width, width);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), picture);
        EXPECT_EQ(r, K_OK);
    }
}

TEST(SunRaster, OurFilesReadBackByPeers) {
    struct Case {
        const char* name;
        int bits;
        int kind;       // 0 gradient from a 24-bit record, 1 indexed 200 colours, 2 indexed black and white
        bool reversed;  // palette order turned over (white first at 1 bit)
    } const cases[] = {{"24", 24, 0, false},
                       {"32", 32, 0, false},
                       {"8", 8, 1, false},
                       {"1", 1, 2, false},
                       {"1_white_first", 1, 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = c.kind == 0 ? GradientPicture(35, 19) : PalettePicture(35, 19, c.kind == 1 ? 200 : 2);
        BitmapRecord b;
        if (c.kind == 0)
            MakeRecord(picture, &b);
        else
            IndexedRecord(picture, c.bits, c.reversed, &b);
        std::string out = TestTempPath(std::string("ras_ours_") + c.name + ".ras");
        ASSERT_EQ(K_SaveRASBitmap(out.c_str(), &b, c.bits), K_OK);
        K_FreeBitmap(&b);
        if (c.bits != 32) {
            EXPECT_EQ(HostPnm("rasttopnm " + out + " | ppmtoppm"), picture);
        }
        EXPECT_EQ(HostPixels(out), picture);
        EXPECT_EQ(LoadRgb(out), picture);
        // The length field counts the padded rows.
        std::ifstream f(out, std::ios::binary);
        unsigned char h[32];
        f.read(reinterpret_cast<char*>(h), 32);
        uint32_t length = uint32_t(h[16]) << 24 | h[17] << 16 | h[18] << 8 | h[19];
        int rowBytes = (35 * c.bits + 7) / 8;
        EXPECT_EQ(length, uint32_t((rowBytes + (rowBytes & 1)) * 19));
    }
}

TEST(SunRaster, HandMadeVariants) {
    // 32 bits, type 3: A, R, G, B.
    std::string argb = RasFile({kMagic, 2, 1, 32, 8, 3, 0, 0}, std::string("\x00\x10\x20\x30\xFF\x40\x50\x60", 8));
    EXPECT_EQ(LoadRgb(WriteBytes("ras_argb.ras", argb)), (Rgb{2, 1, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}}));
    // 32 bits, type 1: A, B, G, R.
    std::string abgr = RasFile({kMagic, 1, 1, 32, 4, 1, 0, 0}, std::string("\x00\x30\x20\x10", 4));
    EXPECT_EQ(LoadRgb(WriteBytes("ras_abgr.ras", abgr)), (Rgb{1, 1, {0x10, 0x20, 0x30}}));

    // Coded: 0x80 0x00 is one 0x80, 0x80 0x02 v three bytes v; the run
    // that starts in row 0 ends in row 1 (8-bit grey, 3 wide, padded to 4).
    std::string coded = RasFile({kMagic, 3, 2, 8, 0, 2, 0, 0}, std::string("\x80\x00\x05\x80\x03\x09\x07\x00", 8));
    Rgb grey = LoadRgb(WriteBytes("ras_coded.ras", coded));
    // Row 0: 80 05 09 [09]; row 1: 09 09 07 [00].
    const unsigned char expected[] = {0x80, 5, 9, 9, 9, 7};
    ASSERT_EQ(grey.pixels.size(), 18u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(grey.pixels[3 * i], expected[i]) << i;

    // A colour map of 300 entries: the first 256 are kept, the rest passed over.
    std::string map(900, '\0');
    for (int i = 0; i < 300; ++i) {
        map[i] = static_cast<char>(i);
        map[300 + i] = static_cast<char>(255 - (i & 0xFF));
        map[600 + i] = 7;
    }
    std::string big = RasFile({kMagic, 2, 1, 8, 2, 1, 1, 900}, map + std::string("\x01\xFF", 2));
    EXPECT_EQ(LoadRgb(WriteBytes("ras_bigmap.ras", big)), (Rgb{2, 1, {1, 254, 7, 255, 0, 7}}));

    // 1 bit without a map: a set bit is black.
    std::string bits = RasFile({kMagic, 9, 1, 1, 0, 1, 0, 0}, std::string("\xA0\x80", 2));
    Rgb bw = LoadRgb(WriteBytes("ras_bits.ras", bits));
    ASSERT_EQ(bw.pixels.size(), 27u);
    const int black[] = {0, 2, 8};
    for (int x = 0; x < 9; ++x) {
        bool isBlack = x == black[0] || x == black[1] || x == black[2];
        EXPECT_EQ(bw.pixels[3 * x], isBlack ? 0 : 255) << x;
    }
}

TEST(SunRaster, BadFilesFailCleanly) {
    struct Case {
        const char* name;
        std::string bytes;
        int result;
    } const cases[] = {
        {"truncated_raw", RasFile({kMagic, 4, 4, 8, 16, 1, 0, 0}, std::string(10, 'x')), K_ERR_READ},
        {"truncated_rle", RasFile({kMagic, 4, 4, 8, 0, 2, 0, 0}, std::string("\x80\x03\x01", 3)), K_ERR_READ},
        {"split_run", RasFile({kMagic, 4, 4, 8, 0, 2, 0, 0}, std::string("\x01\x80", 2)), K_ERR_READ},
        {"map_past_end", RasFile({kMagic, 1, 1, 8, 2, 1, 1, 0x7FFFFFF0}, "abc"), K_ERR_READ},
        {"depth", RasFile({kMagic, 1, 1, 7, 2, 1, 0, 0}, "ab"), K_ERR_FORMAT},
        {"huge", RasFile({kMagic, 0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 2, 0, 0}, "ab"), K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("ras_bad_") + c.name + ".ras", c.bytes);
        RecordGuard g;
        int r = K_LoadFile(path.c_str(), &g.record, 24, 0, K_LOAD_ALLOCATE, nullptr, nullptr);
        EXPECT_LE(r, 0);
        EXPECT_NE(r, K_OK);
        BitmapRecord b{};
        EXPECT_EQ(K_LoadRASBitmap(path.c_str(), &b), c.result);
        K_FreeBitmap(&b);
    }
}

}  // namespace
