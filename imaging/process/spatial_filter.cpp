// Convolution with a square kernel, a divisor and a bias: the built-in 3 x 3
// filters, a caller's kernel of any size, sharpen and emboss. Kernels are
// laid over the picture as displayed (the top kernel row weighs the line
// above), whatever the row order of the storage.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "process/filter_rows.h"
#include "process/window_rows.h"

namespace {

// A caller's kernel may be at most this wide; windows beyond it only repeat
// edge pixels anyway.
constexpr int kMaxDimension = 255;

constexpr SpatialFilter kBuiltIn[33] = {
    {1, 128, 3, {0, 1, 0, 0, 0, 0, 0, -1, 0}},       // emboss north
    {1, 128, 3, {0, 0, 1, 0, 0, 0, -1, 0, 0}},       // emboss north-east
    {1, 128, 3, {0, 0, 0, -1, 0, 1, 0, 0, 0}},       // emboss east
    {1, 128, 3, {-1, 0, 0, 0, 0, 0, 0, 0, 1}},       // emboss south-east
    {1, 128, 3, {0, -1, 0, 0, 0, 0, 0, 1, 0}},       // emboss south
    {1, 128, 3, {0, 0, -1, 0, 0, 0, 1, 0, 0}},       // emboss south-west
    {1, 128, 3, {0, 0, 0, 1, 0, -1, 0, 0, 0}},       // emboss west
    {1, 128, 3, {1, 0, 0, 0, 0, 0, 0, 0, -1}},       // emboss north-west
    {1, 0, 3, {1, 1, 1, 1, -2, 1, -1, -1, -1}},      // gradient north
    {1, 0, 3, {1, 1, 1, -1, -2, 1, -1, -1, 1}},      // gradient north-east
    {1, 0, 3, {-1, 1, 1, -1, -2, 1, -1, 1, 1}},      // gradient east
    {1, 0, 3, {-1, -1, 1, -1, -2, 1, 1, 1, 1}},      // gradient south-east
    {1, 0, 3, {-1, -1, -1, 1, -2, 1, 1, 1, 1}},      // gradient south
    {1, 0, 3, {1, -1, -1, 1, -2, -1, 1, 1, 1}},      // gradient south-west
    {1, 0, 3, {1, 1, -1, 1, -2, -1, 1, 1, -1}},      // gradient west
    {1, 0, 3, {1, 1, 1, 1, -2, -1, 1, -1, -1}},      // gradient north-west
    {1, 0, 3, {0, -1, 0, -1, 4, -1, 0, -1, 0}},      // Laplacian, 4 neighbours
    {1, 0, 3, {-1, -1, -1, -1, 8, -1, -1, -1, -1}},  // Laplacian, 8 neighbours
    {1, 0, 3, {1, -2, 1, -2, 4, -2, 1, -2, 1}},      // Laplacian, weighted
    {1, 0, 3, {-1, 0, -1, 0, 4, 0, -1, 0, -1}},      // Laplacian, diagonal
    {1, 0, 3, {0, -1, 0, 0, 2, 0, 0, -1, 0}},        // line, vertical difference
    {1, 0, 3, {0, 0, 0, -1, 2, -1, 0, 0, 0}},        // line, horizontal difference
    {1, 0, 3, {1, 2, 1, 0, 0, 0, -1, -2, -1}},       // Sobel, horizontal edges
    {1, 0, 3, {1, 0, -1, 2, 0, -2, 1, 0, -1}},       // Sobel, vertical edges
    {1, 0, 3, {-1, -1, -1, 0, 0, 0, 1, 1, 1}},       // Prewitt, horizontal edges
    {1, 0, 3, {1, 0, -1, 1, 0, -1, 1, 0, -1}},       // Prewitt, vertical edges
    {1, 0, 3, {-1, 0, 0, 0, 1, 0, 0, 0, 0}},         // shift and difference, diagonal
    {1, 0, 3, {0, -1, 0, 0, 1, 0, 0, 0, 0}},         // shift and difference, vertical
    {1, 0, 3, {0, 0, 0, -1, 1, 0, 0, 0, 0}},         // shift and difference, horizontal
    {1, 0, 3, {-1, -1, -1, 2, 2, 2, -1, -1, -1}},    // line segment, horizontal
    {1, 0, 3, {-1, 2, -1, -1, 2, -1, -1, 2, -1}},    // line segment, vertical
    {1, 0, 3, {-1, -1, 2, -1, 2, -1, 2, -1, -1}},    // line segment, rising diagonal
    {1, 0, 3, {2, -1, -1, -1, 2, -1, -1, -1, 2}},    // line segment, falling diagonal
};

int Convolve(BitmapRecord* bitmap, int n, const int* kernel, int divisor, int bias) {
    // Every weighted sum fits 32 bits, or the kernel is refused.
    int64_t magnitude = 0;
    for (int i = 0; i < n * n; ++i) magnitude += std::abs(static_cast<int64_t>(kernel[i]));
    if (magnitude * 255 > INT32_MAX) return K_ERR_ARGUMENT;
    const int above = (n - 1) / 2, below = n / 2;
    WindowRows rows(bitmap, {above, below, below, true});
    // The non-zero weights, as offsets into the window's rows (in bytes
    // once the channel count is known).
    GlobalBuffer tapBlock(static_cast<size_t>(n) * n * sizeof(KernelTap));
    if (!tapBlock) return K_ERR_MEMORY;
    auto* taps = reinterpret_cast<KernelTap*>(tapBlock.get());
    int tapCount = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (int weight = kernel[i * n + j]) taps[tapCount++] = KernelTap{i, j - above, weight};
    int channels = 0;
    const KernelRow row{taps, tapCount, divisor, bias};
    return rows.Run([&](const Window& win, unsigned char* out) {
        if (channels != win.channels) {
            for (int t = 0; t < tapCount; ++t) taps[t].offset *= win.channels;
            channels = win.channels;
        }
        ConvolveRow(win.rows, row, win.width * win.channels, out);
    });
}

}  // namespace

extern "C" int KAPI K_SpatialFilterBitmap(BitmapRecord* bitmap, size_t filter) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    const SpatialFilter* f;
    if (filter <= 0xFFFF) {
        if (filter > 32) return K_ERR_ARGUMENT;
        f = &kBuiltIn[filter];
    } else {
        f = reinterpret_cast<const SpatialFilter*>(filter);
    }
    if (f->Dimension < 1 || f->Dimension > kMaxDimension || f->Divisor == 0) return K_ERR_ARGUMENT;
    return Convolve(bitmap, f->Dimension, f->Kernel, f->Divisor, f->Bias);
}

extern "C" int KAPI K_SharpenBitmap(BitmapRecord* bitmap, int sharpness) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (sharpness == 0) return K_OK;
    if (sharpness < -1000 || sharpness > 1000) return K_ERR_ARGUMENT;
    SpatialFilter f{};
    f.Dimension = 3;
    if (sharpness < 0) {
        const int b = (sharpness + 1000) * 71 / 999;
        std::fill(f.Kernel, f.Kernel + 9, 1);
        f.Kernel[4] = b + 1;
        f.Divisor = b + 9;
    } else {
        const int b = (1000 - sharpness) * 71 / 999;
        std::fill(f.Kernel, f.Kernel + 9, -1);
        f.Kernel[4] = b + 9;
        f.Divisor = b + 1;
    }
    return K_SpatialFilterBitmap(bitmap, reinterpret_cast<size_t>(&f));
}

extern "C" int KAPI K_EmbossBitmap(BitmapRecord* bitmap, unsigned int direction, unsigned int depth) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (direction > 7 || depth > 1000) return K_ERR_ARGUMENT;
    SpatialFilter f{};
    f.Dimension = 3;
    f.Bias = 128;
    int weight = 1;
    if (depth <= 500) {
        f.Divisor = (8250 - 16 * static_cast<int>(depth)) / 500 + 1;
    } else {
        f.Divisor = 1;
        weight = (16 * static_cast<int>(depth) - 7750) / 500 + 1;
    }
    // Kernel positions of the neighbour in each direction, north first,
    // clockwise; the opposite one takes the negative weight.
    static const int kToward[8] = {1, 2, 5, 8, 7, 6, 3, 0};
    f.Kernel[kToward[direction]] = weight;
    f.Kernel[kToward[(direction + 4) % 8]] = -weight;
    return K_SpatialFilterBitmap(bitmap, reinterpret_cast<size_t>(&f));
}
