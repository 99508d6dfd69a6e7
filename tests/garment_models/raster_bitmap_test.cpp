// The in-memory pattern bitmap's raster operations, as the GDI ones they
// stand for combine pixels: the steps of painting a piece into the doll.
#include <gtest/gtest.h>

#include "models/raster_bitmap.h"

namespace {

const PatternColour kKey = PatternRGB(200, 10, 10), kFabric = PatternRGB(30, 60, 90);

TEST(RasterBitmapOps, PieceIntoDollSteps) {
    // A hit map 4 x 1 at x 4..7 of the sheet: key, white, another colour, key.
    RasterBitmap sheet(Raster(8, 1));
    sheet.Image.Set(4, 0, kKey);
    sheet.Image.Set(6, 0, PatternRGB(1, 2, 3));
    sheet.Image.Set(7, 0, kKey);
    RasterBitmap shape(Raster(4, 1));
    shape.ShapeOfColour(sheet, 4, 0, kKey);
    EXPECT_EQ(shape.Image.Pixels, (std::vector<RasterColor>{PatternWhite, PatternBlack, PatternBlack, PatternWhite}));
    RasterBitmap fabric(Raster(4, 1, kFabric));
    fabric.MergePaint(shape);  // (NOT shape) OR fabric: fabric inside, white outside
    EXPECT_EQ(fabric.Image.Pixels, (std::vector<RasterColor>{kFabric, PatternWhite, PatternWhite, kFabric}));
    RasterBitmap doll(Raster(4, 1, PatternRGB(5, 5, 5)));
    doll.DrawMasked(fabric);
    EXPECT_EQ(doll.Image.Pixels,
              (std::vector<RasterColor>{kFabric, PatternRGB(5, 5, 5), PatternRGB(5, 5, 5), kFabric}));
    RasterBitmap lit(Raster(4, 1, PatternRGB(0, 0, 0x80)));
    lit.SourcePaint(fabric);  // source OR dest
    EXPECT_EQ(lit.Image.At(1, 0), PatternWhite);
    EXPECT_EQ(lit.Image.At(0, 0), kFabric | PatternRGB(0, 0, 0x80));
    doll.PaintWhereColour(lit, doll, kFabric);  // the reference is the bitmap itself
    EXPECT_EQ(doll.Image.At(0, 0), kFabric | PatternRGB(0, 0, 0x80));
    EXPECT_EQ(doll.Image.At(1, 0), PatternRGB(5, 5, 5));
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
