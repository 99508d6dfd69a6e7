// Printing to Wine's default printer, the CUPS PDF queue: a black
// rectangle placed in millimetres and text at point sizes, measured on the
// rendered page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "host.h"
#include "printers.h"

namespace {

int MmToPixels(double mm, int dpi) { return static_cast<int>(std::lround(mm * dpi / 25.4)); }

struct Box {
    int left = -1, top = -1, right = -1, bottom = -1;
};

// Bounding box of the dark pixels of a binary PGM (within columns [x0, x1)).
Box DarkBox(const std::string& pgm, int& width, int& height, int x0 = 0, int x1 = 1 << 30) {
    std::istringstream in(pgm);
    std::string magic;
    int maxval;
    in >> magic >> width >> height >> maxval;
    in.get();
    size_t start = static_cast<size_t>(in.tellg());
    Box b;
    for (int y = 0; y < height; ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) {
            unsigned char v = static_cast<unsigned char>(pgm[start + static_cast<size_t>(y) * width + x]);
            if (v >= 128) continue;
            if (b.left < 0 || x < b.left) b.left = x;
            if (x > b.right) b.right = x;
            if (b.top < 0) b.top = y;
            b.bottom = y;
        }
    return b;
}

// Waits for the job's PDF in the spooling user's ~/PDF (cups-pdf names it
// after the title) and renders it as a grey PGM at the resolution.
std::string RenderJob(const std::string& title, int dpi) {
    std::string pgm = TestTempPath(title);
    // The job's PDF is waited for until it is whole: on a busy machine the
    // printer writes it for a while after it appears.
    std::string script = "for i in $(seq 150); do f=$(ls -t $HOME/PDF/*" + title + "*.pdf /var/spool/cups-pdf/*/*" +
                         title +
                         "*.pdf 2>/dev/null | head -1); [ -n \"$f\" ] && break; sleep 0.2; done; [ -n \"$f\" ] && for "
                         "i in $(seq 100); do tail -c 32 \"$f\" | grep -q %%EOF && break; sleep 0.3; done && "
                         "pdftoppm -r " +
                         std::to_string(dpi) + " -gray -singlefile \"$f\" " + pgm + " && rm -f \"$f\"";
    if (RunHost(script) != 0) return std::string();
    return ReadFileBytes(pgm + ".pgm");
}

// Height of the capital H of a face as a fraction of its em, measured on
// the screen at a large pixel size.
double CapHeightPerEm(const char* face) {
    LOGFONTA lf{};
    lf.lfHeight = -1000;
    std::strcpy(lf.lfFaceName, face);
    HFONT font = CreateFontIndirectA(&lf);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    GLYPHMETRICS gm{};
    MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    DWORD r = GetGlyphOutlineA(dc, 'H', GGO_METRICS, &gm, 0, nullptr, &identity);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return r == GDI_ERROR ? 0 : gm.gmBlackBoxY / 1000.0;
}

}  // namespace

TEST(Printer, PrintsToTheDefaultPrinterAtItsResolution) {
    TPrinter* p = Printer();
    ASSERT_FALSE(p->Printers().empty()) << "no printer: scripts/test starts CUPS with the PDF queue";
    EXPECT_EQ(p->PrinterName(), "PDF");
    int dpiX = GetDeviceCaps(p->Handle(), LOGPIXELSX), dpiY = GetDeviceCaps(p->Handle(), LOGPIXELSY);
    ASSERT_GT(dpiX, 0);
    EXPECT_GT(p->PageWidth(), MmToPixels(150, dpiX));

    std::string title = "fwprint" + std::to_string(GetCurrentProcessId());
    p->SetTitle(title);
    p->BeginDoc();
    EXPECT_TRUE(p->Printing());
    TCanvas* c = p->Canvas();
    c->Brush()->SetColor(clBlack);
    // 30 x 12 mm at (20 mm, 25 mm) from the printable area's corner.
    int offsetX = GetDeviceCaps(p->Handle(), PHYSICALOFFSETX), offsetY = GetDeviceCaps(p->Handle(), PHYSICALOFFSETY);
    c->FillRect(RECT{MmToPixels(20, dpiX), MmToPixels(25, dpiY), MmToPixels(50, dpiX), MmToPixels(37, dpiY)});
    p->EndDoc();
    EXPECT_FALSE(p->Printing());

    std::string page = RenderJob(title, 100);
    ASSERT_FALSE(page.empty()) << "no PDF from the job";
    int w, h;
    Box box = DarkBox(page, w, h);
    ASSERT_GE(box.left, 0) << "nothing printed";
    // At 100 dpi one pixel is 0.254 mm; the box must sit within half a millimetre.
    auto mm = [](int px) { return px * 25.4 / 100.0; };
    double physX = offsetX * 25.4 / dpiX, physY = offsetY * 25.4 / dpiY;
    EXPECT_NEAR(mm(box.left), 20 + physX, 0.5);
    EXPECT_NEAR(mm(box.top), 25 + physY, 0.5);
    EXPECT_NEAR(mm(box.right + 1 - box.left), 30, 0.5);
    EXPECT_NEAR(mm(box.bottom + 1 - box.top), 12, 0.5);
}

TEST(Printer, NoPageCallsOutsideAJob) {
    EXPECT_THROW(Printer()->NewPage(), EPrinter);
    EXPECT_THROW(Printer()->EndDoc(), EPrinter);
    EXPECT_THROW(Printer()->SetPrinterIndex(1000), EPrinter);
}

// Point sizes on the printer canvas are printer points: a capital H set at
// 10, 20 and 40 pt is as tall on paper as the face's cap height says, and a
// screen font assigned to the canvas keeps its point size.
TEST(Printer, TextPrintsAtItsPointSize) {
    const char* face = "Tahoma";
    double capPerEm = CapHeightPerEm(face);
    ASSERT_GT(capPerEm, 0.5);
    TPrinter* p = Printer();
    int dpi = GetDeviceCaps(p->Handle(), LOGPIXELSX);
    std::string title = "fwtext" + std::to_string(GetCurrentProcessId());
    p->SetTitle(title);
    p->BeginDoc();
    TCanvas* c = p->Canvas();
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetName(face);
    c->Font()->SetColor(clBlack);
    const int sizes[] = {10, 20, 40};
    for (int i = 0; i < 3; ++i) {
        c->Font()->SetSize(sizes[i]);
        c->TextOut(MmToPixels(20 + 40 * i, dpi), MmToPixels(20, dpi), "H");
    }
    TFont screenFont;
    screenFont.SetName(face);
    screenFont.SetSize(30);
    c->Font()->Assign(&screenFont);
    EXPECT_EQ(c->Font()->Size(), 30);
    c->TextOut(MmToPixels(140, dpi), MmToPixels(20, dpi), "H");
    p->EndDoc();

    const int renderDpi = 300;
    std::string page = RenderJob(title, renderDpi);
    ASSERT_FALSE(page.empty()) << "no PDF from the job";
    const int printed[] = {10, 20, 40, 30};
    for (int i = 0; i < 4; ++i) {
        int x0 = MmToPixels(15 + 40 * i, renderDpi), x1 = MmToPixels(15 + 40 * (i + 1), renderDpi), w, h;
        Box box = DarkBox(page, w, h, x0, x1);
        ASSERT_GE(box.top, 0) << printed[i] << " pt: nothing printed";
        double mm = (box.bottom + 1 - box.top) * 25.4 / renderDpi;
        EXPECT_NEAR(mm, capPerEm * printed[i] * 25.4 / 72, 0.2) << printed[i] << " pt";
    }
}
