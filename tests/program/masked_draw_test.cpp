#include <gtest/gtest.h>

#include "controls/masked_draw.h"
#include "program_fixture.h"

namespace {

const TColor kKey = RGB(0, 255, 0);
const TColor kBack = RGB(90, 90, 90);
// 3 x 2 source: key colour at (1,0) and (0,1).
const TColor kSource[2][3] = {{RGB(255, 0, 0), kKey, RGB(0, 0, 255)}, {kKey, RGB(255, 255, 0), RGB(10, 20, 30)}};

std::unique_ptr<TBitmap> Source() {
    auto src = MakeBitmap(3, 2, clWhite);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) src->Canvas()->SetPixel(x, y, kSource[y][x]);
    return src;
}

}  // namespace

TEST(MaskedStretchBlt, StretchedPixelsFollowTheirSourcePixel) {
    EnsureFramework();
    auto src = Source();
    // Destination 10 x 8 with the 6 x 4 target at (2, 3): each source pixel
    // becomes a 2 x 2 block; key pixels leave the background.
    auto dest = MakeBitmap(10, 8, kBack);
    MaskedStretchBlt(dest->Canvas()->Handle(), 2, 3, 6, 4, src->Canvas()->Handle(), 0, 0, 3, 2, kKey, nullptr);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            TColor expect = kBack;
            if (x >= 2 && x < 8 && y >= 3 && y < 7) {
                TColor s = kSource[(y - 3) / 2][(x - 2) / 2];
                if (s != kKey) expect = s;
            }
            EXPECT_EQ(Hex(PixelAt(*dest, x, y)), Hex(expect)) << x << "," << y;
        }
}

TEST(MaskedStretchBlt, SourceRectangleAtItsOwnSize) {
    EnsureFramework();
    auto src = Source();
    auto dest = MakeBitmap(4, 4, kBack);
    // Columns 1..2 of the source at (1, 1).
    MaskedStretchBlt(dest->Canvas()->Handle(), 1, 1, 2, 2, src->Canvas()->Handle(), 1, 0, 2, 2, kKey, nullptr);
    EXPECT_EQ(Hex(PixelAt(*dest, 1, 1)), Hex(kBack));  // key
    EXPECT_EQ(Hex(PixelAt(*dest, 2, 1)), Hex(kSource[0][2]));
    EXPECT_EQ(Hex(PixelAt(*dest, 1, 2)), Hex(kSource[1][1]));
    EXPECT_EQ(Hex(PixelAt(*dest, 2, 2)), Hex(kSource[1][2]));
    EXPECT_EQ(Hex(PixelAt(*dest, 3, 3)), Hex(kBack));
}

TEST(StretchDrawKeyed, SpecialColours) {
    EnsureFramework();
    // The bottom-left pixel's colour is the key with clDefault.
    auto src = Source();
    auto dest = MakeBitmap(3, 2, kBack);
    DrawKeyed(*dest->Canvas(), 0, 0, *src, clDefault);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Hex(PixelAt(*dest, x, y)), Hex(kSource[y][x] == kKey ? kBack : kSource[y][x])) << x << "," << y;

    // clNone: a plain copy, key pixels included; sizes below 1 mean the bitmap's own.
    auto plain = MakeBitmap(4, 3, kBack);
    StretchDrawKeyed(*plain->Canvas(), *src, clNone, 1, 1, 0, 0, 0, 0, 0, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(Hex(PixelAt(*plain, x + 1, y + 1)), Hex(kSource[y][x]));
    EXPECT_EQ(Hex(PixelAt(*plain, 0, 0)), Hex(kBack));

    // A monochrome bitmap leaves out white, whatever colour is asked.
    auto mono = MakeBitmap(2, 1, clWhite);
    mono->Canvas()->SetPixel(1, 0, clBlack);
    mono->SetMonochrome(true);
    auto onto = MakeBitmap(2, 1, kBack);
    DrawKeyed(*onto->Canvas(), 0, 0, *mono, clBlack);
    EXPECT_EQ(Hex(PixelAt(*onto, 0, 0)), Hex(kBack));
    EXPECT_EQ(Hex(PixelAt(*onto, 1, 0)), Hex(clBlack));
}
