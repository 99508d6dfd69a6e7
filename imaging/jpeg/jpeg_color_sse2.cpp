// Colour output in SSE2, a whole MCU at a time: the chroma terms of each
// chroma row are computed once, spread over the pixels that share them in
// registers, added to the luma rows, floored and clamped by a shift and a
// saturating pack, and interleaved into pixels.
#include "jpeg/jpeg_simd.h"

#include "core/cpu_features.h"

#if VOLKG_SSE2_PATHS
#include <emmintrin.h>

namespace {

VOLKG_SSE2 inline __m128i Load8(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Eight terms from the (index, 32 * index) pairs of eight chroma samples.
VOLKG_SSE2 inline __m128i Terms(__m128i pairsLo, __m128i pairsHi, const JpegChromaTerm& t) {
    const __m128i a = _mm_set1_epi32(
        static_cast<int>(static_cast<uint32_t>(static_cast<uint16_t>(t.high32)) << 16 | static_cast<uint16_t>(t.low)));
    const __m128i bias = _mm_set1_epi32(t.bias);
    const __m128i lo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsLo, a), bias), kJpegTermBits);
    const __m128i hi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsHi, a), bias), kJpegTermBits);
    return _mm_packs_epi32(lo, hi);
}

// The (index, 32 * index) pairs of eight chroma samples, low four and high four.
VOLKG_SSE2 inline void Pairs(const int16_t* samples, __m128i& lo, __m128i& hi) {
    const __m128i index = _mm_srai_epi16(Load8(samples), kJpegChromaIndexShift);
    const __m128i scaled = _mm_slli_epi16(index, 5);
    lo = _mm_unpacklo_epi16(index, scaled);
    hi = _mm_unpackhi_epi16(index, scaled);
}

// Four pixels held as 32-bit lanes (top byte zero) to twelve bytes in the
// low part of the result, the rest zero.
VOLKG_SSE2 inline __m128i Pack12(__m128i pixels) {
    const __m128i even = _mm_set_epi32(0, -1, 0, -1), odd = _mm_set_epi32(-1, 0, -1, 0);
    // In each 64-bit lane: pixel 0 in bytes 0..2, pixel 1 in bytes 3..5.
    const __m128i pairs = _mm_or_si128(_mm_and_si128(pixels, even), _mm_srli_epi64(_mm_and_si128(pixels, odd), 8));
    const __m128i middle = _mm_set_epi32(0, -1, static_cast<int>(0xFFFF0000u), 0);  // bytes 6..11
    return _mm_or_si128(_mm_move_epi64(pairs), _mm_and_si128(_mm_srli_si128(pairs, 2), middle));
}

// Eight pixels from luma and the three chroma terms of each pixel.
template <int PB, bool RGB>
VOLKG_SSE2 inline void Pixels8(__m128i luma, __m128i blue, __m128i green, __m128i red, uint8_t* out) {
    const __m128i b = _mm_srai_epi16(_mm_add_epi16(luma, blue), kJpegSampleBits);
    const __m128i g = _mm_srai_epi16(_mm_add_epi16(luma, green), kJpegSampleBits);
    const __m128i r = _mm_srai_epi16(_mm_add_epi16(luma, red), kJpegSampleBits);
    const __m128i firstGreen = _mm_packus_epi16(RGB ? r : b, g);  // eight firsts, eight greens
    const __m128i third = _mm_packus_epi16(RGB ? b : r, _mm_setzero_si128());
    const __m128i pairs = _mm_unpacklo_epi8(firstGreen, _mm_srli_si128(firstGreen, 8));
    const __m128i thirds = _mm_unpacklo_epi8(third, _mm_setzero_si128());
    const __m128i lo = _mm_unpacklo_epi16(pairs, thirds), hi = _mm_unpackhi_epi16(pairs, thirds);
    auto* at = reinterpret_cast<__m128i*>(out);
    if (PB == 4) {
        // The fourth byte of each pixel is left as it was.
        const __m128i kept = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        _mm_storeu_si128(at, _mm_or_si128(lo, _mm_and_si128(_mm_loadu_si128(at), kept)));
        _mm_storeu_si128(at + 1, _mm_or_si128(hi, _mm_and_si128(_mm_loadu_si128(at + 1), kept)));
        return;
    }
    const __m128i first12 = Pack12(lo), last12 = Pack12(hi);
    _mm_storeu_si128(at, _mm_or_si128(first12, _mm_slli_si128(last12, 12)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm_srli_si128(last12, 4));
}

// Eight chroma terms spread over the 8 * HS pixels that share them, as HS
// vectors of eight.
template <int HS>
VOLKG_SSE2 inline void Spread(__m128i terms, __m128i* out) {
    if (HS == 1) {
        out[0] = terms;
    } else if (HS == 2) {
        out[0] = _mm_unpacklo_epi16(terms, terms);
        out[1] = _mm_unpackhi_epi16(terms, terms);
    } else {
        const __m128i lo = _mm_unpacklo_epi16(terms, terms), hi = _mm_unpackhi_epi16(terms, terms);
        out[0] = _mm_unpacklo_epi32(lo, lo);
        out[1] = _mm_unpackhi_epi32(lo, lo);
        out[2] = _mm_unpacklo_epi32(hi, hi);
        out[3] = _mm_unpackhi_epi32(hi, hi);
    }
}

template <int HS, int VS, int PB, bool RGB>
VOLKG_SSE2 void ColorMcu(const int16_t* s, uint8_t* const* rows, int x0) {
    const int16_t* cb = s + HS * VS * 64;
    const int16_t* cr = cb + 64;
    for (int cy = 0; cy < 8; ++cy) {
        __m128i cbLo, cbHi, crLo, crHi;
        Pairs(cb + cy * 8, cbLo, cbHi);
        Pairs(cr + cy * 8, crLo, crHi);
        __m128i blue[HS], green[HS], red[HS];
        Spread<HS>(Terms(cbLo, cbHi, kJpegBlueTerm), blue);
        Spread<HS>(_mm_add_epi16(Terms(cbLo, cbHi, kJpegGreenCbTerm), Terms(crLo, crHi, kJpegGreenCrTerm)), green);
        Spread<HS>(Terms(crLo, crHi, kJpegRedTerm), red);
        for (int v = 0; v < VS; ++v) {
            const int y = cy * VS + v;
            uint8_t* o = rows[y] + x0 * PB;
            const int16_t* lumaRow = s + (y >> 3) * HS * 64 + (y & 7) * 8;
            for (int bx = 0; bx < HS; ++bx)
                Pixels8<PB, RGB>(Load8(lumaRow + bx * 64), blue[bx], green[bx], red[bx], o + bx * 8 * PB);
        }
    }
}

template <int HS, int VS>
VOLKG_SSE2 void ColorBy(const int16_t* s, uint8_t* const* rows, int x0, int pixelBytes, bool rgb) {
    if (pixelBytes == 4)
        rgb ? ColorMcu<HS, VS, 4, true>(s, rows, x0) : ColorMcu<HS, VS, 4, false>(s, rows, x0);
    else
        rgb ? ColorMcu<HS, VS, 3, true>(s, rows, x0) : ColorMcu<HS, VS, 3, false>(s, rows, x0);
}

}  // namespace

VOLKG_SSE2_ENTRY void JpegColorMcuSse2(McuLayout layout, const int16_t* samples, uint8_t* const* rows, int x0,
                                       int pixelBytes, bool rgb) {
    switch (layout) {
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
        case McuLayout::Grey:
            break;  // the plain form writes grey
    }
}

#endif
