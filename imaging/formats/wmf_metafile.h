// Windows metafiles without a device: the placeable header, the plain
// record walk, the size a metafile is drawn at and the mapping that draws
// it there. The drawing itself is GDI's (wmf_win32.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "volkg.h"

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableHeader = 22;
constexpr int kMetaHeader = 18;

// Records the walk and the writer know, by function number.
constexpr int kMetaEof = 0x0000;
constexpr int kMetaSetMapMode = 0x0103;
constexpr int kMetaSetWindowOrg = 0x020B;
constexpr int kMetaSetWindowExt = 0x020C;
constexpr int kMetaSetViewportExt = 0x020E;
constexpr int kMetaCreatePalette = 0x00F7;
constexpr int kMetaSelectPalette = 0x0234;
constexpr int kMetaRealizePalette = 0x0139;
constexpr int kMetaSetDIBToDevice = 0x0D33;

// The bounding box of a placeable header, in its own units.
struct PlaceableBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// What measuring found and how to draw at the measured size.
struct WmfMeasure {
    bool placeable = false;
    PlaceableBox box;
    unsigned windowX = 0, windowY = 0;  // a plain metafile's window extent
    int naturalWidth = 0, naturalHeight = 0;
    int width = 0, height = 0;  // 0 x 0: a metafile that cannot be measured
};

// The size rule on an open metafile (from its first byte), for a box of
// the given size: 1, -4 when it cannot be rewound, -7 when the header is
// short. A plain metafile without a window extent, or one whose records
// stop making sense, measures 0 x 0.
int MeasureMetafile(int handle, int boxWidth, int boxHeight, WmfMeasure* measure);
// The same with the separate results (bits per pixel is always 24).
int MeasureWMF(int handle, int* naturalWidth, int* naturalHeight, int* width, int* height, int* bitsPerPixel,
               int boxWidth, int boxHeight);

// The plain record walk over bytes that start at the first record: the
// window extent (x, y as unsigned 16-bit values). 1 found, 0 not: the end
// record, a record too short to be one, or one that runs past the data.
int FindWindowExtent(const unsigned char* records, size_t size, unsigned* x, unsigned* y);

// The metafile proper (header and records, without a placeable header),
// exactly as many bytes as its header's size field says: 1, -4, -7 when
// the file holds fewer, -9 for a header that is not a metafile's, -1.
int ReadMetafileBytes(int handle, std::vector<unsigned char>* bytes);

// The mapping that draws a measured metafile into its width and height:
// MM_ISOTROPIC with a window, or MM_TEXT.
struct WmfMapping {
    bool isotropic = false;
    int originX = 0, originY = 0;
    int extentX = 0, extentY = 0;
};
WmfMapping MappingFor(const WmfMeasure& measure);

// The screen's size in pixels (0 x 0 without a screen).
void ScreenSize(int* width, int* height);
