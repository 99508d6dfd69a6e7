// The models' in-memory pictures and the framework's bitmaps and device
// contexts. A raster holds a top-down 32-bit DIB's pixels: GDI reads and
// paints them as they are, with no change of byte order.
#pragma once

#include <windows.h>

#include "models/raster.h"

class TBitmap;

// The bitmap's pixels (any depth) as a raster; empty for an empty bitmap.
Raster RasterOfBitmap(TBitmap& bitmap);
// The w x h rectangle of the bitmap at (x, y), read without the rows above
// and below it; places outside the bitmap are white.
Raster RasterOfBitmap(TBitmap& bitmap, int x, int y, int w, int h);
// A 24-bit bitmap of the raster's size holding its pixels (for drawing
// that needs a device context of its own: stretching with a key, printing).
void RasterToBitmap(const Raster& raster, TBitmap& bitmap);
// Paints the raster 1:1 with its top-left at (x, y), straight from its pixels.
void PaintRaster(HDC dc, int x, int y, const Raster& raster);
