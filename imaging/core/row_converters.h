// Row helpers of the display pipeline: conversion to the fixed palette of
// a 1-, 4- or 8-bit device, widening to 24 bits and the nearest-neighbour
// row resampler that painting and resizing share.
#pragma once

#include <cstdint>

#include "volkg.h"

// The two 8x8 ordered-dither threshold matrices, [row & 7][column & 7].
extern const unsigned char ClusteredDitherMatrix[8][8];
extern const unsigned char DispersedDitherMatrix[8][8];

// Error owed to one pixel of the row below by Floyd-Steinberg diffusion,
// per channel, in sixteenths. A paint allocates one zeroed cell per pixel
// of its span and keeps the row from one converted row to the next.
struct DiffusionErrorCell {
    int32_t red, green, blue;
};
static_assert(sizeof(DiffusionErrorCell) == 12, "three 32-bit accumulators");

// Converts source pixels first .. end-1 of a row of the bitmap's layout
// (pixel 0 at the start of sourceRow) into target pixels 0 .. end-first-1
// of a packed 1-, 4- or 8-bit row in the fixed palette of that depth.
// Target bits outside the converted pixels keep their values. With
// DisplayMode bit 0x1 the ordered form runs with threshold
// matrix[ditherRow & 7][(ditherColumn + i) & 7], otherwise the diffusion
// form with errors (one cell per target pixel). Combinations without a
// conversion (1-bit sources to 1- or 4-bit targets, other depths) write
// nothing.
void ConvertDisplayRow(unsigned char* target, int targetDepth, const unsigned char* sourceRow,
                       const BitmapRecord* bitmap, int first, int end, int ditherColumn, int ditherRow,
                       DiffusionErrorCell* errors);

// Widen pixels first .. end-1 of a 16- or 32-bit row to 3 bytes each, in
// the order of the source: the low, middle and high 5-bit fields widened
// to 8 bits, or the first three bytes.
void ExpandRow16To24(unsigned char* target, const unsigned char* source, const BitmapRecord* bitmap, int first,
                     int end);
void ExpandRow32To24(unsigned char* target, const unsigned char* source, const BitmapRecord* bitmap, int first,
                     int end);

// Nearest-neighbour stretch of one row. sourceRow begins at the byte that
// holds firstColumn; output pixel i copies the current source pixel, then
// the remainder grows by remainderStep (losing denominator and moving one
// column more when it reaches denominator) and the column moves by
// wholeStep. 1-bit targets are cleared over clearedBytes first. The
// magnifying hint does not change the result. Returns the remainder after
// the row.
int ResampleRow(int bitsPerPixel, int clearedBytes, int firstColumn, int wholeStep, int startRemainder,
                int remainderStep, const unsigned char* sourceRow, unsigned char* targetRow, int count, int denominator,
                int magnifying);
