// The inverse DCT of a full block in SSE2: the same butterfly and the same
// 32-bit arithmetic as the plain form, four columns (then four rows) at a
// time, so the samples are the same to the bit.
#include "jpeg/jpeg_simd.h"

#include "core/cpu_features.h"

#if VOLKG_SSE2_PATHS
#include <cstring>

#include "jpeg/jpeg_sse2_ops.h"

namespace {

constexpr int kBits = 12;
constexpr int kC7642 = static_cast<int>(1.847759065 * (1 << kBits) + 0.5);  // 2 cos(pi/8)
constexpr int kC5A82 = static_cast<int>(1.414213562 * (1 << kBits) + 0.5);  // sqrt 2
constexpr int kC30FC = static_cast<int>(0.765366865 * (1 << kBits) + 0.5);  // 2 sin(pi/8)

// A constant below 2^16 in both 16-bit halves of each lane (both) and in the
// low half only (low).
struct Factor {
    __m128i both, low;
    VOLKG_SSE2 explicit Factor(int c) : both(_mm_set1_epi32(c << 16 | c)), low(_mm_set1_epi32(c)) {}
};

struct Constants {
    Factor c7642, c5a82, c30fc;
    __m128i round;
};

// (v * c + half) >> kBits, the product wrapping in 32 bits as in the plain
// form. With v = high * 2^16 + low (low unsigned), v * c modulo 2^32 is
// low * c + 2^16 * (high * c modulo 2^16): the 16-bit low products of both
// halves plus the high half of low * c moved up.
VOLKG_SSE2 inline __m128i M(__m128i v, const Factor& c, __m128i round) {
    const __m128i product = _mm_add_epi32(_mm_mullo_epi16(v, c.both), _mm_slli_epi32(_mm_mulhi_epu16(v, c.low), 16));
    return _mm_srai_epi32(_mm_add_epi32(product, round), kBits);
}

VOLKG_SSE2 inline void Butterfly(__m128i* x, const Constants& k) {
    const __m128i a0 = _mm_add_epi32(x[0], x[4]), a4 = _mm_sub_epi32(x[0], x[4]);
    const __m128i a1 = _mm_add_epi32(x[1], x[7]), a7 = M(_mm_sub_epi32(x[1], x[7]), k.c7642, k.round);
    const __m128i a2 = _mm_add_epi32(x[2], x[6]), a6 = M(_mm_sub_epi32(x[2], x[6]), k.c5a82, k.round);
    const __m128i a3 = _mm_add_epi32(x[3], x[5]), a5 = M(_mm_sub_epi32(x[3], x[5]), k.c30fc, k.round);
    const __m128i b0 = _mm_add_epi32(a0, a2), b3 = _mm_sub_epi32(a0, a2);
    const __m128i e = _mm_sub_epi32(a6, a2);
    const __m128i b1 = _mm_add_epi32(a4, e), b2 = _mm_sub_epi32(a4, e);
    const __m128i o1 = _mm_add_epi32(a1, a3), o2 = M(_mm_sub_epi32(a1, a3), k.c5a82, k.round);
    const __m128i f = _mm_sub_epi32(a7, a1), g = _mm_sub_epi32(a5, a3);
    const __m128i o3 = _mm_add_epi32(f, g), o4 = M(_mm_sub_epi32(f, g), k.c5a82, k.round);
    const __m128i h = _mm_sub_epi32(o4, o1), m = _mm_sub_epi32(o2, o3);
    x[0] = _mm_add_epi32(b0, o1);
    x[7] = _mm_sub_epi32(b0, o1);
    x[3] = _mm_add_epi32(b3, h);
    x[4] = _mm_sub_epi32(b3, h);
    x[1] = _mm_add_epi32(b1, o3);
    x[6] = _mm_sub_epi32(b1, o3);
    x[2] = _mm_add_epi32(b2, m);
    x[5] = _mm_sub_epi32(b2, m);
}

}  // namespace

// Columns in two halves of four, each half transposed into a buffer that
// holds the columns as rows; then rows four at a time from it, transposed
// back and narrowed to clamped samples. Half a block at a time stays in
// registers.
VOLKG_SSE2_ENTRY void JpegInverseDctFullSse2(int16_t* out, int32_t* coef) {
    static_assert(kC7642 < 1 << 16 && kC5A82 < 1 << 16 && kC30FC < 1 << 16, "factors of one 16-bit half");
    const Constants k{Factor(kC7642), Factor(kC5A82), Factor(kC30FC), _mm_set1_epi32(1 << (kBits - 1))};
    // columns[c * 8 + r]: row r of column c after the column pass.
    alignas(16) int32_t columns[64];
    for (int half = 0; half < 8; half += 4) {
        __m128i x[8];
        for (int r = 0; r < 8; ++r) x[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + r * 8 + half));
        Butterfly(x, k);
        Transpose4(x[0], x[1], x[2], x[3]);
        Transpose4(x[4], x[5], x[6], x[7]);
        for (int j = 0; j < 4; ++j) {
            _mm_store_si128(reinterpret_cast<__m128i*>(columns + (half + j) * 8), x[j]);
            _mm_store_si128(reinterpret_cast<__m128i*>(columns + (half + j) * 8 + 4), x[j + 4]);
        }
    }
    const __m128i maxSample = _mm_set1_epi16(static_cast<int16_t>(kJpegSampleMax)), zero = _mm_setzero_si128();
    for (int half = 0; half < 8; half += 4) {
        // x[c]: column c of rows half..half + 3.
        __m128i x[8];
        for (int c = 0; c < 8; ++c) x[c] = _mm_load_si128(reinterpret_cast<const __m128i*>(columns + c * 8 + half));
        Butterfly(x, k);
        Transpose4(x[0], x[1], x[2], x[3]);
        Transpose4(x[4], x[5], x[6], x[7]);
        for (int r = 0; r < 4; ++r) {
            const __m128i lo = _mm_srai_epi32(x[r], kJpegLevelBits - kJpegSampleBits);
            const __m128i hi = _mm_srai_epi32(x[r + 4], kJpegLevelBits - kJpegSampleBits);
            const __m128i samples = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(lo, hi), zero), maxSample);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (half + r) * 8), samples);
        }
    }
    std::memset(coef, 0, 64 * sizeof(int32_t));
}

#endif
