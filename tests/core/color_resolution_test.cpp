// Optimized palettes, colour resolution and user match tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <cstring>
#include <set>
#include <vector>

#include "core/dither.h"
#include "core/memory.h"
#include "dither_fixture.h"

namespace {

uint8_t E5(int m) { return static_cast<uint8_t>((m << 3) | (m >> 2)); }

// A picture of n distinct colours whose channels a 5-bit box mean holds
// exactly, scattered over the pixels.
Picture FewColours(int n, int width = 48, int height = 40) {
    Picture p;
    p.width = width, p.height = height, p.channels = 3;
    uint32_t s = 99;
    for (int i = 0; i < width * height; ++i) {
        s = s * 1103515245u + 12345;
        int k = static_cast<int>((s >> 16) % n);
        p.data.insert(p.data.end(), {E5((k * 7) & 31), E5((k * 13 + 5) & 31), E5((k * 3 + k / 32 * 11) & 31)});
    }
    return p;
}

std::set<uint32_t> DistinctColours(const Picture& p) {
    std::set<uint32_t> set;
    for (size_t i = 0; i < p.data.size(); i += 3) set.insert(p.data[i] << 16 | p.data[i + 1] << 8 | p.data[i + 2]);
    return set;
}

bool SortedByRgb(const std::vector<RGBQUAD>& e, int n) {
    for (int i = 1; i < n; ++i)
        if (std::tie(e[i - 1].rgbRed, e[i - 1].rgbGreen, e[i - 1].rgbBlue) >
            std::tie(e[i].rgbRed, e[i].rgbGreen, e[i].rgbBlue))
            return false;
    return true;
}

int KAPI StopAtFifty(int percent) { return percent >= 50 ? 3 : K_OK; }

struct Rows {
    std::vector<std::vector<unsigned char>> rows;
    int bits = 0;
};

int KAPI CollectRow(BitmapRecord* bitmap, unsigned char* row, int count, void* data) {
    auto* rows = static_cast<Rows*>(data);
    rows->bits = bitmap->BitsPerPixel;
    rows->rows.emplace_back(row, row + bitmap->BytesPerLine);
    return count == 1 ? K_OK : -99;
}

int KAPI StopAtRowThree(BitmapRecord*, unsigned char*, int, void* data) {
    return ++*static_cast<int*>(data) == 3 ? 42 : K_OK;
}

TEST(OptimizedPalette, ThreeColoursGiveThreeSortedEntries) {
    Picture p;
    p.width = 6, p.height = 5, p.channels = 3;
    const uint8_t colours[3][3] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}};
    for (int i = 0; i < 30; ++i) p.data.insert(p.data.end(), colours[(i * 7) % 3], colours[(i * 7) % 3] + 3);
    OwnedBitmap source, target;
    StorePicture(source.rec, p, 24);
    ASSERT_EQ(K_OptimizeBitmap(source.get(), target.get(), 0, 16), K_OK);
    EXPECT_EQ(target->BitsPerPixel, 4);
    EXPECT_TRUE(target->Flags & K_OPTIMIZED_PALETTE);
    std::vector<RGBQUAD> palette = PaletteOf(target.rec);
    ASSERT_EQ(palette.size(), 16u);
    // 5-bit precision, expanded; sorted by red, green, blue; then zeros.
    const int expected[3][3] = {{E5(1), E5(1), E5(25)}, {E5(1), E5(25), E5(1)}, {E5(25), E5(1), E5(1)}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(palette[i].rgbRed, expected[i][0]) << i;
        EXPECT_EQ(palette[i].rgbGreen, expected[i][1]) << i;
        EXPECT_EQ(palette[i].rgbBlue, expected[i][2]) << i;
    }
    for (int i = 3; i < 16; ++i) EXPECT_EQ(palette[i].rgbRed | palette[i].rgbGreen | palette[i].rgbBlue, 0) << i;
    // Each pixel went to the entry of its own colour.
    Picture out = ColorsOf(target.rec);
    for (int i = 0; i < 30; ++i) {
        const uint8_t* c = colours[(i * 7) % 3];
        int k = c[0] == 200 ? 2 : c[1] == 200 ? 1 : 0;
        EXPECT_EQ(out.data[3 * i], expected[k][0]) << i;
        EXPECT_EQ(out.data[3 * i + 2], expected[k][2]) << i;
    }

    // BuildOptimizedPalette hands out the match table of the boxes.
    RGBQUAD built[16];
    uint32_t* table = nullptr;
    ASSERT_EQ(BuildOptimizedPalette(source.get(), built, 16, &table), K_OK);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[MatchCellOf(200, 10, 10)], 3u);
    EXPECT_EQ(table[MatchCellOf(10, 200, 10)], 2u);
    EXPECT_EQ(table[MatchCellOf(10, 10, 200)], 1u);
    EXPECT_EQ(table[MatchCellOf(100, 100, 100)], 0u);
    FreeGlobalLocked(table);
    EXPECT_EQ(BuildOptimizedPalette(source.get(), nullptr, 16, &table), K_ERR_ARGUMENT);
    EXPECT_EQ(BuildOptimizedPalette(source.get(), built, 0, &table), K_ERR_ARGUMENT);
    EXPECT_EQ(table, nullptr);
}

TEST(OptimizedPalette, PicturesWithFewColoursComeBackExact) {
    // At most as many colours as the palette holds: every method returns
    // the picture unchanged (no error is left to diffuse).
    struct Case {
        int colours, target, method;
    } cases[] = {{200, 256, 0}, {256, 256, 1}, {16, 16, 2}, {11, 16, 5}, {2, 2, 6}, {40, 64, 4}};
    for (const Case& c : cases) {
        Picture p = FewColours(c.colours);
        ASSERT_EQ(DistinctColours(p).size(), static_cast<size_t>(c.colours));
        OwnedBitmap source, target;
        StorePicture(source.rec, p, 24, K_BOTTOM_UP, K_ORDER_RGB);
        ASSERT_EQ(K_OptimizeBitmap(source.get(), target.get(), c.method, c.target), K_OK);
        EXPECT_EQ(ColorsOf(target.rec), p) << c.colours << " colours into " << c.target << ", method " << c.method;
        std::vector<RGBQUAD> palette = PaletteOf(target.rec);
        EXPECT_TRUE(SortedByRgb(palette, c.colours));
    }
}

TEST(OptimizedPalette, PaletteBitmapKeepsItsOwnColours) {
    // An 8-bit picture of 100 colours: its palette, sorted, without a histogram.
    std::vector<RGBQUAD> own;
    for (int i = 0; i < 100; ++i) own.push_back(Rgb((i * 73) & 255, (i * 151) & 255, (i * 37) & 255));
    Picture idx = MakePattern(30, 20, 8, 4);
    for (auto& v : idx.data) v %= 100;
    OwnedBitmap source, target;
    StorePicture(source.rec, idx, 8);
    GivePalette(source.rec, own);
    ASSERT_EQ(K_OptimizeBitmap(source.get(), target.get(), 1, 256), K_OK);
    std::vector<RGBQUAD> palette = PaletteOf(target.rec);
    std::vector<RGBQUAD> sorted(own);
    std::sort(sorted.begin(), sorted.end(), [](const RGBQUAD& a, const RGBQUAD& b) {
        return std::tie(a.rgbRed, a.rgbGreen, a.rgbBlue) < std::tie(b.rgbRed, b.rgbGreen, b.rgbBlue);
    });
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(std::memcmp(palette.data(), sorted.data(), 100 * sizeof(RGBQUAD)), 0);
    EXPECT_EQ(ColorsOf(target.rec), ColorsOf(source.rec));
}

TEST(OptimizeBitmap, FewBitPicturesGoUpToEightBits) {
    // 1 and 4-bit pictures optimized to 256 colours get an 8-bit target:
    // every row must be read whole before the wider indices are written.
    for (int bits : {1, 4}) {
        std::vector<RGBQUAD> own;
        for (int i = 0; i < (1 << bits); ++i) own.push_back(Rgb(i * 16, 255 - i * 9, (i * 77) & 255));
        OwnedBitmap source, target;
        StorePicture(source.rec, MakePattern(37, 5, bits, 3), bits);
        GivePalette(source.rec, own);
        ASSERT_EQ(K_OptimizeBitmap(source.get(), target.get(), 1, 256), K_OK);
        EXPECT_EQ(target->BitsPerPixel, 8);
        EXPECT_EQ(ColorsOf(target.rec), ColorsOf(source.rec)) << bits << " bits";
    }
}

TEST(OptimizeBitmap, RefusesAndStopsWithoutTouchingTheTarget) {
    OwnedBitmap source, target;
    StorePicture(source.rec, MakePattern(16, 60, 24, 8), 24);
    EXPECT_EQ(K_OptimizeBitmap(source.get(), target.get(), 0, 0), K_ERR_UNSUPPORTED);
    EXPECT_EQ(K_OptimizeBitmap(source.get(), target.get(), 0, 257), K_ERR_UNSUPPORTED);
    EXPECT_EQ(K_OptimizeBitmap(source.get(), target.get(), 9, 16), K_ERR_ARGUMENT);

    target->Width = 1234;  // a mark: nothing may be written to the target
    StatusCallback old = K_SetStatusCallBack(StopAtFifty);
    EXPECT_EQ(K_OptimizeBitmap(source.get(), target.get(), 1, 256), 3);
    K_SetStatusCallBack(old);
    EXPECT_EQ(target->Width, 1234);
    EXPECT_FALSE(target->Flags & K_ALLOCATED);
    target->Width = 0;

    // Optimizing a record into itself replaces it.
    Picture p = FewColours(30);
    K_FreeBitmap(target.get());
    StorePicture(target.rec, p, 24);
    ASSERT_EQ(K_OptimizeBitmap(target.get(), target.get(), 0, 32), K_OK);
    EXPECT_EQ(target->BitsPerPixel, 8);
    EXPECT_EQ(ColorsOf(target.rec), p);
}

std::vector<int> g_percents;
int KAPI RecordPercent(int percent) {
    g_percents.push_back(percent);
    return K_OK;
}

TEST(OptimizeBitmap, ReportsThePaletteAsThirtyPercent) {
    OwnedBitmap source, target;
    StorePicture(source.rec, MakePattern(8, 9, 24, 2), 24);
    g_percents.clear();
    StatusCallback old = K_SetStatusCallBack(RecordPercent);
    ASSERT_EQ(K_OptimizeBitmap(source.get(), target.get(), 0, 16), K_OK);
    K_SetStatusCallBack(old);
    // 0, 30, then 70 over 9 rows: 7 each with the remainder carried.
    EXPECT_EQ(g_percents, (std::vector<int>{0, 30, 37, 45, 53, 61, 68, 76, 84, 92, 100}));
}

TEST(ColorResBitmap, ChoosesTheTargetPalette) {
    Picture p = MakePlasma(64, 48, 3);
    ASSERT_EQ(p.width, 64);
    OwnedBitmap source;
    StorePicture(source.rec, p, 24);

    {  // fixed palette of the depth
        OwnedBitmap target;
        ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 4, K_COLORRES_FIXED | K_COLORRES_METHOD(1), nullptr, 0,
                                   nullptr, nullptr),
                  K_OK);
        EXPECT_TRUE(target->Flags & K_FIXED_PALETTE_IN_USE);
        EXPECT_EQ(target->PaletteHandle, nullptr);
        EXPECT_EQ(PaletteOf(target.rec).size(), 16u);
        // The same as K_DitherBitmap with the same method.
        OwnedBitmap copy;
        StorePicture(copy.rec, p, 24);
        ASSERT_EQ(K_DitherBitmap(copy.get(), 1, 4), K_OK);
        EXPECT_EQ(StoredRows(target.rec), StoredRows(copy.rec));
    }
    {  // the caller's palette, of fewer entries than the depth holds
        const RGBQUAD mine[] = {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(0, 128, 0)};
        OwnedBitmap target;
        ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 4, K_COLORRES_USER, mine, 5, nullptr, nullptr), K_OK);
        std::vector<RGBQUAD> palette = PaletteOf(target.rec);
        ASSERT_EQ(palette.size(), 5u);
        EXPECT_EQ(std::memcmp(palette.data(), mine, sizeof mine), 0);
        Picture idx = ReadPicture(target.rec);
        for (uint8_t v : idx.data) ASSERT_LT(v, 5);
    }
    {  // optimized with fixed entries at the front: those stay, the rest fill
        std::vector<RGBQUAD> mine(16, Rgb(0, 0, 0, K_PALETTE_SLOT_FREE));
        mine[0] = Rgb(1, 2, 3);
        mine[1] = Rgb(250, 251, 252);
        OwnedBitmap target;
        ASSERT_EQ(
            K_ColorResBitmap(source.get(), target.get(), 4, K_COLORRES_OPTIMIZED, mine.data(), 16, nullptr, nullptr),
            K_OK);
        std::vector<RGBQUAD> palette = PaletteOf(target.rec);
        EXPECT_TRUE(palette[0].rgbRed == 1 && palette[0].rgbBlue == 3 && palette[1].rgbRed == 250 &&
                    palette[1].rgbBlue == 252);
        std::set<uint32_t> filled;
        for (int i = 2; i < 16; ++i)
            filled.insert(palette[i].rgbRed << 16 | palette[i].rgbGreen << 8 | palette[i].rgbBlue);
        EXPECT_GT(filled.size(), 10u);
        EXPECT_TRUE(target->Flags & K_OPTIMIZED_PALETTE);
    }
    {  // to 16, 24 and 32 bits: the colour order of the flags
        OwnedBitmap target;
        ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 24, K_COLORRES_BGR, nullptr, 0, nullptr, nullptr), K_OK);
        EXPECT_EQ(target->ColorOrder, K_ORDER_BGR);
        EXPECT_EQ(ReadPicture(target.rec), p);
        K_FreeBitmap(target.get());
        ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 32, 0, nullptr, 0, nullptr, nullptr), K_OK);
        EXPECT_EQ(target->ColorOrder, K_ORDER_RGB);
        EXPECT_EQ(ReadPicture(target.rec), p);
        EXPECT_EQ(K_ColorResBitmap(source.get(), target.get(), 24, K_COLORRES_FIXED, nullptr, 0, nullptr, nullptr),
                  K_ERR_ARGUMENT);
    }
    OwnedBitmap target;
    const int refused[][2] = {
        {8, 3}, {8, 0x20}, {4, 4}, {24, 2}, {12, 0}, {8, K_COLORRES_METHOD(8)}, {8, K_COLORRES_USER}};
    for (const auto& r : refused)
        EXPECT_EQ(K_ColorResBitmap(source.get(), target.get(), r[0], r[1], nullptr, 0, nullptr, nullptr),
                  K_ERR_ARGUMENT)
            << r[0] << " bits, flags " << r[1];
    BitmapRecord unallocated;
    K_InitBitmap(&unallocated, 4, 4, 24);
    EXPECT_EQ(K_ColorResBitmap(&unallocated, target.get(), 8, 0, nullptr, 0, nullptr, nullptr), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ColorResolution(&unallocated, 8, 0, nullptr, nullptr), K_ERR_NOBITMAP);
}

TEST(ColorResBitmap, WithoutATargetStreamsRowsToTheCallback) {
    Picture p = FewColours(20, 21, 9);
    OwnedBitmap source;
    StorePicture(source.rec, p, 24);
    Rows rows;
    ASSERT_EQ(K_ColorResBitmap(source.get(), nullptr, 8, K_COLORRES_OPTIMIZED, nullptr, 0, CollectRow, &rows), K_OK);
    ASSERT_EQ(rows.rows.size(), 9u);
    EXPECT_EQ(rows.bits, 8);
    // The rows are the ones a stored conversion holds.
    OwnedBitmap target;
    ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 8, K_COLORRES_OPTIMIZED, nullptr, 0, nullptr, nullptr),
              K_OK);
    EXPECT_EQ(rows.rows, StoredRows(target.rec));
    EXPECT_EQ(ColorsOf(target.rec), p);
    EXPECT_EQ(ReadPicture(source.rec), p);
}

TEST(ColorResolution, InPlaceReadsThePaletteFirstAndRestoresOnAStop) {
    // The caller's palette is the record's own colour table, which the
    // conversion clears: it must have been read before.
    Picture p = MakePattern(20, 10, 24, 12);
    OwnedBitmap rec;
    StorePicture(rec.rec, p, 24);
    const RGBQUAD four[] = {Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(255, 255, 255)};
    std::memcpy(rec->ColorTable, four, sizeof four);
    rec->DitheringMethod = 0;
    BitmapRecord before = rec.rec;

    // A stop gives the record back exactly as it was, row cache included.
    int seen = 0;
    EXPECT_EQ(K_ColorResolution(rec.get(), 8, K_COLORRES_USER, StopAtRowThree, &seen), 42);
    EXPECT_EQ(std::memcmp(&before, &rec.rec, sizeof before), 0);
    EXPECT_EQ(rec->RowCacheIndex, before.RowCacheIndex);
    EXPECT_EQ(rec->BitsPerPixel, 24);
    EXPECT_EQ(rec->StorageHandle, before.StorageHandle);
    EXPECT_EQ(ReadPicture(rec.rec), p);
    before = rec.rec;
    StatusCallback old = K_SetStatusCallBack(StopAtFifty);
    EXPECT_EQ(K_ColorResolution(rec.get(), 8, K_COLORRES_USER, nullptr, nullptr), 3);
    K_SetStatusCallBack(old);
    EXPECT_EQ(std::memcmp(&before, &rec.rec, sizeof before), 0);
    EXPECT_EQ(ReadPicture(rec.rec), p);

    ASSERT_EQ(K_ColorResolution(rec.get(), 8, K_COLORRES_USER, nullptr, nullptr), K_OK);
    EXPECT_EQ(rec->BitsPerPixel, 8);
    EXPECT_EQ(rec->DitheringMethod, 0);
    std::vector<RGBQUAD> palette = PaletteOf(rec.rec);
    ASSERT_GE(palette.size(), 4u);
    EXPECT_EQ(std::memcmp(palette.data(), four, sizeof four), 0);
    // Nearest colour (method 0) of every pixel among the four.
    Picture out = ColorsOf(rec.rec);
    for (size_t i = 0; i < p.data.size(); i += 3) {
        int best = 1 << 30;
        for (const RGBQUAD& e : four) {
            int dr = p.data[i] - e.rgbRed, dg = p.data[i + 1] - e.rgbGreen, db = p.data[i + 2] - e.rgbBlue;
            best = std::min(best, dr * dr + dg * dg + db * db);
        }
        int dr = p.data[i] - out.data[i], dg = p.data[i + 1] - out.data[i + 1], db = p.data[i + 2] - out.data[i + 2];
        // Matched for the 5-bit cell corner: at most a cell's width away.
        EXPECT_LE(std::sqrt(double(dr * dr + dg * dg + db * db)), std::sqrt(double(best)) + 13) << i / 3;
    }

    // A null palette with count 0 and the optimized choice reads nothing.
    K_FreeBitmap(rec.get());
    StorePicture(rec.rec, p, 24);
    ASSERT_EQ(K_ColorResolution(rec.get(), 4, K_COLORRES_OPTIMIZED | K_COLORRES_SYSTEM, nullptr, nullptr), K_OK);
    EXPECT_EQ(rec->BitsPerPixel, 4);
}

TEST(UserMatchTable, CellsHoldOnePlusThePalettePosition) {
    const RGBQUAD bw[] = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
    unsigned int* table = K_CreateUserMatchTable(bw, 2);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0], 1u);
    EXPECT_EQ(table[0x7FFF], 2u);
    EXPECT_EQ(K_CreateUserMatchTable(nullptr, 2), nullptr);
    EXPECT_EQ(K_CreateUserMatchTable(bw, 0), nullptr);

    // With flags 0x30 the process table decides: here everything is white.
    const RGBQUAD three[] = {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 0, 0)};
    for (int i = 0; i < 32768; ++i) table[i] = 2;
    EXPECT_EQ(K_SetUserMatchTable(table), nullptr);
    OwnedBitmap source, target;
    StorePicture(source.rec, MakePattern(12, 7, 24, 6), 24);
    ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 8, K_COLORRES_USER_TABLE, three, 3, nullptr, nullptr), K_OK);
    for (uint8_t v : ReadPicture(target.rec).data) ASSERT_EQ(v, 1);
    // Without it, 0x30 is the caller's palette alone.
    EXPECT_EQ(K_SetUserMatchTable(nullptr), table);
    K_FreeBitmap(target.get());
    ASSERT_EQ(K_ColorResBitmap(source.get(), target.get(), 8, K_COLORRES_USER_TABLE, three, 3, nullptr, nullptr), K_OK);
    std::set<int> used;
    for (uint8_t v : ReadPicture(target.rec).data) used.insert(v);
    EXPECT_GT(used.size(), 1u);

    K_SetUserMatchTable(table);
    EXPECT_EQ(K_FreeUserMatchTable(table), K_OK);
    EXPECT_EQ(K_SetUserMatchTable(nullptr), nullptr);  // a freed table is no longer the process table
    EXPECT_EQ(K_FreeUserMatchTable(nullptr), K_OK);
}

TEST(SystemPaletteSplit, StaticColoursGoToBothEnds) {
    // A palette screen of 256 entries with 20 static colours, into 256
    // and into 16 entries (only 16 fit).
    PALETTEENTRY system[256];
    for (int i = 0; i < 256; ++i) system[i] = PALETTEENTRY{static_cast<BYTE>(i), 7, 9, 0};
    struct Case {
        int count, reserved, n;
        std::vector<int> atStart, atEnd;  // system positions expected
    } cases[] = {
        {256, 20, 20, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {246, 247, 248, 249, 250, 251, 252, 253, 254, 255}},
        {16, 20, 16, {0, 1, 2, 3, 4, 5, 6, 7}, {248, 249, 250, 251, 252, 253, 254, 255}},
        {16, 3, 3, {0}, {254, 255}},
    };
    for (const Case& c : cases) {
        std::vector<RGBQUAD> palette(c.count, Rgb(1, 1, 1, 2));
        ASSERT_EQ(PlaceStaticColors(palette.data(), c.count, system, 256, c.reserved), c.n);
        for (size_t i = 0; i < c.atStart.size(); ++i)
            EXPECT_EQ(palette[i].rgbRed, c.atStart[i]) << c.count << ": " << i;
        for (size_t i = 0; i < c.atEnd.size(); ++i)
            EXPECT_EQ(palette[c.count - c.atEnd.size() + i].rgbRed, c.atEnd[i]) << c.count << ": end " << i;
        int untouched = 0;
        for (const RGBQUAD& e : palette) untouched += e.rgbReserved == 2;
        EXPECT_EQ(untouched, c.count - c.n);
    }
}

TEST(SystemPaletteSplit, NothingWithoutAPaletteScreen) {
    // Neither the native build nor the test screens are palette devices.
    RGBQUAD palette[16];
    std::memset(palette, 2, sizeof palette);
    EXPECT_EQ(GetSystemPaletteSplit(palette, 16), 0);
    for (const RGBQUAD& e : palette) EXPECT_EQ(e.rgbReserved, 2);
}

}  // namespace
