// The models' in-memory pictures and the framework's bitmaps and device
// contexts. A raster holds a top-down 32-bit DIB's pixels: GDI reads and
// paints them as they are, with no change of byte order.
#pragma once

#include <windows.h>

#include "models/raster.h"

class TBitmap;

// The bitmap's pixels (any depth) as a raster; empty for an empty bitmap.
Raster RasterOfBitmap(TBitmap& bitmap);
// A 24-bit bitmap of the raster's size holding its pixels (for drawing
// that needs a device context of its own: stretching with a key, printing).
void RasterToBitmap(const Raster& raster, TBitmap& bitmap);
// Paints the raster 1:1 with its top-left at (x, y), straight from its pixels.
void PaintRaster(HDC dc, int x, int y, const Raster& raster);
