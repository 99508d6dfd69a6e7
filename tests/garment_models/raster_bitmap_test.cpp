// The in-memory pattern bitmap's raster operations, as the GDI ones they
// stand for combine pixels: the steps of painting a piece into the doll.
#include <gtest/gtest.h>

#include "models/raster_bitmap.h"

namespace {

const PatternColour kKey = PatternRGB(200, 10, 10), kFabric = PatternRGB(30, 60, 90);
// The same colours as the raster holds them.
const RasterColor kKeyPixel = RasterRGB(200, 10, 10), kFabricPixel = RasterRGB(30, 60, 90);

TEST(RasterBitmapOps, PieceIntoDollSteps) {
    // A hit map 4 x 1 at x 4..7 of the sheet: key, white, another colour, key.
    RasterBitmap sheet(Raster(8, 1));
    sheet.Image.Set(4, 0, kKeyPixel);
    sheet.Image.Set(6, 0, RasterRGB(1, 2, 3));
    sheet.Image.Set(7, 0, kKeyPixel);
    RasterBitmap shape(Raster(4, 1));
    shape.ShapeOfColour(sheet, 4, 0, kKey);
    EXPECT_EQ(shape.Image.Pixels, (std::vector<RasterColor>{RasterWhite, RasterBlack, RasterBlack, RasterWhite}));
    RasterBitmap fabric(Raster(4, 1, kFabricPixel));
    fabric.MergePaint(shape);  // (NOT shape) OR fabric: fabric inside, white outside
    EXPECT_EQ(fabric.Image.Pixels, (std::vector<RasterColor>{kFabricPixel, RasterWhite, RasterWhite, kFabricPixel}));
    RasterBitmap doll(Raster(4, 1, RasterRGB(5, 5, 5)));
    doll.DrawMasked(fabric);
    EXPECT_EQ(doll.Image.Pixels,
              (std::vector<RasterColor>{kFabricPixel, RasterRGB(5, 5, 5), RasterRGB(5, 5, 5), kFabricPixel}));
    RasterBitmap lit(Raster(4, 1, RasterRGB(0, 0, 0x80)));
    lit.SourcePaint(fabric);  // source OR dest
    EXPECT_EQ(lit.Image.At(1, 0), RasterWhite);
    EXPECT_EQ(lit.Image.At(0, 0), kFabricPixel | RasterRGB(0, 0, 0x80));
    doll.PaintWhereColour(lit, doll, kFabric);  // the reference is the bitmap itself
    EXPECT_EQ(doll.Image.At(0, 0), kFabricPixel | RasterRGB(0, 0, 0x80));
    EXPECT_EQ(doll.Image.At(1, 0), RasterRGB(5, 5, 5));
}

TEST(RasterBitmapOps, PatternColoursKeptInTheRastersOrder) {
    // Pattern colours are 0x00BBGGRR, the raster's pixels those of a 32-bit
    // DIB (0x00RRGGBB): every way in and out turns one into the other.
    static_assert(RasterRGB(1, 2, 3) == 0x010203 && PatternRGB(1, 2, 3) == 0x030201);
    RasterBitmap b(Raster(4, 1));
    b.SetPixel(0, 0, kKey);
    b.SetPenColour(kKey);
    EXPECT_EQ(b.PenColour(), kKey);
    b.MoveTo(1, 0);
    b.LineTo(2, 0);
    b.SetBrushColour(kFabric);
    b.FillRect(2, 0, 3, 1);
    EXPECT_EQ(b.Image.Pixels, (std::vector<RasterColor>{kKeyPixel, kKeyPixel, kFabricPixel, RasterWhite}));
    EXPECT_EQ(b.Pixel(0, 0), kKey);
    EXPECT_EQ(b.Pixel(2, 0), kFabric);
    EXPECT_EQ(b.Pixel(4, 0), RasterNoPixel);
    b.SetBrushClear();
    b.FloodFillToBorder(3, 0, kFabric);  // stops at the fabric pixel
    EXPECT_EQ(b.Image.Pixels, (std::vector<RasterColor>{kKeyPixel, kKeyPixel, kFabricPixel, kFabricPixel}));
}

TEST(RasterBitmapOps, StrokesAndFloodFillToTheBorder) {
    RasterBitmap b(Raster(10, 10));
    b.SetPenColour(PatternBlack);
    b.SetBrushClear();
    b.Rectangle(1, 1, 9, 9);  // outline on 1..8
    b.MoveTo(0, 0);
    b.LineTo(5, 0);  // the end pixel stays
    EXPECT_EQ(b.Pixel(4, 0), PatternBlack);
    EXPECT_EQ(b.Pixel(5, 0), PatternWhite);
    b.SetBrushColour(kFabric);
    b.FloodFillToBorder(4, 4, PatternBlack);
    EXPECT_EQ(b.Pixel(2, 2), kFabric);
    EXPECT_EQ(b.Pixel(8, 8), PatternBlack);
    EXPECT_EQ(b.Pixel(9, 9), PatternWhite);  // outside the border: untouched
    EXPECT_EQ(b.Pixel(10, 0), RasterNoPixel);
    b.SetSize(12, 3);  // keeps what fits, new pixels white
    EXPECT_EQ(b.Pixel(2, 2), kFabric);
    EXPECT_EQ(b.Pixel(11, 1), PatternWhite);
}

}  // namespace
