// How the pixels of a record reach a device: the process-wide display mode
// flags, the shared paint header and the choice of paint kind.
#pragma once

#include "volkg.h"

// Flags of DisplayMode.
constexpr unsigned kOrderedDither = 0x1;      // display converters use the 8x8 matrices
constexpr unsigned kFastPaint = 0x2;          // kept and reported only
constexpr unsigned kIndexedPaint = 0x4;       // palette rows go out as DIB_PAL_COLORS
constexpr unsigned kDitheredPaint = 0x8;      // allows PaintConvert
constexpr unsigned kReservedModeBit = 0x10;   // never changed by K_SetDisplayMode
constexpr unsigned kClusteredMatrix = 0x20;   // 1-bit ordered targets use the clustered matrix
constexpr unsigned kExactPaletteTest = 0x80;  // palette bitmaps convert unless their palette is the device's

// The process-wide flag word; starts at indexed and dithered paint. The
// effects, device-bitmap conversion and printing change it for the length
// of their work and put the old value back.
extern unsigned DisplayMode;

// The shared paint header: a BITMAPINFOHEADER and room for 256 colours.
struct PaintHeader {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};
static_assert(sizeof(PaintHeader) == 1064, "paint header is 1064 bytes");
extern PaintHeader PaintBitmapInfo;

// The colour area of PaintBitmapInfo seen as 256 palette indices, the
// DIB_PAL_COLORS table of indexed paint.
inline WORD* PaintIndexTable() { return reinterpret_cast<WORD*>(PaintBitmapInfo.colors); }
// Writes 0..255 into PaintIndexTable.
void ResetPaintIndexTable();

enum PaintKind {
    PaintDirect = 0,    // rows go out at the bitmap's own depth
    PaintExpand24 = 1,  // 16- and 32-bit rows widened to 24-bit first
    PaintConvert = 2,   // rows converted to the device depth and its fixed palette
};

struct PaintChoice {
    int deviceDepth;  // 1, 4, 8 or 24
    PaintKind kind;
};

// Device depth classes: a metafile counts as 24 bits; otherwise bits per
// pixel times planes, below 4 -> 1, 4..7 -> 4, 8..15 -> 8, 16 and up -> 24.
int ClassifyDeviceDepth(int technology, int bitsPixel, int planes);
// The paint kind of a bitmap on a device of a classed depth under the
// current DisplayMode.
PaintKind ChoosePaintKindForDepth(int deviceDepth, const BitmapRecord* bitmap);
// Asks the device for its depth (Windows only).
