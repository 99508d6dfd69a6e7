#include <gtest/gtest.h>

#include "models/pattern_colours.h"
#include "models/txy.h"
#include "program_fixture.h"

TEST(TXYDraw, MarkersAtTheScaledPointInTheSelectionColour) {
    EnsureFramework();
    auto page = MakeBitmap(40, 40, clWhite);
    TCanvas* canvas = page->Canvas();
    TXY p(10, 20);  // (5, 10) at half scale, plus the origin (10, 5)
    p.DrawMarker(*canvas, 10, 5, 0.5, 0.5);
    // A 4 x 4 ellipse from (13, 13): black outline, white around it.
    int marked = 0;
    for (int y = 10; y <= 20; ++y)
        for (int x = 10; x <= 20; ++x) {
            TColor c = PixelAt(*page, x, y);
            if (c == clWhite) continue;
            ++marked;
            EXPECT_TRUE(x >= 13 && x <= 16 && y >= 13 && y <= 16) << x << "," << y;
        }
    EXPECT_EQ(Hex(PixelAt(*page, 14, 13)), Hex(clBlack));
    EXPECT_EQ(Hex(PixelAt(*page, 13, 14)), Hex(clBlack));
    EXPECT_GE(marked, 8);

    p.Selected = true;
    p.DrawCross(*canvas, 20, 20, 0.5, 0.5);  // centre (25, 30)
    for (int x = 23; x <= 27; ++x) EXPECT_EQ(Hex(PixelAt(*page, x, 30)), Hex(MarkerSelectedColour)) << x;
    for (int y = 28; y <= 32; ++y) EXPECT_EQ(Hex(PixelAt(*page, 25, y)), Hex(MarkerSelectedColour)) << y;
    EXPECT_EQ(Hex(PixelAt(*page, 28, 30)), Hex(clWhite));
    EXPECT_EQ(Hex(PixelAt(*page, 25, 33)), Hex(clWhite));

    SelectPenColour(*canvas, true);
    EXPECT_EQ(canvas->Pen()->Color(), RGB(0, 0, 255));
    SetLineWidth(*canvas, true, false);
    EXPECT_EQ(canvas->Pen()->Width(), 1);
    SetLineWidth(*canvas, true, true);
    EXPECT_EQ(canvas->Pen()->Width(), 2);
}
