// Colour output in AVX2 for 3-byte pixels, a whole MCU at a time: the
// chroma terms of all 64 chroma samples first (as the SSE2 form computes
// them, sixteen at a time), then sixteen pixels a step, two pieces of
// eight from any two rows, each piece's bytes put in place by two byte
// shuffles.
#include "core/cpu_features.h"
#include "jpeg/jpeg_simd.h"

#if VOLKG_AVX2_PATHS
#include <immintrin.h>

#include <cstring>

namespace {

VOLKG_AVX2 inline __m128i Load8(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

VOLKG_AVX2 inline __m256i Join(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// Sixteen terms from the (index, 32 * index) pairs of sixteen chroma
// samples; unpacking and packing both work within 128-bit halves, so the
// terms come out in the samples' order.
VOLKG_AVX2 inline __m256i Terms(__m256i pairsLo, __m256i pairsHi, const JpegChromaTerm& t) {
    const __m256i a = _mm256_set1_epi32(
        static_cast<int>(static_cast<uint32_t>(static_cast<uint16_t>(t.high32)) << 16 | static_cast<uint16_t>(t.low)));
    const __m256i bias = _mm256_set1_epi32(t.bias);
    const __m256i lo = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairsLo, a), bias), kJpegTermBits);
    const __m256i hi = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairsHi, a), bias), kJpegTermBits);
    return _mm256_packs_epi32(lo, hi);
}

VOLKG_AVX2 inline void Pairs(const int16_t* samples, __m256i& lo, __m256i& hi) {
    const __m256i index =
        _mm256_srai_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples)), kJpegChromaIndexShift);
    const __m256i scaled = _mm256_slli_epi16(index, 5);
    lo = _mm256_unpacklo_epi16(index, scaled);
    hi = _mm256_unpackhi_epi16(index, scaled);
}

// The blue, green and red terms of an MCU's 64 chroma samples.
struct ChromaTerms {
    int16_t blue[64], green[64], red[64];
};

VOLKG_AVX2 inline void ComputeTerms(const int16_t* cb, const int16_t* cr, ChromaTerms& t) {
    for (int i = 0; i < 64; i += 16) {
        __m256i cbLo, cbHi, crLo, crHi;
        Pairs(cb + i, cbLo, cbHi);
        Pairs(cr + i, crLo, crHi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t.blue + i), Terms(cbLo, cbHi, kJpegBlueTerm));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t.green + i),
                            _mm256_add_epi16(Terms(cbLo, cbHi, kJpegGreenCbTerm), Terms(crLo, crHi, kJpegGreenCrTerm)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t.red + i), Terms(crLo, crHi, kJpegRedTerm));
    }
}

// The terms of eight pixels from their first chroma sample's term on, HS
// pixels to a term.
template <int HS>
VOLKG_AVX2 inline __m128i Spread8(const int16_t* t) {
    if (HS == 1) return Load8(t);
    if (HS == 2) {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t));
        return _mm_unpacklo_epi16(v, v);
    }
    int32_t two;
    std::memcpy(&two, t, sizeof two);
    const __m128i v = _mm_cvtsi32_si128(two);
    const __m128i pairs = _mm_unpacklo_epi16(v, v);
    return _mm_unpacklo_epi32(pairs, pairs);
}

// Byte shuffles from the packed firsts and greens (bytes 0..7 and 8..15 of
// each half) and the packed thirds (bytes 0..7) to a piece's 24 bytes:
// bytes 0..15 (head) and 16..23 (tail); -128 gives zero.
struct PieceShuffles {
    int8_t headFirstGreen[32], headThird[32], tailFirstGreen[32], tailThird[32];
};
constexpr PieceShuffles MakePieceShuffles() {
    PieceShuffles m{};
    for (int half = 0; half < 32; half += 16)
        for (int j = 0; j < 24; ++j) {
            const int pixel = j / 3, component = j % 3;
            const int8_t fromFirstGreen = static_cast<int8_t>(component == 2 ? -128 : component * 8 + pixel);
            const int8_t fromThird = static_cast<int8_t>(component == 2 ? pixel : -128);
            int8_t* firstGreen = j < 16 ? m.headFirstGreen : m.tailFirstGreen;
            int8_t* third = j < 16 ? m.headThird : m.tailThird;
            firstGreen[half + j % 16] = fromFirstGreen;
            third[half + j % 16] = fromThird;
            if (j >= 16) firstGreen[half + 8 + j % 16] = third[half + 8 + j % 16] = -128;
        }
    return m;
}
constexpr PieceShuffles kShuffles = MakePieceShuffles();

VOLKG_AVX2 inline __m256i Mask(const int8_t* m) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m)); }

// Two pieces of eight pixels: luma and terms, the first piece in the low
// half; each piece's 24 bytes to its place.
template <bool RGB>
VOLKG_AVX2 inline void Pixels16(__m256i luma, __m256i blue, __m256i green, __m256i red, uint8_t* first,
                                uint8_t* second) {
    const __m256i b = _mm256_srai_epi16(_mm256_add_epi16(luma, blue), kJpegSampleBits);
    const __m256i g = _mm256_srai_epi16(_mm256_add_epi16(luma, green), kJpegSampleBits);
    const __m256i r = _mm256_srai_epi16(_mm256_add_epi16(luma, red), kJpegSampleBits);
    const __m256i firstGreen = _mm256_packus_epi16(RGB ? r : b, g);
    const __m256i third = _mm256_packus_epi16(RGB ? b : r, _mm256_setzero_si256());
    const __m256i head = _mm256_or_si256(_mm256_shuffle_epi8(firstGreen, Mask(kShuffles.headFirstGreen)),
                                         _mm256_shuffle_epi8(third, Mask(kShuffles.headThird)));
    const __m256i tail = _mm256_or_si256(_mm256_shuffle_epi8(firstGreen, Mask(kShuffles.tailFirstGreen)),
                                         _mm256_shuffle_epi8(third, Mask(kShuffles.tailThird)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(first), _mm256_castsi256_si128(head));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(first + 16), _mm256_castsi256_si128(tail));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(second), _mm256_extracti128_si256(head, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(second + 16), _mm256_extracti128_si256(tail, 1));
}

// Pieces of eight pixels in row order, HS to a row: piece i is row i / HS,
// luma block column i % HS.
template <int HS, int VS, bool RGB>
VOLKG_AVX2 void ColorMcu(const int16_t* s, uint8_t* const* rows, int x0) {
    ChromaTerms t;
    ComputeTerms(s + HS * VS * 64, s + HS * VS * 64 + 64, t);
    const int16_t* luma[2];
    uint8_t* out[2];
    int term[2];
    for (int i = 0; i < 8 * VS * HS; i += 2) {
        for (int k = 0; k < 2; ++k) {
            const int y = (i + k) / HS, bx = (i + k) % HS;
            luma[k] = s + ((y >> 3) * HS + bx) * 64 + (y & 7) * 8;
            out[k] = rows[y] + (x0 + bx * 8) * 3;
            term[k] = y / VS * 8 + bx * 8 / HS;
        }
        Pixels16<RGB>(Join(Load8(luma[0]), Load8(luma[1])),
                      Join(Spread8<HS>(t.blue + term[0]), Spread8<HS>(t.blue + term[1])),
                      Join(Spread8<HS>(t.green + term[0]), Spread8<HS>(t.green + term[1])),
                      Join(Spread8<HS>(t.red + term[0]), Spread8<HS>(t.red + term[1])), out[0], out[1]);
    }
}

template <int HS, int VS>
VOLKG_AVX2 void ColorBy(const int16_t* s, uint8_t* const* rows, int x0, bool rgb) {
    rgb ? ColorMcu<HS, VS, true>(s, rows, x0) : ColorMcu<HS, VS, false>(s, rows, x0);
}

}  // namespace

VOLKG_AVX2 void JpegColorMcuAvx2(McuLayout layout, const int16_t* samples, uint8_t* const* rows, int x0, bool rgb) {
    switch (layout) {
        case McuLayout::S1x1:
            ColorBy<1, 1>(samples, rows, x0, rgb);
            break;
        case McuLayout::S2x1:
            ColorBy<2, 1>(samples, rows, x0, rgb);
            break;
        case McuLayout::S2x2:
            ColorBy<2, 2>(samples, rows, x0, rgb);
            break;
        case McuLayout::S4x1:
            ColorBy<4, 1>(samples, rows, x0, rgb);
            break;
        case McuLayout::S1x2:
            ColorBy<1, 2>(samples, rows, x0, rgb);
            break;
        case McuLayout::Grey:
            break;  // the plain form writes grey
    }
}

#endif
