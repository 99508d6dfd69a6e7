// The SSE2 forms of the filter rows, sixteen bytes at a time.
#include "process/filter_rows.h"

#include "core/cpu_features.h"

#if VOLKG_SSE2_PATHS
#include <emmintrin.h>

namespace {

VOLKG_SSE2 inline void Sort2(__m128i& a, __m128i& b) {
    const __m128i lo = _mm_min_epu8(a, b);
    b = _mm_max_epu8(a, b);
    a = lo;
}

VOLKG_SSE2 inline __m128i Median3(__m128i a, __m128i b, __m128i c) {
    return _mm_max_epu8(_mm_min_epu8(a, b), _mm_min_epu8(_mm_max_epu8(a, b), c));
}

VOLKG_SSE2 inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Eight 16-bit sums divided, biased and saturated to 16 bits.
VOLKG_SSE2 inline __m128i Finish(__m128i sum16, bool divide, __m128 divisor, __m128i bias) {
    // Sign-extended halves: each value into the top of a 32-bit lane, shifted down.
    __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(sum16, sum16), 16);
    __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(sum16, sum16), 16);
    if (divide) {
        lo = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(lo), divisor));
        hi = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(hi), divisor));
    }
    return _mm_packs_epi32(_mm_add_epi32(lo, bias), _mm_add_epi32(hi, bias));
}

}  // namespace

// Each of the three columns is sorted; the median of nine is then the
// median of the largest low, the middle middle and the smallest high.
VOLKG_SSE2_ENTRY int MedianRow3Sse2(const uint8_t* a, const uint8_t* b, const uint8_t* d, int step, int count,
                                    uint8_t* out) {
    int k = 0;
    for (; k + 16 <= count; k += 16) {
        __m128i lo[3], mid[3], hi[3];
        for (int i = 0; i < 3; ++i) {
            const int at = k + (i - 1) * step;
            __m128i x = Load(a + at), y = Load(b + at), z = Load(d + at);
            Sort2(x, y), Sort2(y, z), Sort2(x, y);
            lo[i] = x, mid[i] = y, hi[i] = z;
        }
        const __m128i low = _mm_max_epu8(_mm_max_epu8(lo[0], lo[1]), lo[2]);
        const __m128i high = _mm_min_epu8(_mm_min_epu8(hi[0], hi[1]), hi[2]);
        const __m128i middle = Median3(mid[0], mid[1], mid[2]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), Median3(low, middle, high));
    }
    return k;
}

// Sums in 16-bit lanes (the kernel fits, ConvolveFitsSse2), then 32 bits
// for the quotient and the bias. The quotient in single precision truncates
// exactly as integer division does: with |sum| < 2^15 no quotient lies
// within rounding distance of an integer it does not reach.
VOLKG_SSE2_ENTRY int ConvolveRowSse2(const uint8_t* const* rows, const KernelRow& kernel, int count, uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    // Beyond +-(2^15 + 255) every bias saturates alike; kept in range for 32 bits.
    const int bias = kernel.bias < -70000 ? -70000 : kernel.bias > 70000 ? 70000 : kernel.bias;
    const __m128i biasV = _mm_set1_epi32(bias);
    const bool divide = kernel.divisor != 1;
    const __m128 divisor = _mm_set1_ps(static_cast<float>(kernel.divisor));
    // Each tap's start and weight, found once for the row (kernels up to 5 x 5
    // in full; larger ones read the tap list as they go).
    constexpr int kHeld = 25;
    const uint8_t* starts[kHeld];
    __m128i weights[kHeld];
    const int held = kernel.tapCount <= kHeld ? kernel.tapCount : 0;
    for (int t = 0; t < held; ++t) {
        starts[t] = rows[kernel.taps[t].row] + kernel.taps[t].offset;
        weights[t] = _mm_set1_epi16(static_cast<int16_t>(kernel.taps[t].weight));
    }
    int k = 0;
    for (; k + 16 <= count; k += 16) {
        __m128i sumLo = zero, sumHi = zero;
        auto add = [&](const uint8_t* p, __m128i w) VOLKG_SSE2 {
            const __m128i v = Load(p);
            sumLo = _mm_add_epi16(sumLo, _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), w));
            sumHi = _mm_add_epi16(sumHi, _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), w));
        };
        if (held) {
            for (int t = 0; t < held; ++t) add(starts[t] + k, weights[t]);
        } else {
            for (int t = 0; t < kernel.tapCount; ++t) {
                const KernelTap& tap = kernel.taps[t];
                add(rows[tap.row] + k + tap.offset, _mm_set1_epi16(static_cast<int16_t>(tap.weight)));
            }
        }
        const __m128i bytes =
            _mm_packus_epi16(Finish(sumLo, divide, divisor, biasV), Finish(sumHi, divide, divisor, biasV));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), bytes);
    }
    return k;
}

#endif
