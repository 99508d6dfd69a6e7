// The display mode flag word and the paint-kind decision.
#include <gtest/gtest.h>

#include <cstring>

#include "core/display_mode.h"
#include "core/palette.h"
#include "volkg.h"

namespace {

// Every test leaves the process-wide flags as it found them.
class DisplayModeTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = DisplayMode; }
    void TearDown() override {
        DisplayMode = saved_;
        ResetPaintIndexTable();
    }

private:
    unsigned saved_ = 0;
};

bool IndexTableIsIdentity() {
    for (int i = 0; i < 256; ++i)
        if (PaintIndexTable()[i] != i) return false;
    return true;
}

TEST_F(DisplayModeTest, StartsWithIndexedAndDitheredPaint) {
    EXPECT_EQ(K_GetDisplayMode(), 12);
    EXPECT_EQ(PaintBitmapInfo.header.biSize, 40u);
    EXPECT_EQ(PaintBitmapInfo.header.biPlanes, 1);
    EXPECT_TRUE(IndexTableIsIdentity());
    EXPECT_EQ(K_EnableOrderedDither(1), 0);
    EXPECT_EQ(K_GetDisplayMode(), 13);
}

TEST_F(DisplayModeTest, SetMasksAndKeepsBit10Clear) {
    struct Case {
        unsigned before;
        int mask, value;
        unsigned after;
    } cases[] = {
        {12, 0x10, 0x10, 12},                                                    // the reserved bit never changes
        {12, 0xFF, 0x00, 0x00}, {12, 0xFF, 0xFF, 0xEF}, {12, 0x21, 0x01, 0x0D},  // only masked bits take the value
        {0x1C, 0x08, 0, 0x14},                                                   // a set reserved bit stays set too
    };
    for (const Case& c : cases) {
        DisplayMode = c.before;
        EXPECT_EQ(static_cast<unsigned>(K_SetDisplayMode(c.mask, c.value)), c.before) << c.mask;
        EXPECT_EQ(DisplayMode, c.after) << c.mask << " " << c.value;
    }
}

TEST_F(DisplayModeTest, SwitchingIndexedPaintOnRestoresTheIndexTable) {
    // RGB paint overwrites the area with colours.
    std::memset(PaintBitmapInfo.colors, 0x5A, sizeof PaintBitmapInfo.colors);
    K_SetDisplayMode(0x04, 0);
    K_SetDisplayMode(0, 4);  // no flag changes, yet the table is written
    EXPECT_EQ(DisplayMode & kIndexedPaint, 0u);
    EXPECT_TRUE(IndexTableIsIdentity());

    std::memset(PaintBitmapInfo.colors, 0x5A, sizeof PaintBitmapInfo.colors);
    K_SetDisplayMode(4, 4);
    EXPECT_TRUE(IndexTableIsIdentity());
    std::memset(PaintBitmapInfo.colors, 0x5A, sizeof PaintBitmapInfo.colors);
    K_SetDisplayMode(4, 4);  // already on: left alone
    EXPECT_FALSE(IndexTableIsIdentity());
}

TEST_F(DisplayModeTest, EnableCallsReportThePreviousBit) {
    struct Switch {
        int(KAPI* call)(int);
        unsigned bit;
    } switches[] = {
        {K_EnableOrderedDither, 1}, {K_EnableFastPaint, 2}, {K_EnableIndexedPaint, 4}, {K_EnableDitheredPaint, 8}};
    for (const Switch& s : switches) {
        DisplayMode = 0xE7 & ~s.bit;
        EXPECT_EQ(s.call(7), 0);
        EXPECT_EQ(DisplayMode, 0xE7u | s.bit);
        EXPECT_EQ(s.call(0), 1);
        EXPECT_EQ(DisplayMode, 0xE7u & ~s.bit);
    }
}

TEST(DisplayDepth, ClassesDevices) {
    struct Case {
        int technology, bits, planes, depth;
    } cases[] = {{1, 1, 1, 1},  {1, 2, 1, 1},   {1, 1, 4, 4},   {1, 4, 1, 4},  {1, 7, 1, 4}, {1, 8, 1, 8},
                 {1, 15, 1, 8}, {1, 16, 1, 24}, {1, 32, 1, 24}, {5, 1, 1, 24}, {2, 1, 1, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyDeviceDepth(c.technology, c.bits, c.planes), c.depth)
            << c.technology << " " << c.bits << "x" << c.planes;
}

// A record that only carries a palette, as ChoosePaintKind looks at it.
struct PaletteRecord {
    BitmapRecord r{};
    PaletteRecord(int bits, bool fixedColours) {
        K_InitBitmap(&r, 4, 4, bits);
        if (bits > 8) return;
        int count = 0;
        const RGBQUAD* fixed = FixedPaletteForDepth(bits, &count);
        std::vector<RGBQUAD> colours(fixed, fixed + count);
        if (!fixedColours) colours[count - 1].rgbRed ^= 1;
        r.PaletteHandle = CreatePaletteFromColors(colours.data(), count);
    }
    ~PaletteRecord() { K_FreeBitmap(&r); }
};

TEST_F(DisplayModeTest, PaintKindTable) {
    enum { Clear = 0x00, Dither = 0x08, Exact = 0x88 };
    struct Case {
        int bits;
        bool fixedPalette;
        unsigned mode;
        int depth;
        PaintKind kind;
    } cases[] = {
        {1, true, Dither, 8, PaintDirect},      {1, true, Exact, 8, PaintConvert},
        {1, true, Exact, 4, PaintDirect},       {4, false, Clear, 1, PaintDirect},
        {4, false, Dither, 1, PaintConvert},    {4, true, Dither, 4, PaintDirect},
        {4, false, Dither, 4, PaintConvert},    {4, false, Dither, 8, PaintDirect},
        {4, false, Exact, 8, PaintConvert},     {4, false, Exact, 24, PaintDirect},
        {4, true, Exact, 4, PaintDirect},       {8, false, Clear, 4, PaintDirect},
        {8, false, Dither, 1, PaintConvert},    {8, false, Dither, 4, PaintConvert},
        {8, false, Dither, 8, PaintDirect},     {8, true, Exact, 8, PaintDirect},
        {8, false, Exact, 8, PaintConvert},     {8, false, Exact, 24, PaintDirect},
        {16, false, Clear, 8, PaintExpand24},   {16, false, Dither, 8, PaintConvert},
        {16, false, Dither, 24, PaintExpand24}, {32, false, Exact, 1, PaintConvert},
        {32, false, Exact, 24, PaintExpand24},  {24, false, Clear, 8, PaintDirect},
        {24, false, Dither, 8, PaintConvert},   {24, false, Dither, 24, PaintDirect},
    };
    for (const Case& c : cases) {
        PaletteRecord p(c.bits, c.fixedPalette);
        DisplayMode = c.mode | kIndexedPaint;
        EXPECT_EQ(ChoosePaintKindForDepth(c.depth, &p.r), c.kind)
            << c.bits << " bits, fixed " << c.fixedPalette << ", mode " << c.mode << ", device " << c.depth;
    }
}

TEST_F(DisplayModeTest, FixedPaletteInUseIsThePaletteTested) {
    PaletteRecord p(4, false);
    p.r.FixedPaletteHandle = CreateFixedPalette(4);
    DisplayMode = kDitheredPaint;
    EXPECT_EQ(ChoosePaintKindForDepth(4, &p.r), PaintConvert);
    p.r.Flags |= K_FIXED_PALETTE_IN_USE;
    EXPECT_EQ(ChoosePaintKindForDepth(4, &p.r), PaintDirect);
}

}  // namespace
