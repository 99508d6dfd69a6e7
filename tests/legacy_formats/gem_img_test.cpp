// GEM IMG against netpbm (pbmtogem, gemtopnm): peer files load with their
// pixels, ours are read back by gemtopnm, and hand-made record streams are
// judged by gemtopnm too.
#include <fstream>

#include "formats/format_fixture.h"
#include "legacy_formats/legacy_fixture.h"

namespace {

std::string Words(std::initializer_list<int> words) {
    std::string s;
    for (int w : words) {
        s += static_cast<char>(w >> 8);
        s += static_cast<char>(w);
    }
    return s;
}

// A header of 8 words (or 9 with a trailing word), then the records.
std::string GemFile(int planes, int width, int height, const std::string& records, int patternLength = 1,
                    bool nineWords = false) {
    std::string f = Words({1, nineWords ? 9 : 8, planes, patternLength, 85, 85, width, height});
    if (nineWords) f += Words({0x1234});
    return f + records;
}

// A four-plane row 10 wide: each plane's two bytes as a bit string.
std::string Planes(const char* bytes) {
    std::string row;
    for (int p = 0; p < 4; ++p) row += std::string("\x80\x02", 2) + std::string(bytes + 2 * p, 2);
    return row;
}

// gemtopnm's pixels of a file, as 8-bit RGB.
Rgb GemPeer(const std::string& path) { return HostPnm("gemtopnm " + path + " | pnmdepth 255 | ppmtoppm"); }

TEST(GemImg, NetpbmFilesLoadWithTheirPixels) {
    struct Case {
        const char* name;
        int width, height;
        bool plain;  // one colour: pbmtogem codes it with a scan-line replication on the first row
    } const cases[] = {{"blocks", 33, 21, false}, {"wide", 300, 9, false}, {"white", 300, 5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = c.plain ? GrayPicture(c.width, c.height, 1) : PalettePicture(c.width, c.height, 2);
        std::string in = WritePpm(picture, std::string("gem_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("gem_") + c.name + ".img");
        Host("ppmtopgm " + in + " | pgmtopbm -threshold | pbmtogem > " + out);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 52);
        EXPECT_EQ(info.Width, c.width);
        EXPECT_EQ(info.BitsPerPixel, 1);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), picture);
        EXPECT_EQ(r, K_OK);
    }
}

TEST(GemImg, OurFilesReadBackByNetpbm) {
    Rgb picture = PalettePicture(45, 17, 2);
    for (bool whiteFirst : {false, true}) {
        SCOPED_TRACE(whiteFirst);
        std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::vector<unsigned char> indices;
        for (size_t i = 0; i < picture.pixels.size(); i += 3)
            indices.push_back(static_cast<unsigned char>((picture.pixels[i] != 0) != whiteFirst));
        if (whiteFirst) std::swap(palette[0], palette[1]);
        BitmapRecord b;
        MakeIndexedRecord(45, 17, 1, palette, indices, &b);
        std::string out = TestTempPath(whiteFirst ? "gem_ours_w.img" : "gem_ours_b.img");
        ASSERT_EQ(K_SaveIMGBitmap(out.c_str(), &b), K_OK);
        K_FreeBitmap(&b);
        EXPECT_EQ(GemPeer(out), picture);
        EXPECT_EQ(LoadRgb(out), picture);
    }
    // A true-colour record is reduced to one plane.
    Rgb grey = GrayPicture(40, 8, 2);
    BitmapRecord b;
    MakeRecord(grey, &b);
    std::string out = TestTempPath("gem_ours_24.img");
    ASSERT_EQ(K_SaveIMGBitmap(out.c_str(), &b), K_OK);
    K_FreeBitmap(&b);
    EXPECT_EQ(GemPeer(out), LoadRgb(out));
}

TEST(GemImg, RecordsAsNetpbmReadsThem) {
    struct Case {
        const char* name;
        std::string file;
    } const cases[] = {
        // Pattern length 2, count 3: six bytes; solid runs; a bit string.
        {"pattern", GemFile(1, 48, 3,
                            std::string("\x00\x03\xA5\x0F", 4) + std::string("\x83\x03", 2) +
                                std::string("\x80\x06\x01\x02\x03\x04\x05\x06", 8),
                            2)},
        // Nine header words: the data starts at byte 18.
        {"nine_words", GemFile(1, 16, 1, std::string("\x80\x02\xF0\x0F", 4), 1, true)},
        // A replication record on the first row, and one that runs past the height.
        {"replicated",
         GemFile(1, 10, 5,
                 std::string("\x00\x00\xFF\x03\x80\x02\xC0\x40", 8) + std::string("\x00\x00\xFF\x09\x81\x01", 6))},
        // Four planes of a row 10 wide, each padded to two bytes; plane 0 the low bit.
        {"planes",
         GemFile(4, 10, 2, Planes("\x55\x40\x33\x00\x0F\x00\x00\xC0") + Planes("\xAA\x80\xCC\xC0\xF0\xC0\xFF\x00"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("gem_rec_") + c.name + ".img", c.file);
        int r = 0;
        Rgb ours = LoadRgb(path, &r);
        EXPECT_EQ(r, K_OK);
        EXPECT_EQ(ours, GemPeer(path));
        EXPECT_GT(ours.width, 0);
    }
}

TEST(GemImg, WriterCodesRunsNotLiterals) {
    // Row bytes FF FF 00 00 12 12 34: solid runs of 2, a pattern run of 2, a literal.
    std::vector<RGBQUAD> palette = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    std::vector<unsigned char> indices;
    const unsigned char bytes[7] = {0xFF, 0xFF, 0x00, 0x00, 0x12, 0x12, 0x34};
    for (unsigned char v : bytes)
        for (int bit = 7; bit >= 0; --bit) indices.push_back((v >> bit) & 1);
    BitmapRecord b;
    MakeIndexedRecord(56, 1, 1, palette, indices, &b);
    std::string out = TestTempPath("gem_runs.img");
    ASSERT_EQ(K_SaveIMGBitmap(out.c_str(), &b), K_OK);
    K_FreeBitmap(&b);
    std::string file = ReadBytes(out);
    EXPECT_EQ(file.substr(0, 16), Words({1, 8, 1, 1, 85, 85, 56, 1}));
    EXPECT_EQ(file.substr(16), std::string("\x82\x02\x00\x02\x12\x80\x01\x34", 8));
}

TEST(GemImg, BadFilesFailCleanly) {
    struct Case {
        const char* name;
        std::string file;
        int result;
    } const cases[] = {
        // The data ends inside the second row: no success with stale rows.
        {"truncated", GemFile(1, 16, 3, std::string("\x80\x02\xFF\xFF\x80\x02\x01", 7)), K_ERR_READ},
        {"no_rows", GemFile(1, 16, 300, ""), K_ERR_READ},
        // A bit string past the row's end.
        {"overrun", GemFile(1, 16, 1, std::string("\x80\x03\x01\x02\x03", 5)), 0},
        {"pattern_overrun", GemFile(1, 16, 1, std::string("\x00\x02\x01\x02", 4), 2), 0},
        {"zero_pattern_length", GemFile(1, 16, 1, std::string("\x00\x02\x01", 3), 0), 0},
        {"replication_inside_row", GemFile(1, 16, 1, std::string("\x01\x00\x00\xFF\x02\x01", 6)), 0},
        {"zero_width", GemFile(1, 0, 1, std::string("\x01\x01", 2)), K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("gem_bad_") + c.name + ".img", c.file);
        BitmapRecord b{};
        EXPECT_EQ(K_LoadIMGBitmap(path.c_str(), &b), c.result);
        K_FreeBitmap(&b);
    }
    // Three planes are not a GEM picture we know.
    std::string three = WriteBytes("gem_bad_planes.img", GemFile(3, 8, 1, "\x01"));
    FileInfoRecord info;
    EXPECT_NE(K_FileInfo(three.c_str(), &info) == K_OK ? info.FormatCode : 0, 52);
}

}  // namespace
