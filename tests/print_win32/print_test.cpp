// Printing to the PDF printer that the test command sets up (CUPS with
// cups-pdf, the default printer "PDF" of Wine), measured on paper with
// pdftoppm.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core_win32/gdi_fixture.h"
#include "host.h"

namespace {

// The default printer, as the library finds it.
HDC OpenDefaultPrinter(const char* title) {
    char device[81] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    char* driver = std::strchr(device, ',');
    if (!driver) return nullptr;
    *driver++ = '\0';
    char* port = std::strchr(driver, ',');
    if (port) *port++ = '\0';
    HDC dc = CreateDCA(driver, device, port, nullptr);
    if (!dc || !title) return dc;
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title;
    if (StartDocA(dc, &doc) < 1 || StartPage(dc) < 1) {
        DeleteDC(dc);
        return nullptr;
    }
    return dc;
}

bool HavePrinter() {
    HDC dc = OpenDefaultPrinter(nullptr);
    if (!dc) return false;
    DeleteDC(dc);
    return HostHasTool("pdftoppm");
}

std::string UniqueTitle(const std::string& what) {
    return "volkg-" + what + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}

// The PDF of a job: by title, or (for the library's untitled jobs) the
// newest one written after the marker; empty when none came within three
// minutes. The job's file is moved into the test's folder.
std::string WaitForPdf(const std::string& title, const std::string& marker) {
    std::string target = TestTempPath((title.empty() ? "untitled-" + std::to_string(GetTickCount()) : title) + ".pdf");
    std::string find = title.empty() ? "ls -t \"$HOME\"/PDF/*.pdf 2>/dev/null | while read f; do [ \"$f\" -nt '" +
                                           marker + "' ] && echo \"$f\" && break; done"
                                     : "ls \"$HOME\"/PDF/" + title + "*.pdf 2>/dev/null | head -1";
    std::string command = "for i in $(seq 360); do f=$(" + find +
                          "); if [ -n \"$f\" ] && tail -c 64 \"$f\" | grep -q EOF; then sleep 1; mv \"$f\" '" + target +
                          "'; exit 0; fi; sleep 0.5; done; exit 1";
    return RunHost(command) == 0 ? target : std::string();
}

struct Gray {
    int width = 0, height = 0;
    std::string pixels;
    int At(int x, int y) const { return static_cast<unsigned char>(pixels[static_cast<size_t>(y) * width + x]); }
};

// Page 1 rendered in grey at a resolution, anti-aliasing off.
Gray RenderGray(const std::string& pdf, int dpi) {
    Gray g;
    std::string out = pdf + "-" + std::to_string(dpi);
    if (RunHost("pdftoppm -r " + std::to_string(dpi) + " -gray -aa no -aaVector no -singlefile -f 1 -l 1 '" + pdf +
                "' '" + out + "'") != 0)
        return g;
    std::string bytes = ReadFileBytes(out + ".pgm");
    std::remove((out + ".pgm").c_str());
    int maxval = 0, consumed = 0;
    if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &g.width, &g.height, &maxval, &consumed) != 3 || maxval != 255)
        return Gray{};
    g.pixels = bytes.substr(consumed + 1);
    if (g.pixels.size() < static_cast<size_t>(g.width) * g.height) return Gray{};
    return g;
}

// The box of dark pixels between two rows of the rendering.
RECT DarkBox(const Gray& g, int fromRow, int toRow) {
    RECT box{g.width, g.height, -1, -1};
    for (int y = fromRow; y < toRow && y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            if (g.At(x, y) < 128) {
                box.left = std::min<LONG>(box.left, x);
                box.right = std::max<LONG>(box.right, x + 1);
                box.top = std::min<LONG>(box.top, y);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

double Millimetres(int pixels, int dpi) { return pixels * 25.4 / dpi; }

void MakeBlack(BitmapRecord* b, int width, int height, int perspective = K_BOTTOM_UP) {
    MakeRecord(
        b, width, height, 24, [](int, int) { return RGB(0, 0, 0); }, K_ORDER_RGB, perspective);
}

COLORREF Stripes(int x, int) { return x < 40 ? RGB(255, 0, 0) : x < 80 ? RGB(0, 255, 0) : RGB(0, 0, 255); }

class Print : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HavePrinter()) GTEST_SKIP() << "no default printer or no pdftoppm (scripts/services start_cups)";
    }
};

// Pictures of known size: 1000 pixels printed at a size in device pixels
// measure that size on paper, through the band painter and through the
// driver; colour pictures keep their colours.
TEST_F(Print, SizesOnPaperAndColours) {
    const std::string title = UniqueTitle("sizes");
    HDC dc = OpenDefaultPrinter(title.c_str());
    ASSERT_NE(dc, nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ASSERT_EQ(dpi, GetDeviceCaps(dc, LOGPIXELSY));
    Record wide, upright, stripes, indexed;
    MakeBlack(&wide, 1000, 500);
    MakeBlack(&upright, 1000, 500, K_TOP_DOWN);
    MakeRecord(&stripes, 120, 60, 24, Stripes, K_ORDER_RGB);
    MakeRecord(&indexed, 120, 60, 8, Stripes);
    // Ext: width given, height from the aspect; Fast: both given.
    ASSERT_EQ(K_PrintBitmapExt(dc, &wide, 150, 150, 1181, 0, 0), dc);
    ASSERT_EQ(K_PrintBitmapFast(dc, &upright, 150, 1000, 945, 709, 0), dc);
    ASSERT_EQ(K_PrintBitmapExt(dc, &stripes, 150, 1900, 600, 300, 0), dc);
    ASSERT_EQ(K_PrintBitmapFast(dc, &indexed, 1000, 1900, 600, 300, 1), K_PRINT_DONE);
    EXPECT_EQ(GetObjectType(dc), 0u) << "the finished job's device context is deleted";

    std::string pdf = WaitForPdf(title, "");
    ASSERT_FALSE(pdf.empty()) << "no PDF for " << title;
    const int render = 508;  // 0.05 mm a pixel
    Gray g = RenderGray(pdf, render);
    ASSERT_GT(g.width, 0);
    const int split = (1000 - 100) * render / dpi, split2 = (1900 - 100) * render / dpi;
    struct Expect {
        RECT box;
        double width, height;
    } boxes[] = {{DarkBox(g, 0, split), Millimetres(1181, dpi), Millimetres(591, dpi)},
                 {DarkBox(g, split, split2), Millimetres(945, dpi), Millimetres(709, dpi)}};
    for (const Expect& e : boxes) {
        EXPECT_NEAR(Millimetres(e.box.right - e.box.left, render), e.width, 0.2);
        EXPECT_NEAR(Millimetres(e.box.bottom - e.box.top, render), e.height, 0.2);
    }

    // Colour: the red, green and blue thirds of both colour pictures.
    std::string out = pdf + "-colour";
    ASSERT_EQ(RunHost("pdftoppm -r 50 -singlefile -f 1 -l 1 '" + pdf + "' '" + out + "'"), 0);
    int w = 0, h = 0;
    std::vector<COLORREF> page = ReadPpm(ReadFileBytes(out + ".ppm"), &w, &h);
    ASSERT_FALSE(page.empty());
    // Where the device's origin lies on paper, from the first picture.
    const double originX = boxes[0].box.left * 50.0 / render - 150 * 50.0 / dpi;
    const double originY = boxes[0].box.top * 50.0 / render - 150 * 50.0 / dpi;
    for (int left : {150, 1000}) {
        SCOPED_TRACE("picture at " + std::to_string(left));
        const int y = static_cast<int>(originY + (1900 + 150) * 50.0 / dpi);
        for (int third = 0; third < 3; ++third) {
            const int x = static_cast<int>(originX + (left + 100 + 200 * third) * 50.0 / dpi);
            ASSERT_TRUE(x >= 0 && x < w && y >= 0 && y < h);
            COLORREF c = page[static_cast<size_t>(y) * w + x], want = Stripes(third * 40, 0);
            // The channel that is full stays full and the others stay empty.
            for (int shift : {0, 8, 16}) {
                int got = (c >> shift) & 255, full = (want >> shift) & 255;
                EXPECT_TRUE(full ? got > 200 : got < 60) << ColorText(c) << " for " << ColorText(want);
            }
        }
    }
    std::remove((out + ".ppm").c_str());
    std::remove(pdf.c_str());
}

// The library's own job on the default printer: fitted to the page.
TEST_F(Print, DefaultPrinterJobFitsThePage) {
    HDC probe = OpenDefaultPrinter(nullptr);
    ASSERT_NE(probe, nullptr);
    const int dpi = GetDeviceCaps(probe, LOGPIXELSX), horz = GetDeviceCaps(probe, HORZRES);
    DeleteDC(probe);
    std::string marker = TestTempPath("print-marker");
    ASSERT_EQ(RunHost("touch '" + marker + "'"), 0);
    Sleep(1100);  // file times in seconds
    Record wide;
    MakeBlack(&wide, 1000, 500);
    ASSERT_EQ(K_PrintBitmapExt(nullptr, &wide, 0, 0, 0, 0, 1), K_PRINT_DONE);
    std::string pdf = WaitForPdf("", marker);
    ASSERT_FALSE(pdf.empty());
    Gray g = RenderGray(pdf, 508);
    ASSERT_GT(g.width, 0);
    RECT box = DarkBox(g, 0, g.height);
    EXPECT_NEAR(Millimetres(box.right - box.left, 508), Millimetres(horz - 1, dpi), 0.2);
    EXPECT_NEAR(Millimetres(box.bottom - box.top, 508), Millimetres((horz - 1) / 2, dpi), 0.2);
    std::remove(pdf.c_str());
}

// K_PrintBitmap chains calls onto one page of one job.
TEST_F(Print, ChainedCallsShareOnePage) {
    std::string marker = TestTempPath("chain-marker");
    ASSERT_EQ(RunHost("touch '" + marker + "'"), 0);
    Sleep(1100);
    Record square;
    MakeBlack(&square, 100, 100);
    HDC first = K_PrintBitmap(&square, 100, 100, 300, 300, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(K_PrintBitmap(&square, 600, 100, 300, 300, 0), first);
    EXPECT_EQ(K_PrintBitmap(&square, 100, 600, 300, 300, 0), first);
    EXPECT_EQ(K_PrintBitmap(&square, 600, 600, 300, 300, 1), K_PRINT_DONE);
    std::string pdf = WaitForPdf("", marker);
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(RunHost("pdfinfo '" + pdf + "' | grep -q '^Pages: *1$'"), 0);
    Gray g = RenderGray(pdf, 100);
    ASSERT_GT(g.width, 0);
    // Four dark squares: each quarter of the area holds one.
    RECT top = DarkBox(g, 0, 500 * 100 / 300), bottom = DarkBox(g, 500 * 100 / 300, 1000 * 100 / 300);
    for (const RECT& row : {top, bottom}) {
        EXPECT_NEAR(row.right - row.left, 800 * 100 / 300, 2);
        EXPECT_NEAR(row.bottom - row.top, 300 * 100 / 300, 2);
    }
    std::remove(pdf.c_str());
}

int KAPI StopAtOnce(int) { return 0; }

// Refusals, a stopped job and the caller's bitmap, without paper: the
// caller's jobs are aborted at the end.
TEST_F(Print, RefusalsStopsAndTheCallersBitmap) {
    HDC dc = OpenDefaultPrinter(UniqueTitle("aborted").c_str());
    ASSERT_NE(dc, nullptr);
    Record thin, upright;
    MakeBlack(&thin, 1000, 1);
    // Pictures of no size are refused; the caller's page stays open.
    EXPECT_EQ(K_PrintBitmapExt(dc, &thin, 10, 10, 1, 0, 0), nullptr);
    EXPECT_EQ(K_PrintBitmapFast(dc, &thin, 10, 10, 0, 100, 0), nullptr);
    EXPECT_EQ(K_PrintBitmapFast(dc, &thin, 10, 10, 100, -5, 0), nullptr);
    EXPECT_NE(GetObjectType(dc), 0u);

    // Fast printing leaves a top-down, red-first bitmap as it was.
    MakeRecord(
        &upright, 37, 11, 24, [](int x, int y) { return RGB(x * 6, y * 20, 128); }, K_ORDER_RGB, K_TOP_DOWN);
    std::vector<unsigned char> before(upright.b.BytesPerLine * 11), after(before.size());
    K_AccessBitmap(&upright);
    for (int y = 0; y < 11; ++y)
        K_GetBitmapRow(&upright, &before[y * upright.b.BytesPerLine], y, upright.b.BytesPerLine);
    K_ReleaseBitmap(&upright);
    EXPECT_EQ(K_PrintBitmapFast(dc, &upright, 10, 10, 370, 110, 0), dc);
    K_AccessBitmap(&upright);
    for (int y = 0; y < 11; ++y)
        K_GetBitmapRow(&upright, &after[y * upright.b.BytesPerLine], y, upright.b.BytesPerLine);
    K_ReleaseBitmap(&upright);
    EXPECT_EQ(before, after);
    EXPECT_EQ(upright.b.ViewPerspective, K_TOP_DOWN);
    EXPECT_EQ(upright.b.ColorOrder, K_ORDER_RGB);
    AbortDoc(dc);
    DeleteDC(dc);

    // A stopped K_PrintBitmap aborts the job of the earlier calls.
    Record square;
    MakeBlack(&square, 10, 10);
    HDC chained = K_PrintBitmap(&square, 10, 10, 100, 100, 0);
    ASSERT_NE(chained, nullptr);
    StatusCallback old = K_SetStatusCallBack(StopAtOnce);
    EXPECT_EQ(K_PrintBitmap(&square, 10, 200, 100, 100, 0), nullptr);
    K_SetStatusCallBack(old);
    EXPECT_EQ(GetObjectType(chained), 0u) << "the job was left open";
}

}  // namespace
