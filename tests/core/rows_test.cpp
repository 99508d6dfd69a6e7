// Row, column and pixel access in memory and disk storage.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/bitmap.h"
#include "core/palette.h"
#include "core/rows.h"
#include "storage_fixture.h"
#include "volkg.h"

namespace {

// A record allocated in memory (page-file mapping) or, under the Win32s
// flag, in a temporary disk file.
class Record {
public:
    Record(int width, int height, int bits, bool disk) {
        K_InitBitmap(&r, width, height, bits);
        result = K_AllocateBitmap(&r, disk ? K_STORAGE_DISK : K_STORAGE_MEMORY);
    }
    ~Record() { K_FreeBitmap(&r); }
    BitmapRecord r;
    int result;
};

class Rows : public StorageModeTest {
protected:
    bool Disk() const { return GetParam(); }
};

std::vector<unsigned char> Pattern(size_t n, int seed) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 13 + seed);
    return v;
}

TEST_P(Rows, RoundTripAndRowCache) {
    Record rec(7, 5, 24, Disk());
    ASSERT_EQ(rec.result, K_OK);
    BitmapRecord& r = rec.r;
    ASSERT_EQ(r.Flags & K_DISK_STORAGE ? 1 : 0, Disk() ? 1 : 0);
    BitmapLock lock(&r);
    const int bpl = r.BytesPerLine;
    for (int y = 0; y < 5; ++y) ASSERT_EQ(K_PutBitmapRow(&r, Pattern(bpl, y).data(), y, bpl), bpl);
    // The walk up left the cache on row 4; down by one subtracts a row.
    EXPECT_EQ(r.RowCacheIndex, 4);
    EXPECT_EQ(r.RowCacheOffset, 4 * bpl);
    std::vector<unsigned char> row(bpl);
    EXPECT_EQ(K_GetBitmapRow(&r, row.data(), 3, bpl), bpl);
    EXPECT_EQ(row, Pattern(bpl, 3));
    EXPECT_EQ(r.RowCacheOffset, 3 * bpl);
    EXPECT_EQ(K_GetBitmapRow(&r, row.data(), 0, bpl), bpl);
    EXPECT_EQ(r.RowCacheOffset, 0);
    EXPECT_EQ(row, Pattern(bpl, 0));
    // A cache that a caller left stale or corrupt still finds the row.
    r.RowCacheIndex = 0x7FFFFFFF;
    r.RowCacheOffset = 0x7FFFFFF0;
    EXPECT_EQ(K_GetBitmapRow(&r, row.data(), 1, bpl), bpl);
    EXPECT_EQ(row, Pattern(bpl, 1));
    r.RowCacheIndex = 1;
    r.RowCacheOffset = 12345;
    EXPECT_EQ(K_GetBitmapRow(&r, row.data(), 2, bpl), bpl);
    EXPECT_EQ(row, Pattern(bpl, 2));
    EXPECT_EQ(r.RowCacheOffset, 2 * bpl);

    // Part of a row from a column; several rows in one put.
    std::vector<unsigned char> part(6);
    EXPECT_EQ(K_GetBitmapRowCol(&r, part.data(), 2, 3, 6), 6);
    std::vector<unsigned char> row2 = Pattern(bpl, 2);
    EXPECT_EQ(part, std::vector<unsigned char>(row2.begin() + 9, row2.begin() + 15));
    std::vector<unsigned char> two = Pattern(2 * bpl, 50);
    EXPECT_EQ(K_PutBitmapRow(&r, two.data(), 1, 2 * bpl), 2 * bpl);
    EXPECT_EQ(K_GetBitmapRow(&r, row.data(), 2, bpl), bpl);
    EXPECT_EQ(row, std::vector<unsigned char>(two.begin() + bpl, two.end()));

    unsigned char pixel[4] = {};
    ASSERT_EQ(GetBitmapPixelBytes(&r, pixel, 2, 1), K_OK);
    EXPECT_EQ(std::vector<unsigned char>(pixel, pixel + 3),
              std::vector<unsigned char>(two.begin() + bpl + 3, two.begin() + bpl + 6));
}

TEST_P(Rows, RefusesPositionsOutsideTheStorage) {
    Record rec(10, 3, 8, Disk());
    ASSERT_EQ(rec.result, K_OK);
    BitmapRecord& r = rec.r;
    BitmapLock lock(&r);
    std::vector<unsigned char> big(100, 0x11);
    for (int row : {-1, 3, 1000000}) {
        EXPECT_EQ(K_GetBitmapRow(&r, big.data(), row, 12), K_ERR_ARGUMENT) << row;
        EXPECT_EQ(K_PutBitmapRow(&r, big.data(), row, 12), K_ERR_ARGUMENT) << row;
    }
    for (int column : {-1, 10, 1 << 30}) {
        EXPECT_EQ(K_GetBitmapRowCol(&r, big.data(), 0, column, 1), K_ERR_ARGUMENT) << column;
        EXPECT_EQ(K_PutBitmapRowCol(&r, big.data(), 0, column, 1), K_ERR_ARGUMENT) << column;
    }
    EXPECT_EQ(K_GetBitmapRow(&r, big.data(), 0, -5), K_ERR_ARGUMENT);
    // A count past the last row is cut at the end of the storage.
    EXPECT_EQ(K_PutBitmapRow(&r, big.data(), 2, 100), 12);
    EXPECT_EQ(K_PutBitmapRowCol(&r, big.data(), 2, 9, 100), 3);
    EXPECT_EQ(K_GetBitmapRow(&r, big.data(), 1, 100), 24);
    unsigned char column[4] = {1, 2, 3, 4};
    EXPECT_EQ(PutBitmapColumn(&r, column, 0, 4, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(PutBitmapColumn(&r, column, 10, 3, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(GetBitmapPixelBytes(&r, column, 3, 0), K_ERR_ARGUMENT);
}

TEST_P(Rows, ColumnsFromTopOrBottom) {
    Record rec(16, 4, 4, Disk());
    ASSERT_EQ(rec.result, K_OK);
    BitmapRecord& r = rec.r;
    BitmapLock lock(&r);
    const unsigned char entries[4] = {0x12, 0x34, 0x56, 0x78};
    // Column 5 at 4 bits is byte 2 of each row.
    ASSERT_EQ(PutBitmapColumn(&r, entries, 5, 4, 0), K_OK);
    unsigned char b = 0;
    for (int y = 0; y < 4; ++y) {
        ASSERT_EQ(GetBitmapPixelBytes(&r, &b, y, 5), K_OK);
        EXPECT_EQ(b, entries[y]);
    }
    ASSERT_EQ(PutBitmapColumn(&r, entries, 15, 3, 1), K_OK);
    for (int y = 0; y < 3; ++y) {
        ASSERT_EQ(GetBitmapPixelBytes(&r, &b, y, 14), K_OK);
        EXPECT_EQ(b, entries[2 - y]);
    }
    ASSERT_EQ(GetBitmapPixelBytes(&r, &b, 3, 15), K_OK);
    EXPECT_EQ(b, 0);
}

std::vector<int> g_percents;
int g_stopFrom = 1000;

int KAPI RecordStatus(int percent) {
    g_percents.push_back(percent);
    return percent >= g_stopFrom ? 7 : 1;
}

TEST_P(Rows, FillAndClearWithProgress) {
    StatusCallback old = K_SetStatusCallBack(RecordStatus);
    g_percents.clear();
    g_stopFrom = 1000;
    Record rec(9, 4, 24, Disk());
    ASSERT_EQ(rec.result, K_OK);
    BitmapRecord& r = rec.r;
    EXPECT_EQ(K_FillBitmap(&r, RGB(10, 20, 30)), K_OK);
    if (Disk())
        EXPECT_EQ(g_percents, (std::vector<int>{0, 25, 50, 75, 100}));
    else
        EXPECT_EQ(g_percents, (std::vector<int>{0, 100}));
    EXPECT_EQ(r.Flags & K_LOCKED, 0u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(K_GetPixelColor(&r, y, x), RGB(10, 20, 30));

    // A stopping callback's value comes back; the rows written stay. Memory
    // storage reports once after all rows, disk storage after each row.
    g_stopFrom = 1;
    EXPECT_EQ(K_ClearBitmap(&r), 7);
    g_stopFrom = 1000;
    EXPECT_EQ(K_GetPixelColor(&r, 0, 0), 0u);
    EXPECT_EQ(K_GetPixelColor(&r, 1, 0), Disk() ? RGB(10, 20, 30) : 0u);
    g_stopFrom = 0;
    EXPECT_EQ(K_FillBitmap(&r, RGB(1, 1, 1)), 7);
    g_stopFrom = 1000;
    EXPECT_EQ(K_GetPixelColor(&r, 0, 0), 0u);  // stopped before any row
    K_SetStatusCallBack(old);

    BitmapRecord none;
    K_InitBitmap(&none, 2, 2, 8);
    EXPECT_EQ(K_FillBitmap(&none, 0), K_ERR_NOBITMAP);
    EXPECT_EQ(K_ClearBitmap(nullptr), K_ERR_NOBITMAP);
}

INSTANTIATE_TEST_SUITE_P(Storage, Rows, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Disk" : "Memory"; });

TEST(RowsInGlobalMemory, RoundTrip) {
    // Win32s keeps memory storage in a global block instead of a mapping.
    bool saved = Win32sMode;
    Win32sMode = true;
    BitmapRecord r;
    K_InitBitmap(&r, 3, 4, 32);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_MEMORY), K_OK);
    EXPECT_NE(r.Flags & K_MEMORY_STORAGE, 0u);
    ASSERT_EQ(K_PutPixelColor(&r, 3, 2, RGB(1, 2, 3)), K_OK);
    EXPECT_EQ(K_GetPixelColor(&r, 3, 2), RGB(1, 2, 3));
    {
        BitmapLock lock(&r);
        std::vector<unsigned char> rows = Pattern(4 * 12, 9), back(4 * 12);
        EXPECT_EQ(K_PutBitmapRow(&r, rows.data(), 0, 48), 48);
        EXPECT_EQ(K_GetBitmapRow(&r, back.data(), 0, 48), 48);
        EXPECT_EQ(back, rows);
    }
    K_FreeBitmap(&r);
    Win32sMode = saved;
}

TEST(RowsWithoutStorage, AreRefused) {
    BitmapRecord r;
    K_InitBitmap(&r, 4, 4, 8);
    unsigned char b[16];
    EXPECT_EQ(K_GetBitmapRow(&r, b, 0, 4), K_ERR_MEMORY);
    EXPECT_EQ(K_PutBitmapRow(&r, b, 0, 4), K_ERR_MEMORY);
    EXPECT_EQ(PutBitmapColumn(&r, b, 0, 4, 0), K_ERR_MEMORY);
    // Memory storage that is not locked has no address to copy from.
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_MEMORY), K_OK);
    EXPECT_EQ(K_GetBitmapRow(&r, b, 0, 4), K_ERR_MEMORY);
    K_AccessBitmap(&r);
    EXPECT_EQ(K_GetBitmapRow(&r, b, 0, 4), 4);
    K_FreeBitmap(&r);
}

// ---- Pixels -----------------------------------------------------------------

TEST(Pixels, OneBitWriteKeepsTheOtherBits) {
    Record rec(16, 2, 1, false);
    BitmapRecord& r = rec.r;
    r.ColorTable[0] = RGBQUAD{0, 0, 0, 0};
    r.ColorTable[1] = RGBQUAD{255, 255, 255, 0};
    CreateBitmapPalette(&r);
    {
        BitmapLock lock(&r);
        unsigned char row[4] = {0x00, 0x81, 0, 0};
        K_PutBitmapRow(&r, row, 1, 4);
    }
    ASSERT_EQ(K_PutPixelColor(&r, 1, 9, 0x00FFFFFF), K_OK);
    EXPECT_EQ(r.Flags & K_LOCKED, 0u);  // locked and released inside
    BitmapLock lock(&r);
    unsigned char row[4];
    K_GetBitmapRow(&r, row, 1, 4);
    EXPECT_EQ(row[1], 0x81 | 0x40);
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(K_GetPixelColor(&r, 1, 9), 0x00FFFFFFu);
    EXPECT_EQ(K_GetPixelColor(&r, 1, 10), 0u);
    EXPECT_NE(r.Flags & K_PALETTE_INDEX_MAP, 0u);  // the index map is back
}

TEST(Pixels, IndexValuesAndRefusals) {
    Record rec(5, 3, 8, false);
    BitmapRecord& r = rec.r;
    ASSERT_EQ(K_PutPixelColor(&r, 2, 4, K_NO_PIXEL + 3), K_OK);
    unsigned char b = 0;
    {
        BitmapLock lock(&r);
        ASSERT_EQ(GetBitmapPixelBytes(&r, &b, 2, 4), K_OK);
    }
    EXPECT_EQ(b, 3);
    // Colours are matched against the colour table (no palette here: zeros).
    r.ColorTable[7] = RGBQUAD{1, 2, 250, 0};
    ASSERT_EQ(K_PutPixelColor(&r, 0, 0, RGB(250, 2, 1)), K_OK);
    {
        BitmapLock lock(&r);
        GetBitmapPixelBytes(&r, &b, 0, 0);
    }
    EXPECT_EQ(b, 7);

    EXPECT_EQ(K_GetPixelColor(&r, 0, 5), K_NO_PIXEL);
    EXPECT_EQ(K_GetPixelColor(&r, -1, 0), K_NO_PIXEL);
    EXPECT_EQ(K_GetPixelColor(&r, 3, 0), K_NO_PIXEL);
    EXPECT_EQ(K_GetPixelColor(nullptr, 0, 0), K_NO_PIXEL);
    EXPECT_EQ(K_PutPixelColor(&r, 3, 0, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PutPixelColor(&r, 0, -1, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PutPixelColor(nullptr, 0, 0, 0), K_ERR_NOBITMAP);
    K_FreeBitmap(&r);
    EXPECT_EQ(K_GetPixelColor(&r, 0, 0), K_NO_PIXEL);
    EXPECT_EQ(K_PutPixelColor(&r, 0, 0, 0), K_ERR_NOBITMAP);
}

TEST(Pixels, DirectColourLayouts) {
    struct Case {
        int bits, order;
        std::vector<unsigned char> stored;
        COLORREF colour;
    } cases[] = {
        {16, 1, {0xFF, 0x7F}, 0x00FFFFFF},
        {16, 1, {0x1F, 0x00}, 0x00FF0000},         // blue in the low bits with order 1
        {16, 0, {0x1F, 0x00}, 0x000000FF},         // red with order 0
        {16, 1, {0x00, 0x7C | 0x80}, 0x000000FF},  // bit 15 is not used
        {24, 1, {1, 2, 3}, 0x00010203},
        {24, 0, {1, 2, 3}, 0x00030201},
        {32, 1, {1, 2, 3, 0xAB}, 0x00010203},
        {32, 0, {1, 2, 3, 0xAB}, 0x00030201},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "/" << c.order);
        Record rec(3, 2, c.bits, false);
        BitmapRecord& r = rec.r;
        r.ColorOrder = c.order;
        {
            BitmapLock lock(&r);
            ASSERT_EQ(K_PutBitmapRowCol(&r, c.stored.data(), 1, 2, static_cast<int>(c.stored.size())),
                      static_cast<int>(c.stored.size()));
        }
        EXPECT_EQ(K_GetPixelColor(&r, 1, 2), c.colour);
        // Writing the colour back stores the same bytes (bit 15 aside; the
        // fourth byte at 32 bits keeps its value).
        ASSERT_EQ(K_PutPixelColor(&r, 1, 2, c.colour), K_OK);
        std::vector<unsigned char> back(c.stored.size());
        BitmapLock lock(&r);
        K_GetBitmapRowCol(&r, back.data(), 1, 2, static_cast<int>(back.size()));
        std::vector<unsigned char> want = c.stored;
        if (c.bits == 16) want[1] &= 0x7F;
        EXPECT_EQ(back, want);
    }
}

TEST(Pixels, FillRowAndPutPixelAgreeOnTheIndex) {
    // (100,100,100) is as near to entry 1 as to entry 2; both paths pick
    // the same one.
    Record rec(5, 1, 4, false);
    BitmapRecord& r = rec.r;
    r.Colors = 3;
    r.ColorTable[0] = RGBQUAD{0, 0, 0, 0};
    r.ColorTable[1] = RGBQUAD{110, 100, 100, 0};  // blue 110
    r.ColorTable[2] = RGBQUAD{100, 100, 110, 0};  // red 110
    CreateBitmapPalette(&r);
    ASSERT_EQ(K_PutPixelColor(&r, 0, 0, RGB(100, 100, 100)), K_OK);
    unsigned char row[3] = {};
    FillRowColor(&r, RGB(100, 100, 100), row, 5);
    BitmapLock lock(&r);
    unsigned char b = 0;
    GetBitmapPixelBytes(&r, &b, 0, 0);
    EXPECT_EQ(b >> 4, 2);
    EXPECT_EQ(row[0], 2 * 17);
    EXPECT_EQ(row[2], 2 * 17);
}

TEST(Pixels, FillRowColorAtEveryDepth) {
    struct Case {
        int bits, order, count;
        std::vector<unsigned char> want;
    } cases[] = {
        {1, 0, 10, {0xFF, 0xFF, 0xEE}},  // white is index 1 of black, white
        {4, 0, 3, {0xFF, 0xFF, 0xEE}},
        {8, 0, 2, {255, 255, 0xEE}},
        {16, 1, 2, {0xFF, 0x7F, 0xFF, 0x7F, 0xEE}},
        {24, 0, 1, {255, 255, 255, 0xEE}},
        {32, 1, 1, {255, 255, 255, 0, 0xEE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        BitmapRecord r;
        K_InitBitmap(&r, c.count, 1, c.bits);
        r.ColorOrder = c.order;
        if (c.bits <= 8) {
            SetFixedPalette(&r);
            r.Flags |= K_FIXED_PALETTE_IN_USE;
        }
        std::vector<unsigned char> row(c.want.size(), 0xEE);
        FillRowColor(&r, RGB(255, 255, 255), row.data(), c.count);
        EXPECT_EQ(row, c.want);
        K_FreeBitmap(&r);
    }
    BitmapRecord r;
    K_InitBitmap(&r, 2, 1, 24);
    r.ColorOrder = 0;
    unsigned char row[6];
    FillRowColor(&r, RGB(1, 2, 3), row, 2);
    EXPECT_EQ(std::vector<unsigned char>(row, row + 6), (std::vector<unsigned char>{1, 2, 3, 1, 2, 3}));
    r.ColorOrder = 1;
    FillRowColor(&r, RGB(1, 2, 3), row, 1);
    EXPECT_EQ(std::vector<unsigned char>(row, row + 3), (std::vector<unsigned char>{3, 2, 1}));
}

TEST(ReverseRow, MirrorsPixelsAtEveryDepth) {
    struct Case {
        int bits, width;
        std::vector<unsigned char> in, out;
    } cases[] = {
        // First pixel of a 10-pixel row goes to column 9; padding stays 0.
        {1, 10, {0x80, 0x00}, {0x00, 0x40}},
        {1, 10, {0xA0, 0x40}, {0x81, 0x40}},  // pixels 0, 2, 9 -> 9, 7, 0
        {1, 8, {0x81 | 0x02}, {0x81 | 0x40}},
        {4, 3, {0x12, 0x30}, {0x32, 0x10}},
        {4, 4, {0x12, 0x34}, {0x43, 0x21}},
        {8, 3, {1, 2, 3}, {3, 2, 1}},
        {16, 3, {1, 2, 3, 4, 5, 6}, {5, 6, 3, 4, 1, 2}},
        {24, 2, {1, 2, 3, 4, 5, 6}, {4, 5, 6, 1, 2, 3}},
        {32, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {5, 6, 7, 8, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, width " << c.width);
        BitmapRecord r;
        K_InitBitmap(&r, c.width, 1, c.bits);
        std::vector<unsigned char> row = c.in;
        row.push_back(0x5A);  // beyond the pixels: untouched
        ReverseRow(&r, row.data());
        EXPECT_EQ(std::vector<unsigned char>(row.begin(), row.end() - 1), c.out);
        EXPECT_EQ(row.back(), 0x5A);
    }
}

}  // namespace
