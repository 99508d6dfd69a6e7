// Fixed palettes, the palette handle of a record and the palette exports.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/palette.h"
#include "volkg.h"

namespace {

RGBQUAD Q(int r, int g, int b) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; }

std::vector<PALETTEENTRY> Entries(HPALETTE palette) {
    WORD count = 0;
    if (!palette || GetObjectA(palette, sizeof count, &count) == 0) return {};
    std::vector<PALETTEENTRY> entries(count);
    entries.resize(GetPaletteEntries(palette, 0, count, entries.data()));
    return entries;
}

bool Alive(HPALETTE palette) {
    WORD count = 0;
    return palette && GetObjectA(palette, sizeof count, &count) != 0;
}

// An allocated record of a depth with the palette of the given colours.
class PaletteRecord {
public:
    PaletteRecord(int bits, const std::vector<RGBQUAD>& colours) {
        K_InitBitmap(&r, 4, 2, bits);
        EXPECT_EQ(K_AllocateBitmap(&r, K_STORAGE_MEMORY), K_OK);
        r.Colors = static_cast<int>(colours.size());
        for (size_t i = 0; i < colours.size(); ++i) r.ColorTable[i] = colours[i];
        CreateBitmapPalette(&r);
    }
    ~PaletteRecord() { K_FreeBitmap(&r); }
    BitmapRecord r;
};

std::vector<RGBQUAD> Ramp(int n, bool descending) {
    std::vector<RGBQUAD> v;
    for (int i = 0; i < n; ++i) {
        int level = (i * (255 / (n - 1))) & 0xFF;
        if (descending) level = (255 - i * (255 / (n - 1))) & 0xFF;
        v.push_back(Q(level, 77, level));  // green is not looked at
    }
    return v;
}

TEST(FixedPalettes, TablesAndExport) {
    RGBQUAD table[256];
    std::memset(table, 0xEE, sizeof table);
    ASSERT_EQ(K_GetFixedPalette(table, 4), K_OK);
    const int rgb16[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                              {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                              {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(table[i].rgbRed, rgb16[i][0]) << i;
        EXPECT_EQ(table[i].rgbGreen, rgb16[i][1]) << i;
        EXPECT_EQ(table[i].rgbBlue, rgb16[i][2]) << i;
        EXPECT_EQ(table[i].rgbReserved, 0) << i;
    }
    EXPECT_EQ(table[16].rgbRed, 0xEE);  // nothing past the 16 entries

    ASSERT_EQ(K_GetFixedPalette(table, 8), K_OK);
    const int levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(table[i].rgbRed, levels[i >> 5]) << i;
        EXPECT_EQ(table[i].rgbGreen, levels[(i >> 2) & 7]) << i;
        EXPECT_EQ(table[i].rgbBlue, (i & 3) * 85) << i;
    }
    ASSERT_EQ(K_GetFixedPalette(table, 0), K_OK);
    EXPECT_EQ(table[200].rgbRed, 200);
    EXPECT_EQ(table[200].rgbBlue, 200);
    ASSERT_EQ(K_GetFixedPalette(table, 1), K_OK);
    EXPECT_EQ(table[1].rgbGreen, 255);

    for (int bits : {2, 3, 16, 24, -1}) EXPECT_EQ(K_GetFixedPalette(table, bits), K_ERR_ARGUMENT) << bits;
    EXPECT_EQ(K_GetFixedPalette(nullptr, 8), K_ERR_ARGUMENT);
}

TEST(FixedPalettes, LogicalPalettesByDepth) {
    const struct {
        int bits;
        size_t count;
    } cases[] = {{0, 2}, {1, 2}, {2, 16}, {4, 16}, {5, 256}, {8, 256}};
    for (const auto& c : cases) {
        HPALETTE p = CreateFixedPalette(c.bits);
        std::vector<PALETTEENTRY> e = Entries(p);
        EXPECT_EQ(e.size(), c.count) << c.bits;
        const RGBQUAD* fixed = FixedPaletteOfSize(static_cast<int>(c.count));
        for (size_t i = 0; i < e.size(); ++i) {
            EXPECT_EQ(e[i].peRed, fixed[i].rgbRed);
            EXPECT_EQ(e[i].peBlue, fixed[i].rgbBlue);
            EXPECT_EQ(e[i].peFlags, 0);
        }
        DeleteObject(p);
    }
    EXPECT_EQ(CreateFixedPalette(16), nullptr);
}

TEST(GrayPalettes, LevelsAndOrder) {
    HPALETTE p = CreateGrayPalette(1);
    std::vector<PALETTEENTRY> e = Entries(p);
    ASSERT_EQ(e.size(), 256u);
    EXPECT_EQ(e[0].peRed, 0);
    EXPECT_EQ(e[1].peGreen, 128);
    EXPECT_EQ(e[2].peBlue, 0);
    DeleteObject(p);
    p = CreateGrayPalette(4);
    e = Entries(p);
    EXPECT_EQ(e[15].peRed, 240);
    DeleteObject(p);
    p = CreateGrayPalette(0);
    e = Entries(p);
    EXPECT_EQ(e[255].peRed, 255);
    DeleteObject(p);

    {
        PaletteRecord up(4, Ramp(16, false));
        EXPECT_EQ(GetGrayPaletteOrder(&up.r), 1);
        PaletteRecord down(4, Ramp(16, true));
        EXPECT_EQ(GetGrayPaletteOrder(&down.r), 2);
        PaletteRecord two(1, {Q(255, 0, 255), Q(0, 0, 0)});
        EXPECT_EQ(GetGrayPaletteOrder(&two.r), 2);
        std::vector<RGBQUAD> bent = Ramp(16, false);
        bent[7].rgbBlue ^= 1;
        PaletteRecord notRamp(4, bent);
        EXPECT_EQ(GetGrayPaletteOrder(&notRamp.r), 0);
    }
    // A single entry is no ramp (and must not divide by zero).
    PaletteRecord one(8, {Q(0, 0, 0)});
    EXPECT_EQ(GetGrayPaletteOrder(&one.r), 0);
    // Fewer entries than Colors in the palette: no ramp.
    PaletteRecord shortPalette(8, Ramp(16, false));
    shortPalette.r.Colors = 32;
    EXPECT_EQ(GetGrayPaletteOrder(&shortPalette.r), 0);
}

TEST(RecordPalette, IndexMapAndColours) {
    PaletteRecord rec(4, {Q(10, 20, 30), Q(40, 50, 60), Q(70, 80, 90)});
    BitmapRecord& r = rec.r;
    EXPECT_NE(r.Flags & K_PALETTE_INDEX_MAP, 0u);
    uint32_t slot = 0;
    std::memcpy(&slot, &r.ColorTable[2], 4);
    EXPECT_EQ(slot, 2u);

    r.ColorTable[5].rgbRed = 99;
    ASSERT_EQ(FillColorsFromPalette(&r), 1);
    EXPECT_EQ(r.Flags & K_PALETTE_INDEX_MAP, 0u);
    EXPECT_EQ(r.ColorTable[1].rgbRed, 40);
    EXPECT_EQ(r.ColorTable[2].rgbBlue, 90);
    EXPECT_EQ(r.ColorTable[5].rgbRed, 0);  // past Colors: black

    {
        SetPaletteIndexMap(&r);
        PaletteColorsScope colours(&r);
        EXPECT_EQ(r.ColorTable[0].rgbGreen, 20);
    }
    EXPECT_NE(r.Flags & K_PALETTE_INDEX_MAP, 0u);

    // Above 8 bits or without a palette nothing happens.
    BitmapRecord deep;
    K_InitBitmap(&deep, 2, 2, 24);
    EXPECT_EQ(FillColorsFromPalette(&deep), 0);
    BitmapRecord bare;
    K_InitBitmap(&bare, 2, 2, 8);
    EXPECT_EQ(FillColorsFromPalette(&bare), 0);

    // SetFixedPalette only for the three fixed sizes.
    BitmapRecord fixed;
    K_InitBitmap(&fixed, 2, 2, 4);
    ASSERT_EQ(SetFixedPalette(&fixed), 1);
    EXPECT_EQ(Entries(fixed.FixedPaletteHandle).size(), 16u);
    EXPECT_EQ(fixed.Flags & K_FIXED_PALETTE_IN_USE, 0u);
    fixed.Flags |= K_FIXED_PALETTE_IN_USE;
    EXPECT_EQ(PaletteInUse(&fixed), fixed.FixedPaletteHandle);
    K_FreeBitmap(&fixed);
    fixed.Colors = 3;
    EXPECT_EQ(SetFixedPalette(&fixed), 0);
    EXPECT_EQ(fixed.FixedPaletteHandle, nullptr);
}

TEST(PaletteHelpers, ColoursAndComparison) {
    RGBQUAD colours[3] = {Q(1, 2, 3), Q(4, 5, 6), Q(7, 8, 9)};
    HPALETTE p = CreatePaletteFromColors(colours, 3);
    RGBQUAD out[4];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(GetPaletteColors(p, out, 4), 3);
    EXPECT_EQ(out[2].rgbRed, 7);
    EXPECT_EQ(out[2].rgbReserved, 0);
    EXPECT_EQ(out[3].rgbRed, 0xEE);
    EXPECT_EQ(PaletteEqualsTable(p, colours, 3), 1);
    colours[1].rgbReserved = 200;  // not compared
    EXPECT_EQ(PaletteEqualsTable(p, colours, 3), 1);
    colours[1].rgbGreen = 6;
    EXPECT_EQ(PaletteEqualsTable(p, colours, 3), 0);
    // No palette, or a shorter one agreeing as far as it goes, is not the
    // table (such records were painted as if they had the fixed palette).
    EXPECT_EQ(PaletteEqualsTable(nullptr, colours, 3), 0);
    colours[1].rgbGreen = 5;
    RGBQUAD longer[4] = {colours[0], colours[1], colours[2], Q(10, 11, 12)};
    EXPECT_EQ(PaletteEqualsTable(p, longer, 3), 1);
    EXPECT_EQ(PaletteEqualsTable(p, longer, 4), 0);
    DeleteObject(p);
    EXPECT_EQ(CreatePaletteFromColors(colours, 0), nullptr);
}

TEST(PaletteExports, GetAndPutBitmapColors) {
    PaletteRecord rec(8, std::vector<RGBQUAD>(FixedPalette256, FixedPalette256 + 256));
    BitmapRecord& r = rec.r;
    RGBQUAD out[10];
    EXPECT_EQ(K_GetBitmapColors(&r, 250, 10, out), K_ERR_ARGUMENT);
    EXPECT_EQ(K_GetBitmapColors(&r, -1, 1, out), K_ERR_ARGUMENT);
    EXPECT_EQ(K_GetBitmapColors(&r, 0, -1, out), K_ERR_ARGUMENT);
    EXPECT_EQ(K_GetBitmapColors(nullptr, 0, 1, out), K_ERR_NOBITMAP);
    ASSERT_EQ(K_GetBitmapColors(&r, 246, 10, out), K_OK);
    EXPECT_EQ(out[9].rgbRed, 255);
    EXPECT_EQ(out[9].rgbBlue, 255);

    // Writing the fixed palette makes the record use FixedPaletteHandle.
    HPALETTE old = r.PaletteHandle;
    ASSERT_EQ(K_PutBitmapColors(&r, 0, 256, FixedPalette256), K_OK);
    EXPECT_FALSE(Alive(old));
    EXPECT_NE(r.Flags & K_FIXED_PALETTE_IN_USE, 0u);
    EXPECT_EQ(r.Flags & K_FILE_PALETTE, 0u);
    EXPECT_EQ(r.PaletteHandle, nullptr);
    EXPECT_EQ(Entries(r.FixedPaletteHandle).size(), 256u);
    EXPECT_NE(r.Flags & K_PALETTE_INDEX_MAP, 0u);

    // One changed entry moves it back to PaletteHandle.
    HPALETTE fixed = r.FixedPaletteHandle;
    RGBQUAD pink = Q(255, 128, 128);
    ASSERT_EQ(K_PutBitmapColors(&r, 3, 1, &pink), K_OK);
    EXPECT_FALSE(Alive(fixed));
    EXPECT_EQ(r.FixedPaletteHandle, nullptr);
    EXPECT_EQ(r.Flags & K_FIXED_PALETTE_IN_USE, 0u);
    EXPECT_NE(r.Flags & K_FILE_PALETTE, 0u);
    ASSERT_EQ(K_GetBitmapColors(&r, 2, 3, out), K_OK);
    EXPECT_EQ(out[0].rgbBlue, 170);
    EXPECT_EQ(out[1].rgbRed, 255);
    EXPECT_EQ(out[1].rgbGreen, 128);

    // A record holding both handles loses neither to a leak: both go.
    HPALETTE spare = CreateFixedPalette(8);
    HPALETTE inUse = r.PaletteHandle;
    r.FixedPaletteHandle = spare;
    ASSERT_EQ(K_PutBitmapColors(&r, 3, 1, &pink), K_OK);
    EXPECT_FALSE(Alive(spare));
    EXPECT_FALSE(Alive(inUse));
    EXPECT_TRUE(Alive(r.PaletteHandle));

    BitmapRecord deep;
    K_InitBitmap(&deep, 2, 2, 24);
    ASSERT_EQ(K_AllocateBitmap(&deep, K_STORAGE_MEMORY), K_OK);
    EXPECT_EQ(K_PutBitmapColors(&deep, 0, 0, &pink), K_ERR_ARGUMENT);
    K_FreeBitmap(&deep);
    EXPECT_EQ(K_PutBitmapColors(&deep, 0, 0, &pink), K_ERR_NOBITMAP);
}

TEST(PaletteExports, DupPalette) {
    EXPECT_EQ(K_DupPalette(nullptr), nullptr);
    RGBQUAD colours[3] = {Q(1, 2, 3), Q(4, 5, 6), Q(7, 8, 9)};
    HPALETTE p = CreatePaletteFromColors(colours, 3);
    HPALETTE copy = K_DupPalette(p);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, p);
    DeleteObject(p);  // the copy lives on its own
    std::vector<PALETTEENTRY> e = Entries(copy);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[2].peRed, 7);
    EXPECT_EQ(e[0].peBlue, 3);
    DeleteObject(copy);
}

TEST(PaletteExports, DitheredPaintSwitch) {
    int first = K_EnableDitheredPaint(0);
    EXPECT_EQ(K_EnableDitheredPaint(1), 0);
    EXPECT_EQ(K_EnableDitheredPaint(1), 1);
    EXPECT_EQ(K_EnableDitheredPaint(first), 1);
}

}  // namespace
