// Pixel formats and conversion of rows between them.
//
// Bits values: 0 = 8-bit grey levels (no palette); 1, 4, 8 = palette
// indices; 16 = 5-5-5 words; 24, 32 = three or four bytes. Colour order 1
// is blue, green, red (red in bits 10-14 at 16 bits); 0 is red, green, blue.
#pragma once

#include <cstdint>

#include "volkg.h"

// Grey level of a colour, the same everywhere in the library.
inline int GrayLevel(int red, int green, int blue) { return (5 * green + 2 * red + blue + 4) >> 3; }
// A 5-bit channel widened to 8 bits, and an 8-bit channel narrowed to 5.
inline int Expand5To8(int v) { return (v << 3) | (v >> 2); }
inline int Reduce8To5(int c) { return c >> 3; }

// The one nearest-colour search of the library: the index 0..count-1 of the
// entry nearest to the colour (squared RGB distance, shortcuts for black and
// white, ties kept by the first entry unless a later one orders its channels
// as the wanted colour does). 0 for an empty or missing palette.
int MatchPaletteColor(const RGBQUAD* palette, int count, int red, int green, int blue);

// Index translation between two palettes into map[256]; a null source
// stands for grey levels, a null target for grey levels too. 1 when every
// written entry is the identity, else 0.
int PaletteMap(const RGBQUAD* source, int sourceCount, const RGBQUAD* target, int targetCount, unsigned char* map);

// Largest 4-byte-rounded row of (width1, bits1), (width2, bits1) and
// (width2, bits2): a work row for a conversion with resizing.
int GetMaxRowBytes(int width1, int bits1, int width2, int bits2);

// Exchanges red and blue of every pixel of a row at 16, 24 or 32 bits;
// other depths are left alone. 1.
int SwapRowRedBlue(unsigned char* row, int count, int bitsPerPixel);

// The SSE2 part of the 24-bit exchange: the first pixels of the row in
// groups of sixteen; the number of pixels done.
int SwapRow24Sse2(unsigned char* row, int count);

// Converts a row in place between 1 (grey), 2 (5-5-5), 3 and 4 bytes per
// pixel; the buffer must hold the larger row. Returns count * targetBytes.
int ConvertRowPixelSize(unsigned char* row, int count, int sourceBytes, int targetBytes);
