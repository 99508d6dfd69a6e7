// Printing to Wine's default printer, the CUPS PDF queue: a black
// rectangle placed in millimetres, measured on the rendered page.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "host.h"
#include "printers.h"

namespace {

int MmToPixels(double mm, int dpi) { return static_cast<int>(std::lround(mm * dpi / 25.4)); }

struct Box {
  int left = -1, top = -1, right = -1, bottom = -1;
};

// Bounding box of the dark pixels of a binary PGM.
Box DarkBox(const std::string& pgm, int& width, int& height) {
  std::istringstream in(pgm);
  std::string magic;
  int maxval;
  in >> magic >> width >> height >> maxval;
  in.get();
  size_t start = static_cast<size_t>(in.tellg());
  Box b;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char v = static_cast<unsigned char>(pgm[start + static_cast<size_t>(y) * width + x]);
      if (v >= 128) continue;
      if (b.left < 0 || x < b.left) b.left = x;
      if (x > b.right) b.right = x;
      if (b.top < 0) b.top = y;
      b.bottom = y;
    }
  return b;
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

  // The PDF lands in the spooling user's ~/PDF (cups-pdf names it after the title).
  std::string pgm = TestTempPath(title);
  std::string script =
      "for i in $(seq 150); do f=$(ls -t $HOME/PDF/*" + title + "*.pdf /var/spool/cups-pdf/*/*" + title +
      "*.pdf 2>/dev/null | head -1); [ -n \"$f\" ] && break; sleep 0.2; done; [ -n \"$f\" ] && sleep 0.5 && "
      "pdftoppm -r 100 -gray -singlefile \"$f\" " + pgm + " && rm -f \"$f\"";
  ASSERT_EQ(RunHost(script), 0) << "no PDF from the job";
  int w, h;
  Box box = DarkBox(ReadFileBytes(pgm + ".pgm"), w, h);
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
