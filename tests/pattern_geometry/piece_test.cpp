#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "memory_canvas.h"
#include "models/pattern_piece.h"
#include "settings/text_helpers.h"

namespace {

struct Scale {
    double x = 1, y = 1;
};

std::unique_ptr<TDetal> Read(const std::string& text, Scale& scale, int material = -1) {
    std::istringstream file(text);
    return std::make_unique<TDetal>(file, material, scale.x, scale.y);
}

// A closed 100 x 50 outline of solid lines with a fill seed, crossed by a
// dotted line that is no border.
const char* const Box =
    "Box(0,0,100,50)\n"
    "LINE(0,0) (99,0)\n"
    "LINE(99,0) (99,49)\n"
    "LINE(99,49) (0,49)\n"
    "LINE(0,49) (0,0)\n"
    "LINES(0,25) (99,25)\n"
    "POINTFILL(50,10)\n"
    "}\n";

// Every pixel of the bitmap is one of the two colours.
int Others(MemoryBitmap& bitmap, PatternColour a, PatternColour b) {
    return bitmap.Width() * bitmap.Height() - bitmap.Count(a) - bitmap.Count(b);
}

}  // namespace

TEST(PieceReading, HeaderAndBody) {
    Scale s;
    for (const char* header :
         {"Front part(10,20,300,400)", "  \tFront part(10,20,300,400", "Front part(10,20,300,400) \r"}) {
        auto piece = Read(std::string(header) + "\nLINE(1,2) (3,4)\n}\n", s);
        EXPECT_EQ(piece->Name, "Front part") << header;
        EXPECT_EQ(piece->Left, 10);
        EXPECT_EQ(piece->Top, 20);
        EXPECT_EQ(piece->Width, 300);
        EXPECT_EQ(piece->Height, 400);
        ASSERT_EQ(piece->Primitives.size(), 1u);
    }
    std::istringstream file(
        "A(0,0,10,10)\r\n"
        "  linesg(1,2) (3,4)\r\n"
        "\r\n"
        "12 notes on the piece\n"
        "\tellipse2(0,0) (4,4) (4,2) (0,2) 1\n"
        "arc2x(1,1) (2,2)\n"
        "} end of A LINE(0,0) (1,1)\n"
        "B(5,6,7,8)\n"
        "}\n"
        "\n"
        "  \n");
    Scale scale;
    std::vector<std::unique_ptr<TDetal>> pieces;
    while (!TDetal::AtEndOfPieces(file)) pieces.push_back(std::make_unique<TDetal>(file, -1, scale.x, scale.y));
    ASSERT_EQ(pieces.size(), 2u);
    ASSERT_EQ(pieces[0]->Primitives.size(), 3u);
    EXPECT_NE(dynamic_cast<TPrimLineSg*>(pieces[0]->Primitives[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<TPrimEllipse2*>(pieces[0]->Primitives[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TPrimArc2x*>(pieces[0]->Primitives[2].get()), nullptr);
    EXPECT_EQ(pieces[1]->Name, "B");
    EXPECT_EQ(pieces[1]->Height, 8);
    EXPECT_TRUE(pieces[1]->Primitives.empty());
    // The last piece may end at the end of the file, without "}".
    EXPECT_EQ(Read("C(1,1,2,2)\nLINE(0,0) (1,1)", s)->Primitives.size(), 1u);
}

TEST(PieceReading, MalformedHeadersRaiseTheConversionError) {
    Scale s;
    for (const char* text :
         {"Front(10,20,300)\n}\n", "Front\n}\n", "Front(a,2,3,4)\n}\n", "\n\n", "F(1,2,3,4)\nLINE(1,2) (3)\n}\n"})
        EXPECT_THROW(Read(text, s), ConvertError) << text;
}

TEST(PieceReading, DisplayNameDropsOnlyThePrintPrefixes) {
    Scale s;
    struct Case {
        const char* name;
        const char* shown;
    } cases[] = {{"!xSleeve", "Sleeve"}, {"!ySleeve", "Sleeve"}, {"!rCollar", "Collar"},
                 {"!aCuff", "!aCuff"},   {"!X", "!X"},           {"!", "!"},
                 {"Back", "Back"}};
    for (const Case& c : cases) EXPECT_EQ(TDetal(c.name, 0, 0, 1, 1, -1, s.x, s.y).DisplayName(), c.shown);
}

TEST(PieceMaterial, StoredAsAnUnsignedByte) {
    EXPECT_EQ(MaterialFromStored(255), -1);
    EXPECT_EQ(MaterialFromStored(200), 200);  // above 127 stays a fabric
    EXPECT_EQ(MaterialFromStored(0), 0);
    EXPECT_EQ(StoredMaterial(-1), 255);
    EXPECT_EQ(StoredMaterial(200), 200);
    EXPECT_EQ(StoredMaterial(254), 254);
    EXPECT_EQ(StoredMaterial(255), 255);
    EXPECT_EQ(StoredMaterial(1000), 255);
    for (int n = -1; n < 255; ++n) EXPECT_EQ(MaterialFromStored(StoredMaterial(n)), n);
}

TEST(PieceRender, SizesFollowTheModelScale) {
    Scale scale;
    auto piece = Read(Box, scale, 3);
    MemoryFabrics fabrics;
    for (TTypeShow mode : {tsEdit, tsContur, tsFill}) {
        MemoryBitmap bitmap;
        piece->Render(&bitmap, mode, &fabrics);
        EXPECT_EQ(bitmap.Width(), 100);
        EXPECT_EQ(bitmap.Height(), 50);
        EXPECT_EQ(piece->Mask->Width(), 100);
        EXPECT_EQ(bitmap.fontPoints, 8);
    }
    scale.x = 2;
    scale.y = 0.5;
    MemoryBitmap bitmap;
    piece->Render(&bitmap, tsContur, &fabrics);
    EXPECT_EQ(bitmap.Width(), 200);
    EXPECT_EQ(bitmap.Height(), 25);
    piece->Render(nullptr, tsUnVisible, nullptr);
    EXPECT_EQ(piece->Mask->Width(), 0);
    EXPECT_FALSE(piece->HitTest(50, 10));
    // A broken size stays within bounds.
    Scale s;
    TDetal wide("W", 0, 0, 2000000000, -5, -1, s.x, s.y);
    wide.Render(&bitmap, tsContur, nullptr);
    EXPECT_EQ(bitmap.Width(), MaxPiecePixels);
    EXPECT_EQ(bitmap.Height(), 0);
}

TEST(PieceRender, EditAndContourViews) {
    Scale scale;
    auto piece = Read(Box, scale, 3);
    MemoryBitmap edit;
    piece->Render(&edit, tsEdit, nullptr);
    EXPECT_EQ(edit.Pixel(50, 0), PatternBlack);   // the outline over the grey frame
    EXPECT_EQ(edit.Pixel(50, 40), PatternWhite);  // paper
    EXPECT_EQ(edit.Pixel(50, 25), PatternBlack);  // the dotted line starts on a dot
    EXPECT_EQ(edit.Pixel(51, 25), PatternWhite);
    EXPECT_EQ(edit.Count(PatternBlack, 48, 10, 53, 11), 5);  // the seed's cross
    MemoryBitmap contour;
    piece->Render(&contour, tsContur, nullptr);
    EXPECT_EQ(contour.Count(PatternBlack, 45, 5, 56, 16), 0);  // no cross outside the edit view
    EXPECT_EQ(Others(contour, PatternBlack, PatternWhite), 0);
}

TEST(PieceRender, FillHoldsOnlyFabricInsideAndWhiteOutside) {
    Scale scale;
    MemoryFabrics fabrics;
    struct Case {
        const char* text;
        int insideX, insideY, outsideX, outsideY;
    } cases[] = {
        {Box, 50, 40, -1, -1},
        // An ellipse with its seed at the centre.
        {"Oval(0,0,81,41)\nEllipse(0,0) (81,41)\nPOINTFILL(40,20)\n}\n", 40, 20, 2, 2},
        // A Bezier arch closed by a straight hem.
        {"Arch(0,0,101,60)\nARC(0,55) (50,-45) (100,55)\nLINE(0,55) (100,55)\nPOINTFILL(50,40)\n}\n", 50, 10, 5, 5},
        // A half disc cut by an elliptic arc and its chord.
        {"Half(0,0,61,61)\nEllipse2(0,0) (61,61) (61,30) (0,30) 4\nLINE(0,30) (60,30)\nPOINTFILL(30,15)\n}\n", 30, 3,
         30, 50},
    };
    for (const Case& c : cases) {
        auto piece = Read(c.text, scale, 7);
        MemoryBitmap bitmap;
        piece->Render(&bitmap, tsFill, &fabrics);
        PatternColour fabric = MemoryFabrics::Colour(7);
        MemoryBitmap& mask = static_cast<MemoryBitmap&>(*piece->Mask);
        EXPECT_EQ(Others(mask, PatternBlack, PatternWhite), 0) << c.text;
        EXPECT_EQ(Others(bitmap, fabric, PatternWhite), 0) << c.text;
        // Fabric exactly where the mask is black.
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                ASSERT_EQ(bitmap.Pixel(x, y) == fabric, mask.Pixel(x, y) == PatternBlack) << c.text << x << "," << y;
        EXPECT_EQ(bitmap.Pixel(c.insideX, c.insideY), fabric) << c.text;
        EXPECT_TRUE(piece->HitTest(c.insideX, c.insideY)) << c.text;
        if (c.outsideX >= 0) {
            EXPECT_EQ(bitmap.Pixel(c.outsideX, c.outsideY), PatternWhite) << c.text;
            EXPECT_FALSE(piece->HitTest(c.outsideX, c.outsideY)) << c.text;
        }
        EXPECT_FALSE(piece->HitTest(-1, 0));
        EXPECT_FALSE(piece->HitTest(piece->Width, 0));
    }
    // The box is filled whole: both halves of the dotted line's crossing.
    auto box = Read(Box, scale, 7);
    MemoryBitmap bitmap;
    box->Render(&bitmap, tsFill, &fabrics);
    EXPECT_EQ(bitmap.Count(MemoryFabrics::Colour(7)), 100 * 50);
    // No fabric: black inside.
    box->SetMaterial(-1);
    box->Render(&bitmap, tsFill, &fabrics);
    EXPECT_EQ(bitmap.Count(PatternBlack), 100 * 50);
}

TEST(PieceRender, HitTestFollowsThePlaceAndTheScale) {
    Scale scale{2, 2};
    auto piece = Read(
        "P(100,200,50,20)\nLINE(0,0) (49,0)\nLINE(49,0) (49,9)\nLINE(49,9) (0,9)\nLINE(0,9) (0,0)\n"
        "POINTFILL(10,5)\n}\n",
        scale, 1);
    MemoryFabrics fabrics;
    MemoryBitmap bitmap;
    piece->Render(&bitmap, tsFill, &fabrics);
    EXPECT_EQ(piece->ScreenLeft(), 200);
    EXPECT_EQ(piece->ScreenTop(), 400);
    EXPECT_TRUE(piece->HitTest(110, 205));
    EXPECT_FALSE(piece->HitTest(110, 215));  // below the outline, inside the header's box
    EXPECT_FALSE(piece->HitTest(99, 205));
    EXPECT_FALSE(piece->HitTest(150, 205));
}

TEST(PieceDoll, FabricLandsOnlyOnTheKeyColour) {
    const int w = 20, h = 10, xOffset = 0;
    const PatternColour key = PatternRGB(10, 200, 10), other = PatternRGB(200, 10, 10), noGroup = PatternRGB(1, 2, 3),
                        grey = PatternRGB(128, 128, 128);
    // The sheet: quarter 0 carries the legend, the hit map starts at x = w.
    MemoryBitmap sheet(4 * w, h, PatternWhite);
    sheet.SetPixel(0, 2, noGroup);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) sheet.SetPixel(w + x, y, x < 8 ? key : x < 12 ? PatternWhite : other);
    Scale s;
    TDetal piece("P", 0, 0, 10, 10, 5, s.x, s.y);
    MemoryFabrics fabrics;
    MemoryBitmap doll(w, h, grey);
    piece.PaintIntoDoll(sheet, xOffset, w, h, doll, key, fabrics);
    EXPECT_EQ(doll.Count(MemoryFabrics::Colour(5), 0, 0, 8, h), 8 * h);
    // White in the hit map is no part of the piece.
    EXPECT_EQ(doll.Count(grey, 8, 0, w, h), (w - 8) * h);

    MemoryBitmap untouched(w, h, grey);
    piece.PaintIntoDoll(sheet, xOffset, w, h, untouched, noGroup, fabrics);
    EXPECT_EQ(untouched.Count(grey), w * h);
}

namespace {

// Extent of the black pixels of a page.
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

Extent BlackExtent(MemoryBitmap& page) {
    Extent e;
    for (int y = 0; y < page.Height(); ++y) {
        const PatternColour* row = page.Row(y);
        for (int x = 0; x < page.Width(); ++x)
            if (row[x] == PatternBlack) {
                e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
                ++e.count;
            }
    }
    return e;
}

// A square frame of 100 model units with a label.
const char* const Square =
    "Square(0,0,100,100)\nLINE(0,0) (100,0)\nLINE(100,0) (100,100)\nLINE(100,100) (0,100)\nLINE(0,100) (0,0)\n"
    "TEXT(10,10) *\n}\n";

}  // namespace

TEST(PiecePrint, EdgesMeasureTrueSize) {
    // A4 at the printer's resolutions, both orientations (at 600 dpi a page
    // just large enough, to keep the test quick); 1 mm per unit.
    struct Case {
        int width, height, dpi;
    } cases[] = {{2479, 3508, 300}, {3508, 2479, 300}, {2500, 2500, 600}, {595, 842, 72}, {1275, 1650, 150}};
    for (const Case& c : cases) {
        Scale s;
        auto piece = Read(Square, s);
        MemoryPrinter printer(c.width, c.height, c.dpi);
        int x = 0, y = 0, rowBottom = 0;
        piece->PrintPiece(printer, x, y, rowBottom, nullptr, 1.0, 1.0);
        ASSERT_EQ(printer.pages.size(), 1u);
        Extent e = BlackExtent(*printer.pages[0]);
        // The edge runs from the first to the last painted pixel: its
        // length in device pixels is right - left.
        double widthMm = (e.right - e.left) * 25.4 / c.dpi, heightMm = (e.bottom - e.top) * 25.4 / c.dpi;
        EXPECT_NEAR(widthMm, 100.0, 0.3) << c.dpi;
        EXPECT_NEAR(heightMm, 100.0, 0.3) << c.dpi;
        EXPECT_EQ(e.left, 0);
        EXPECT_EQ(x, e.right);
        EXPECT_EQ(rowBottom, e.bottom);
        // The label sits at (10, 10) units with the piece's name.
        ASSERT_EQ(printer.pages[0]->texts.size(), 1u);
        EXPECT_EQ(printer.pages[0]->texts[0].text, "Square");
        EXPECT_EQ(printer.pages[0]->texts[0].x, RoundHalfEven(10 * c.dpi / 25.4L));
    }
}

TEST(PiecePrint, NamePrefixesPickTheFactors) {
    // 100 x 50 units at 1 mm a unit across and 0.5 mm down.
    struct Case {
        const char* name;
        int wmm, hmm;
    } cases[] = {
        {"Plain", 100, 25}, {"!rTurned", 50, 50}, {"!xAcross", 100, 50}, {"!yDown", 50, 25}, {"!zOther", 100, 25}};
    for (const Case& c : cases) {
        Scale s;
        TDetal piece(c.name, 0, 0, 100, 50, -1, s.x, s.y);
        int wmm = 0, hmm = 0;
        piece.PrintedMillimetres(1.0, 0.5, wmm, hmm);
        EXPECT_EQ(wmm, c.wmm) << c.name;
        EXPECT_EQ(hmm, c.hmm) << c.name;
    }
}

TEST(PiecePrint, RowsAndPages) {
    // A page 200 mm wide at 254 dpi (10 dots a millimetre), 250 mm high.
    Scale s;
    MemoryPrinter printer(2000, 2500, 254);
    MemoryStatus status;
    int x = 0, y = 0, rowBottom = 0;
    TDetal a("a", 0, 0, 80, 60, -1, s.x, s.y), b("b", 0, 0, 80, 90, -1, s.x, s.y), c("c", 0, 0, 80, 40, -1, s.x, s.y);
    a.PrintPiece(printer, x, y, rowBottom, &status, 1, 1);
    EXPECT_EQ(x, 800);
    b.PrintPiece(printer, x, y, rowBottom, &status, 1, 1);
    EXPECT_EQ(x, 1600);
    EXPECT_EQ(rowBottom, 900);
    c.PrintPiece(printer, x, y, rowBottom, &status, 1, 1);  // no room beside them: a new row
    EXPECT_EQ(y, 900);
    EXPECT_EQ(x, 800);
    EXPECT_EQ(rowBottom, 1300);
    // 130 mm more would pass the page's foot: a new page.
    TDetal d("d", 0, 0, 150, 130, -1, s.x, s.y);
    d.PrintPiece(printer, x, y, rowBottom, &status, 1, 1);
    EXPECT_EQ(printer.pages.size(), 2u);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(x, 1500);
    EXPECT_EQ(rowBottom, 1300);
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Print page 1", "Prepare page 2"}));
}

TEST(PiecePrint, PieceTallerThanAPageIsSplitWithoutAnEmptyPage) {
    // A vertical edge of 400 mm on A4 at 150 dpi (1754 dots high).
    const int pageW = 1240, pageH = 1754, dpi = 150;
    const char* tall = "Tall(0,0,50,400)\nLINE(10,0) (10,400)\n}\n";
    const char* small = "Small(0,0,50,50)\nLINE(0,10) (50,10)\n}\n";
    for (bool smallFirst : {false, true}) {
        Scale s;
        MemoryPrinter printer(pageW, pageH, dpi);
        int x = 0, y = 0, rowBottom = 0;
        if (smallFirst) Read(small, s)->PrintPiece(printer, x, y, rowBottom, nullptr, 1, 1);
        Read(tall, s)->PrintPiece(printer, x, y, rowBottom, nullptr, 1, 1);
        const size_t first = smallFirst ? 1 : 0;
        ASSERT_EQ(printer.pages.size(), first + 2) << smallFirst;
        int painted = 0;
        for (auto& page : printer.pages) {
            Extent e = BlackExtent(*page);
            EXPECT_GT(e.count, 0) << "an empty page";
        }
        Extent top = BlackExtent(*printer.pages[first]), rest = BlackExtent(*printer.pages[first + 1]);
        EXPECT_EQ(top.top, 0);
        EXPECT_EQ(top.bottom, pageH - 1);
        EXPECT_EQ(rest.top, 0);
        painted = (top.bottom - top.top + 1) + (rest.bottom - rest.top + 1);
        int ph = RoundHalfEven(dpi * (400 / 25.4L));
        EXPECT_EQ(painted, ph + 1);  // both end pixels of the edge
        EXPECT_EQ(rowBottom, ph - pageH);
        EXPECT_EQ(y, 0);
        // The next piece goes beside the piece's foot on the last page.
        Read(small, s)->PrintPiece(printer, x, y, rowBottom, nullptr, 1, 1);
        EXPECT_EQ(printer.pages.size(), first + 2);
    }
}

TEST(PiecePrint, PieceWithoutExtentPrintsNothing) {
    for (auto [w, h] : {std::pair{0, 50}, {50, 0}, {-10, 50}}) {
        Scale s;
        TDetal piece("Flat", 0, 0, w, h, -1, s.x, s.y);
        piece.Primitives.push_back(std::make_unique<TPrimLine>(0, 0, 10, 10));
        MemoryPrinter printer(1000, 1000, 300);
        int x = 40, y = 50, rowBottom = 60;
        piece.PrintPiece(printer, x, y, rowBottom, nullptr, 1, 1);
        EXPECT_EQ(x, 40);
        EXPECT_EQ(y, 50);
        EXPECT_EQ(rowBottom, 60);
        EXPECT_EQ(printer.pages.size(), 1u);
        EXPECT_EQ(printer.pages[0]->Count(PatternWhite), 1000 * 1000);
    }
}
