// Colour tables as the files store them, grey ramps and palette tests.
#pragma once

#include <cstdint>

#include "core/palette.h"  // FillGreyRamp, IsGreyTable, IsGreyRamp
#include "volkg.h"

// How a file lays out its colour entries.
enum class ColorBytes {
    RGB,        // red, green, blue (GIF, PCX, TGA-less formats)
    BGR,        // blue, green, red (OS/2 1.x BMP, TGA colour maps)
    BGRX,       // blue, green, red, reserved (Windows BMP, DIB)
    RGBPlanar,  // all reds, then all greens, then all blues (Photoshop)
};
// Bytes one table of count entries takes.
inline int ColorTableBytes(ColorBytes layout, int count) { return count * (layout == ColorBytes::BGRX ? 4 : 3); }

// Table entries from file bytes, and back (the reserved byte written 0).
void ColorsFromBytes(RGBQUAD* table, const uint8_t* bytes, int count, ColorBytes layout);
void ColorsToBytes(uint8_t* bytes, const RGBQUAD* table, int count, ColorBytes layout);
