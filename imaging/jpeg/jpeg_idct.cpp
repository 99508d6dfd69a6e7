// The 8x8 inverse DCT: one 8-point butterfly with five multiplications,
// over the columns in place and then over the rows, in 32-bit values with
// 256 steps per output level. The dequantisation multipliers carry the
// per-frequency factors, so a pass computes
// y_n = sum x_k cos((2n+1)k pi/16) / cos(k pi/16).
#include <cstdint>
#include <cstring>

#include "core/cpu_features.h"
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_simd.h"

namespace {

// The column loop unrolled eight times overflows a 32-bit register file:
// rolled, it spills less (measured under bench_jpeg_decode).
#if defined(__clang__)
#define KEEP_ROLLED _Pragma("clang loop unroll(disable)")
#elif defined(__GNUC__)
#define KEEP_ROLLED _Pragma("GCC unroll 1")
#else
#define KEEP_ROLLED
#endif

constexpr int kBits = 12;
constexpr uint32_t kC7642 = static_cast<uint32_t>(1.847759065 * (1 << kBits) + 0.5);  // 2 cos(pi/8)
constexpr uint32_t kC5A82 = static_cast<uint32_t>(1.414213562 * (1 << kBits) + 0.5);  // sqrt 2
constexpr uint32_t kC30FC = static_cast<uint32_t>(0.765366865 * (1 << kBits) + 0.5);  // 2 sin(pi/8)

// One product in 32 bits. No 8-bit picture brings |v| near 2^18, where the
// product would wrap; damaged data may, and then the wrap (defined on
// unsigned values) gives noise instead of a fault. The shift keeps every
// result within +-2^19, so with inputs within +-2^23 no sum overflows.
inline int32_t M(int32_t v, uint32_t c) {
    return static_cast<int32_t>(static_cast<uint32_t>(v) * c + (1u << (kBits - 1))) >> kBits;
}

inline void Butterfly(int32_t x0, int32_t x1, int32_t x2, int32_t x3, int32_t x4, int32_t x5, int32_t x6, int32_t x7,
                      int32_t* y) {
    const int32_t a0 = x0 + x4, a4 = x0 - x4;
    const int32_t a1 = x1 + x7, a7 = M(x1 - x7, kC7642);
    const int32_t a2 = x2 + x6, a6 = M(x2 - x6, kC5A82);
    const int32_t a3 = x3 + x5, a5 = M(x3 - x5, kC30FC);
    const int32_t b0 = a0 + a2, b3 = a0 - a2;
    const int32_t e = a6 - a2;
    const int32_t b1 = a4 + e, b2 = a4 - e;
    const int32_t o1 = a1 + a3, o2 = M(a1 - a3, kC5A82);
    const int32_t f = a7 - a1, g = a5 - a3;
    const int32_t o3 = f + g, o4 = M(f - g, kC5A82);
    const int32_t h = o4 - o1, m = o2 - o3;
    y[0] = b0 + o1;
    y[7] = b0 - o1;
    y[3] = b3 + h;
    y[4] = b3 - h;
    y[1] = b1 + o3;
    y[6] = b1 - o3;
    y[2] = b2 + m;
    y[5] = b2 - m;
}

// Level 128 and half a sample step; added to the DC term it reaches every
// output.
constexpr int32_t kBias = (128 << kJpegLevelBits) + (1 << (kJpegLevelBits - kJpegSampleBits - 1));

// The internal scale to a sample of 0..255 levels with kJpegSampleBits of
// fraction, clamped.
inline int16_t Sample(int32_t y) {
    y >>= kJpegLevelBits - kJpegSampleBits;
    if (static_cast<uint32_t>(y) > kJpegSampleMax) y = y < 0 ? 0 : kJpegSampleMax;
    return static_cast<int16_t>(y);
}

// Eight results of a row pass to samples; a row within the levels, as
// nearly all are, needs no clamping.
inline void RowSamples(const int32_t* y, int16_t* o) {
    if (static_cast<uint32_t>(y[0] | y[1] | y[2] | y[3] | y[4] | y[5] | y[6] | y[7]) < (256u << kJpegLevelBits)) {
        for (int i = 0; i < 8; ++i) o[i] = static_cast<int16_t>(y[i] >> (kJpegLevelBits - kJpegSampleBits));
        return;
    }
    for (int i = 0; i < 8; ++i) o[i] = Sample(y[i]);
}

}  // namespace

void JpegInverseDct(int16_t* out, int32_t* coef, int positions) {
    // Coefficients come from the dequantisation, within +-2^23.
    coef[0] += kBias;
    int32_t y[8];
    if (positions == 0) {
        const int16_t s = Sample(coef[0]);
        coef[0] = 0;
        for (int i = 0; i < 64; ++i) out[i] = s;
        return;
    }
    if (positions < 8) {
        // Horizontal frequencies only: every column is flat, every row the same.
        Butterfly(coef[0], coef[1], coef[2], coef[3], coef[4], coef[5], coef[6], coef[7], y);
        for (int i = 0; i < 8; ++i) coef[i] = 0;
        RowSamples(y, out);
        for (int r = 8; r < 64; r += 8) std::memcpy(out + r, out, 8 * sizeof(int16_t));
        return;
    }
    if ((positions & 7) == 0) {
        // Vertical frequencies only: one column, then every row is flat.
        Butterfly(coef[0], coef[8], coef[16], coef[24], coef[32], coef[40], coef[48], coef[56], y);
        for (int r = 0; r < 8; ++r) {
            coef[r * 8] = 0;
            const int16_t v = Sample(y[r]);
            for (int i = 0; i < 8; ++i) out[r * 8 + i] = v;
        }
        return;
    }
#if VOLKG_AVX2_PATHS
    if (CpuHasAvx2()) {
        JpegInverseDctFullAvx2(out, coef);
        return;
    }
#endif
#if VOLKG_SSE2_PATHS
    if (CpuHasSse2()) {
        JpegInverseDctFullSse2(out, coef);
        return;
    }
#endif
    KEEP_ROLLED
    for (int c = 0; c < 8; ++c) {
        int32_t* col = coef + c;
        if ((col[8] | col[16] | col[24] | col[32] | col[40] | col[48] | col[56]) == 0) {
            // Only the top coefficient: the column is flat.
            const int32_t v = col[0];
            for (int r = 8; r < 64; r += 8) col[r] = v;
            continue;
        }
        Butterfly(col[0], col[8], col[16], col[24], col[32], col[40], col[48], col[56], y);
        for (int r = 0; r < 8; ++r) col[r * 8] = y[r];
    }
    for (int r = 0; r < 8; ++r) {
        int32_t* row = coef + r * 8;
        int16_t* o = out + r * 8;
        if ((row[1] | row[2] | row[3] | row[4] | row[5] | row[6] | row[7]) == 0) {
            // Only the left value: the row is flat.
            const int16_t v = Sample(row[0]);
            for (int i = 0; i < 8; ++i) o[i] = v;
            continue;
        }
        Butterfly(row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7], y);
        RowSamples(y, o);
    }
    std::memset(coef, 0, 64 * sizeof(int32_t));
}
