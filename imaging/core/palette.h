// Palettes of bitmap records: the built-in fixed palettes, the palette in
// use, and the rules that keep the palette handle and the colour table of a
// record consistent.
#pragma once

#include "volkg.h"

// The built-in fixed palettes (blue, green, red, 0): black and white; the
// 16 standard colours; 8 levels of red and green by 4 of blue.
extern const RGBQUAD FixedPalette2[2];
extern const RGBQUAD FixedPalette16[16];
extern const RGBQUAD FixedPalette256[256];

// The fixed palette of a depth: bits below 2 -> 2 entries, up to 4 -> 16,
// up to 8 -> 256; null above 8. The entry count goes to *count when given.
const RGBQUAD* FixedPaletteForDepth(int bits, int* count);
// The fixed palette of exactly 2, 16 or 256 entries; null for other counts.
const RGBQUAD* FixedPaletteOfSize(int colors);

// FixedPaletteHandle while FixedPaletteInUse is set, else PaletteHandle.
HPALETTE PaletteInUse(const BitmapRecord* bitmap);

// ColorTable entry i becomes the 32-bit value i; sets PaletteIndexMap. 0.
int SetPaletteIndexMap(BitmapRecord* bitmap);
// Copies the colours of the palette in use into ColorTable and clears
// PaletteIndexMap; 1, or 0 above 8 bits or without a palette in use.
int FillColorsFromPalette(BitmapRecord* bitmap);
// For Colors 2, 16 or 256: the fixed palette into ColorTable and a new
// FixedPaletteHandle, then the index map; 1, else 0. Does not set
// FixedPaletteInUse.
int SetFixedPalette(BitmapRecord* bitmap);
// Replaces PaletteHandle with a palette of the Colors entries of
// ColorTable, then the index map. 1.
int CreateBitmapPalette(BitmapRecord* bitmap);

// New logical palettes (version 0x300, flags 0); the caller owns them.
HPALETTE CreateFixedPalette(int bits);
HPALETTE CreatePaletteFromColors(const RGBQUAD* table, int count);
// 256 declared entries; the first 2^bits (bits 0 means 8) a grey ramp,
// entry i = (i * (256 / 2^bits)) mod 256; the rest black.
HPALETTE CreateGrayPalette(int bits);

// count entries of grey from black to white, evenly spaced (i * 255 /
// (count - 1)): the identity ramp at 256.
void FillGreyRamp(RGBQUAD* table, int count);
// Every entry has equal red, green and blue.
bool IsGreyTable(const RGBQUAD* table, int count);
// The table is exactly FillGreyRamp(count).
bool IsGreyRamp(const RGBQUAD* table, int count);

// Up to count entries of a palette into a table (reserved byte 0); returns
// the number read.
int GetPaletteColors(HPALETTE palette, RGBQUAD* table, int count);
// 1 when the palette yields count entries, each with the red, green and
// blue of the table entry; else 0 (also without a palette).
int PaletteEqualsTable(HPALETTE palette, const RGBQUAD* table, int count);
// 1 for an ascending grey ramp (black first), 2 for a descending one,
// 0 otherwise (also for fewer than two entries).
int GetGrayPaletteOrder(const BitmapRecord* bitmap);

// Device side (Windows only): a copy of the system palette on a palette
// device, else null.
HPALETTE CreateSystemPaletteCopy();

// Refreshes the colour table of a record for a scope when it holds the
// index map, and restores the map at the end.
class PaletteColorsScope {
public:
    explicit PaletteColorsScope(BitmapRecord* bitmap);
    ~PaletteColorsScope();
    PaletteColorsScope(const PaletteColorsScope&) = delete;
    PaletteColorsScope& operator=(const PaletteColorsScope&) = delete;

private:
    BitmapRecord* bitmap_;
    bool restore_ = false;
};
