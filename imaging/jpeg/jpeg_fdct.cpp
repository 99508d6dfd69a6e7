// Forward DCT: a scaled 8-point transform with five multiplications per
// pass, in 16-bit arithmetic; the scale of each output is folded into the
// quantiser's multipliers.
#include "jpeg/jpeg_fdct.h"

#include <cmath>

#include "core/cpu_features.h"
#include "jpeg/jpeg_simd.h"
#include "jpeg/jpeg_tables.h"

namespace {

// cos(k pi / 16), with k = 0 and 4 giving sqrt(1/2), and the power of two by
// which the transform leaves output k short of the plain DCT.
constexpr double kCos[8] = {0.7071068, 0.9807853, 0.9238795, 0.8314696, 0.7071068, 0.5555702, 0.3826834, 0.1950903};
constexpr int kShift[8] = {0, 2, 1, 2, 0, 2, 1, 2};

// A product by a 15-bit fraction, rounded.
inline int Mul(int a, int c, int round) { return (a * c + round) >> 15; }

// One 8-point pass over x[0], x[stride], ...; the rounding constants of the
// first two products differ between the row and the column pass.
inline void Pass(int* x, int stride, int roundM) {
    int x0 = x[0], x1 = x[stride], x2 = x[2 * stride], x3 = x[3 * stride], x4 = x[4 * stride], x5 = x[5 * stride],
        x6 = x[6 * stride], x7 = x[7 * stride];
    int a = x0 + x7, d07 = x0 - x7, b = x3 + x4, d34 = x3 - x4;
    int e = x1 + x6, d16 = x1 - x6, f = x2 + x5, d25 = x2 - x5;
    int p = a + b, r = a - b, g = e + f, h = e - f;
    int k = (d16 - d25) >> 1;
    int m1 = Mul(d25, 0x5a82, roundM), m2 = Mul(d34, 0x5a82, roundM);
    int l = (d07 - d34) >> 1;
    int o1 = l - m1, o3 = l + m1, o0 = k - m2, o2 = k + m2;
    x[0] = p + g;
    x[4 * stride] = p - g;
    int n = Mul(h, 0x5a82, 0x4000);
    int j = (r - h) >> 1;
    x[2 * stride] = j + n;
    x[6 * stride] = j - n;
    n = Mul(o0, 0x30fc, 0x4000);
    j = (o1 - o0) >> 1;
    x[3 * stride] = j + n;
    x[5 * stride] = j - n;
    n = Mul(o2, 0x7642, 0x4000);
    j = (o3 - o2) >> 1;
    x[1 * stride] = j + n;
    x[7 * stride] = j - n;
}

}  // namespace

void BuildQuantizerPairs(const uint8_t zigzagTable[64], QuantizerPairs* pairs) {
    for (int i = 0; i < 64; ++i) {
        int row = i / 8, col = i % 8;
        int q = zigzagTable[kNaturalToZigzag[i]];
        long t = 0;
        if (q != 0) {
            double v = kCos[row] * kCos[col] * std::ldexp(1.0, kShift[row] + kShift[col] - 4) * 32768.0 / q;
            t = std::lround(v);
            if (t > 32767) t = 32767;
        }
        pairs->multiplier[i] = static_cast<int16_t>(t);
        pairs->threshold[i] = static_cast<int16_t>(t ? 16384 / t : 0);
    }
}

void ForwardDct(int16_t block[64]) {
#if VOLKG_SSE2_PATHS
    if (CpuHasSse2()) return ForwardDctSse2(block);
#endif
    // Two more fractional bits inside than the 16-bit form carries keep the
    // halvings of the transform from costing precision at fine tables.
    int x[64];
    for (int i = 0; i < 64; ++i) x[i] = block[i] * 4;
    for (int row = 0; row < 8; ++row) Pass(x + row * 8, 1, 0x4000);
    for (int col = 0; col < 8; ++col) Pass(x + col, 8, 0x4000);
    for (int i = 0; i < 64; ++i) block[i] = static_cast<int16_t>((x[i] + 2) >> 2);
}

void Quantize(const int16_t block[64], const QuantizerPairs& pairs, int16_t zigzagOut[64]) {
    // Without a branch: a value below its threshold rounds to 0 anyway, so
    // the plain product serves; natural order first, so the loop vectorises.
    int16_t natural[64];
    for (int i = 0; i < 64; ++i) {
        int q = (block[i] * pairs.multiplier[i] + 0x4000) >> 15;
        natural[i] = static_cast<int16_t>(q > 1023 ? 1023 : q < -1023 ? -1023 : q);
    }
    for (int i = 0; i < 64; ++i) zigzagOut[i] = natural[kZigzagToNatural[i]];
}
