// WPG raster: ImageMagick reads it (nobody in Debian writes it), so our
// files are read back by ImageMagick, and hand-made files load with the
// pixels ImageMagick sees in them.
#include <cstring>
#include <fstream>

#include "formats/format_fixture.h"
#include "legacy_formats/legacy_fixture.h"

namespace {

std::string Le16(int v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }
int Le16At(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

// The file header: records start at `first`.
std::string WpgHeader(int first = 16) {
    std::string h("\xFFWPC", 4);
    h += Le16(first) + Le16(0);
    h += std::string("\x01\x16\x01\x00\x00\x00\x00\x00", 8);
    return h;
}

// A record with the shortest length form, or the long one when asked.
std::string Record(int type, const std::string& body, bool longForm = false) {
    std::string r(1, static_cast<char>(type));
    const int n = static_cast<int>(body.size());
    if (longForm)
        r += "\xFF" + Le16(0x8000 | n >> 16) + Le16(n & 0xFFFF);
    else if (n < 0xFF)
        r += static_cast<char>(n);
    else
        r += "\xFF" + Le16(n);
    return r + body;
}

std::string Map(int first, const std::vector<int>& rgb) {
    std::string m = Le16(first) + Le16(static_cast<int>(rgb.size() / 3));
    for (int v : rgb) m += static_cast<char>(v);
    return m;
}

std::string Bitmap(int width, int height, int depth, const std::string& data) {
    return Le16(width) + Le16(height) + Le16(depth) + Le16(75) + Le16(75) + data;
}

// 256 distinct colours.
std::vector<int> Ramp() {
    std::vector<int> rgb;
    for (int i = 0; i < 256; ++i) rgb.insert(rgb.end(), {i, 255 - i, i / 2});
    return rgb;
}

const std::string kEnd = std::string("\x10\x00", 2);
const std::vector<int> kFourColors = {255, 0, 0, 0, 128, 0, 10, 20, 30, 250, 250, 250};

TEST(Wpg, HandMadeFilesLoadAsImageMagickReadsThem) {
    struct Case {
        const char* name;
        std::string file;
        int width, height;
    } const cases[] = {
        // "00 02" after row 0: two copies of it (as ImageMagick reads it), then a run row.
        {"repeat",
         WpgHeader() + Record(0x0E, Map(0, kFourColors)) +
             Record(0x0B, Bitmap(4, 4, 8, std::string("\x04\x00\x01\x02\x03\x00\x02\x84\x01", 9))) + kEnd,
         4, 4},
        // The second form: ten more bytes before the size.
        {"second_form",
         WpgHeader() + Record(0x0E, Map(0, kFourColors)) +
             Record(0x14, std::string(10, '\0') + Bitmap(4, 2, 8, std::string("\x84\x03\x02\x01\x02\x82\x00", 7))) +
             kEnd,
         4, 2},
        // Runs go on into the next row: three bytes over rows 0 and 1, then three more.
        {"run_across_rows",
         WpgHeader() + Record(0x0E, Map(0, {0, 0, 0, 255, 255, 255})) +
             Record(0x0B, Bitmap(16, 3, 1, std::string("\x83\xF0\x83\x0F", 4))) + kEnd,
         16, 3},
        // 0x80 n: n bytes 0xFF.
        {"ff_run",
         WpgHeader() + Record(0x0E, Map(0, Ramp())) +
             Record(0x0B, Bitmap(3, 2, 8, std::string("\x80\x03\x83\xFE", 4))) + kEnd,
         3, 2},
        // The header's first-record offset, a record with a word length
        // passed over, a bitmap with a long length, 4 bits.
        {"walk",
         WpgHeader(20) + "ABCD" + Record(0x01, std::string(300, '\x11')) + Record(0x0E, Map(0, kFourColors)) +
             Record(0x0B, Bitmap(5, 1, 4, std::string("\x03\x01\x23\x20", 4)), true) + kEnd,
         5, 1},
        // A 1-bit map with white first.
        {"white_first_map",
         WpgHeader() + Record(0x0E, Map(0, {255, 255, 255, 0, 0, 0})) +
             Record(0x0B, Bitmap(8, 1, 1, std::string("\x01\x0F", 2))) + kEnd,
         8, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("wpg_") + c.name + ".wpg", c.file);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 54);
        EXPECT_EQ(info.Width, c.width);
        EXPECT_EQ(info.Height, c.height);
        int r = 0;
        Rgb ours = LoadRgb(path, &r);
        EXPECT_EQ(r, K_OK);
        EXPECT_EQ(ours.width, c.width);
        EXPECT_EQ(ours, HostPixels(path));
    }
}

TEST(Wpg, FilesWithoutAMap) {
    // ImageMagick shows these in its own default colours (and refuses 8
    // bits); we show 1 bit in black and white and 8 bits in grey levels.
    std::string bits = WriteBytes("wpg_nomap_1.wpg", WpgHeader() + Record(0x0B, Bitmap(4, 1, 1, "\x01\x50")) + kEnd);
    EXPECT_EQ(LoadRgb(bits), (Rgb{4, 1, {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}}));
    std::string grey =
        WriteBytes("wpg_nomap_8.wpg", WpgHeader() + Record(0x0B, Bitmap(2, 1, 8, "\x02\x10\xF0")) + kEnd);
    EXPECT_EQ(LoadRgb(grey), (Rgb{2, 1, {16, 16, 16, 240, 240, 240}}));
}

TEST(Wpg, OurFilesReadBackByImageMagick) {
    struct Case {
        const char* name;
        int bits, colors;
        bool whiteFirst;
    } const cases[] = {{"1", 1, 2, false}, {"1_white_first", 1, 2, true}, {"4", 4, 16, false}, {"8", 8, 200, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = PalettePicture(37, 13, c.colors);
        std::vector<RGBQUAD> palette;
        std::vector<unsigned char> indices;
        for (size_t i = 0; i < picture.pixels.size(); i += 3) {
            RGBQUAD q{picture.pixels[i + 2], picture.pixels[i + 1], picture.pixels[i], 0};
            size_t k = 0;
            while (k < palette.size() && std::memcmp(&palette[k], &q, sizeof q) != 0) ++k;
            if (k == palette.size()) palette.push_back(q);
            indices.push_back(static_cast<unsigned char>(k));
        }
        if (c.whiteFirst && palette[0].rgbRed == 0) {
            std::swap(palette[0], palette[1]);
            for (auto& i : indices) i ^= 1;
        }
        palette.resize(size_t(1) << c.bits);
        BitmapRecord b;
        MakeIndexedRecord(37, 13, c.bits, palette, indices, &b);
        std::string out = TestTempPath(std::string("wpg_ours_") + c.name + ".wpg");
        ASSERT_EQ(K_SaveWPGBitmap(out.c_str(), &b, c.bits), K_OK);
        K_FreeBitmap(&b);
        EXPECT_EQ(HostPixels(out), picture);
        EXPECT_EQ(LoadRgb(out), picture);

        // The bitmap record's long length reaches exactly to the end record.
        std::string f = ReadBytes(out);
        size_t at = 16;
        while (at < f.size() && static_cast<unsigned char>(f[at]) != 0x0B) {
            int n = static_cast<unsigned char>(f[at + 1]);
            at += 2;
            if (n == 0xFF) n = Le16At(f, at), at += 2;
            at += n;
        }
        ASSERT_LT(at + 6, f.size());
        ASSERT_EQ(static_cast<unsigned char>(f[at + 1]), 0xFF);
        const int high = Le16At(f, at + 2);
        ASSERT_TRUE(high & 0x8000);
        const size_t length = size_t(high & 0x7FFF) << 16 | Le16At(f, at + 4);
        EXPECT_EQ(at + 6 + length, f.size() - 2);
        EXPECT_EQ(f.substr(f.size() - 2), kEnd);
    }
}

TEST(Wpg, WriterCodesRunsOfTwo) {
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    BitmapRecord b;
    MakeIndexedRecord(4, 1, 8, palette, {9, 9, 4, 5}, &b);
    std::string out = TestTempPath("wpg_runs.wpg");
    ASSERT_EQ(K_SaveWPGBitmap(out.c_str(), &b, 8), K_OK);
    K_FreeBitmap(&b);
    std::string f = ReadBytes(out);
    ASSERT_GT(f.size(), 8u);
    // The row, the end record.
    EXPECT_EQ(f.substr(f.size() - 7), std::string("\x82\x09\x02\x04\x05\x10\x00", 7));
}

TEST(Wpg, BadFilesFailCleanly) {
    const std::string bitmap = Record(0x0B, Bitmap(4, 2, 8, std::string("\x84\x01\x84\x02", 4)));
    struct Case {
        const char* name;
        std::string file;
        int result;
    } const cases[] = {
        {"end_before_bitmap", WpgHeader() + kEnd + bitmap, K_ERR_FORMAT},
        // The file ends inside the record walk, or a length reaches past it.
        {"walk_off_the_end", WpgHeader() + Record(0x01, "abc"), K_ERR_FORMAT},
        {"length_past_end", WpgHeader() + std::string("\x01\xFF\xFF\x7F", 4) + bitmap, K_ERR_FORMAT},
        {"long_length_past_end", WpgHeader() + std::string("\x01\xFF\xFF\xFF\xFF\xFF", 6) + bitmap, K_ERR_FORMAT},
        {"version_2", WpgHeader().replace(10, 1, "\x02") + bitmap, K_ERR_FORMAT},
        {"depth_2", WpgHeader() + Record(0x0B, Bitmap(4, 1, 2, "\x01\x00")), K_ERR_FORMAT},
        {"data_short", WpgHeader() + Record(0x0B, Bitmap(4, 2, 8, std::string("\x84\x01\x03\x01", 4))), K_ERR_READ},
        {"repeat_inside_row", WpgHeader() + Record(0x0B, Bitmap(4, 2, 8, std::string("\x01\x05\x00\x01\x84\x00", 6))),
         0},
        {"map_past_256", WpgHeader() + Record(0x0E, Map(255, kFourColors)) + bitmap, K_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("wpg_bad_") + c.name + ".wpg", c.file);
        BitmapRecord b{};
        EXPECT_EQ(K_LoadWPGBitmap(path.c_str(), &b), c.result);
        K_FreeBitmap(&b);
        if (c.result != K_OK) {
            RecordGuard g;
            EXPECT_NE(K_LoadFile(path.c_str(), &g.record, 24, 0, K_LOAD_ALLOCATE, nullptr, nullptr), K_OK);
        }
    }
}

}  // namespace
