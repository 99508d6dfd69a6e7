// Forward DCT: a scaled 8-point transform with five multiplications per
// pass, in 16-bit arithmetic; the scale of each output is folded into the
// quantiser's multipliers.
#include "jpeg/jpeg_fdct.h"

#include <cmath>

#include "jpeg/jpeg_tables.h"

namespace {

// cos(k pi / 16), with k = 0 and 4 giving sqrt(1/2), and the power of two by
// which the transform leaves output k short of the plain DCT.
constexpr double kCos[8] = {0.7071068, 0.9807853, 0.9238795, 0.8314696, 0.7071068, 0.5555702, 0.3826834, 0.1950903};
constexpr int kShift[8] = {0, 2, 1, 2, 0, 2, 1, 2};

inline int16_t Mul(int a, int c, int round) { return static_cast<int16_t>((a * c + round) >> 15); }

// One 8-point pass over x[0], x[stride], ...; rounding constants of the
// first two products differ between the row and the column pass.
inline void Pass(int16_t* x, int stride, int roundM, int preShift) {
    int x0 = x[0] >> preShift, x1 = x[stride] >> preShift, x2 = x[2 * stride] >> preShift,
        x3 = x[3 * stride] >> preShift, x4 = x[4 * stride] >> preShift, x5 = x[5 * stride] >> preShift,
        x6 = x[6 * stride] >> preShift, x7 = x[7 * stride] >> preShift;
    int16_t a = static_cast<int16_t>(x0 + x7), d07 = static_cast<int16_t>(x0 - x7);
    int16_t b = static_cast<int16_t>(x3 + x4), d34 = static_cast<int16_t>(x3 - x4);
    int16_t e = static_cast<int16_t>(x1 + x6), d16 = static_cast<int16_t>(x1 - x6);
    int16_t f = static_cast<int16_t>(x2 + x5), d25 = static_cast<int16_t>(x2 - x5);
    int16_t p = static_cast<int16_t>(a + b), r = static_cast<int16_t>(a - b);
    int16_t g = static_cast<int16_t>(e + f), h = static_cast<int16_t>(e - f);
    int16_t k = static_cast<int16_t>((d16 - d25) >> 1);
    int16_t m1 = Mul(d25, 0x5a82, roundM), m2 = Mul(d34, 0x5a82, roundM);
    int16_t l = static_cast<int16_t>((d07 - d34) >> 1);
    int16_t o1 = static_cast<int16_t>(l - m1), o3 = static_cast<int16_t>(l + m1);
    int16_t o0 = static_cast<int16_t>(k - m2), o2 = static_cast<int16_t>(k + m2);
    x[0] = static_cast<int16_t>(p + g);
    x[4 * stride] = static_cast<int16_t>(p - g);
    int16_t n = Mul(h, 0x5a82, 0x4000);
    int16_t j = static_cast<int16_t>((r - h) >> 1);
    x[2 * stride] = static_cast<int16_t>(j + n);
    x[6 * stride] = static_cast<int16_t>(j - n);
    n = Mul(o0, 0x30fc, 0x4000);
    j = static_cast<int16_t>((o1 - o0) >> 1);
    x[3 * stride] = static_cast<int16_t>(j + n);
    x[5 * stride] = static_cast<int16_t>(j - n);
    n = Mul(o2, 0x7642, 0x4000);
    j = static_cast<int16_t>((o3 - o2) >> 1);
    x[1 * stride] = static_cast<int16_t>(j + n);
    x[7 * stride] = static_cast<int16_t>(j - n);
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
    for (int row = 0; row < 8; ++row) Pass(block + row * 8, 1, 0x2000, 0);
    for (int col = 0; col < 8; ++col) Pass(block + col, 8, 0x400, 0);
}

void Quantize(const int16_t block[64], const QuantizerPairs& pairs, int16_t zigzagOut[64]) {
    for (int i = 0; i < 64; ++i) {
        int natural = kZigzagToNatural[i];
        int v = block[natural];
        int m = pairs.threshold[natural];
        int q = 0;
        if (v >= m || -v >= m) {
            q = (v * pairs.multiplier[natural] + 0x4000) >> 15;
            q = q > 1023 ? 1023 : q < -1023 ? -1023 : q;
        }
        zigzagOut[i] = static_cast<int16_t>(q);
    }
}
