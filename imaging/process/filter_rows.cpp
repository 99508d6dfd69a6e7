// The plain forms of the filter rows, and the choice between plain and SSE2.
#include "process/filter_rows.h"

#include <algorithm>
#include <cstdlib>

#include "core/cpu_features.h"

namespace {

inline void Sort2(uint8_t& a, uint8_t& b) {
    uint8_t lo = std::min(a, b), hi = std::max(a, b);
    a = lo, b = hi;
}

// The fifth smallest of nine values by a fixed network of compare-exchanges.
inline uint8_t Median9(uint8_t p0, uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7,
                       uint8_t p8) {
    Sort2(p1, p2), Sort2(p4, p5), Sort2(p7, p8);
    Sort2(p0, p1), Sort2(p3, p4), Sort2(p6, p7);
    Sort2(p1, p2), Sort2(p4, p5), Sort2(p7, p8);
    Sort2(p0, p3), Sort2(p5, p8), Sort2(p4, p7);
    Sort2(p3, p6), Sort2(p1, p4), Sort2(p2, p5);
    Sort2(p4, p7), Sort2(p4, p2), Sort2(p6, p4);
    Sort2(p4, p2);
    return p4;
}

}  // namespace

void MedianRow3(const uint8_t* a, const uint8_t* b, const uint8_t* d, int step, int count, uint8_t* out) {
    const int c = step;
    int k = 0;
#if VOLKG_SSE2_PATHS
    if (CpuHasSse2()) k = MedianRow3Sse2(a, b, d, step, count, out);
#endif
    for (; k < count; ++k)
        out[k] = Median9(a[k - c], a[k], a[k + c], b[k - c], b[k], b[k + c], d[k - c], d[k], d[k + c]);
}

bool ConvolveFitsSse2(const KernelRow& kernel) {
    int64_t magnitude = 0;
    for (int t = 0; t < kernel.tapCount; ++t) magnitude += std::abs(static_cast<int64_t>(kernel.taps[t].weight));
    return magnitude * 255 <= INT16_MAX;
}

void ConvolveRow(const uint8_t* const* rows, const KernelRow& kernel, int count, uint8_t* out) {
    int k = 0;
#if VOLKG_SSE2_PATHS
    if (CpuHasSse2() && ConvolveFitsSse2(kernel)) k = ConvolveRowSse2(rows, kernel, count, out);
#endif
    const KernelTap* taps = kernel.taps;
    const int n = kernel.tapCount, divisor = kernel.divisor;
    const int64_t bias = kernel.bias;
    for (; k < count; ++k) {
        int32_t acc = 0;
        for (int t = 0; t < n; ++t) acc += taps[t].weight * rows[taps[t].row][k + taps[t].offset];
        const int64_t v = (divisor == 1 ? acc : acc / divisor) + bias;
        out[k] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}
