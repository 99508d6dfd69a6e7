#include <gtest/gtest.h>

#include "models/fill_effects.h"
#include "program_fixture.h"

namespace {

// An atlas whose pixel (x, y) has a colour of its own.
std::unique_ptr<TBitmap> Atlas(int w, int h) {
    auto atlas = MakeBitmap(w, h, clWhite);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) atlas->Canvas()->SetPixel(x, y, RGB(x * 3, y * 3, 100));
    return atlas;
}

// The fade patterns as published, typed here independently of the
// program's table: rows 0-7 of each level, "1" = transparent, pixel (x, y)
// is character x mod 4 of row y.
const char* const kLevelRows[16] = {
    "0000 0000 0000 0000 0000 0000 0000 0000",  // level 0: never drawn
    "0000 0000 0001 0000 0001 0000 0000 0000", "0000 0100 0001 0000 0001 0100 0000 0000",
    "0001 0100 0001 0000 0001 0100 0001 0000", "0001 0100 0001 0100 0001 0100 0001 0100",
    "0001 0110 0001 0100 0001 0110 0001 0100", "1001 0110 0001 0100 1001 0110 0001 0100",
    "1001 0110 0001 0110 1001 0110 0001 0110", "1001 0110 1001 0110 1001 0110 1001 0110",
    "1001 1110 1001 0110 1001 1110 1001 0110", "1011 1110 1001 0110 1011 1110 1001 0110",
    "1011 1110 1001 1110 1011 1110 1001 1110", "1011 1110 1011 1110 1011 1110 1011 1110",
    "1111 1110 1011 1110 1111 1110 1011 1110", "1111 1111 1011 1110 1111 1111 1011 1110",
    "1111 1111 1111 1110 1111 1111 1111 1110",
};

bool Transparent(int level, int x, int y) { return kLevelRows[level][(y & 7) * 5 + (x & 3)] == '1'; }

}  // namespace

TEST(FillEffects, AtlasCells) {
    EnsureFramework();
    auto atlas = Atlas(80, 80);
    RECT cell{10, 5, 70, 65};  // 60 x 60

    auto tiled = MakeBitmap(100, 100, clWhite);
    FillFromAtlasCell(*tiled, *atlas, cell, false);
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 100; x += 7)
            ASSERT_EQ(Hex(PixelAt(*tiled, x, y)), Hex(RGB((10 + x % 60) * 3, (5 + y % 60) * 3, 100))) << x << "," << y;

    // Stretching a 2 x 2 cell to 6 x 4 repeats its pixels in 3 x 2 blocks.
    auto stretched = MakeBitmap(6, 4, clWhite);
    FillFromAtlasCell(*stretched, *atlas, RECT{4, 8, 6, 10}, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(Hex(PixelAt(*stretched, x, y)), Hex(RGB((4 + x / 3) * 3, (8 + y / 2) * 3, 100))) << x << "," << y;

    // Empty and reversed cells fill black (a reversed one must not tile for ever).
    for (RECT empty : {RECT{5, 5, 5, 20}, RECT{5, 5, 20, 5}, RECT{20, 20, 10, 30}}) {
        auto black = MakeBitmap(5, 5, clWhite);
        FillFromAtlasCell(*black, *atlas, empty, false);
        EXPECT_EQ(Hex(PixelAt(*black, 0, 0)), Hex(clBlack));
        EXPECT_EQ(Hex(PixelAt(*black, 4, 4)), Hex(clBlack));
    }
}

TEST(FillEffects, DrawMaskedKeepsDestUnderWhite) {
    EnsureFramework();
    auto dest = Atlas(6, 5);
    auto before = Atlas(6, 5);
    auto src = MakeBitmap(3, 3, clWhite);
    src->Canvas()->SetPixel(0, 0, RGB(200, 10, 10));
    src->Canvas()->SetPixel(2, 1, RGB(0, 0, 0));
    src->Canvas()->SetPixel(1, 2, RGB(254, 255, 255));  // nearly white is not white
    DrawMasked(2, 1, *dest, *src);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            TColor expect = PixelAt(*before, x, y);
            if (x >= 2 && x < 5 && y >= 1 && y < 4) {
                TColor s = PixelAt(*src, x - 2, y - 1);
                if (s != clWhite) expect = s;
            }
            EXPECT_EQ(Hex(PixelAt(*dest, x, y)), Hex(expect)) << x << "," << y;
        }

    // All white changes nothing; no white at all is a plain copy.
    auto white = MakeBitmap(6, 5, clWhite);
    auto same = Atlas(6, 5);
    DrawMasked(0, 0, *same, *white);
    auto opaque = Atlas(6, 5);
    auto target = MakeBitmap(6, 5, RGB(1, 2, 3));
    DrawMasked(0, 0, *target, *opaque);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(PixelAt(*same, x, y), PixelAt(*before, x, y));
            EXPECT_EQ(PixelAt(*target, x, y), PixelAt(*before, x, y));
        }
}

TEST(FillEffects, DrawMaskedStretched) {
    EnsureFramework();
    auto graphic = MakeBitmap(2, 1, clWhite);
    graphic->Canvas()->SetPixel(0, 0, RGB(200, 0, 0));
    const TColor blue = RGB(0, 0, 200);
    auto dest = MakeBitmap(6, 3, blue);
    DrawMaskedStretched(1, 1, 4, *graphic, *dest, 2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            bool red = x >= 1 && x < 3 && y >= 1;
            EXPECT_EQ(Hex(PixelAt(*dest, x, y)), Hex(red ? RGB(200, 0, 0) : blue)) << x << "," << y;
        }
}

TEST(FillEffects, ShadeChannel) {
    struct {
        int v, d, out;
    } cases[] = {
        {100, 0, 100}, {0, 127, 252}, {200, -64, 100}, {255, -128, 0}, {254, 127, 254},
        {0, -128, 0},  {128, 1, 129}, {64, -1, 64},    {192, -1, 190},
    };
    for (auto& c : cases)
        EXPECT_EQ(ShadeChannel(static_cast<std::uint8_t>(c.v), static_cast<std::int8_t>(c.d)), c.out)
            << c.v << " " << c.d;
}

TEST(FillEffects, ShadeMap) {
    EnsureFramework();
    auto picture = MakeBitmap(4, 1, RGB(100, 150, 200));
    auto shade = MakeBitmap(4, 1, RGB(9, 9, 9));        // (0,0) holds the key colour
    shade->Canvas()->SetPixel(1, 0, RGB(0, 127, 0));    // no change
    shade->Canvas()->SetPixel(2, 0, RGB(0, 255, 0));    // -128: black
    shade->Canvas()->SetPixel(3, 0, RGB(50, 191, 77));  // +64
    ApplyShadeMap(*picture, *shade);
    EXPECT_EQ(Hex(PixelAt(*picture, 0, 0)), Hex(RGB(100, 150, 200)));
    EXPECT_EQ(Hex(PixelAt(*picture, 1, 0)), Hex(RGB(100, 150, 200)));
    EXPECT_EQ(Hex(PixelAt(*picture, 2, 0)), Hex(RGB(0, 0, 0)));
    // Green 191 is +64: each channel v moves to v + (254 - v) * 64 / 128.
    EXPECT_EQ(Hex(PixelAt(*picture, 3, 0)), Hex(RGB(177, 202, 227)));

    // A shade smaller than the picture leaves the rest alone.
    auto wide = MakeBitmap(3, 2, RGB(100, 100, 100));
    auto small = MakeBitmap(1, 1, RGB(0, 255, 0));
    ApplyShadeMap(*wide, *small);
    EXPECT_EQ(Hex(PixelAt(*wide, 2, 1)), Hex(RGB(100, 100, 100)));
}

TEST(FillEffects, DitherLevels) {
    EnsureFramework();
    const TColor red = RGB(200, 0, 0), blue = RGB(0, 0, 200);
    for (int level : {-3, 0, 1, 2, 7, 8, 14, 15, 20}) {
        auto dest = MakeBitmap(16, 8, blue);
        auto src = MakeBitmap(16, 8, red);
        ApplyDitherLevel(*dest, *src, level);
        int effective = level < 0 ? 0 : (level > 15 ? 15 : level);
        int holes = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                bool hole = Transparent(effective, x, y);
                holes += hole && x < 8;
                ASSERT_EQ(Hex(PixelAt(*dest, x, y)), Hex(hole ? blue : red))
                    << "level " << level << " at " << x << "," << y;
            }
        EXPECT_EQ(holes, 4 * effective) << "level " << level;
    }
}

TEST(FillEffects, DitherStripLevelsGrowByFourPixels) {
    EnsureFramework();
    TBitmap& strip = DitherStrip();
    ASSERT_EQ(strip.Width(), 128);
    ASSERT_EQ(strip.Height(), 8);
    for (int level = 0; level <= 15; ++level) {
        int k = 15 - level, white = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool w = PixelAt(strip, 8 * k + x, y) == clWhite;
                white += w;
                EXPECT_EQ(w, Transparent(level, x, y)) << level << " " << x << "," << y;
                // Each level keeps the holes of the one below.
                if (level > 0 && Transparent(level - 1, x, y)) EXPECT_TRUE(w) << level << " " << x << "," << y;
            }
        EXPECT_EQ(white, 4 * level);
    }
}
