// Row helpers of the readers: red/blue exchange and pixel-size changes.
#include <cstdint>

#include "core/cpu_features.h"
#include "core/pixel_format.h"

int SwapRowRedBlue(unsigned char* row, int count, int bits) {
    if (!row || count <= 0) return 1;
    switch (bits) {
        case 16:
            for (int i = 0; i < count; ++i) {
                unsigned char* p = row + 2 * i;
                unsigned w = p[0] | (p[1] << 8);
                w = (w & 0x83E0) | ((w & 0x1F) << 10) | ((w >> 10) & 0x1F);
                p[0] = static_cast<unsigned char>(w);
                p[1] = static_cast<unsigned char>(w >> 8);
            }
            break;
        case 24:
        case 32: {
            int step = bits / 8, i = 0;
#if VOLKG_SSE2_PATHS
            if (bits == 24 && CpuHasSse2()) i = SwapRow24Sse2(row, count);
#endif
            for (; i < count; ++i) {
                unsigned char* p = row + step * i;
                unsigned char t = p[0];
                p[0] = p[2];
                p[2] = t;
            }
            break;
        }
        default:
            break;
    }
    return 1;
}

namespace {

// One pixel between sizes; s and d may overlap only as in-place widening
// and narrowing allow (the source is read whole before d is written).
inline void ConvertPixel(const unsigned char* s, unsigned char* d, int from, int to) {
    unsigned char b0 = 0, b1 = 0, b2 = 0, b3 = 0;
    switch (from) {
        case 1:
            b0 = b1 = b2 = s[0];
            break;
        case 2: {
            unsigned w = s[0] | (s[1] << 8);
            b0 = static_cast<unsigned char>(w & 0x1F);
            b1 = static_cast<unsigned char>((w >> 5) & 0x1F);
            b2 = static_cast<unsigned char>((w >> 10) & 0x1F);
            b3 = static_cast<unsigned char>(w >> 15);
            break;
        }
        case 3:
            b0 = s[0];
            b1 = s[1];
            b2 = s[2];
            break;
        default:
            b0 = s[0];
            b1 = s[1];
            b2 = s[2];
            b3 = s[3];
            break;
    }
    switch (from * 10 + to) {
        case 12: {
            unsigned w = (b0 / 8) * 1057u;
            d[0] = static_cast<unsigned char>(w);
            d[1] = static_cast<unsigned char>(w >> 8);
            break;
        }
        case 13:
            d[0] = d[1] = d[2] = b0;
            break;
        case 14:
            d[0] = d[1] = d[2] = b0;
            d[3] = 0;
            break;
        case 21:
            d[0] = static_cast<unsigned char>(((b0 + b1 + b2 + 2) / 3) << 3);
            break;
        case 23:
        case 24: {
            auto widen = [](unsigned v) { return static_cast<unsigned char>(v ? (v << 3) + 7 : 0); };
            d[0] = widen(b0);
            d[1] = widen(b1);
            d[2] = widen(b2);
            if (to == 4) d[3] = 0;
            break;
        }
        case 31:
        case 41:
            d[0] = static_cast<unsigned char>((b0 + b1 + b2 + 2) / 3);
            break;
        case 32:
        case 42: {
            unsigned w = (b0 >> 3) | ((b1 >> 3) << 5) | ((b2 >> 3) << 10);
            // Deliberate: bit 15 keeps the top bit of a 32-bit pixel's fourth byte
            // (the alpha bit of 1-5-5-5 pixels); the histogram of the optimized
            // palette clears it, since colour ignores it.
            if (from == 4 && (b3 & 0x80)) w |= 0x8000;
            d[0] = static_cast<unsigned char>(w);
            d[1] = static_cast<unsigned char>(w >> 8);
            break;
        }
        case 34:
            d[0] = b0;
            d[1] = b1;
            d[2] = b2;
            d[3] = 0;
            break;
        case 43:
            d[0] = b0;
            d[1] = b1;
            d[2] = b2;
            break;
        default:
            break;
    }
}

}  // namespace

int ConvertRowPixelSize(unsigned char* row, int count, int from, int to) {
    if (from < 1 || from > 4 || to < 1 || to > 4 || count <= 0 || !row) return 0;
    if (from != to) {
        if (to > from) {
            for (int i = count - 1; i >= 0; --i) ConvertPixel(row + i * from, row + i * to, from, to);
        } else {
            for (int i = 0; i < count; ++i) ConvertPixel(row + i * from, row + i * to, from, to);
        }
    }
    return count * to;
}
