// Small SSE2 pieces shared by the DCTs: 32-bit products as the plain forms
// make them, and the 4 x 4 transpose. Include only where SSE2 paths build.
#pragma once

#include <emmintrin.h>

#include "core/cpu_features.h"

// The low 32 bits of each lane's product by c (c in every lane), as plain
// 32-bit multiplication gives them: SSE2 multiplies two lanes at a time
// into 64 bits.
VOLKG_SSE2 inline __m128i MulLow32(__m128i v, __m128i c) {
    const __m128i even = _mm_mul_epu32(v, c);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(v, 32), c);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// Rows a..d of a 4 x 4 block of 32-bit values become its columns.
VOLKG_SSE2 inline void Transpose4(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    const __m128i ab0 = _mm_unpacklo_epi32(a, b), ab1 = _mm_unpackhi_epi32(a, b);
    const __m128i cd0 = _mm_unpacklo_epi32(c, d), cd1 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab0, cd0);
    b = _mm_unpackhi_epi64(ab0, cd0);
    c = _mm_unpacklo_epi64(ab1, cd1);
    d = _mm_unpackhi_epi64(ab1, cd1);
}
