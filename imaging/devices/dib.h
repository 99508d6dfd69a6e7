// Packed DIBs (the CF_DIB form): reading the headers other programs write,
// and moving pixels between a DIB and a bitmap record.
#pragma once

#include <cstddef>

#include "volkg.h"

// Colour-table entries of a DIB header: after a 12-byte core header 2^bits
// (none at 24 bits); else biClrUsed, or 2, 16, 256 at 1, 4, 8 bits.
int DibColorCount(const BITMAPINFOHEADER* header);

// Resolution: dots per inch from pels per metre and back (whole division).
int DpiFromPelsPerMeter(int pelsPerMeter);
int PelsPerMeterFromDpi(int dpi);

// A DIB header that has been checked, with where its parts lie.
struct DibLayout {
    int width = 0;
    int height = 0;        // always positive
    bool topDown = false;  // negative biHeight: the first row is the top one
    int bits = 0;
    int planes = 0;
    int colors = 0;      // colour-table entries stored (entrySize bytes each)
    int entrySize = 4;   // 3 after a core header
    int colorOrder = 1;  // 32-bit BI_BITFIELDS may be red-first
    bool is565 = false;  // 16-bit BI_BITFIELDS with a 6-bit green
    int xPelsPerMeter = 0;
    int yPelsPerMeter = 0;
    size_t colorTableOffset = 0;
    size_t pixelOffset = 0;  // from the start of the header
    size_t rowBytes = 0;
    size_t pixelBytes = 0;
};

// Checks a header of a DIB that another program wrote: header size,
// width, height, planes, compression (BI_RGB; BI_BITFIELDS at 16 and 32
// bits with masks we can take), bits, colour count and, when size is not
// 0, that the block of size bytes holds colours and rows. 1, -13 (sizes),
// -91 (planes), -92 (compression), -93 (bits).
int ParseDibHeader(const void* block, size_t size, DibLayout* layout);

// Initialises and allocates the record from a checked DIB and copies its
// colours and rows (upright whatever the row order of the DIB). 1 or a
// code of K_InitBitmap or K_AllocateBitmap.
int StoreDib(BitmapRecord* bitmap, const DibLayout& layout, const unsigned char* header, const unsigned char* pixels);

// Reads a packed DIB of size bytes from another program (the clipboard)
// into the record. 1 or a negative code.
int LoadPackedDib(BitmapRecord* bitmap, const void* block, size_t size);

// The colours of a record of 8 bits or fewer, as a DIB colour table: from
// the palette in use when there is one, else the colour table. Returns the
// entry count (Colors, within 1 .. 2^bits).
int GetDibColors(const BitmapRecord* bitmap, RGBQUAD* table);
