// Row work of the bilevel format on packed 1-bit rows (most significant
// bit first): finding changes, the reference positions b1 and b2, painting
// runs, and the lossy sub-types' smoothing, leave-out test and rebuild.
#pragma once

#include <cstdint>

namespace bilevel {

inline int Pixel(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void SetPixel(uint8_t* row, int x, int bit) {
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
    if (bit)
        row[x >> 3] |= mask;
    else
        row[x >> 3] &= static_cast<uint8_t>(~mask);
}

// The first x >= from (x < width) whose pixel is colour; width when none.
int FindColour(const uint8_t* row, int from, int colour, int width);
// Sets pixels [from, to) to 1.
void SetSpan(uint8_t* row, int from, int to);

// b1: the first position after a0 (from 0 at the row's start) where the
// row above changes to the colour opposite c; the pixel before the row
// counts as 1. width when there is none.
int FindB1(const uint8_t* above, int a0, int c, bool rowStart, int width);
// b2: the next change after b1.
inline int FindB2(const uint8_t* above, int b1, int c, int width) {
    return b1 >= width ? width : FindColour(above, b1, c, width);
}

// The lossy sub-types' smoothing of the row about to be coded (c), with the
// row above as coded (a) and the next row as it is (b).
void SmoothRow(uint8_t* c, const uint8_t* a, const uint8_t* b, int width);
// Whether the first row of a pair (c) may be left out between a and b.
bool MayLeaveOut(const uint8_t* c, const uint8_t* a, const uint8_t* b, int width);
// The left-out row rebuilt from the row above (u) and the row below (d).
void RebuildRow(uint8_t* r, const uint8_t* u, const uint8_t* d, int width);

}  // namespace bilevel
