// PICT against netpbm (ppmtopict) and ImageMagick (reads and writes it),
// and hand-made pictures for what the peers do not write: several pixel
// maps, opcodes to pass over, bit maps, colour tables beyond 256.
#include <cstring>
#include <fstream>

#include "formats/format_fixture.h"
#include "legacy_formats/legacy_fixture.h"

namespace {

std::string Be16(int v) { return std::string{static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string Be32(uint32_t v) { return Be16(static_cast<int>(v >> 16)) + Be16(static_cast<int>(v & 0xFFFF)); }
std::string Rect(int height, int width) { return Be16(0) + Be16(0) + Be16(height) + Be16(width); }

// Preamble, frame, version 2 and its header opcode; opcodes follow.
std::string PictStart(int width, int height) {
    return std::string(512, '\0') + Be16(0) + Rect(height, width) + Be16(0x0011) + Be16(0x02FF) + Be16(0x0C00) +
           Be32(0xFFFFFFFF) + std::string(20, '\0');
}

// An 8-bit PackBitsRect of `rows` rows at the given width (at least 8),
// with a colour table of `entries` entries (value i: grey i), rows given
// already packed with their one-byte counts.
std::string IndexedMap(int width, int rows, int entries, const std::string& data) {
    std::string m = Be16(0x0098) + Be16(0x8000 | width) + Rect(rows, width);
    m += Be16(0) + Be16(0) + Be32(0) + Be32(0x00480000) + Be32(0x00480000);
    m += Be16(0) + Be16(8) + Be16(1) + Be16(8) + Be32(0) + Be32(0) + Be32(0);
    m += Be32(0) + Be16(0) + Be16(entries - 1);
    for (int i = 0; i < entries; ++i) m += Be16(i) + Be16((i & 0xFF) * 0x101) + Be16(0) + Be16(0x8080);
    return m + Rect(rows, width) + Rect(rows, width) + Be16(0) + data;
}

// A packed row of 8 bytes: a literal of all eight.
std::string Row8(const char* bytes) { return std::string("\x09\x07", 2) + std::string(bytes, 8); }

TEST(Pict, PeerFilesLoadWithTheirPixels) {
    struct Case {
        const char* name;
        const char* command;  // %s in, %s out; a leading % means ImageMagick
        int kind;             // 0 gradient, 1 palette, 2 black and white
        int width;
    } const cases[] = {
        {"ppmtopict", "ppmtopict %s > %s", 1, 37},
        {"ppmtopict_wide", "ppmtopict %s > %s", 1, 300},
        {"im_direct", "%s %s PICT:%s", 0, 33},
        {"im_direct_wide", "%s %s PICT:%s", 0, 700},
        {"im_direct_55", "%s %s PICT:%s", 0, 55},
        {"im_direct_64", "%s %s PICT:%s", 0, 64},
        {"im_palette", "%s %s -type Palette PICT:%s", 1, 33},
        // 220 row bytes: ImageMagick's two-byte counts where QuickDraw has one byte.
        {"im_palette_220", "%s %s -type Palette PICT:%s", 1, 220},
        {"ppmtopict_220", "ppmtopict %s > %s", 1, 220},
        {"im_bits", "%s %s -type Bilevel PICT:%s", 2, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = c.kind == 0 ? GradientPicture(c.width, 21) : PalettePicture(c.width, 21, c.kind == 1 ? 200 : 2);
        std::string in = WritePpm(picture, std::string("pict_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("pict_") + c.name + ".pict");
        char command[1024];
        if (c.command[0] == '%')
            std::snprintf(command, sizeof command, c.command, kConvert.c_str(), in.c_str(), out.c_str());
        else
            std::snprintf(command, sizeof command, c.command, in.c_str(), out.c_str());
        Host(std::string(command) + " 2>/dev/null");
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 56);
        EXPECT_EQ(info.Width, c.width);
        EXPECT_EQ(info.Height, 21);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), picture);
        EXPECT_EQ(r, K_OK);
    }
}

// An indexed record holding the picture: its colours in the order met.
void IndexedRecord(const Rgb& picture, int bits, BitmapRecord* b) {
    std::vector<RGBQUAD> palette;
    std::vector<unsigned char> indices;
    for (size_t i = 0; i < picture.pixels.size(); i += 3) {
        RGBQUAD c{picture.pixels[i + 2], picture.pixels[i + 1], picture.pixels[i], 0};
        size_t k = 0;
        while (k < palette.size() && std::memcmp(&palette[k], &c, sizeof c) != 0) ++k;
        if (k == palette.size()) palette.push_back(c);
        indices.push_back(static_cast<unsigned char>(k));
    }
    palette.resize(size_t(1) << bits);
    MakeIndexedRecord(picture.width, picture.height, bits, palette, indices, b);
}

TEST(Pict, OurFilesReadBackByImageMagick) {
    struct Case {
        const char* name;
        int bits, colors, width;  // colors 0: a gradient from a 24-bit record
    } const cases[] =
        {
            {"24", 24, 0, 35},      {"24_wide", 24, 0, 90},  // 360 row bytes: two-byte counts
            {"24_55", 24, 0, 55},   {"24_64", 24, 0, 64},   {"8", 8, 200, 35},
            {"8_200", 8, 200, 200},  // one-byte counts
            {"8_201", 8, 200, 201}, {"8_250", 8, 200, 250}, {"8_251", 8, 200, 251},
            {"4", 4, 16, 35},       {"1", 1, 2, 72},
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = c.colors ? PalettePicture(c.width, 19, c.colors) : GradientPicture(c.width, 19);
        BitmapRecord b;
        if (c.colors)
            IndexedRecord(picture, c.bits, &b);
        else
            MakeRecord(picture, &b);
        std::string out = TestTempPath(std::string("pict_ours_") + c.name + ".pict");
        ASSERT_EQ(K_SavePCTBitmap(out.c_str(), &b, c.bits), K_OK);
        K_FreeBitmap(&b);
        // From 63 to 66 pixels ImageMagick wants a one-byte count for direct
        // rows where QuickDraw has a two-byte one: we write QuickDraw's.
        if (std::string(c.name) != "24_64") EXPECT_EQ(HostPixels(out), picture);
        EXPECT_EQ(LoadRgb(out), picture);
        if (c.bits == 8) {
            // Opcode 0x0098 at 566 and the colour table's size: colours - 1.
            std::string f = ReadBytes(out);
            EXPECT_EQ(f.substr(566, 2), Be16(0x0098));
            EXPECT_EQ(f.substr(566 + 2 + 2 + 8 + 36 + 6, 2), Be16(255));
        }
    }
}

TEST(Pict, NarrowRowsAreStoredUnpacked) {
    // Rows under 8 bytes are not packed. ImageMagick reads such indexed
    // rows, but packs (and misreads) direct ones: those only come back here.
    for (int bits : {1, 8, 24}) {
        SCOPED_TRACE(bits);
        Rgb picture = bits == 24 ? GradientPicture(1, 5) : PalettePicture(bits == 1 ? 40 : 5, 5, bits == 1 ? 2 : 4);
        BitmapRecord b;
        if (bits == 24)
            MakeRecord(picture, &b);
        else
            IndexedRecord(picture, bits, &b);
        std::string out = TestTempPath("pict_narrow_" + std::to_string(bits) + ".pict");
        ASSERT_EQ(K_SavePCTBitmap(out.c_str(), &b, bits), K_OK);
        K_FreeBitmap(&b);
        if (bits != 24) EXPECT_EQ(HostPixels(out), picture);
        EXPECT_EQ(LoadRgb(out), picture);
    }
}

TEST(Pict, HandMadePictures) {
    struct Case {
        const char* name;
        std::string file;
        Rgb expected;
    };
    auto grey = [](std::initializer_list<int> values) {
        Rgb p{8, static_cast<int>(values.size()) / 8, {}};
        for (int v : values) p.pixels.insert(p.pixels.end(), {static_cast<unsigned char>(v), 0, 0x80});
        return p;
    };
    const Case cases[] = {
        // Two pixel maps of one row each, delivered in turn; the opcodes
        // between them (a long comment, an odd length padded to a word) are
        // passed over.
        {"two_maps",
         PictStart(8, 2) + IndexedMap(8, 1, 4, Row8("\x00\x01\x02\x03\x03\x02\x01\x00")) + Be16(0x00A1) + Be16(7) +
             Be16(3) + "abc" + '\0' + IndexedMap(8, 1, 4, std::string("\x02\xF9\x03", 3)) + '\0' + Be16(0x00FF),
         grey({0, 1, 2, 3, 3, 2, 1, 0, 3, 3, 3, 3, 3, 3, 3, 3})},
        // Opcodes of fixed and counted sizes before the map.
        {"skipped_opcodes",
         PictStart(8, 1) + Be16(0x001E) + Be16(0x0001) + Be16(10) + Rect(1, 8) + Be16(0x0003) + Be16(0) + Be16(0x0028) +
             std::string("\0\0\0\0\x03xyz", 8) + Be16(0x0071) + Be16(4) + Be16(0) + Be16(0x00A0) + Be16(0) +
             IndexedMap(8, 1, 2, Row8("\x01\x01\x01\x01\x00\x00\x00\x00")) + Be16(0x00FF),
         grey({1, 1, 1, 1, 0, 0, 0, 0})},
        // A colour table of 300 entries: the first 256 are kept.
        {"table_300",
         PictStart(8, 1) + IndexedMap(8, 1, 300, std::string("\x06\xFC\xFF\x02\xFE\x02\x01", 7)) + Be16(0x00FF),
         grey({255, 255, 255, 255, 255, 254, 2, 1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("pict_hand_") + c.name + ".pict", c.file);
        int r = 0;
        EXPECT_EQ(LoadRgb(path, &r), c.expected);
        EXPECT_EQ(r, K_OK);
    }

    // A bit map (no pixel-map flag): one bit, a set bit black.
    std::string bitmap = PictStart(16, 1) + Be16(0x0090) + Be16(2) + Rect(1, 16) + Rect(1, 16) + Rect(1, 16) + Be16(0) +
                         "\x80\x01" + Be16(0x00FF);
    Rgb bits = LoadRgb(WriteBytes("pict_hand_bitmap.pict", bitmap));
    ASSERT_EQ(bits.width, 16);
    EXPECT_EQ(bits.pixels[0], 0);
    EXPECT_EQ(bits.pixels[3], 255);
    EXPECT_EQ(bits.pixels[3 * 15], 0);
}

int KAPI CountRows(BitmapRecord* b, unsigned char*, int count, void* user) {
    auto* rows = static_cast<std::vector<int>*>(user);
    for (int i = 0; i < count; ++i) rows->push_back(b->Width);
    return 1;
}

TEST(Pict, ReaderTakesTheSharedSteps) {
    // Dithered down to 1 bit and resized while loading, like every reader.
    Rgb picture = GradientPicture(40, 30);
    BitmapRecord b;
    MakeRecord(picture, &b);
    std::string out = TestTempPath("pict_steps.pict");
    ASSERT_EQ(K_SavePCTBitmap(out.c_str(), &b, 24), K_OK);
    K_FreeBitmap(&b);
    RecordGuard one;
    ASSERT_EQ(K_LoadFile(out.c_str(), &one.record, 1, 0, K_LOAD_ALLOCATE, nullptr, nullptr), K_OK);
    EXPECT_EQ(one.record.BitsPerPixel, 1);
    RecordGuard small;
    ASSERT_EQ(K_InitBitmap(&small.record, 20, 15, 24), K_OK);
    std::vector<int> rows;
    ASSERT_EQ(K_LoadPCTFile(out.c_str(), &small.record, CountRows, 24, &rows), K_OK);
    EXPECT_EQ(rows, std::vector<int>(15, 20));
}

TEST(Pict, BadFilesFailCleanly) {
    const std::string map = IndexedMap(8, 1, 2, Row8("\x01\x01\x01\x01\x00\x00\x00\x00"));
    struct Case {
        const char* name;
        std::string file;
        int result;
    } const cases[] = {
        {"pixel_pattern_first", PictStart(8, 1) + Be16(0x0012) + std::string(40, '\0') + map, K_ERR_FORMAT},
        {"quicktime", PictStart(8, 1) + Be16(0x8200) + Be32(0) + map, K_ERR_FORMAT},
        {"end_first", PictStart(8, 1) + Be16(0x00FF) + map, K_ERR_FORMAT},
        {"version_1", std::string(522, '\0') + "\x11\x01" + map, K_ERR_FORMAT},
        {"counted_past_end", PictStart(8, 1) + Be16(0x00A1) + Be16(0) + Be16(0x7FFF) + map, K_ERR_FORMAT},
        {"row_count_zero", PictStart(8, 1) + IndexedMap(8, 1, 2, std::string("\x00", 1)), K_ERR_READ},
        {"rows_cut", PictStart(8, 3) + IndexedMap(8, 3, 2, Row8("\x01\x01\x01\x01\x00\x00\x00\x00") + "\x09\x07"),
         K_ERR_READ},
        {"table_cut", PictStart(8, 1) + IndexedMap(8, 1, 2, "").substr(0, 70), K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("pict_bad_") + c.name + ".pict", c.file);
        BitmapRecord b{};
        EXPECT_EQ(K_LoadPCTBitmap(path.c_str(), &b), c.result);
        K_FreeBitmap(&b);
        RecordGuard g;
        EXPECT_NE(K_LoadFile(path.c_str(), &g.record, 24, 0, K_LOAD_ALLOCATE, nullptr, nullptr), K_OK);
    }
}

}  // namespace
