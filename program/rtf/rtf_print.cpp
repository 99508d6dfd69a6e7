// Printing a topic on pages of the default printer.
#include <cmath>

#include "rtf_view.h"

namespace {

int MmToPixels(int mm, int sizeMm, int res) { return sizeMm > 0 ? int(std::lround(double(mm) / sizeMm * res)) : 0; }

struct Margins {
    int left, top, right, bottom;
};

Margins PixelMargins(RtfPrinter& p, const TrtfView& v) {
    return {MmToPixels(v.MarginLeft, p.HorzSizeMm(), p.HorzRes()), MmToPixels(v.MarginTop, p.VertSizeMm(), p.VertRes()),
            MmToPixels(v.MarginRight, p.HorzSizeMm(), p.HorzRes()),
            MmToPixels(v.MarginBottom, p.VertSizeMm(), p.VertRes())};
}

}  // namespace

void TrtfView::PrintTopic() {
    RtfPrinter* printer = host_.Printer();
    if (!printer) return;
    printer->BeginDoc();
    try {
        PrintFrom(PixelMargins(*printer, *this).top);
    } catch (...) {
        printer->EndDoc();
        throw;
    }
    printer->EndDoc();
}

int TrtfView::PrintFrom(int y) {
    RtfPrinter* printer = host_.Printer();
    if (!printer) return y;
    Margins m = PixelMargins(*printer, *this);
    int x = m.left, top = m.top, bottom = printer->PageHeight() - m.bottom;
    int textWidth = printer->PageWidth() - m.left - m.right;
    if (OnNewPage) OnNewPage();
    if (OnPrint) OnPrint(x, y);
    RtfCanvas& canvas = printer->Canvas();
    MeasureAll(canvas);
    LayoutLines(canvas, textWidth);
    for (const TRTFLine& line : lines_) {
        if (y + line.Height() > bottom && y != top) {
            printer->NewPage();
            if (OnNewPage) OnNewPage();
            y = top;
        }
        DrawLine(line, x, y, canvas);
        y += line.Height();
    }
    try {
        if (OnPrinted) OnPrinted(x, y);
    } catch (...) {
        // Errors of the caller's hook do not stop the print.
    }
    Relayout();
    return y;
}
