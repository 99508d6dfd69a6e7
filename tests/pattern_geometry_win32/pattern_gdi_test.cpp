// The pattern canvas over GDI beside the tests' memory raster, the drum
// control's fabrics, and pieces printed at real size to the PDF printer.
#include <gtest/gtest.h>

#include <sstream>

#include "controls/brush_select_win32.h"
#include "host.h"
#include "memory_canvas.h"
#include "models/pattern_gdi_win32.h"
#include "models/pattern_piece.h"
#include "settings/text_helpers.h"
#include "printers.h"
#include "program_fixture.h"

namespace {

// The same picture in both kinds of bitmap: bands of colours, white and a key.
const PatternColour Key = PatternRGB(0, 255, 0);

void DrawPicture(PatternBitmap& b, int w, int h) {
    b.SetSize(w, h);
    const PatternColour colours[] = {
        Key, PatternWhite, PatternRGB(200, 10, 10), Key, PatternRGB(1, 254, 1), PatternBlack, PatternRGB(10, 20, 250)};
    for (int i = 0; i < 7; ++i) {
        b.SetBrushColour(colours[i]);
        b.FillRect(i * w / 7, 0, (i + 1) * w / 7, h);
    }
    b.SetBrushColour(Key);
    b.FillRect(0, h / 2, w, h / 2 + 3);
}

void ExpectSame(PatternBitmap& gdi, MemoryBitmap& memory, const char* what) {
    ASSERT_EQ(gdi.Width(), memory.Width()) << what;
    ASSERT_EQ(gdi.Height(), memory.Height()) << what;
    for (int y = 0; y < memory.Height(); ++y)
        for (int x = 0; x < memory.Width(); ++x)
            ASSERT_EQ(gdi.Pixel(x, y), memory.Pixel(x, y)) << what << " at " << x << "," << y;
}

struct Scale {
    double x = 1, y = 1;
};

std::unique_ptr<TDetal> Read(const std::string& text, Scale& scale, int material) {
    std::istringstream file(text);
    return std::make_unique<TDetal>(file, material, scale.x, scale.y);
}

}  // namespace

TEST(PatternGdi, RasterOperationsMatchTheMemoryRaster) {
    EnsureFramework();
    const int w = 70, h = 20;
    GdiPatternBitmap gdiA, gdiB, gdiRef;
    MemoryBitmap memA, memB, memRef;
    DrawPicture(gdiRef, w, h);
    DrawPicture(memRef, w, h);
    ExpectSame(gdiRef, memRef, "picture");

    auto fresh = [&](PatternBitmap& b, PatternColour fill) {
        b.SetSize(w, h);
        b.SetBrushColour(fill);
        b.FillRect(0, 0, w, h);
    };
    const PatternColour grey = PatternRGB(128, 128, 128);
    fresh(gdiA, grey), fresh(memA, grey);
    gdiA.ShapeOfColour(gdiRef, 0, 0, Key), memA.ShapeOfColour(memRef, 0, 0, Key);
    ExpectSame(gdiA, memA, "shape of the key");
    gdiA.ShapeOfColour(gdiRef, 30, 5, Key), memA.ShapeOfColour(memRef, 30, 5, Key);
    ExpectSame(gdiA, memA, "shape of the key, offset past the source");

    fresh(gdiB, grey), fresh(memB, grey);
    gdiB.PaintWhereColour(gdiA, gdiRef, Key), memB.PaintWhereColour(memA, memRef, Key);
    ExpectSame(gdiB, memB, "paint where the reference has the key");
    gdiB.SourcePaint(gdiRef), memB.SourcePaint(memRef);
    ExpectSame(gdiB, memB, "source paint");
    gdiB.MergePaint(gdiA), memB.MergePaint(memA);
    ExpectSame(gdiB, memB, "merge paint");
    fresh(gdiB, grey), fresh(memB, grey);
    gdiB.DrawMasked(gdiRef), memB.DrawMasked(memRef);
    ExpectSame(gdiB, memB, "masked draw");
}

TEST(PatternGdi, FillRenderHoldsOnlyFabricAndWhite) {
    EnsureFramework();
    Scale scale{1.5, 1.5};
    auto piece =
        Read("Oval(0,0,81,41)\nEllipse(0,0) (81,41)\nARC(10,20) (40,-10) (70,20)\nPOINTFILL(40,30)\n}\n", scale, 3);
    MemoryFabrics fabrics;
    GdiPatternBitmap bitmap;
    piece->Render(&bitmap, tsFill, &fabrics);
    ASSERT_EQ(bitmap.Width(), 122);
    PatternColour fabric = MemoryFabrics::Colour(3);
    int inside = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            PatternColour m = piece->Mask->Pixel(x, y), p = bitmap.Pixel(x, y);
            ASSERT_TRUE(m == PatternBlack || m == PatternWhite) << x << "," << y;
            ASSERT_EQ(p == fabric, m == PatternBlack) << x << "," << y;
            ASSERT_TRUE(p == fabric || p == PatternWhite) << x << "," << y;
            inside += p == fabric;
        }
    EXPECT_GT(inside, 2000);
    EXPECT_TRUE(piece->HitTest(40, 30));
    EXPECT_FALSE(piece->HitTest(1, 1));
}

TEST(PatternGdi, DrumFillsFromItsAtlases) {
    EnsureFramework();
    TBrushSelect drum(nullptr);
    TImage s(nullptr), m(nullptr);
    // Atlas S: 3 x 2 cells of 10 x 10, cell n in grey level 10 n; atlas M: 4 x 1.
    auto atlasS = MakeBitmap(30, 20, clBlack), atlasM = MakeBitmap(40, 10, clBlack);
    for (int n = 0; n < 6; ++n) {
        atlasS->Canvas()->Brush()->SetColor(RGB(10 * n, 10 * n, 10 * n));
        atlasS->Canvas()->FillRect(RECT{n % 3 * 10, n / 3 * 10, n % 3 * 10 + 10, n / 3 * 10 + 10});
    }
    for (int n = 0; n < 4; ++n) {
        atlasM->Canvas()->Brush()->SetColor(RGB(200, 20 * n, 0));
        atlasM->Canvas()->FillRect(RECT{n * 10, 0, n * 10 + 10, 10});
    }
    s.Picture()->SetGraphic(atlasS.get());
    m.Picture()->SetGraphic(atlasM.get());
    s.SetBounds(0, 0, 10, 10);
    m.SetBounds(0, 0, 10, 10);
    drum.SetBrushsImageS(&s);
    drum.SetBrushsImageM(&m);
    drum.PrepareDrum();
    ASSERT_EQ(drum.Drum().FabricCount(), 10);
    auto target = MakeBitmap(25, 25, clWhite);
    drum.FillWithFabric(*target, 7);  // tiled cell (1, 0) of atlas M
    EXPECT_EQ(Hex(PixelAt(*target, 24, 24)), Hex(RGB(200, 20, 0)));
    drum.FillWithFabric(*target, 4);  // stretched cell (1, 1) of atlas S
    EXPECT_EQ(Hex(PixelAt(*target, 12, 12)), Hex(RGB(40, 40, 40)));
    for (int n : {-1, 10, 254}) {
        drum.FillWithFabric(*target, n);
        EXPECT_EQ(Hex(PixelAt(*target, 3, 3)), Hex(clBlack)) << n;
    }
    drum.ReleaseDrum();
}

namespace {

// The newest PDF of a print job, rendered to a grey PGM at the resolution.
struct Page {
    int width = 0, height = 0;
    std::string pixels;
    bool Dark(int x, int y) const {
        return static_cast<unsigned char>(pixels[static_cast<size_t>(y) * width + x]) < 128;
    }
};

std::vector<Page> PrintedPages(const std::string& title, const std::string& marker, int render) {
    std::string list = TestTempPath(title + ".found");
    std::string find = "for i in $(seq 60); do f=$(find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title +
                       "*.pdf' -newer '" + marker +
                       "' 2>/dev/null | head -1); [ -n \"$f\" ] && sleep 1 && echo \"$f\" > '" + list +
                       "' && exit 0; sleep 0.5; done; exit 1";
    std::vector<Page> pages;
    if (RunHost(find) != 0) return pages;
    std::string pdf = ReadFileBytes(list);
    pdf.erase(pdf.find_last_not_of("\n") + 1);
    std::string prefix = TestTempPath(title + "-page");
    if (RunHost("pdftoppm -r " + std::to_string(render) + " -gray '" + pdf + "' '" + prefix + "'") != 0) return pages;
    for (int n = 1;; ++n) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, "-%d.pgm", n);
        std::string bytes = ReadFileBytes(prefix + suffix);
        if (bytes.empty()) break;
        std::istringstream in(bytes);
        std::string magic;
        Page page;
        int maxval = 0;
        in >> magic >> page.width >> page.height >> maxval;
        in.get();
        page.pixels = bytes.substr(static_cast<size_t>(in.tellg()));
        if (magic != "P5" || page.pixels.size() < static_cast<size_t>(page.width) * page.height) break;
        pages.push_back(std::move(page));
    }
    return pages;
}

struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Extent DarkExtent(const Page& page) {
    Extent e;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (page.Dark(x, y)) {
                e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
            }
    return e;
}

}  // namespace

TEST(PatternGdi, PiecesPrintAtTrueSizeAndTallOnesSplit) {
    EnsureFramework();
    ASSERT_FALSE(Printer()->Printers().empty()) << "no printer: scripts/test starts CUPS with the PDF queue";
    std::string title = "pattern" + std::to_string(GetCurrentProcessId());
    std::string marker = TestTempPath(title + ".start");
    RunHost("touch '" + marker + "'");
    Scale s;
    // A 100 mm square, then a 400 mm strip: taller than any page.
    auto square = Read(
        "Square(0,0,100,100)\nLINE(0,0) (100,0)\nLINE(100,0) (100,100)\nLINE(100,100) (0,100)\n"
        "LINE(0,100) (0,0)\n}\n",
        s, -1);
    auto strip = Read("Strip(0,0,20,400)\nLINE(10,0) (10,400)\n}\n", s, -1);
    Printer()->SetTitle(title);
    Printer()->BeginDoc();
    GdiPatternPrinter printer;
    int x = 0, y = 0, rowBottom = 0;
    square->PrintPiece(printer, x, y, rowBottom, nullptr, 1.0, 1.0);
    strip->PrintPiece(printer, x, y, rowBottom, nullptr, 1.0, 1.0);
    int pageHeight = printer.PageHeight(), dpi = printer.DotsPerInchY();
    Printer()->EndDoc();

    const int render = 300;
    std::vector<Page> pages = PrintedPages(title, marker, render);
    ASSERT_FALSE(pages.empty()) << "no PDF arrived for " << title;
    // The strip fits beside the square but runs past the page's foot: it
    // starts a new page and runs over as many pages as it needs; no page
    // is empty.
    int stripPages = (RoundHalfEven(dpi * (400 / 25.4L)) + pageHeight - 1) / pageHeight;
    EXPECT_EQ(pages.size(), static_cast<size_t>(1 + stripPages));
    for (const Page& page : pages) EXPECT_GE(DarkExtent(page).right, 0) << "an empty page";
    // The square alone on the first page: 100 mm a side (the thick pen
    // adds about one printer pixel).
    Extent e = DarkExtent(pages[0]);
    EXPECT_NEAR((e.right - e.left) * 25.4 / render, 100.0, 0.3);
    EXPECT_NEAR((e.bottom - e.top) * 25.4 / render, 100.0, 0.3);
}
