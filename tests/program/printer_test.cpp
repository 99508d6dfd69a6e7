// Printing at real size: a bitmap stretched to a size in millimetres and one
// at 1:1, printed to the PDF printer and measured on the rendered page.
#include <gtest/gtest.h>

#include <sstream>

#include "host.h"
#include "models/printer_helpers.h"
#include "printers.h"
#include "program_fixture.h"

namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// Bounding boxes of the dark pixels above and below a row of a binary PGM.
bool DarkBoxes(const std::string& pgm, int splitRow, Box& upper, Box& lower) {
    std::istringstream in(pgm);
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    if (magic != "P5" || width <= 0 || height <= 0) return false;
    size_t start = static_cast<size_t>(in.tellg());
    if (pgm.size() < start + static_cast<size_t>(width) * height) return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (static_cast<unsigned char>(pgm[start + static_cast<size_t>(y) * width + x]) >= 128) continue;
            Box& b = y < splitRow ? upper : lower;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    return true;
}

double Mm(int pixels, int dpi) { return pixels * 25.4 / dpi; }

}  // namespace

TEST(PrinterHelpers, MillimetresToDevicePixels) {
    POINT p = MillimetresToDevice(25.4, 1, 600, 600);
    EXPECT_EQ(p.x, 600);
    EXPECT_EQ(p.y, 24);
    EXPECT_EQ(MillimetresToDevice(210, 297, 300, 300).x, 2480);  // 2480.31
    EXPECT_EQ(MillimetresToDevice(210, 297, 300, 300).y, 3508);  // 3507.87
}

TEST(PrinterHelpers, PrintedSizesOnThePage) {
    EnsureFramework();
    ASSERT_FALSE(Printer()->Printers().empty()) << "no printer: scripts/test starts CUPS with the PDF queue";
    int dpiX = GetDeviceCaps(Printer()->Handle(), LOGPIXELSX), dpiY = GetDeviceCaps(Printer()->Handle(), LOGPIXELSY);
    POINT size = MillimetresToPrinter(50, 20);
    EXPECT_EQ(size.x, MillimetresToDevice(50, 20, dpiX, dpiY).x);

    std::string title = "volkgprint" + std::to_string(GetCurrentProcessId());
    std::string marker = TestTempPath(title + ".start");
    RunHost("touch '" + marker + "'");
    auto black = MakeBitmap(4, 2, clBlack);
    auto oneToOne = MakeBitmap(dpiX, dpiY / 2, clBlack);  // 25.4 x 12.7 mm
    Printer()->SetTitle(title);
    Printer()->BeginDoc();
    PrintBitmapRect(*black, RECT{0, 0, 4, 2}, RECT{dpiX, dpiY, dpiX + size.x, dpiY + size.y});
    PrintBitmapAt(*oneToOne, dpiX, 4 * dpiY);
    Printer()->EndDoc();

    // The PDF printer drops each job as a file in the user's PDF folder.
    std::string list = TestTempPath(title + ".found");
    std::string find = "for i in $(seq 60); do f=$(find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title +
                       "*.pdf' -newer '" + marker +
                       "' 2>/dev/null | head -1); [ -n \"$f\" ] && sleep 1 && echo \"$f\" > '" + list +
                       "' && exit 0; sleep 0.5; done; exit 1";
    ASSERT_EQ(RunHost(find), 0) << "no PDF arrived for " << title;
    std::string pdf = ReadFileBytes(list);
    pdf.erase(pdf.find_last_not_of("\n") + 1);
    const int render = 300;
    std::string pgm = TestTempPath(title);
    ASSERT_EQ(RunHost("pdftoppm -r " + std::to_string(render) + " -gray -singlefile '" + pdf + "' '" + pgm + "'"), 0);
    Box upper, lower;
    ASSERT_TRUE(DarkBoxes(ReadFileBytes(pgm + ".pgm"), 3 * render, upper, lower));
    ASSERT_GE(upper.right, 0);
    ASSERT_GE(lower.right, 0);
    EXPECT_NEAR(Mm(upper.right - upper.left + 1, render), 50.0, 0.5);
    EXPECT_NEAR(Mm(upper.bottom - upper.top + 1, render), 20.0, 0.5);
    EXPECT_NEAR(Mm(lower.right - lower.left + 1, render), 25.4, 0.5);
    EXPECT_NEAR(Mm(lower.bottom - lower.top + 1, render), 12.7, 0.5);
    // Both start one inch into the printable area, three inches apart.
    EXPECT_NEAR(Mm(lower.left - upper.left, render), 0.0, 0.5);
    EXPECT_NEAR(Mm(lower.top - upper.top, render), 76.2, 0.5);
}
