#include "models/printer_helpers.h"

#include <vector>

#include "bitmap.h"
#include "models/pattern_canvas.h"
#include "settings/text_helpers.h"
#include "printers.h"

TPrintJob::TPrintJob() { Printer()->BeginDoc(); }

TPrintJob::~TPrintJob() { Printer()->Abort(); }

void TPrintJob::End() {
    if (Printer()->Printing()) Printer()->EndDoc();
}

POINT MillimetresToDevice(double wmm, double hmm, int dpiX, int dpiY) {
    PrinterSize size = MillimetresToDots(wmm, hmm, dpiX, dpiY);
    return POINT{size.x, size.y};
}

POINT MillimetresToPrinter(double wmm, double hmm) {
    HDC dc = Printer()->Handle();
    return MillimetresToDevice(wmm, hmm, GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY));
}

void PrintBitmapAt(TBitmap& bitmap, int x, int y) {
    PrintBitmapRect(bitmap, RECT{0, 0, bitmap.Width(), bitmap.Height()},
                    RECT{x, y, x + bitmap.Width(), y + bitmap.Height()});
}

void PrintBitmapRect(TBitmap& bitmap, const RECT& source, const RECT& dest) {
    TCanvas* canvas = Printer()->Canvas();
    StretchBitmapToDC(canvas->Handle(), bitmap, source, dest, canvas->CopyMode());
}

void StretchBitmapToDC(HDC dc, TBitmap& bitmap, const RECT& source, const RECT& dest, DWORD rop) {
    HPALETTE palette = bitmap.Palette();
    HBITMAP handle = bitmap.Handle();
    if (!handle) return;
    BITMAP info{};
    GetObjectA(handle, sizeof info, &info);
    int bits = info.bmBitsPixel * info.bmPlanes;
    if (bits > 8) bits = 24;
    int colours = bits <= 8 ? 1 << bits : 0;

    // Header with colour table, and the pixels; both zero-filled so that a
    // failed fetch prints blank pixels.
    std::vector<unsigned char> header(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD), 0);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(header.data());
    bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi->bmiHeader.biWidth = info.bmWidth;
    bmi->bmiHeader.biHeight = info.bmHeight;
    bmi->bmiHeader.biPlanes = 1;
    bmi->bmiHeader.biBitCount = static_cast<WORD>(bits);
    bmi->bmiHeader.biCompression = BI_RGB;
    size_t stride = ((static_cast<size_t>(info.bmWidth) * bits + 31) / 32) * 4;
    std::vector<unsigned char> pixels(stride * info.bmHeight, 0);

    HDC screen = GetDC(nullptr);
    HPALETTE oldPalette = palette ? SelectPalette(screen, palette, FALSE) : nullptr;
    if (palette) RealizePalette(screen);
    GetDIBits(screen, handle, 0, info.bmHeight, pixels.data(), bmi, DIB_RGB_COLORS);
    if (oldPalette) SelectPalette(screen, oldPalette, FALSE);
    ReleaseDC(nullptr, screen);

    // Bottom-up rows: the source rectangle's lower edge is counted from the bottom.
    int srcHeight = source.bottom - source.top;
    StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.left,
                  info.bmHeight - source.bottom, source.right - source.left, srcHeight, pixels.data(), bmi,
                  DIB_RGB_COLORS, rop);
}
