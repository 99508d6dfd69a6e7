// MCU samples to pixels: YCbCr to blue, green, red with the chroma
// products taken once per chroma sample and one clamping lookup per byte
// (the sums keep the samples' fraction to the last step), the grey form,
// and chroma upsampling by repetition.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/cpu_features.h"
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_simd.h"

namespace {

constexpr int kStep = 1 << kJpegSampleBits, kHalf = kStep / 2;  // sample units a level, half a level
// Sums of a luma sample and a chroma term stay within -227..482 levels.
constexpr int kClampOffset = 256 * kStep, kClampSize = 768 * kStep;

// Levels clamped to 0..255, indexed by a sum in sample units + kClampOffset.
struct ClampTable {
    uint8_t v[kClampSize];
    ClampTable() {
        for (int i = 0; i < kClampSize; ++i)
            v[i] = static_cast<uint8_t>(std::clamp((i - kClampOffset) >> kJpegSampleBits, 0, 255));
    }
};
const ClampTable kClamp;

// Chroma terms (ITU-R BT.601 as JFIF uses it) in sample units, by chroma
// sample at a quarter level: blue from Cb, red from Cr, green as the sum of
// one from each. Half a level of rounding is in the blue, red and Cb green
// terms.
constexpr int kChromaIndexShift = kJpegChromaIndexShift;
constexpr int kChromaEntries = (256 << kJpegSampleBits) >> kChromaIndexShift;
struct ChromaTables {
    int16_t blue[kChromaEntries], greenCb[kChromaEntries], greenCr[kChromaEntries], red[kChromaEntries];
    ChromaTables() {
        const double half = kHalf;
        for (int i = 0; i < kChromaEntries; ++i) {
            // The middle of the samples that share the entry, centred on level 128.
            const double c = ((i << kChromaIndexShift) + ((1 << kChromaIndexShift) - 1) / 2.0) - 128.0 * kStep;
            blue[i] = static_cast<int16_t>(std::floor(1.772 * c + half + 0.5));
            greenCb[i] = static_cast<int16_t>(std::floor(-0.344136 * c + half + 0.5));
            greenCr[i] = static_cast<int16_t>(std::floor(-0.714136 * c + 0.5));
            red[i] = static_cast<int16_t>(std::floor(1.402 * c + half + 0.5));
        }
    }
};
const ChromaTables kChroma;

// HS pixels sharing one chroma sample, written out in full (compilers leave
// a loop of two here as a loop).
template <int HS, int PB, bool RGB>
inline void Pixels(const int16_t* l, uint8_t* o, const uint8_t* clamp, int blue, int green, int red) {
    auto one = [&](int k) {
        const int y = l[k];
        uint8_t* p = o + k * PB;
        p[0] = clamp[y + (RGB ? red : blue)];
        p[1] = clamp[y + green];
        p[2] = clamp[y + (RGB ? blue : red)];
    };
    one(0);
    if (HS > 1) one(1);
    if (HS > 2) one(2), one(3);
}

template <int HS, int VS, int PB, bool RGB>
void ColorMcu(const int16_t* s, uint8_t* const* rows, int x0) {
    const int16_t* cb = s + HS * VS * 64;
    const int16_t* cr = cb + 64;
    const uint8_t* clamp = kClamp.v + kClampOffset;
    const ChromaTables& t = kChroma;
    for (int cy = 0; cy < 8; ++cy) {
        // The terms of one chroma row serve its VS luma rows.
        int bB[8], gg[8], rR[8];
        if (VS > 1)
            for (int cx = 0; cx < 8; ++cx) {
                const int b = cb[cy * 8 + cx] >> kChromaIndexShift, r = cr[cy * 8 + cx] >> kChromaIndexShift;
                bB[cx] = t.blue[b];
                gg[cx] = t.greenCb[b] + t.greenCr[r];
                rR[cx] = t.red[r];
            }
        for (int v = 0; v < VS; ++v) {
            const int y = cy * VS + v;
            uint8_t* o = rows[y] + x0 * PB;
            const int16_t* lumaRow = s + (y >> 3) * HS * 64 + (y & 7) * 8;
            for (int bx = 0; bx < HS; ++bx) {
                // One luma block's row: 8 / HS chroma samples, HS pixels each.
                const int16_t* l = lumaRow + bx * 64;
                for (int c = bx * 8 / HS; c < (bx + 1) * 8 / HS; ++c, l += HS, o += HS * PB) {
                    if (VS > 1) {
                        Pixels<HS, PB, RGB>(l, o, clamp, bB[c], gg[c], rR[c]);
                        continue;
                    }
                    const int b = cb[cy * 8 + c] >> kChromaIndexShift, r = cr[cy * 8 + c] >> kChromaIndexShift;
                    Pixels<HS, PB, RGB>(l, o, clamp, t.blue[b], t.greenCb[b] + t.greenCr[r], t.red[r]);
                }
            }
        }
    }
}

template <int PB>
void GreyMcu(const int16_t* s, uint8_t* const* rows, int x0) {
    for (int y = 0; y < 8; ++y) {
        uint8_t* o = rows[y] + x0 * PB;
        for (int x = 0; x < 8; ++x) {
            // Samples are clamped already; half a level rounds.
            const uint8_t g =
                static_cast<uint8_t>(std::min<int>(s[y * 8 + x] + kHalf, kJpegSampleMax) >> kJpegSampleBits);
            o[0] = g;
            if (PB > 1) o[1] = g, o[2] = g;
            o += PB;
        }
    }
}

template <int HS, int VS>
void ColorBy(const int16_t* s, uint8_t* const* rows, int x0, int pixelBytes, bool rgb) {
    if (pixelBytes == 4)
        rgb ? ColorMcu<HS, VS, 4, true>(s, rows, x0) : ColorMcu<HS, VS, 4, false>(s, rows, x0);
    else
        rgb ? ColorMcu<HS, VS, 3, true>(s, rows, x0) : ColorMcu<HS, VS, 3, false>(s, rows, x0);
}

}  // namespace

void JpegColorOut(McuLayout layout, const int16_t* samples, uint8_t* const* rows, int x0, int pixelBytes, bool rgb) {
#if VOLKG_AVX2_PATHS
    if (layout != McuLayout::Grey && pixelBytes == 3 && CpuHasAvx2())
        return JpegColorMcuAvx2(layout, samples, rows, x0, rgb);
#endif
#if VOLKG_SSE2_PATHS
    if (layout != McuLayout::Grey && CpuHasSse2()) return JpegColorMcuSse2(layout, samples, rows, x0, pixelBytes, rgb);
#endif
    switch (layout) {
        case McuLayout::Grey:
            if (pixelBytes == 1)
                GreyMcu<1>(samples, rows, x0);
            else if (pixelBytes == 3)
                GreyMcu<3>(samples, rows, x0);
            else
                GreyMcu<4>(samples, rows, x0);
            break;
        case McuLayout::S1x1:
            ColorBy<1, 1>(samples, rows, x0, pixelBytes, rgb);
            break;
        case McuLayout::S2x1:
            ColorBy<2, 1>(samples, rows, x0, pixelBytes, rgb);
            break;
        case McuLayout::S2x2:
            ColorBy<2, 2>(samples, rows, x0, pixelBytes, rgb);
            break;
        case McuLayout::S4x1:
            ColorBy<4, 1>(samples, rows, x0, pixelBytes, rgb);
            break;
        case McuLayout::S1x2:
            ColorBy<1, 2>(samples, rows, x0, pixelBytes, rgb);
            break;
    }
}
