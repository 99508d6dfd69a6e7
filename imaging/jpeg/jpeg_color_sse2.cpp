// Colour output in SSE2: luma plus chroma terms, floored and clamped by a
// shift and a saturating pack, the three planes interleaved into pixels.
#include "jpeg/jpeg_simd.h"

#include "core/cpu_features.h"

#if VOLKG_SSE2_PATHS
#include <emmintrin.h>

namespace {

VOLKG_SSE2 inline __m128i Load8(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Levels of eight pixels as eight bytes in the low half.
VOLKG_SSE2 inline __m128i Levels(__m128i luma, const int16_t* term) {
    const __m128i sum = _mm_srai_epi16(_mm_add_epi16(luma, Load8(term)), kJpegSampleBits);
    return _mm_packus_epi16(sum, sum);
}

// Four pixels held as 32-bit lanes (top byte zero) to twelve bytes.
VOLKG_SSE2 inline void Store3(__m128i pixels, uint8_t* out) {
    const __m128i lane = _mm_set_epi32(0, -1, 0, -1), upper = _mm_set_epi32(0xFFFF, static_cast<int>(0xFF000000u), 0xFFFF,
                                                                           static_cast<int>(0xFF000000u));
    // In each 64-bit lane: pixel 0 in bytes 0..2, pixel 1 in bytes 3..5.
    const __m128i pairs = _mm_or_si128(_mm_and_si128(pixels, lane), _mm_and_si128(_mm_srli_epi64(pixels, 8), upper));
    const __m128i six = _mm_set_epi32(0, 0, 0xFFFF, -1);
    const __m128i packed = _mm_or_si128(_mm_and_si128(pairs, six), _mm_slli_si128(_mm_srli_si128(pairs, 8), 6));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    const int last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
    out[8] = static_cast<uint8_t>(last), out[9] = static_cast<uint8_t>(last >> 8);
    out[10] = static_cast<uint8_t>(last >> 16), out[11] = static_cast<uint8_t>(last >> 24);
}

}  // namespace

VOLKG_SSE2_ENTRY void JpegColorPixels8Sse2(const int16_t* luma, const int16_t* blue, const int16_t* green,
                                           const int16_t* red, uint8_t* out, int pixelBytes, bool rgb) {
    const __m128i y = Load8(luma), zero = _mm_setzero_si128();
    const __m128i b = Levels(y, blue), g = Levels(y, green), r = Levels(y, red);
    const __m128i first = rgb ? r : b, third = rgb ? b : r;
    const __m128i pairs = _mm_unpacklo_epi8(first, g);                    // first, green of each pixel
    const __m128i thirds = _mm_unpacklo_epi8(third, zero);               // third, 0
    const __m128i lo = _mm_unpacklo_epi16(pairs, thirds), hi = _mm_unpackhi_epi16(pairs, thirds);
    if (pixelBytes == 4) {
        // The fourth byte of each pixel is left as it was.
        const __m128i kept = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        auto* at = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(at, _mm_or_si128(lo, _mm_and_si128(_mm_loadu_si128(at), kept)));
        _mm_storeu_si128(at + 1, _mm_or_si128(hi, _mm_and_si128(_mm_loadu_si128(at + 1), kept)));
        return;
    }
    Store3(lo, out);
    Store3(hi, out + 12);
}

#endif
