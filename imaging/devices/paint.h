// Painting bitmap records on device contexts: the one paint routine behind
// K_PaintDC, the transition effects, device-bitmap conversion and printing.
#pragma once

#include "core/display_mode.h"
#include "volkg.h"

// Rows that the caller holds instead of the bitmap's storage: rowCount rows
// of BytesPerLine bytes, the first being storage row firstRow.
struct PaintRows {
    const unsigned char* rows;
    int firstRow;
    int rowCount;
};

// Paints the source rectangle (storage rows; null: the whole bitmap),
// limited to the source clip, into the destination limited to the
// destination clip, with the raster operation. 1 (also when nothing is
// visible), -1 without work memory, -13 when the paint kind does not fit
// the bitmap or the device, or when GDI refuses the rows. With rows, the
// rows come from the caller and the source clip is limited to them.
// The paint kind for a real device, from its depth (GetDeviceCaps).
PaintChoice ChoosePaintKind(HDC dc, const BitmapRecord* bitmap);

int PaintBitmapRect(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip, const RECT* destination,
                    const RECT* destinationClip, DWORD rasterOp, const PaintRows* rows = nullptr);

// value * numerator / denominator rounded half away from zero, as Win32's
// MulDiv does: -1 for a zero denominator or a result beyond 32 bits.
int MulDivRound(int value, int numerator, int denominator);

// Keeps left and top; the width becomes |height| * numerator / denominator,
// or when that is wider than the rectangle, the height becomes
// width * denominator / numerator.
void FitRectToAspect(RECT* rect, int numerator, int denominator);

// The intersection of a and b into out (stored either way); 1 when it is
// not empty, else 0.
int IntersectRects(RECT* out, const RECT* a, const RECT* b);

// Where K_PaintDevice and K_PaintBuffer place a bitmap: DisplayRect minus
// ImageOrigin when DisplayRectValid, else its top-left corner at DisplayRect's
// minus ImageOrigin with the bitmap's size.
RECT PlacementRect(const BitmapRecord* bitmap);
