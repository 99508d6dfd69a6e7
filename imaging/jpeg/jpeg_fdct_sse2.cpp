// The forward DCT in SSE2: the same passes and the same 32-bit arithmetic
// as the plain form, four rows (then four columns) at a time, so the
// coefficients are the same to the bit.
#include "jpeg/jpeg_simd.h"

#include "core/cpu_features.h"

#if VOLKG_SSE2_PATHS
#include "jpeg/jpeg_sse2_ops.h"

namespace {

// (a * c + 0x4000) >> 15; every product fits 32 bits for samples of the
// encoder's range.
VOLKG_SSE2 inline __m128i Mul(__m128i a, int c) {
    return _mm_srai_epi32(_mm_add_epi32(MulLow32(a, _mm_set1_epi32(c)), _mm_set1_epi32(0x4000)), 15);
}

// One 8-point pass, x[k] holding the k-th input of four transforms.
VOLKG_SSE2 inline void Pass(__m128i* x) {
    const __m128i a = _mm_add_epi32(x[0], x[7]), d07 = _mm_sub_epi32(x[0], x[7]);
    const __m128i b = _mm_add_epi32(x[3], x[4]), d34 = _mm_sub_epi32(x[3], x[4]);
    const __m128i e = _mm_add_epi32(x[1], x[6]), d16 = _mm_sub_epi32(x[1], x[6]);
    const __m128i f = _mm_add_epi32(x[2], x[5]), d25 = _mm_sub_epi32(x[2], x[5]);
    const __m128i p = _mm_add_epi32(a, b), r = _mm_sub_epi32(a, b), g = _mm_add_epi32(e, f), h = _mm_sub_epi32(e, f);
    const __m128i k = _mm_srai_epi32(_mm_sub_epi32(d16, d25), 1);
    const __m128i m1 = Mul(d25, 0x5a82), m2 = Mul(d34, 0x5a82);
    const __m128i l = _mm_srai_epi32(_mm_sub_epi32(d07, d34), 1);
    const __m128i o1 = _mm_sub_epi32(l, m1), o3 = _mm_add_epi32(l, m1);
    const __m128i o0 = _mm_sub_epi32(k, m2), o2 = _mm_add_epi32(k, m2);
    x[0] = _mm_add_epi32(p, g);
    x[4] = _mm_sub_epi32(p, g);
    __m128i n = Mul(h, 0x5a82), j = _mm_srai_epi32(_mm_sub_epi32(r, h), 1);
    x[2] = _mm_add_epi32(j, n);
    x[6] = _mm_sub_epi32(j, n);
    n = Mul(o0, 0x30fc), j = _mm_srai_epi32(_mm_sub_epi32(o1, o0), 1);
    x[3] = _mm_add_epi32(j, n);
    x[5] = _mm_sub_epi32(j, n);
    n = Mul(o2, 0x7642), j = _mm_srai_epi32(_mm_sub_epi32(o3, o2), 1);
    x[1] = _mm_add_epi32(j, n);
    x[7] = _mm_sub_epi32(j, n);
}

}  // namespace

// Rows are transposed so that each vector holds one input of four row
// transforms; the results are transposed back for the column pass.
VOLKG_SSE2_ENTRY void ForwardDctSse2(int16_t block[64]) {
    __m128i left[8], right[8];  // row r: columns 0..3 and 4..7, times 4 as in the plain form
    for (int r = 0; r < 8; ++r) {
        const __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * r));
        left[r] = _mm_slli_epi32(_mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16), 2);
        right[r] = _mm_slli_epi32(_mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16), 2);
    }
    // top[c]: column c of rows 0..3; bottom[c]: of rows 4..7.
    __m128i top[8] = {left[0], left[1], left[2], left[3], right[0], right[1], right[2], right[3]};
    __m128i bottom[8] = {left[4], left[5], left[6], left[7], right[4], right[5], right[6], right[7]};
    for (__m128i* half : {top, bottom}) {
        Transpose4(half[0], half[1], half[2], half[3]);
        Transpose4(half[4], half[5], half[6], half[7]);
        Pass(half);
        Transpose4(half[0], half[1], half[2], half[3]);
        Transpose4(half[4], half[5], half[6], half[7]);
    }
    // Back to rows: row r's columns 0..3 and 4..7.
    for (int r = 0; r < 4; ++r) {
        left[r] = top[r], right[r] = top[r + 4];
        left[r + 4] = bottom[r], right[r + 4] = bottom[r + 4];
    }
    Pass(left);
    Pass(right);
    const __m128i two = _mm_set1_epi32(2);
    for (int r = 0; r < 8; ++r) {
        const __m128i lo = _mm_srai_epi32(_mm_add_epi32(left[r], two), 2);
        const __m128i hi = _mm_srai_epi32(_mm_add_epi32(right[r], two), 2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * r), _mm_packs_epi32(lo, hi));
    }
}

#endif
