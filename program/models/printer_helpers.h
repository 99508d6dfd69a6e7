// Printing at real size: millimetres to printer pixels, and bitmaps on the
// page in progress.
#pragma once

#include <windows.h>

class TBitmap;

// Round half to even of LOGPIXELSX/Y x mm / 25.4 of the current printer.
POINT MillimetresToPrinter(double wmm, double hmm);
// The same for a device of the given resolution.
POINT MillimetresToDevice(double wmm, double hmm, int dpiX, int dpiY);

// The whole bitmap at 1:1 in printer pixels with its top-left at (x, y).
void PrintBitmapAt(TBitmap& bitmap, int x, int y);
// The source rectangle of the bitmap stretched onto the destination
// rectangle of the page, in the printer canvas's copy mode.
void PrintBitmapRect(TBitmap& bitmap, const RECT& source, const RECT& dest);
// The same onto any device context, with the given raster operation.
void StretchBitmapToDC(HDC dc, TBitmap& bitmap, const RECT& source, const RECT& dest, DWORD rop);

// One job on the current printer: begun by the constructor and ended by End;
// left any other way (an exception), the destructor aborts it, so that a
// failure neither leaves the printer busy nor sends half a page.
class TPrintJob {
public:
    TPrintJob();
    ~TPrintJob();
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;
    void End();
};
