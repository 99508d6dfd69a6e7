// Drawing bitmaps with one colour left out.
#pragma once

#include <windows.h>

#include "types.h"

class TCanvas;
class TBitmap;

// The colour as a palette-relative RGB (flag 0x02000000).
COLORREF ToPaletteRgb(TColor colour);

// Stretches the source rectangle onto the destination rectangle, leaving out
// every source pixel of the transparent colour. With a palette, it is
// realised in the contexts involved.
void MaskedStretchBlt(HDC destDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY, int srcWidth,
                      int srcHeight, TColor transparentColor, HPALETTE palette);

// Draws a rectangle of the bitmap stretched onto the canvas. A destination
// width or height below 1 means the bitmap's own; a source width or height
// below 1 means the whole bitmap. clNone (0x1FFFFFFF) draws without
// transparency in the canvas's copy mode; clDefault (0x20000000) takes the
// bitmap's bottom-left pixel; monochrome bitmaps leave out white.
void StretchDrawKeyed(TCanvas& canvas, TBitmap& bitmap, TColor transparentColor, int x, int y, int width, int height,
                      int srcX, int srcY, int srcWidth, int srcHeight);
// The whole bitmap at its own size.
void DrawKeyed(TCanvas& canvas, int x, int y, TBitmap& bitmap, TColor transparentColor);
