// One TIFF page as rows: the pixel layout the file stores and the one the
// library delivers, and the walk over strips or tiles (interleaved or in
// separate planes) that decodes, undoes the predictor and converts each row.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tiff/tiff_directory.h"
#include "tiff/tiff_source.h"

// How file rows become delivered rows.
enum class TiffPixels {
    Direct,   // as stored: 1, 4, 8 bits, 5-5-5 words, RGB, RGBA
    Expand2,  // 2-bit indices widened to 4 bits
    Gray12,   // packed 12-bit grey, scaled to 8 bits
    Keep8,    // 8-bit samples, the first `kept` of each pixel (grey of grey+alpha)
    Keep16,   // 16-bit samples, their high bytes, the first `kept` of each pixel
};

struct TiffLayout {
    TiffPixels pixels = TiffPixels::Direct;
    int bits = 0;           // delivered bits per pixel: 1, 4, 8, 16, 24 or 32
    int sampleBits = 0;     // bits of one sample in the file
    int samples = 1;        // samples per pixel in the file
    int kept = 0;           // samples per pixel delivered (Keep8, Keep16)
    bool cmyk = false;      // separated: C, M, Y, K into R, G, B, 0
    bool rgb555 = false;    // 16-bit words of 5-5-5 RGB
    bool grey = false;      // no colour map: a grey ramp by the photometric value
    bool mirror = false;    // orientations 2 and 3: columns right to left
    bool bottomUp = false;  // orientations 3 and 4: the first row is the bottom one
};

// The layout of a page read with all tags (photometric 0 or 1 when absent):
// 1, or -27 for a pixel layout the library does not read.
int DescribeTiffPage(const TiffDirectory& page, TiffLayout* layout);

// Where the rows go.
class TiffRowTarget {
public:
    virtual ~TiffRowTarget() = default;
    // Holds one delivered row (and at least the file's row of the page).
    virtual unsigned char* RowBuffer() = 0;
    // The row in RowBuffer() is file row y: 1 goes on.
    virtual int Deliver(int y) = 0;
};

// Decodes the page's rows in file order into target. 1, -15 for a
// compression without a reader, -9 for strip or tile geometry that cannot
// be, -1, -7, -77, or the target's first result other than 1.
int ReadTiffPage(TiffSource& source, const TiffDirectory& page, const TiffLayout& layout, TiffRowTarget& target);

// Bytes of a row of width pixels at the page's stored layout (one plane
// when the planes are separate).
uint64_t TiffStoredRowBytes(const TiffLayout& layout, uint64_t width, bool onePlane);
