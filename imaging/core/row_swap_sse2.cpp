// Red and blue of 24-bit pixels exchanged in SSE2, sixteen pixels (three
// vectors) at a time: in each pixel the first byte takes the byte two to
// its right, the third the byte two to its left. Three whole vectors keep
// every load clear of the stores before it.
#include "core/cpu_features.h"
#include "core/pixel_format.h"

#if VOLKG_SSE2_PATHS
#include <emmintrin.h>

namespace {

// Which bytes of a vector keep their value, take the byte two to the right
// or two to the left, by the pixel offset (phase) of the vector's first byte.
struct MaskBytes {
    alignas(16) unsigned char keep[3][16];
    alignas(16) unsigned char right[3][16];
    alignas(16) unsigned char left[3][16];
};
constexpr MaskBytes MakeMaskBytes() {
    MaskBytes m{};
    for (int phase = 0; phase < 3; ++phase)
        for (int i = 0; i < 16; ++i) {
            const int at = (phase + i) % 3;
            m.keep[phase][i] = at == 1 ? 0xFF : 0;
            m.right[phase][i] = at == 0 ? 0xFF : 0;
            m.left[phase][i] = at == 2 ? 0xFF : 0;
        }
    return m;
}
constexpr MaskBytes kMaskBytes = MakeMaskBytes();

struct SwapMasks {
    __m128i keep, right, left;
};

VOLKG_SSE2 inline SwapMasks Masks(int phase) {
    return {_mm_load_si128(reinterpret_cast<const __m128i*>(kMaskBytes.keep[phase])),
            _mm_load_si128(reinterpret_cast<const __m128i*>(kMaskBytes.right[phase])),
            _mm_load_si128(reinterpret_cast<const __m128i*>(kMaskBytes.left[phase]))};
}

VOLKG_SSE2 inline __m128i Mix(__m128i v, __m128i right, __m128i left, const SwapMasks& m) {
    return _mm_or_si128(_mm_and_si128(v, m.keep),
                        _mm_or_si128(_mm_and_si128(right, m.right), _mm_and_si128(left, m.left)));
}

}  // namespace

VOLKG_SSE2_ENTRY int SwapRow24Sse2(unsigned char* row, int count) {
    const SwapMasks m0 = Masks(0), m1 = Masks(1), m2 = Masks(2);
    int i = 0;
    for (; count - i >= 16; i += 16) {
        auto* p = reinterpret_cast<__m128i*>(row + 3 * i);
        const __m128i a = _mm_loadu_si128(p), b = _mm_loadu_si128(p + 1), c = _mm_loadu_si128(p + 2);
        // Bytes two to the right and two to the left, across the vectors' seams.
        const __m128i aRight = _mm_or_si128(_mm_srli_si128(a, 2), _mm_slli_si128(b, 14));
        const __m128i bRight = _mm_or_si128(_mm_srli_si128(b, 2), _mm_slli_si128(c, 14));
        const __m128i bLeft = _mm_or_si128(_mm_slli_si128(b, 2), _mm_srli_si128(a, 14));
        const __m128i cLeft = _mm_or_si128(_mm_slli_si128(c, 2), _mm_srli_si128(b, 14));
        _mm_storeu_si128(p, Mix(a, aRight, _mm_slli_si128(a, 2), m0));
        _mm_storeu_si128(p + 1, Mix(b, bRight, bLeft, m1));
        _mm_storeu_si128(p + 2, Mix(c, _mm_srli_si128(c, 2), cLeft, m2));
    }
    return i;
}

#endif
