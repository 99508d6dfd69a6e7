// Modified Huffman TIFF strips made by hand from the T.4 code lists, the
// 1-bit TIFF writer's and the fax page writer's choices (inversion, row
// order, width) and the page reader's results and record set-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ccitt_fixture.h"
#include "core/palette.h"
#include "io/file_callbacks.h"
#include "fax/ccitt_page.h"
#include "tiff/tiff_test_util.h"

namespace {

std::string Path(const std::string& name) { return TestTempPath("ccitt_page_" + name); }

// ---- Modified Huffman by hand ---------------------------------------------

// A little-endian TIFF of one 1-bit page, photometric 0, compression 2,
// with the given strips.
std::string MhTiff(int width, int height, int rowsPerStrip, const std::vector<std::string>& strips) {
    std::string s = "II*";
    s += '\0';
    auto put16 = [&](unsigned v) { s += static_cast<char>(v), s += static_cast<char>(v >> 8); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
    put32(8);
    std::vector<unsigned> offsets;
    for (const std::string& strip : strips) {
        offsets.push_back(static_cast<unsigned>(s.size()));
        s += strip;
    }
    if (s.size() & 1) s += '\0';
    const unsigned n = static_cast<unsigned>(strips.size());
    const unsigned dir = static_cast<unsigned>(s.size()), entries = 9;
    const unsigned arrays = dir + 2 + 12 * entries + 4;
    PutLe32At(s, 4, dir);
    put16(entries);
    auto entry = [&](unsigned tag, unsigned type, unsigned count, unsigned value) {
        put16(tag), put16(type), put32(count);
        if (type == 3 && count == 1)
            put16(value), put16(0);
        else
            put32(value);
    };
    entry(256, 3, 1, static_cast<unsigned>(width));
    entry(257, 3, 1, static_cast<unsigned>(height));
    entry(258, 3, 1, 1);
    entry(259, 3, 1, 2);
    entry(262, 3, 1, 0);
    entry(273, 4, n, n == 1 ? offsets[0] : arrays);
    entry(277, 3, 1, 1);
    entry(278, 3, 1, static_cast<unsigned>(rowsPerStrip));
    entry(279, 4, n, n == 1 ? static_cast<unsigned>(strips[0].size()) : arrays + 4 * n);
    put32(0);
    if (n > 1) {
        for (unsigned o : offsets) put32(o);
        for (const std::string& strip : strips) put32(static_cast<unsigned>(strip.size()));
    }
    return s;
}

std::string Chars(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The rows of a loaded 1-bit record as '0' (white) and '1' (black).
std::vector<std::string> BlackPixels(BitmapRecord* r) {
    const std::string rgb = RecordRgb(r);
    std::vector<std::string> rows;
    for (int y = 0; y < r->Height; ++y) {
        std::string row;
        for (int x = 0; x < r->Width; ++x) row += rgb[(static_cast<size_t>(y) * r->Width + x) * 3] == 0 ? '1' : '0';
        rows.push_back(row);
    }
    return rows;
}

TEST(ModifiedHuffman, HandCodedStripsLoadAsFax2tiffReadsTheSameCodes) {
    // Three rows of 16 pixels, each coded from the T.4 lists and padded to a byte.
    const std::vector<std::string> codes = {
        "101010",  // white 16
        "1011"
        "011"
        "1011"
        "011",  // white 4, black 4, white 4, black 4
        "00110101"
        "0000010111",  // white 0, black 16
    };
    const std::vector<std::string> rows = {"0000000000000000", "0000111100001111", "1111111111111111"};
    std::vector<std::string> strips;
    std::string oneStrip, rawG3;
    for (const std::string& c : codes) {
        strips.push_back(Chars(BytesOf(c)));
        oneStrip += strips.back();
        rawG3 += "000000000001" + c;
    }
    for (int i = 0; i < 6; ++i) rawG3 += "000000000001";

    const std::string perRow = Path("mh_rows.tif"), whole = Path("mh_whole.tif"), raw = Path("mh.g3");
    WriteFileBytes(perRow, MhTiff(16, 3, 1, strips));
    WriteFileBytes(whole, MhTiff(16, 3, 3, {oneStrip}));
    WriteFileBytes(raw, Chars(BytesOf(rawG3)));
    for (const std::string& path : {perRow, whole}) {
        TestBitmap b;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK) << path;
        EXPECT_EQ(BlackPixels(b.get()), rows) << path;
    }
    // libtiff's fax decoder on the same codes as raw Group 3.
    Host("fax2tiff -M -1 -X 16 -o '" + raw + ".tif' '" + raw + "' && tiffcp -c none '" + raw + ".tif' '" + raw +
         ".plain.tif' && " + kConvert + " '" + raw + ".plain.tif' -depth 8 rgb:'" + raw + ".rgb'");
    const std::string theirs = ReadFileBytes(raw + ".rgb");
    ASSERT_GE(theirs.size(), 16u * 3 * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(theirs[(y * 16 + x) * 3] == 0 ? '1' : '0', rows[y][x]) << y << "," << x;

    // A strip that breaks leaves the rest of its rows white; the next
    // strip is read as usual.
    std::vector<std::string> broken = strips;
    broken[1] =
        Chars(BytesOf("1011"
                      "011"
                      "0000000001"));
    const std::string brokenPath = Path("mh_broken.tif");
    WriteFileBytes(brokenPath, MhTiff(16, 3, 1, broken));
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(brokenPath.c_str(), b.get(), 0, 1), K_OK);
    EXPECT_EQ(BlackPixels(b.get()), (std::vector<std::string>{rows[0], "0000111100000000", rows[2]}));
}

// ---- Writers ----------------------------------------------------------------

// A 1-bit record of the rows (top row first, '1' = colour 1).
void MakeBitmap(BitmapRecord* b, const std::vector<std::string>& rows, RGBQUAD colour0, RGBQUAD colour1,
                int view = K_BOTTOM_UP) {
    const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
    const RGBQUAD table[2] = {colour0, colour1};
    ASSERT_EQ(K_CreateBitmap(b, 1, width, height, 1, 1, table, view), K_OK);
    K_AccessBitmap(b);
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> row = RowOf(rows[y]);
        row.resize(b->BytesPerLine);
        K_PutBitmapRow(b, row.data(), view == K_BOTTOM_UP ? height - 1 - y : y, b->BytesPerLine);
    }
    K_ReleaseBitmap(b);
}

const RGBQUAD kWhite = {255, 255, 255, 0}, kBlack = {0, 0, 0, 0};
const RGBQUAD kCyan = {255, 255, 0, 0}, kDarkRed = {0, 0, 128, 0};

std::vector<std::string> Shapes(int width, int height) {
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row(width, '0');
        for (int x = 0; x < width; ++x)
            if ((x * 7 + y * 3) % 23 < 5 || (x > y && x < 2 * y)) row[x] = '1';
        rows.push_back(row);
    }
    return rows;
}

// The coded bytes of a one-strip TIFF.
std::string StripOf(const std::string& file) {
    return file.substr(Le32At(file, EntryAt(file, 273) + 8), Le32At(file, EntryAt(file, 279) + 8));
}

TEST(CcittWriters, DarkColourZeroIsInvertedWhateverItsRed) {
    const std::vector<std::string> rows = Shapes(1700, 6);
    std::vector<std::string> inverted = rows;
    for (auto& row : inverted)
        for (char& c : row) c = c == '1' ? '0' : '1';
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        RGBQUAD colour0, colour1;
    };
    // The same picture (black where the shapes are) four ways; a red-byte
    // test would take cyan, whose red is 0, for the dark colour.
    const Case cases[] = {
        {"white_black", rows, kWhite, kBlack},
        {"black_white", inverted, kBlack, kWhite},
        {"cyan_darkred", rows, kCyan, kDarkRed},
        {"darkred_cyan", inverted, kDarkRed, kCyan},
    };
    std::string first;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestBitmap b;
        MakeBitmap(b.get(), c.rows, c.colour0, c.colour1);
        const std::string path = Path(std::string("invert_") + c.name + ".tif");
        ASSERT_EQ(K_CompressBitmap1Bit(b.get(), path.c_str(), 29), K_OK);
        const std::string strip = StripOf(ReadFileBytes(path));
        if (first.empty()) first = strip;
        EXPECT_EQ(strip, first);
    }
    // And that strip is the shapes in black: 213-byte rows of 1700 pixels.
    FaxOptions o;
    o.coding = FaxCoding::Group4;
    o.width = 1700;
    int result = 0;
    Page back = Decode(o, std::vector<uint8_t>(first.begin(), first.end()), 6, &result);
    ASSERT_EQ(result, 1);
    for (int y = 0; y < 6; ++y) {
        ASSERT_EQ(back[y].size(), 213u);
        EXPECT_EQ(back[y], RowOf(rows[y])) << y;
    }
}

TEST(CcittWriters, CompressBitmap1BitAppendsFromPageTwo) {
    TestBitmap first, second;
    MakeBitmap(first.get(), Shapes(100, 30), kWhite, kBlack);
    MakeBitmap(second.get(), Shapes(64, 12), kBlack, kWhite);
    const std::string path = Path("pages.tif");
    ASSERT_EQ(K_CompressBitmap1Bit(first.get(), path.c_str(), 28), K_OK);
    {
        PageOption page(2);
        ASSERT_EQ(K_CompressBitmap1Bit(second.get(), path.c_str(), 29), K_OK);
    }
    Host("test \"$(tiffinfo '" + path + "' 2>/dev/null | grep -c 'Image Width')\" = 2");
    for (int page : {1, 2}) {
        PageOption option(page);
        TestBitmap back;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), back.get(), 0, 1), K_OK);
        EXPECT_EQ(RecordRgb(back.get()), RecordRgb(page == 1 ? first.get() : second.get())) << page;
    }
}

// Writes a raw page of the record: the coded bytes, or the writer's result.
std::string WriteRaw(const std::string& name, BitmapRecord* b, int format, int options, int* result) {
    const std::string path = Path(name);
    const int handle = FileOpen(path.c_str(), 0x8302, 0x80);
    FaxPageRequest request;
    request.handle = handle;
    request.source = b;
    request.format = format;
    request.pageOptions = options;
    *result = WriteFaxPage(request);
    FileClose(handle);
    return ReadFileBytes(path);
}

TEST(CcittWriters, FaxPagesTopRowFirstAtTheWidthAsked) {
    const std::vector<std::string> rows = Shapes(1730, 5);
    TestBitmap up, down;
    MakeBitmap(up.get(), rows, kWhite, kBlack, K_BOTTOM_UP);
    MakeBitmap(down.get(), rows, kWhite, kBlack, K_TOP_DOWN);
    int r1 = 0, r2 = 0;
    EXPECT_EQ(WriteRaw("up.g4", up.get(), 'D', 0, &r1), WriteRaw("down.g4", down.get(), 'D', 0, &r2));
    EXPECT_EQ(r1, 1);
    EXPECT_EQ(r2, 1);

    // Page option bit 1: 1728 pixels of each row.
    const std::string cut = WriteRaw("cut.g3", up.get(), 'C', kFaxWriteWidth16, &r1);
    ASSERT_EQ(r1, 1);
    FaxOptions o;
    o.coding = FaxCoding::Group3TwoD;
    o.width = 1728;
    int result = 0;
    Page back = Decode(o, std::vector<uint8_t>(cut.begin(), cut.end()), 5, &result);
    ASSERT_EQ(result, 1);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(back[y], RowOf(rows[y].substr(0, 1728))) << y;

    // One pixel wide: a row per source row.
    TestBitmap thin;
    MakeBitmap(thin.get(), {"1", "0", "1"}, kWhite, kBlack);
    const std::string thinCoded = WriteRaw("thin.g4", thin.get(), 68, 0, &r1);
    ASSERT_EQ(r1, 1);
    o.coding = FaxCoding::Group4;
    o.width = 1;
    back = Decode(o, std::vector<uint8_t>(thinCoded.begin(), thinCoded.end()), 3, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(back, (Page{{0x80}, {0x00}, {0x80}}));

    FaxPageRequest request;
    request.source = up.get();
    request.bitsPerPixel = 4;
    EXPECT_EQ(WriteFaxPage(request), K_ERR_ARGUMENT);
}

// ---- Page reader --------------------------------------------------------------

struct Rows {
    int count = 0;
    static int KAPI Take(BitmapRecord*, unsigned char*, int, void* user) {
        ++static_cast<Rows*>(user)->count;
        return 1;
    }
};

TEST(CcittReader, RecordSetUpAndFailures) {
    TestBitmap source;
    MakeBitmap(source.get(), Shapes(40, 8), kWhite, kBlack);
    int r = 0;
    const std::string coded = WriteRaw("reader.g3", source.get(), 'B', 0, &r);
    ASSERT_EQ(r, 1);
    const std::string cutPath = Path("reader_cut.g3");
    WriteFileBytes(cutPath, coded.substr(0, coded.size() / 2));

    struct Case {
        const char* name;
        std::string path;
        int bits, width, flags, result;
        int view;
        RGBQUAD colour0;
        int rows;  // delivered
    };
    const Case cases[] = {
        {"bottom_up", Path("reader.g3"), 1, 40, 0, 1, K_BOTTOM_UP, kWhite, 8},
        {"top_down_colour0_black", Path("reader.g3"), 1, 40, kFaxPageTopDown | kFaxPageColor0Black, 1, K_TOP_DOWN,
         kBlack, 8},
        // A stream cut short: a code, not 0, and the rows before it delivered.
        {"cut_short", cutPath, 1, 40, 0, ccitt::kDataEnded, K_BOTTOM_UP, kWhite, -1},
        {"four_bits", Path("reader.g3"), 4, 40, 0, K_ERR_ARGUMENT, -1, kWhite, 0},
        {"width_0", Path("reader.g3"), 1, 0, 0, K_ERR_SIZE, -1, kWhite, 0},
        {"width_30000", Path("reader.g3"), 1, 30000, 0, K_ERR_SIZE, -1, kWhite, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int handle = FileOpen(c.path.c_str(), 0x8000, 0x100);
        ASSERT_GE(handle, 0);
        TestBitmap target;
        K_InitBitmap(target.get(), 40, 8, 1);
        target->ViewPerspective = -1;
        FaxPageLayout layout;
        layout.letter = 'B';
        layout.width = c.width;
        layout.height = 8;
        layout.flags = c.flags;
        layout.xResolution = 204;
        layout.yResolution = 98;
        Rows rows;
        EXPECT_EQ(ReadFaxPage(handle, layout, target.get(), Rows::Take, c.bits, &rows), c.result);
        FileClose(handle);
        if (c.rows >= 0)
            EXPECT_EQ(rows.count, c.rows);
        else
            EXPECT_GT(rows.count, 0);
        if (c.view < 0) continue;
        EXPECT_EQ(target->ViewPerspective, c.view);
        EXPECT_EQ(target->XResolution, 204);
        EXPECT_EQ(target->YResolution, 98);
        RGBQUAD colours[2] = {};
        ASSERT_EQ(GetPaletteColors(target->PaletteHandle, colours, 2), 2);
        EXPECT_EQ(colours[0].rgbRed, c.colour0.rgbRed);
        EXPECT_EQ(colours[1].rgbRed, 255 - c.colour0.rgbRed);
    }
}

}  // namespace
