// The models' pictures to and from the framework's bitmaps and onto device
// contexts: colours with distinct red and blue keep their places on every
// way, and the fourth byte of a 32-bit bitmap is no colour.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "controls/raster_dib_win32.h"
#include "graphics.h"
#include "program_fixture.h"

namespace {

// Three colours with red and blue apart, and white.
const COLORREF kColours[] = {RGB(200, 10, 30), RGB(5, 150, 250), RGB(255, 255, 255), RGB(1, 2, 3)};
const RasterColor kPixels[] = {RasterRGB(200, 10, 30), RasterRGB(5, 150, 250), RasterWhite, RasterRGB(1, 2, 3)};

// A bitmap of the format, 2 x 2, holding kColours row by row.
void MakeBitmap(TBitmap& bitmap, TPixelFormat format) {
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(2, 2);
    for (int y = 0; y < 2; ++y) {
        auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
        ASSERT_NE(row, nullptr);
        const int step = format == pf32bit ? 4 : 3;
        for (int x = 0; x < 2; ++x) {
            const COLORREF c = kColours[2 * y + x];
            row[step * x] = GetBValue(c);
            row[step * x + 1] = GetGValue(c);
            row[step * x + 2] = GetRValue(c);
            if (step == 4) row[step * x + 3] = 0x80;  // alpha, no colour
        }
    }
    bitmap.Changed();
}

}  // namespace

TEST(RasterDib, BitmapsInAndOutKeepRedAndBlue) {
    EnsureFramework();
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap source;
        MakeBitmap(source, format);
        const Raster raster = RasterOfBitmap(source);
        ASSERT_EQ(raster.Width, 2);
        ASSERT_EQ(raster.Height, 2);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(raster.At(i % 2, i / 2), kPixels[i]) << format << " " << i;

        TBitmap back;
        RasterToBitmap(raster, back);
        EXPECT_EQ(back.PixelFormat(), pf24bit);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(back.Canvas()->Pixels(i % 2, i / 2), TColor(kColours[i])) << format << " " << i;
    }
    TBitmap empty;
    EXPECT_TRUE(RasterOfBitmap(empty).Empty());
    RasterToBitmap(Raster(), empty);
    EXPECT_TRUE(empty.Empty());
}

TEST(RasterDib, RectanglesReadOnlyTheirRows) {
    EnsureFramework();
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap source;
        MakeBitmap(source, format);
        // The lower row alone, then a rectangle half outside: white there.
        const Raster lower = RasterOfBitmap(source, 0, 1, 2, 1);
        EXPECT_EQ(lower.Pixels, (std::vector<RasterColor>{kPixels[2], kPixels[3]})) << format;
        const Raster overhang = RasterOfBitmap(source, 1, -1, 2, 3);
        EXPECT_EQ(overhang.Pixels, (std::vector<RasterColor>{RasterWhite, RasterWhite, kPixels[1], RasterWhite,
                                                             kPixels[3], RasterWhite}))
            << format;
        EXPECT_EQ(RasterOfBitmap(source, 0, 0, 2, 2).Pixels, RasterOfBitmap(source).Pixels) << format;
        const Raster outside = RasterOfBitmap(source, 5, 5, 2, 1);
        EXPECT_EQ(outside.Pixels, (std::vector<RasterColor>{RasterWhite, RasterWhite})) << format;
    }
}

TEST(RasterDib, PaintedAsItIsAtItsPlace) {
    EnsureFramework();
    Raster raster(2, 2);
    for (int i = 0; i < 4; ++i) raster.Set(i % 2, i / 2, kPixels[i]);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(5, 4);
    target.Canvas()->Brush()->SetColor(clBlack);
    target.Canvas()->FillRect(RECT{0, 0, 5, 4});
    PaintRaster(target.Canvas()->Handle(), 2, 1, raster);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(target.Canvas()->Pixels(2 + i % 2, 1 + i / 2), TColor(kColours[i])) << i;
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlack);
    EXPECT_EQ(target.Canvas()->Pixels(4, 3), clBlack);
    PaintRaster(target.Canvas()->Handle(), 0, 0, Raster());  // nothing
    EXPECT_EQ(target.Canvas()->Pixels(0, 0), clBlack);
}
