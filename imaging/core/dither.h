// The dithering engine: rows of any depth reduced to 1, 4 or 8-bit palette
// indices, one row at a time, with a state that hangs on the record being
// dithered. Also the helpers shared by the colour-reduction operations.
#pragma once

#include <cstdint>

#include "volkg.h"

// How an index is found for a colour.
enum DitherTargetKind {
    MatchCached = 0,     // any palette: a match cache filled lazily
    MatchUserTable = 1,  // the caller's match table serves as the cache
    MatchFixed2 = 2,     // the built-in fixed palettes: computed indices
    MatchFixed16 = 3,
    MatchFixed256 = 4,
};

// Match tables and caches: 32768 cells by 15-bit colour, each 0 (unknown)
// or 1 + a palette position.
constexpr int kMatchCells = 32768;
inline int MatchCellOf(int red, int green, int blue) { return (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3); }

// Error diffusion sums are kept in a ring of rows: the row being dithered
// and the rows below it that the kernel reaches.
constexpr int kMaxErrorRows = 3;

struct DitherState {
    int RowCounter;
    int ColorCount;
    RGBQUAD SourcePalette[256];
    RGBQUAD TargetPalette[256];
    uint32_t* MatchCache;  // owned for MatchCached only
    int SourceBits;
    int Method;
    int TargetKind;
    int TargetBits;
    int ErrorRows;
    int ErrorRowLength;
    int32_t* ErrorBuffers;   // (ErrorRows + 1) rows of ErrorRowLength x 3 sums
    int ErrorRing;           // ring position of the row being dithered
    RGBQUAD MatchList[256];  // blue, green, red and palette index
    int MatchListCount;
    int Width;       // the record's Width when dithering started (sizes the error rows)
    int ColorOrder;  // the record's ColorOrder at the latest row
};

// Starts dithering a record's rows into a palette (null: the fixed one for
// colors) at targetBits, with an optional user match table that is not
// owned. 1, -1 or -13.
int StartDitheringExt(BitmapRecord* bitmap, const RGBQUAD* palette, int colors, int targetBits, uint32_t* userTable);

// The optimized palette of a picture: colors entries into palette (sorted
// by red, green, blue) and, when table is given, a match table sending each
// colour of the picture to the entry of its box (the caller frees it with
// FreeGlobalLocked). 1, -1 or -13.
int BuildOptimizedPalette(BitmapRecord* bitmap, RGBQUAD* palette, int colors, uint32_t** table);

// On a palette screen, fixes the screen's static colours at both ends of a
// count-entry palette and returns how many; 0 and nothing written elsewhere.
int GetSystemPaletteSplit(RGBQUAD* palette, int count);
// The placement behind it: n = min(reserved, count) static colours, the
// first n / 2 of the system palette's size entries at the start of ours,
// its last n - n / 2 at our end (flag byte 0). Returns n.
int PlaceStaticColors(RGBQUAD* palette, int count, const PALETTEENTRY* system, int size, int reserved);

// Reads a record's palette in use (or, without a handle, its colour table or
// the fixed palette of its depth) into 256 entries, the rest zero.
void ReadPaletteInUse(const BitmapRecord* bitmap, RGBQUAD* table);

// The process user match table (null at start).
uint32_t* CurrentUserMatchTable();

// What a derived bitmap takes over from its source: ViewPerspective,
// FormatCode, ImageOrigin, DisplayRect with its valid flag and, with
// resolution, XResolution and YResolution.
void CopyPlacement(BitmapRecord* target, const BitmapRecord* source, bool resolution);

// Builds in target (a blank record) the source dithered with a method to the
// fixed palette of 1, 4 or 8 bits; the source is not changed. 1 or a
// failure, after which target holds nothing.
int DitherToNewBitmap(BitmapRecord* source, BitmapRecord* target, int method, int bits);
