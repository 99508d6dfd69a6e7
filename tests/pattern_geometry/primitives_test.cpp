#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "memory_canvas.h"
#include "models/pattern_primitives.h"
#include "settings/text_helpers.h"

namespace {

std::unique_ptr<TPrimitiv> Parse(const std::string& line) { return ParsePrimitive(line); }

}  // namespace

TEST(PrimitiveText, EveryKindReadsBackWhatItWrites) {
    const char* lines[] = {
        "LINE(10,10) (20,20)",
        "LINES(-5,0) (7,300)",
        "LINESG(1,2) (3,4)",
        "LINESP(0,0) (0,90)",
        "NIT(0,0) (100,0)",
        "LIP(3,3) (40,50)",
        "ARC(0,0) (10,20) (30,20) (40,0)",
        "ARC2Y(0,0) (40,0)",
        "ARC2X(5,5) (6,6) (7,7)",
        "TEXT(12,30) Front*part",
        "POINTFILL(50,25)",
        "Ellipse(0,0) (40,20)",
        "Ellipse2(0,0) (40,40) (40,20) (0,20) 3",
    };
    for (const char* line : lines) {
        auto p = Parse(line);
        ASSERT_TRUE(p) << line;
        EXPECT_EQ(p->ToText(), line);
        std::unique_ptr<TPrimitiv> copy(p->Clone());
        EXPECT_EQ(copy->ToText(), line);
        EXPECT_EQ(typeid(*copy), typeid(*p)) << line;
    }
}

TEST(PrimitiveText, KeywordsMatchWithoutCaseLongestFirst) {
    struct Case {
        const char* line;
        const std::type_info& type;
    } cases[] = {
        {"linesg(1,2) (3,4)", typeid(TPrimLineSg)},
        {"LineSp(1,2) (3,4)", typeid(TPrimLineSp)},
        {"lines(1,2) (3,4)", typeid(TPrimLineS)},
        {"line(1,2) (3,4)", typeid(TPrimLine)},
        {"ellipse2(0,0) (4,4) (4,2) (0,2) 0", typeid(TPrimEllipse2)},
        {"ELLIPSE(0,0) (4,4)", typeid(TPrimEllipse)},
        {"arc2x(1,1) (2,2)", typeid(TPrimArc2x)},
        {"Arc2y(1,1) (2,2)", typeid(TPrimArc2y)},
        {"arc(1,1) (2,2)", typeid(TPrimArc)},
        {"pointfill(3,4)", typeid(TPrimPointFill)},
        {"nit(0,0) (9,9)", typeid(TPrimNit)},
        {"lip(0,0) (9,9)", typeid(TPrimLip)},
        {"Text(1,1) label", typeid(TPrimText)},
    };
    for (const Case& c : cases) {
        auto p = Parse(c.line);
        ASSERT_TRUE(p) << c.line;
        EXPECT_EQ(typeid(*p), c.type) << c.line;
    }
    // A free text that begins with a keyword is read as that primitive:
    // "ile" is then its point, not a number.
    EXPECT_THROW(Parse("Textile notes"), ConvertError);
    EXPECT_FALSE(Parse("12 a line of notes"));
    EXPECT_FALSE(Parse(""));
}

TEST(PrimitiveText, MalformedNumbersRaiseTheConversionError) {
    for (const char* line : {"LINE(1,2)", "LINE(1,x) (3,4)", "Ellipse2(0,0) (40,40) (40,20) (0,20)",
                             "Ellipse2(0,0) (40,40) (40,20) (0,20) three", "POINTFILL", "ARC(1,2) *(3,4)*"})
        EXPECT_THROW(Parse(line), ConvertError) << line;
    // Words beyond the ones a class reads are ignored; a missing label is empty.
    EXPECT_EQ(Parse("LINE(1,2) (3,4) (5,6)")->ToText(), "LINE(1,2) (3,4)");
    EXPECT_EQ(static_cast<TPrimText*>(Parse("TEXT(1,2)").get())->Label, "");
}

TEST(PrimitiveEditing, SelectionMoveInsertDelete) {
    TPrimLine line(0, 0, 1, 1);  // both ends within the tolerance of (0, 1)
    EXPECT_TRUE(line.SelectNear(0, 1));
    EXPECT_TRUE(line.P1.Selected);
    EXPECT_FALSE(line.P2.Selected);
    EXPECT_EQ(line.ToText(), "LINE*(0,0)* (1,1)");
    EXPECT_FALSE(line.SelectNear(0, 1));  // no change
    EXPECT_TRUE(line.MoveSelected(7, 8));
    EXPECT_EQ(line.ToText(), "LINE*(7,8)* (1,1)");
    std::unique_ptr<TPrimitiv> copy(line.Clone());
    EXPECT_EQ(copy->ToText(), "LINE(7,8) (1,1)");  // copies carry no selection
    EXPECT_FALSE(line.InsertPoint(7, 8));
    EXPECT_FALSE(line.StraightenPoints(3));

    TPrimArc arc(std::vector<TXY>{TXY(0, 0), TXY(10, 0), TXY(11, 0), TXY(40, 0)});
    // The last near point in list order is the one selected.
    EXPECT_TRUE(arc.SelectNear(10, 1));
    EXPECT_FALSE(arc.Points[1].Selected);
    EXPECT_TRUE(arc.Points[2].Selected);
    EXPECT_TRUE(arc.InsertPoint(40, 1));
    EXPECT_EQ(arc.ToText(), "ARC(0,0) (10,0) *(11,0)* (40,1) (40,0)");
    EXPECT_FALSE(arc.InsertPoint(25, 25));
    EXPECT_TRUE(arc.DeletePoint(10, 0));
    EXPECT_EQ(arc.Points.size(), 4u);

    TPrimArc two(std::vector<TXY>{TXY(0, 0), TXY(9, 9)});
    EXPECT_FALSE(two.DeletePoint(0, 0));
    EXPECT_EQ(two.Points.size(), 2u);

    TPrimEllipse2 e(TXY(0, 0), TXY(1, 1), TXY(40, 20), TXY(0, 20), 3);
    EXPECT_TRUE(e.SelectNear(1, 0));
    EXPECT_TRUE(e.P1.Selected);
    EXPECT_FALSE(e.P2.Selected);
}

TEST(PrimitiveEditing, StraightenKeepsTheEndsAndSpacesTheRest) {
    TPrimArc arc(std::vector<TXY>{TXY(0, 0), TXY(5, 9), TXY(1, 1), TXY(7, 7), TXY(40, 10)});
    EXPECT_TRUE(arc.StraightenPoints(0));
    EXPECT_EQ(arc.ToText(), "ARC(0,0) (40,10)");
    EXPECT_TRUE(arc.StraightenPoints(3));
    // 10, 20, 30 across; 2.5 -> 2, 5, 7.5 -> 8 down (half to even).
    EXPECT_EQ(arc.ToText(), "ARC(0,0) (10,2) (20,5) (30,8) (40,10)");
    TPrimArc lone(std::vector<TXY>{TXY(3, 3)});
    EXPECT_FALSE(lone.StraightenPoints(2));
}

TEST(PrimitiveEditing, GeometryOperationsReachEveryPoint) {
    TPrimEllipse2 e(TXY(0, 0), TXY(40, 20), TXY(40, 10), TXY(0, 10), 2);
    EXPECT_EQ(e.Width(), 40);
    EXPECT_EQ(e.Height(), 20);
    e.Offset(1, 2);
    e.SwapXY();
    EXPECT_EQ(e.ToText(), "Ellipse2(2,1) (22,41) (12,41) (12,1) 2");
    e.FlipX(100);
    e.ScaleY(0.5);
    EXPECT_EQ(e.ToText(), "Ellipse2(98,0) (78,20) (88,20) (88,0) 2");  // 0.5 -> 0, 20.5 -> 20

    // a-b runs across: mirror over the horizontal through a.
    TPrimLine line(12, 4, 20, 6);
    std::unique_ptr<TPrimitiv> m(line.Mirrored(TXY(10, 10), TXY(30, 12)));
    EXPECT_EQ(m->ToText(), "LINE(12,16) (20,14)");
    TPrimText text(TXY(12, 4), "Back");
    std::unique_ptr<TPrimitiv> mt(text.Mirrored(TXY(10, 10), TXY(11, 40)));
    EXPECT_EQ(mt->ToText(), "TEXT(8,4) Back");
    TPrimPointFill seed(TXY(5, 5));
    EXPECT_EQ(seed.Mirrored(TXY(0, 0), TXY(1, 1)), nullptr);
    EXPECT_EQ(seed.FillPoint(), &seed.P);
    EXPECT_EQ(line.FillPoint(), nullptr);
    auto ends = line.GetEnds();
    EXPECT_EQ(ends.first, &line.P1);
    EXPECT_EQ(ends.second, &line.P2);
    TPrimArc arc(std::vector<TXY>{TXY(0, 0), TXY(5, 5), TXY(9, 9)});
    EXPECT_EQ(arc.GetEnds().second, &arc.Points[1]);
    EXPECT_EQ(arc.Width(), 1);
}

TEST(ArcCurve, SamplesEightPerSpanUpToTheHundredthPoint) {
    TPrimArc two(std::vector<TXY>{TXY(0, 0), TXY(80, 0)});
    auto path = two.ScreenPath(0, 0, 1, 1);
    ASSERT_EQ(path.size(), 1u + 9u + 1u);  // first point, t = 0, 1/8 .. 1, last point
    for (int i = 0; i <= 8; ++i) EXPECT_EQ(path[1 + i], std::make_pair(10 * i, 0)) << i;

    TPrimArc three(std::vector<TXY>{TXY(0, 0), TXY(16, 32), TXY(32, 0)});
    path = three.ScreenPath(100, 50, 1, 1);
    ASSERT_EQ(path.size(), 1u + 17u + 1u);
    EXPECT_EQ(path[1 + 8], std::make_pair(116, 66));  // t = 1/2: half way up to the control point
    EXPECT_EQ(path.back(), std::make_pair(132, 50));

    std::vector<TXY> many;
    for (int i = 0; i < 150; ++i) many.emplace_back(i, i < 101 ? 0 : 500);
    TPrimArc long_arc(many);
    path = long_arc.ScreenPath(0, 0, 1, 1);
    // Points 101..149 do not shape the curve: every sample stays on y = 0.
    for (size_t i = 0; i + 1 < path.size(); ++i) EXPECT_EQ(path[i].second, 0) << i;
    EXPECT_EQ(path.back(), std::make_pair(149, 500));
}

TEST(ArcCurve, OneOrNoPointDrawsWithoutFault) {
    MemoryBitmap page(20, 20, PatternWhite);
    TPrimArc none(std::vector<TXY>{});
    none.Draw(page, tsContur, false, 0, 0, 1, 1, "");
    EXPECT_EQ(page.Count(PatternWhite), 400);
    TPrimArc one(std::vector<TXY>{TXY(5, 6)});
    EXPECT_EQ(one.ScreenPath(0, 0, 1, 1).size(), 2u);
    one.Draw(page, tsContur, false, 0, 0, 1, 1, "");
    EXPECT_EQ(page.Count(PatternBlack), 1);
    EXPECT_EQ(page.Pixel(5, 6), PatternBlack);
    auto arc = Parse("ARC");
    EXPECT_EQ(arc->ToText(), "ARC");
    arc->Draw(page, tsEdit, false, 0, 0, 1, 1, "");
}

TEST(PrimitiveDrawing, FillModeKeepsOnlyTheClosingStrokes) {
    struct Case {
        const char* line;
        bool inMask;
    } cases[] = {{"LINE(2,5) (30,5)", true},   {"LINES(2,5) (30,5)", false}, {"LINESG(2,5) (30,5)", true},
                 {"LINESP(2,5) (30,5)", true}, {"NIT(2,5) (30,5)", false},   {"LIP(2,5) (30,9)", false},
                 {"ARC2Y(2,5) (30,5)", true}};
    for (const Case& c : cases) {
        MemoryBitmap mask(40, 20, PatternWhite);
        mask.SetPenColour(PatternBlack);
        Parse(c.line)->Draw(mask, tsFill, false, 0, 0, 1, 1, "");
        // Solid from end to end, or absent; nothing below (no dotted copy).
        EXPECT_EQ(mask.Count(PatternBlack, 2, 5, 31, 6), c.inMask ? 29 : 0) << c.line;
        EXPECT_EQ(mask.Count(PatternBlack), c.inMask ? 29 : 0) << c.line;
    }
}

TEST(PrimitiveDrawing, StylesWidthsAndEndPixelsOutsideTheFill) {
    struct Case {
        const char* line;
        bool thick;
        int minDots, maxDots;  // black pixels on the row of a 29-pixel stroke
    } cases[] = {{"LINE(2,5) (30,5)", false, 29, 29},
                 {"LINES(2,5) (30,5)", false, 15, 16},
                 {"LINESG(2,5) (30,5)", false, 20, 26},
                 {"LINESP(2,5) (30,5)", false, 18, 26}};
    for (const Case& c : cases) {
        MemoryBitmap page(40, 20, PatternWhite);
        page.SetPenColour(PatternBlack);
        Parse(c.line)->Draw(page, tsContur, c.thick, 0, 0, 1, 1, "");
        int dots = page.Count(PatternBlack, 0, 5, 40, 6);
        EXPECT_GE(dots, c.minDots) << c.line;
        EXPECT_LE(dots, c.maxDots) << c.line;
        EXPECT_EQ(page.Pixel(2, 5), PatternBlack) << c.line;  // both end pixels always painted
        EXPECT_EQ(page.Pixel(30, 5), PatternBlack) << c.line;
        EXPECT_EQ(page.Style(), PenStyle::Solid) << c.line;  // the pen is solid again
    }
    // Only the solid kinds become 2 wide, and only when thick.
    for (auto [line, width] : {std::pair{"LINE(2,5) (30,5)", 2},
                               {"LINESG(2,5) (30,5)", 1},
                               {"ARC(0,0) (9,9)", 2},
                               {"Ellipse(0,0) (9,9)", 2},
                               {"NIT(0,0) (9,0)", 1}}) {
        MemoryBitmap page(40, 20, PatternWhite);
        Parse(line)->Draw(page, tsContur, true, 0, 0, 1, 1, "");
        EXPECT_EQ(page.PenWidth(), width) << line;
    }
}

TEST(PrimitiveDrawing, EditViewColoursAndMarkers) {
    MemoryBitmap page(60, 40, PatternWhite);
    page.SetBrushColour(PatternWhite);
    auto line = Parse("LINE(10,20) (50,20)");
    line->SelectNear(50, 20);
    line->Draw(page, tsEdit, false, 0, 0, 1, 1, "");
    EXPECT_EQ(page.Pixel(30, 20), PatternSelected);        // blue stroke: a point is selected
    EXPECT_EQ(page.Pixel(50, 18), PatternMarkerSelected);  // red marker around the selected end
    EXPECT_EQ(page.Pixel(10, 18), PatternMarker);
    // The fill seed shows as a cross only in the edit view.
    MemoryBitmap seed(20, 20, PatternWhite);
    TPrimPointFill fill(TXY(10, 10));
    fill.Draw(seed, tsContur, true, 0, 0, 1, 1, "");
    EXPECT_EQ(seed.Count(PatternWhite), 400);
    fill.Draw(seed, tsEdit, false, 0, 0, 1, 1, "");
    EXPECT_EQ(seed.Count(PatternBlack), 9);  // 5 across and 5 down, sharing the centre
    for (int x = 8; x <= 12; ++x) EXPECT_EQ(seed.Pixel(x, 10), PatternBlack);
}

TEST(PrimitiveDrawing, ArrowHeadIsAFifthLongAndATenthWide) {
    MemoryBitmap page(140, 140, PatternWhite);
    page.SetPenColour(PatternBlack);
    Parse("NIT(10,30) (110,30)")->Draw(page, tsContur, false, 0, 0, 1, 1, "");
    // Head lines from (110, 30) towards (90, 25) and (90, 35).
    EXPECT_GE(page.Count(PatternBlack, 90, 24, 110, 30), 16);
    EXPECT_GE(page.Count(PatternBlack, 90, 31, 110, 37), 16);
    EXPECT_EQ(page.Count(PatternBlack, 0, 0, 140, 24), 0);
    EXPECT_EQ(page.Count(PatternBlack, 0, 37, 140, 140), 0);
    MemoryBitmap down(140, 140, PatternWhite);
    down.SetPenColour(PatternBlack);
    Parse("NIT(50,10) (50,110)")->Draw(down, tsContur, false, 0, 0, 1, 1, "");
    EXPECT_GE(down.Count(PatternBlack, 44, 90, 50, 110), 16);
    EXPECT_GE(down.Count(PatternBlack, 51, 90, 57, 110), 16);
    EXPECT_EQ(down.Count(PatternBlack, 0, 0, 44, 140), 0);
}

TEST(PrimitiveDrawing, LabelsOnlyWhenPrinted) {
    MemoryBitmap page(200, 200, PatternWhite);
    auto text = Parse("TEXT(10,20) Front*with_a_pocket");
    text->Draw(page, tsContur, false, 0, 0, 1, 1, "Piece");
    EXPECT_TRUE(page.texts.empty());  // screens never set Thick
    text->Draw(page, tsFill, true, 0, 0, 1, 1, "Piece");
    EXPECT_TRUE(page.texts.empty());
    text->Draw(page, tsContur, true, 5, 5, 2, 2, "Piece");
    ASSERT_EQ(page.texts.size(), 2u);
    EXPECT_EQ(page.texts[0].text, "Front");
    EXPECT_EQ(page.texts[0].x, 25);
    EXPECT_EQ(page.texts[0].y, 45);
    EXPECT_EQ(page.texts[1].text, "with a pocket");
    EXPECT_EQ(page.texts[1].y, 45 + MemoryBitmap::CharHeight);

    page.texts.clear();
    Parse("TEXT(0,0) *")->Draw(page, tsContur, true, 0, 0, 1, 1, "Left sleeve");
    ASSERT_EQ(page.texts.size(), 2u);
    EXPECT_EQ(page.texts[0].text, "Left");
    EXPECT_EQ(page.texts[1].text, "sleeve");
}

TEST(PrimitiveDrawing, StickLineLabelFollowsTheLine) {
    // "stick line" is 10 characters: 60 wide, 10 high, so L = 90.
    struct Case {
        const char* line;
        int textX, textY, escapement;
        bool arrow;
        int arrowX, arrowY;
    } cases[] = {
        {"LINESP(10,10) (110,10)", 10, 10, 0, false, 0, 0},
        {"LINESP(110,110) (10,10)", 10, 10, -450, false, 0, 0},  // ends ordered left to right
        {"LINESP(50,10) (50,60)", 50, 10, -900, false, 0, 0},    // vertical, shorter than L
        {"LINESP(50,10) (50,150)", 50, 65, -900, true, 40, 35},  // m = (10 + 150 - 90) div 2 = 35
        {"LINESP(50,150) (50,10)", 51, 95, 900, true, 51, 95},   // m' = (150 + 10 + 90) div 2 = 125
    };
    for (const Case& c : cases) {
        MemoryBitmap page(200, 200, PatternWhite);
        Parse(c.line)->Draw(page, tsContur, true, 0, 0, 1, 1, "");
        ASSERT_EQ(page.texts.size(), 1u) << c.line;
        EXPECT_EQ(page.texts[0].text, "stick line");
        EXPECT_EQ(page.texts[0].x, c.textX) << c.line;
        EXPECT_EQ(page.texts[0].y, c.textY) << c.line;
        EXPECT_EQ(page.texts[0].escapement, c.escapement) << c.line;
        ASSERT_EQ(page.arrows.size(), c.arrow ? 1u : 0u) << c.line;
        if (c.arrow) {
            EXPECT_EQ(page.arrows[0].x, c.arrowX) << c.line;
            EXPECT_EQ(page.arrows[0].y, c.arrowY) << c.line;
            EXPECT_EQ(page.arrows[0].w, 10);
            EXPECT_EQ(page.arrows[0].h, 30);
        }
    }
}

TEST(PrimitiveDrawing, SeamAllowanceArcIsDottedOutsideTheCut) {
    MemoryBitmap page(80, 80, PatternWhite);
    page.SetPenColour(PatternBlack);
    // The upper half of a circle of radius 20 centred at (40, 40), the
    // allowance 5 units outside it.
    auto arc = Parse("Ellipse2(20,20) (61,61) (61,40) (20,40) 5");
    arc->Draw(page, tsContur, true, 0, 0, 1, 1, "");
    EXPECT_EQ(page.Pixel(40, 20), PatternBlack);  // the cut, top of the circle
    EXPECT_EQ(page.Pixel(40, 60), PatternWhite);  // lower half not drawn
    int allowance = page.Count(PatternBlack, 0, 0, 80, 17);
    EXPECT_GT(allowance, 3);
    EXPECT_LT(allowance, 25);  // dotted: a few dots on the top of the outer arc
    EXPECT_EQ(page.PenWidth(), 2);
    EXPECT_EQ(page.Style(), PenStyle::Solid);
    MemoryBitmap mask(80, 80, PatternWhite);
    arc->Draw(mask, tsFill, false, 0, 0, 1, 1, "");
    EXPECT_EQ(mask.Count(PatternBlack, 0, 0, 80, 17), 0);  // no allowance in the fill mask
}
