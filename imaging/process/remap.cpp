// The table remapper: one channel (or all three) of every pixel, or of
// every palette entry, through a 256-byte table.
#include <cstdint>

#include "core/pixel_format.h"
#include "process/process_frame.h"

namespace {

// Every component byte of a 24-bit row (all three channels).
void RemapBytes(unsigned char* p, int count, const unsigned char* t) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        unsigned char a = t[p[i]], b = t[p[i + 1]], c = t[p[i + 2]], d = t[p[i + 3]];
        p[i] = a, p[i + 1] = b, p[i + 2] = c, p[i + 3] = d;
    }
    for (; i < count; ++i) p[i] = t[p[i]];
}

// The first three bytes of each 4-byte pixel; the fourth is never touched.
void RemapPixels32(unsigned char* p, int width, const unsigned char* t) {
    for (int x = 0; x < width; ++x, p += 4) {
        unsigned char a = t[p[0]], b = t[p[1]], c = t[p[2]];
        p[0] = a, p[1] = b, p[2] = c;
    }
}

// One byte of each pixel, step bytes apart.
void RemapOneByte(unsigned char* p, int width, int step, const unsigned char* t) {
    for (int x = 0; x < width; ++x, p += step) *p = t[*p];
}

// 5-5-5 words: each selected field widened to 8 bits, mapped and narrowed
// again (an unselected field maps to itself); bit 15 comes back 0.
void RemapWords(unsigned char* p, int width, const unsigned char* high, const unsigned char* mid,
                const unsigned char* low) {
    for (int x = 0; x < width; ++x, p += 2) {
        unsigned w = p[0] | (p[1] << 8);
        w = (high[(w >> 10) & 31] << 10) | (mid[(w >> 5) & 31] << 5) | low[w & 31];
        p[0] = static_cast<unsigned char>(w);
        p[1] = static_cast<unsigned char>(w >> 8);
    }
}

}  // namespace

int RemapBitmapChannel(BitmapRecord* bitmap, const unsigned char* table, unsigned channel, int first, int last) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (channel > kMaxChannel || !table) return K_ERR_ARGUMENT;

    const int bits = bitmap->BitsPerPixel;
    if (bits < 16) {
        return ProcessPalette(bitmap, first, last, [&](PALETTEENTRY* e, int count) {
            for (int i = 0; i < count; ++i) {
                if (channel == 0 || channel == 1) e[i].peRed = table[e[i].peRed];
                if (channel == 0 || channel == 2) e[i].peGreen = table[e[i].peGreen];
                if (channel == 0 || channel == 3) e[i].peBlue = table[e[i].peBlue];
            }
        });
    }

    const int width = bitmap->Width;
    const bool bgr = bitmap->ColorOrder == K_ORDER_BGR;
    if (bits == 16) {
        // Per-field tables: 32 entries each, the identity for fields left alone.
        unsigned char mapped[32], same[32];
        for (int f = 0; f < 32; ++f) {
            same[f] = static_cast<unsigned char>(f);
            mapped[f] = static_cast<unsigned char>(Reduce8To5(table[Expand5To8(f)]));
        }
        const bool red = channel == 0 || channel == 1, green = channel == 0 || channel == 2,
                   blue = channel == 0 || channel == 3;
        const unsigned char* high = (bgr ? red : blue) ? mapped : same;
        const unsigned char* mid = green ? mapped : same;
        const unsigned char* low = (bgr ? blue : red) ? mapped : same;
        return ProcessRows(bitmap, first, last, 0,
                           [&](unsigned char* row, int) { RemapWords(row, width, high, mid, low); });
    }

    const int step = bits / 8;
    if (channel == 0) {
        if (step == 3)
            return ProcessRows(bitmap, first, last, 0,
                               [&](unsigned char* row, int) { RemapBytes(row, width * 3, table); });
        return ProcessRows(bitmap, first, last, 0, [&](unsigned char* row, int) { RemapPixels32(row, width, table); });
    }
    // Red is the third byte in blue-green-red order, the first otherwise.
    int offset = channel == 2 ? 1 : ((channel == 1) == bgr ? 2 : 0);
    return ProcessRows(bitmap, first, last, 0,
                       [&](unsigned char* row, int) { RemapOneByte(row + offset, width, step, table); });
}
