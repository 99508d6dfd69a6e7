// The models' in-memory pictures and the framework's bitmaps and device
// contexts: pixels copied in and out, and painted.
#pragma once

#include <windows.h>

#include "models/raster.h"

class TBitmap;

// The bitmap's pixels (any depth) as a raster; empty for an empty bitmap.
Raster RasterOfBitmap(TBitmap& bitmap);
// A 24-bit bitmap of the raster's size holding its pixels.
void RasterToBitmap(const Raster& raster, TBitmap& bitmap);
// Paints the raster 1:1 with its top-left at (x, y).
void PaintRaster(HDC dc, int x, int y, const Raster& raster);
