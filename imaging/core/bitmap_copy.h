// Making new bitmaps from old ones: the clone that every derived-bitmap
// operation starts from, and the checks the copy family shares.
#pragma once

#include "volkg.h"

// Clone flags of CreateBitmapLike.
constexpr int kCloneAllocate = 1;           // allocate storage (kind 1)
constexpr int kCloneDuplicatePalettes = 2;  // own duplicates of both palette handles

// Initialises target at (width, height, bits) with the content fields of
// source: perspective, DIB header (describing the new size and depth),
// colour table, format code, origin, display rectangle, content flags and
// resolution. At the source's depth Colors and ColorOrder travel too;
// at another depth they keep the defaults of K_InitBitmap. Palettes are
// shared, or duplicated with kCloneDuplicatePalettes.
// 1, -2 (missing or unallocated source, missing target), or the code of
// K_InitBitmap or K_AllocateBitmap.
int CreateBitmapLike(BitmapRecord* target, BitmapRecord* source, int width, int height, int bitsPerPixel,
                     int cloneFlags);

// Geometry that the storage of a record can hold: a supported depth, a
// positive size, BytesPerLine by the rule for the width, and ImageSize
// covering every row.
bool RecordGeometryIsSound(const BitmapRecord* bitmap);
