// The inner rows of the 3 x 3 median and of convolution, each in a plain
// form and an SSE2 form that gives the same bytes. Rows hold `step` bytes a
// pixel (1 grey or 3 B, G, R) with edge pixels repeated on both sides, so a
// row may be read `step` bytes before its first and after its last byte
// (more for wider kernels: the tap offsets say how far).
#pragma once

#include <cstdint>

// out[k] = the median of the nine bytes around k in rows a (above), b and
// d (below), for k = 0 .. count - 1.
void MedianRow3(const uint8_t* a, const uint8_t* b, const uint8_t* d, int step, int count, uint8_t* out);
// The same for a leading run of whole 16-byte vectors; returns how many
// bytes it made (a multiple of 16), the rest is left to MedianRow3.
int MedianRow3Sse2(const uint8_t* a, const uint8_t* b, const uint8_t* d, int step, int count, uint8_t* out);

// One non-zero kernel weight: the window row it reads, the byte offset
// along that row, the weight.
struct KernelTap {
    int row;
    int offset;
    int weight;
};

struct KernelRow {
    const KernelTap* taps;
    int tapCount;
    int divisor;  // never 0
    int bias;
};

// out[k] = clamp(sum of weight * rows[row][k + offset] / divisor + bias)
// to 0..255, the sum in 32 bits and the quotient truncated toward zero.
void ConvolveRow(const uint8_t* const* rows, const KernelRow& kernel, int count, uint8_t* out);
// Whether the SSE2 form takes the kernel: every partial sum fits 16 bits.
bool ConvolveFitsSse2(const KernelRow& kernel);
// The same as ConvolveRow for a leading run of whole 16-byte vectors of a
// kernel that fits; returns how many bytes it made.
int ConvolveRowSse2(const uint8_t* const* rows, const KernelRow& kernel, int count, uint8_t* out);
