// The raster image of a PostScript program: a small tokenizer and a scan of
// the program's top level that finds the first `image` or `colorimage`
// whose data follow in the file as hexadecimal digits.
#pragma once

#include <cstdint>

#include "io/source.h"

struct PsImage {
    int width = 0, height = 0;
    int bitsPerComponent = 0;
    int components = 0;   // 1 (image), 3 or 4 (colorimage; 4 is CMYK)
    bool planar = false;  // colorimage with one procedure per component: a row of each in turn
    int dataOffset = 0;   // file position just after the operator that reads the data
};

// Scans the program from the source's position: true with the image found,
// false when none is found that reads hexadecimal data through
// `readhexstring` with sizes and depths we load (1, 4 or 8 bits of one
// component, 8 bits of three or four).
bool FindPsImage(Source& in, PsImage* image);

// Stored bytes of one row of the image in the file (all components).
int64_t PsRowBytes(const PsImage& image);
// Hexadecimal digits into bytes, high nibble first; every other character
// is passed over, as `readhexstring` does. A pending nibble is carried from
// one call to the next.
class HexDecoder {
public:
    explicit HexDecoder(Source& in) : in_(in) {}
    // Exactly count bytes: 1, or -7 when the data ends first.
    int Decode(unsigned char* out, int count);

private:
    Source& in_;
    int high_ = -1;
};
