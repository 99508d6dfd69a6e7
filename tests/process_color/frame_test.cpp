// The processing frame: progress over a span, stopping, the palette-only
// path, the remapper's channels at every direct depth, and the 24-bit work
// rows with their conversion or dithering back.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "process_fixture.h"

namespace {

unsigned char kIdentity[256], kHalf[256], kInverse[256];
struct Tables {
    Tables() {
        for (int i = 0; i < 256; ++i) kIdentity[i] = i, kHalf[i] = i / 2, kInverse[i] = 255 - i;
    }
} tables;

TEST(ProcessFrame, ProgressSpreadsTheRemainderOverTheSpan) {
    struct Case {
        int height, first, last;
        std::vector<int> seen;
    } cases[] = {
        {3, 0, 100, {0, 33, 66, 100}},
        {3, 51, 100, {51, 67, 83, 100}},
        {1, 0, 100, {0, 100}},
        // Fewer percents than rows: only the steps that cross a percent report.
        {8, 0, 2, {0, 1, 2}},
        {4, 51, 51, {51}},
    };
    for (const Case& c : cases) {
        OwnedBitmap b;
        StorePicture(b.rec, MakePattern(5, c.height, 24), 24);
        StatusRecorder recorder;
        EXPECT_EQ(RemapBitmapChannel(b.get(), kHalf, 0, c.first, c.last), K_OK);
        EXPECT_EQ(recorder.seen(), c.seen) << c.height << " rows, " << c.first << ".." << c.last;
    }
    // A palette is one step.
    OwnedBitmap p;
    StorePicture(p.rec, MakePattern(5, 3, 8), 8);
    GivePalette(p.rec, std::vector<RGBQUAD>(256, Rgb(10, 20, 30)));
    StatusRecorder recorder;
    EXPECT_EQ(RemapBitmapChannel(p.get(), kHalf, 0, 51, 100), K_OK);
    EXPECT_EQ(recorder.seen(), (std::vector<int>{51, 100}));
}

TEST(ProcessFrame, AStopKeepsTheRowsDoneAndReturnsTheCallbacksValue) {
    Picture picture = MakePattern(7, 3, 24);
    for (int stopAfter : {1, 2}) {
        OwnedBitmap b;
        StorePicture(b.rec, picture, 24, K_TOP_DOWN);
        StatusRecorder recorder(stopAfter);
        EXPECT_EQ(K_InvertBitmap(b.get()), 0);
        // Stopped at the first call nothing changed; at the second, row 0 did.
        Picture expected = picture;
        if (stopAfter == 2)
            for (int x = 0; x < 7 * 3; ++x) expected.data[x] = 255 - expected.data[x];
        EXPECT_EQ(ReadPicture(b.rec), expected) << stopAfter;
        EXPECT_FALSE(b->Flags & K_LOCKED);
    }
}

TEST(ProcessFrame, PaletteBitmapsChangeOnlyTheirPalette) {
    std::vector<RGBQUAD> colors = {Rgb(0, 0, 0), Rgb(200, 100, 50), Rgb(255, 255, 255), Rgb(17, 34, 51)};
    for (bool indexMap : {true, false}) {
        OwnedBitmap b;
        StorePicture(b.rec, MakePattern(9, 4, 4), 4);
        for (auto& v : b->ColorTable) v = Rgb(1, 2, 3);
        GivePalette(b.rec, colors);
        b->Flags |= K_GRAY_PALETTE;
        if (!indexMap) FillColorsFromPalette(b.get());
        auto rows = StoredRows(b.rec);
        ASSERT_EQ(RemapBitmapChannel(b.get(), kInverse, 1, 0, 100), K_OK);
        EXPECT_EQ(StoredRows(b.rec), rows);
        std::vector<RGBQUAD> palette = PaletteOf(b.rec);
        for (size_t i = 0; i < colors.size(); ++i) {
            EXPECT_EQ(palette[i].rgbRed, 255 - colors[i].rgbRed);
            EXPECT_EQ(palette[i].rgbGreen, colors[i].rgbGreen);
            EXPECT_EQ(palette[i].rgbBlue, colors[i].rgbBlue);
            // The colour table follows, unless it holds the index map.
            uint32_t slot;
            std::memcpy(&slot, &b->ColorTable[i], 4);
            if (indexMap)
                EXPECT_EQ(slot, i);
            else
                EXPECT_EQ(slot, (255u - colors[i].rgbRed) << 16 | colors[i].rgbGreen << 8 | colors[i].rgbBlue);
        }
        EXPECT_FALSE(b->Flags & K_GRAY_PALETTE) << "red alone changed: no longer grey";
    }
}

TEST(ProcessFrame, TheSharedFixedPaletteIsNotEditedInPlace) {
    OwnedBitmap b;
    ASSERT_EQ(K_CreateBitmap(b.get(), K_STORAGE_ANY, 8, 2, 8, K_ORDER_BGR, nullptr, K_BOTTOM_UP), K_OK);
    ASSERT_TRUE(b->Flags & K_FIXED_PALETTE_IN_USE);
    HPALETTE fixed = b->FixedPaletteHandle;
    ASSERT_EQ(K_InvertBitmap(b.get()), K_OK);
    // The fixed handle still holds the built-in palette; the record uses a
    // palette of its own with the inverted colours.
    RGBQUAD table[256];
    ASSERT_EQ(GetPaletteColors(fixed, table, 256), 256);
    EXPECT_EQ(std::memcmp(table, FixedPalette256, sizeof table), 0);
    EXPECT_FALSE(b->Flags & K_FIXED_PALETTE_IN_USE);
    std::vector<RGBQUAD> palette = PaletteOf(b.rec);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette[i].rgbRed, 255 - FixedPalette256[i].rgbRed);
        EXPECT_EQ(palette[i].rgbBlue, 255 - FixedPalette256[i].rgbBlue);
    }
    // Inverting again gives the fixed colours back.
    ASSERT_EQ(K_InvertBitmap(b.get()), K_OK);
    palette = PaletteOf(b.rec);
    EXPECT_EQ(std::memcmp(palette.data(), FixedPalette256, sizeof table), 0);
}

TEST(ProcessFrame, RefusesBadRecordsArgumentsAndPalettesBeforeTouchingAnything) {
    OwnedBitmap b;
    StorePicture(b.rec, MakePattern(4, 2, 24), 24);
    auto rows = StoredRows(b.rec);
    BitmapRecord unallocated{};
    K_InitBitmap(&unallocated, 4, 2, 24);
    EXPECT_EQ(RemapBitmapChannel(nullptr, kHalf, 0, 0, 100), K_ERR_NOBITMAP);
    EXPECT_EQ(RemapBitmapChannel(&unallocated, kHalf, 0, 0, 100), K_ERR_NOBITMAP);
    EXPECT_EQ(K_RemapBitmapIntensity(b.get(), kHalf, 4), K_ERR_ARGUMENT);
    EXPECT_EQ(K_RemapBitmapIntensity(b.get(), nullptr, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(StoredRows(b.rec), rows);

    // No palette handle, or one shorter than the colour count.
    OwnedBitmap none, shortPalette;
    StorePicture(none.rec, MakePattern(4, 2, 8), 8);
    EXPECT_EQ(K_InvertBitmap(none.get()), K_ERR_NOBITMAP);
    StorePicture(shortPalette.rec, MakePattern(4, 2, 8), 8);
    GivePalette(shortPalette.rec, std::vector<RGBQUAD>(16, Rgb(9, 9, 9)));
    shortPalette->Colors = 256;
    EXPECT_EQ(K_InvertBitmap(shortPalette.get()), K_ERR_NOBITMAP);
}

TEST(ProcessFrame, RemapsTheSelectedChannelAtEveryDirectDepth) {
    for (const Layout& l : DirectLayouts()) {
        Picture picture = l.bits == 16 ? To555(EveryValue()) : EveryValue();
        for (unsigned channel = 0; channel <= 3; ++channel) {
            OwnedBitmap b;
            StorePicture(b.rec, picture, l.bits, l.perspective, l.order);
            ASSERT_EQ(K_RemapBitmapIntensity(b.get(), kHalf, channel), K_OK);
            Picture expected = picture;
            for (size_t i = 0; i < expected.data.size(); ++i) {
                if (channel != 0 && i % 3 != channel - 1) continue;
                int v = expected.data[i] / 2;
                expected.data[i] = static_cast<uint8_t>(l.bits == 16 ? Through5(v) : v);
            }
            EXPECT_EQ(ReadPicture(b.rec), expected) << Name(l) << " channel " << channel;
            if (l.bits == 32) {
                // The fourth byte is never touched.
                for (const auto& row : StoredRows(b.rec))
                    for (int x = 0; x < b->Width; ++x) ASSERT_EQ(row[4 * x + 3], 0xA5) << Name(l);
            }
        }
    }
}

TEST(ProcessFrame, SixteenBitWordsKeepTheirFieldsAndLoseBit15) {
    OwnedBitmap b;
    ASSERT_EQ(K_CreateBitmap(b.get(), K_STORAGE_ANY, 3, 1, 16, K_ORDER_BGR, nullptr, K_TOP_DOWN), K_OK);
    const unsigned char words[8] = {0xFF, 0x7F, 0xFF, 0xFF, 0x21, 0x84, 0, 0};
    {
        BitmapLock lock(b.get());
        ASSERT_EQ(K_PutBitmapRow(b.get(), words, 0, 8), 8);
    }
    ASSERT_EQ(K_RemapBitmapIntensity(b.get(), kIdentity, 0), K_OK);
    auto rows = StoredRows(b.rec);
    EXPECT_EQ(rows[0][0] | rows[0][1] << 8, 0x7FFF);
    EXPECT_EQ(rows[0][2] | rows[0][3] << 8, 0x7FFF);
    EXPECT_EQ(rows[0][4] | rows[0][5] << 8, 0x0421);
}

// A picture of palette indices, and the record made from it.
void StoreIndexed(OwnedBitmap& b, const Picture& indices, int bits, const std::vector<RGBQUAD>& palette,
                  int perspective) {
    StorePicture(b.rec, indices, bits, perspective);
    GivePalette(b.rec, palette);
}

std::vector<RGBQUAD> GreyRamp(int levels) {
    std::vector<RGBQUAD> ramp;
    for (int i = 0; i < levels; ++i) {
        int v = i * 255 / (levels - 1);
        ramp.push_back(Rgb(v, v, v));
    }
    return ramp;
}

TEST(ProcessFrame, WorkRowsHoldTheColoursOfEveryDepthAndGoBackUnchanged) {
    std::vector<RGBQUAD> colors16 = {Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
                                     Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
                                     Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
                                     Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};
    struct Case {
        const char* name;
        int bits, patternBits;
        std::vector<RGBQUAD> palette;
    } indexed[] = {
        {"1 bit", 1, 1, {Rgb(10, 20, 30), Rgb(240, 230, 220)}},
        {"4 bits", 4, 4, colors16},
        {"8 bits, 16 colours", 8, 4, colors16},
        {"8 bits, full grey ramp", 8, 8, GreyRamp(256)},
        {"8 bits, 16-level grey ramp", 8, 4, GreyRamp(16)},
    };
    for (const Case& c : indexed) {
        for (int perspective : {K_TOP_DOWN, K_BOTTOM_UP}) {
            OwnedBitmap b;
            Picture indices = MakePattern(13, 5, c.patternBits);
            StoreIndexed(b, indices, c.bits, c.palette, perspective);
            Picture colors = ColorsOf(b.rec);
            int rc = ProcessWorkRows(b.get(), 0, 100, [&](unsigned char* row, int y) {
                int top = perspective == K_BOTTOM_UP ? b->Height - 1 - y : y;
                for (int x = 0; x < b->Width; ++x) {
                    const uint8_t* px = colors.At(x, top);
                    ASSERT_EQ(row[3 * x + 2], px[0]) << c.name << " at " << x << "," << top;
                    ASSERT_EQ(row[3 * x + 1], px[1]);
                    ASSERT_EQ(row[3 * x], px[2]);
                }
            });
            ASSERT_EQ(rc, K_OK) << c.name;
            EXPECT_EQ(ReadPicture(b.rec), indices) << c.name;
        }
    }
    for (const Layout& l : DirectLayouts()) {
        OwnedBitmap b;
        Picture picture = l.bits == 16 ? To555(EveryValue()) : EveryValue();
        StorePicture(b.rec, picture, l.bits, l.perspective, l.order);
        auto rows = StoredRows(b.rec);
        ASSERT_EQ(ProcessWorkRows(b.get(), 0, 100,
                                  [&](unsigned char* row, int y) {
                                      int top = l.perspective == K_BOTTOM_UP ? b->Height - 1 - y : y;
                                      for (int x = 0; x < b->Width; ++x)
                                          ASSERT_EQ(row[3 * x + 2], picture.At(x, top)[0]) << Name(l);
                                  }),
                  K_OK);
        EXPECT_EQ(ReadPicture(b.rec), picture) << Name(l);
    }
}

TEST(ProcessFrame, WorkRowsGoBackAtTheBitmapsOwnDepthAndPalette) {
    // Inverting a grey ramp lands exactly on its own levels: index i of n
    // becomes n - 1 - i. Eight bits of sixteen levels must stay 8-bit rows
    // of indices 0..15 (neither grey levels nor packed 4-bit rows).
    struct Case {
        int bits, levels;
    } cases[] = {{8, 16}, {8, 256}, {4, 16}, {1, 2}, {8, 2}};
    for (const Case& c : cases) {
        OwnedBitmap b;
        int patternBits = c.levels == 256 ? 8 : c.levels == 16 ? 4 : 1;
        Picture indices = MakePattern(11, 6, patternBits);
        StoreIndexed(b, indices, c.bits, GreyRamp(c.levels), K_BOTTOM_UP);
        ASSERT_EQ(ProcessWorkRows(b.get(), 0, 100,
                                  [&](unsigned char* row, int) {
                                      for (int i = 0; i < b->Width * 3; ++i) row[i] = 255 - row[i];
                                  }),
                  K_OK);
        Picture expected = MapSamples(indices, [&](int v) { return c.levels - 1 - v; });
        EXPECT_EQ(ReadPicture(b.rec), expected) << c.bits << " bits, " << c.levels << " levels";
    }
}

}  // namespace
