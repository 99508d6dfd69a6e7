// Colour conversion with the JFIF coefficients in 16-bit fixed point: Y per
// pixel, chroma once per cell from the cell's channel sums, so 4:2:0 costs
// one chroma computation for four pixels.
#include "jpeg/jpeg_color_in.h"

namespace {

// Coefficients x 65536 (each row sums to 65536 for Y, to 0 for chroma).
constexpr int kYr = 19595, kYg = 38470, kYb = 7471;
constexpr int kCbR = -11059, kCbG = -21709, kCbB = 32768;
constexpr int kCrR = 32768, kCrG = -27439, kCrB = -5329;

struct Weights {
    int y0, y1, y2, cb0, cb1, cb2, cr0, cr1, cr2;  // for channels in byte order
};

Weights WeightsFor(bool redFirst) {
    if (redFirst) return {kYr, kYg, kYb, kCbR, kCbG, kCbB, kCrR, kCrG, kCrB};
    return {kYb, kYg, kYr, kCbB, kCbG, kCbR, kCrB, kCrG, kCrR};
}

// Five bits widened to eight by repeating the top bits, so 31 gives 255.
inline int Widen5(int v) { return (v << 3) | (v >> 2); }

template <int Bits>
inline void Pixel(const uint8_t* row, int x, int& c0, int& c1, int& c2) {
    if constexpr (Bits == 16) {
        int v = row[2 * x] | row[2 * x + 1] << 8;
        c0 = Widen5(v & 31);
        c1 = Widen5((v >> 5) & 31);
        c2 = Widen5((v >> 10) & 31);
    } else {
        const uint8_t* p = row + x * (Bits / 8);
        c0 = p[0];
        c1 = p[1];
        c2 = p[2];
    }
}

inline int16_t Luma(const Weights& w, int c0, int c1, int c2) {
    return static_cast<int16_t>((w.y0 * c0 + w.y1 * c1 + w.y2 * c2 - (128 << 16) + (1 << 13)) >> 14);
}

// Chroma of a cell from channel sums over 2^shift pixels.
inline void Chroma(const Weights& w, int s0, int s1, int s2, int shift, int16_t* cb, int16_t* cr) {
    int round = 1 << (13 + shift);
    *cb = static_cast<int16_t>((w.cb0 * s0 + w.cb1 * s1 + w.cb2 * s2 + round) >> (14 + shift));
    *cr = static_cast<int16_t>((w.cr0 * s0 + w.cr1 * s1 + w.cr2 * s2 + round) >> (14 + shift));
}

void Grey(const uint8_t* const* rows, int width, int planeWidth, int16_t* y) {
    for (int r = 0; r < 8; ++r) {
        const uint8_t* in = rows[r];
        int16_t* out = y + r * planeWidth;
        for (int x = 0; x < width; ++x) out[x] = static_cast<int16_t>((in[x] - 128) * 4);
        for (int x = width; x < planeWidth; ++x) out[x] = out[width - 1];
    }
}

template <int Bits>
void Colour1x1(const Weights& w, const uint8_t* const* rows, int width, int planeWidth, int16_t* y, int16_t* cb,
               int16_t* cr) {
    for (int r = 0; r < 8; ++r) {
        const uint8_t* in = rows[r];
        int16_t *oy = y + r * planeWidth, *ob = cb + r * planeWidth, *orr = cr + r * planeWidth;
        for (int x = 0; x < width; ++x) {
            int c0, c1, c2;
            Pixel<Bits>(in, x, c0, c1, c2);
            oy[x] = Luma(w, c0, c1, c2);
            Chroma(w, c0, c1, c2, 0, ob + x, orr + x);
        }
        for (int x = width; x < planeWidth; ++x) {
            oy[x] = oy[width - 1];
            ob[x] = ob[width - 1];
            orr[x] = orr[width - 1];
        }
    }
}

// 2x1 (vRows 1) and 2x2 (vRows 2): cells two pixels wide and vRows high.
template <int Bits, int VRows>
void Colour2xN(const Weights& w, const uint8_t* const* rows, int width, int planeWidth, int16_t* y, int16_t* cb,
               int16_t* cr) {
    const int chromaWidth = planeWidth / 2;
    const int pairs = width / 2;  // cells whose both columns exist
    constexpr int shift = VRows == 2 ? 2 : 1;
    for (int r = 0; r < 8; ++r) {
        int16_t *ob = cb + r * chromaWidth, *orr = cr + r * chromaWidth;
        const uint8_t* in[VRows];
        int16_t* oy[VRows];
        for (int v = 0; v < VRows; ++v) {
            in[v] = rows[r * VRows + v];
            oy[v] = y + (r * VRows + v) * planeWidth;
        }
        for (int i = 0; i < pairs; ++i) {
            int s0 = 0, s1 = 0, s2 = 0;
            for (int v = 0; v < VRows; ++v) {
                int a0, a1, a2, b0, b1, b2;
                Pixel<Bits>(in[v], 2 * i, a0, a1, a2);
                Pixel<Bits>(in[v], 2 * i + 1, b0, b1, b2);
                oy[v][2 * i] = Luma(w, a0, a1, a2);
                oy[v][2 * i + 1] = Luma(w, b0, b1, b2);
                s0 += a0 + b0;
                s1 += a1 + b1;
                s2 += a2 + b2;
            }
            Chroma(w, s0, s1, s2, shift, ob + i, orr + i);
        }
        int i = pairs;
        if (width & 1) {  // the last column stands in for its missing neighbour
            int s0 = 0, s1 = 0, s2 = 0;
            for (int v = 0; v < VRows; ++v) {
                int a0, a1, a2;
                Pixel<Bits>(in[v], width - 1, a0, a1, a2);
                oy[v][width - 1] = Luma(w, a0, a1, a2);
                s0 += 2 * a0;
                s1 += 2 * a1;
                s2 += 2 * a2;
            }
            Chroma(w, s0, s1, s2, shift, ob + i, orr + i);
            ++i;
        }
        for (int v = 0; v < VRows; ++v)
            for (int x = width; x < planeWidth; ++x) oy[v][x] = oy[v][width - 1];
        for (; i < chromaWidth; ++i) {
            ob[i] = ob[i - 1];
            orr[i] = orr[i - 1];
        }
    }
}

template <int Bits>
void Colour(const ColorInLayout& layout, const uint8_t* const* rows, int width, int planeWidth, int16_t* y, int16_t* cb,
            int16_t* cr) {
    Weights w = WeightsFor(layout.redFirst);
    if (layout.hSampling == 1)
        Colour1x1<Bits>(w, rows, width, planeWidth, y, cb, cr);
    else if (layout.vSampling == 1)
        Colour2xN<Bits, 1>(w, rows, width, planeWidth, y, cb, cr);
    else
        Colour2xN<Bits, 2>(w, rows, width, planeWidth, y, cb, cr);
}

}  // namespace

void ColorInMcuRow(const ColorInLayout& layout, const uint8_t* const* rows, int width, int planeWidth, int16_t* y,
                   int16_t* cb, int16_t* cr) {
    switch (layout.bitsPerPixel) {
        case 8:
            Grey(rows, width, planeWidth, y);
            break;
        case 16:
            Colour<16>(layout, rows, width, planeWidth, y, cb, cr);
            break;
        case 24:
            Colour<24>(layout, rows, width, planeWidth, y, cb, cr);
            break;
        default:
            Colour<32>(layout, rows, width, planeWidth, y, cb, cr);
            break;
    }
}
