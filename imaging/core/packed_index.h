// Packed-index access for 1-, 2- and 4-bit rows (the top bits hold the
// leftmost pixel), shared by core's converters and every codec.
#pragma once

#include <cstdint>

// Index of pixel x in a row of 1, 2, 4 or 8 bits per pixel.
inline int GetPackedIndex(const uint8_t* row, int x, int bits) {
    switch (bits) {
        case 1:
            return row[x >> 3] >> (7 - (x & 7)) & 1;
        case 2:
            return row[x >> 2] >> (6 - 2 * (x & 3)) & 3;
        case 4:
            return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4;
        default:
            return row[x];
    }
}
// Stores index v (masked to the depth) at pixel x, keeping the others.
inline void SetPackedIndex(uint8_t* row, int x, int bits, int v) {
    switch (bits) {
        case 1: {
            const int shift = 7 - (x & 7);
            row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1 << shift)) | (v & 1) << shift);
            break;
        }
        case 2: {
            const int shift = 6 - 2 * (x & 3);
            row[x >> 2] = static_cast<uint8_t>((row[x >> 2] & ~(3 << shift)) | (v & 3) << shift);
            break;
        }
        case 4:
            row[x >> 1] =
                static_cast<uint8_t>(x & 1 ? (row[x >> 1] & 0xF0) | (v & 15) : (row[x >> 1] & 0x0F) | (v & 15) << 4);
            break;
        default:
            row[x] = static_cast<uint8_t>(v);
    }
}
// One byte per pixel from a packed row, and back. PackIndices writes whole
// bytes: the bits after the last pixel are 0. out may not overlap in.
void UnpackIndices(const uint8_t* in, int width, int bits, uint8_t* out);
void PackIndices(const uint8_t* in, int width, int bits, uint8_t* out);
