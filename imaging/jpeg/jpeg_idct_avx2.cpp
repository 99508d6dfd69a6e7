// The inverse DCT of a full block in AVX2: the butterfly and the 32-bit
// arithmetic of the plain form over all eight columns at once, then over
// all eight rows, so the samples are the same to the bit. AVX2 multiplies
// 32-bit lanes whole, where SSE2 builds each product from three steps.
#include "core/cpu_features.h"
#include "jpeg/jpeg_simd.h"

#if VOLKG_AVX2_PATHS
#include <immintrin.h>

namespace {

constexpr int kBits = 12;
constexpr int kC7642 = static_cast<int>(1.847759065 * (1 << kBits) + 0.5);  // 2 cos(pi/8)
constexpr int kC5A82 = static_cast<int>(1.414213562 * (1 << kBits) + 0.5);  // sqrt 2
constexpr int kC30FC = static_cast<int>(0.765366865 * (1 << kBits) + 0.5);  // 2 sin(pi/8)

struct Constants {
    __m256i c7642, c5a82, c30fc, round;
};

// (v * c + half) >> kBits, the product wrapping in 32 bits as in the plain form.
VOLKG_AVX2 inline __m256i M(__m256i v, __m256i c, __m256i round) {
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(v, c), round), kBits);
}

VOLKG_AVX2 inline void Butterfly(__m256i* x, const Constants& k) {
    const __m256i a0 = _mm256_add_epi32(x[0], x[4]), a4 = _mm256_sub_epi32(x[0], x[4]);
    const __m256i a1 = _mm256_add_epi32(x[1], x[7]), a7 = M(_mm256_sub_epi32(x[1], x[7]), k.c7642, k.round);
    const __m256i a2 = _mm256_add_epi32(x[2], x[6]), a6 = M(_mm256_sub_epi32(x[2], x[6]), k.c5a82, k.round);
    const __m256i a3 = _mm256_add_epi32(x[3], x[5]), a5 = M(_mm256_sub_epi32(x[3], x[5]), k.c30fc, k.round);
    const __m256i b0 = _mm256_add_epi32(a0, a2), b3 = _mm256_sub_epi32(a0, a2);
    const __m256i e = _mm256_sub_epi32(a6, a2);
    const __m256i b1 = _mm256_add_epi32(a4, e), b2 = _mm256_sub_epi32(a4, e);
    const __m256i o1 = _mm256_add_epi32(a1, a3), o2 = M(_mm256_sub_epi32(a1, a3), k.c5a82, k.round);
    const __m256i f = _mm256_sub_epi32(a7, a1), g = _mm256_sub_epi32(a5, a3);
    const __m256i o3 = _mm256_add_epi32(f, g), o4 = M(_mm256_sub_epi32(f, g), k.c5a82, k.round);
    const __m256i h = _mm256_sub_epi32(o4, o1), m = _mm256_sub_epi32(o2, o3);
    x[0] = _mm256_add_epi32(b0, o1);
    x[7] = _mm256_sub_epi32(b0, o1);
    x[3] = _mm256_add_epi32(b3, h);
    x[4] = _mm256_sub_epi32(b3, h);
    x[1] = _mm256_add_epi32(b1, o3);
    x[6] = _mm256_sub_epi32(b1, o3);
    x[2] = _mm256_add_epi32(b2, m);
    x[5] = _mm256_sub_epi32(b2, m);
}

// The rows of an 8 x 8 block of 32-bit values become its columns: pairs
// and quads within each 128-bit half, then the halves swapped across.
VOLKG_AVX2 inline void Transpose8(__m256i* x) {
    __m256i t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_epi32(x[i], x[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(x[i], x[i + 1]);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        x[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        x[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

}  // namespace

VOLKG_AVX2 void JpegInverseDctFullAvx2(int16_t* out, int32_t* coef) {
    const Constants k{_mm256_set1_epi32(kC7642), _mm256_set1_epi32(kC5A82), _mm256_set1_epi32(kC30FC),
                      _mm256_set1_epi32(1 << (kBits - 1))};
    // x[r]: row r, every column; the column pass runs down all eight at once.
    __m256i x[8];
    auto* in = reinterpret_cast<__m256i*>(coef);
    for (int r = 0; r < 8; ++r) x[r] = _mm256_loadu_si256(in + r);
    Butterfly(x, k);
    Transpose8(x);  // x[c]: column c, every row
    Butterfly(x, k);
    Transpose8(x);
    // Two rows a vector: the pack interleaves the rows' halves, the
    // permutation puts each row's eight samples together.
    const __m256i maxSample = _mm256_set1_epi16(static_cast<int16_t>(kJpegSampleMax)), zero = _mm256_setzero_si256();
    for (int r = 0; r < 8; r += 2) {
        const __m256i a = _mm256_srai_epi32(x[r], kJpegLevelBits - kJpegSampleBits);
        const __m256i b = _mm256_srai_epi32(x[r + 1], kJpegLevelBits - kJpegSampleBits);
        const __m256i rows = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + r * 8),
                            _mm256_min_epi16(_mm256_max_epi16(rows, zero), maxSample));
    }
    for (int r = 0; r < 8; ++r) _mm256_storeu_si256(in + r, zero);
}

#endif
