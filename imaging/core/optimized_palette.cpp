// The optimized palette of a picture: a variance-based box split of its
// 15-bit colour histogram, with a match table that sends every colour to
// the entry of its own box.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/dither.h"
#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"

namespace {

inline int Channel(int color15, int c) { return (color15 >> (10 - 5 * c)) & 31; }  // 0 red, 1 green, 2 blue

struct ColorBox {
    int first;
    int count;
    int mean[3];
    // Real quotients: a box of two colours a step apart must not count as
    // flat, or pictures with few colours would not come back exact.
    double variance[3];
    double total;
    uint64_t weight;
    uint64_t sum[3];
};

struct Histogram {
    uint32_t* counts;  // 32768 counts, saturating
    uint16_t* colors;  // distinct colours in order of first appearance
    int distinct = 0;

    void Add(int color15) {
        uint32_t& n = counts[color15];
        if (n == 0) colors[distinct++] = static_cast<uint16_t>(color15);
        if (n != 0xFFFFFFFFu) ++n;
    }
};

void CountRow(const BitmapRecord* bitmap, const unsigned char* row, const int* paletteColors, Histogram& h) {
    int width = bitmap->Width;
    bool bgr = bitmap->ColorOrder == K_ORDER_BGR;
    switch (bitmap->BitsPerPixel) {
        case 1:
            for (int x = 0; x < width; ++x) h.Add(paletteColors[(row[x >> 3] >> (7 - (x & 7))) & 1]);
            break;
        case 4:
            for (int x = 0; x < width; ++x) h.Add(paletteColors[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4]);
            break;
        case 8:
            for (int x = 0; x < width; ++x) h.Add(paletteColors[row[x]]);
            break;
        case 16:
            for (int x = 0; x < width; ++x) {
                // Deliberate: bit 15 (alpha, kept by the pixel-size converter) is
                // no colour and is cleared here.
                int w = (row[2 * x] | row[2 * x + 1] << 8) & 0x7FFF;
                // Order 0 keeps blue in the high field: swap to red-high.
                h.Add(bgr ? w : (w & 0x3E0) | (w >> 10) | (w & 31) << 10);
            }
            break;
        default: {
            int step = bitmap->BitsPerPixel / 8;
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = row + x * step;
                int r = bgr ? p[2] : p[0], b = bgr ? p[0] : p[2];
                h.Add(MatchCellOf(r, p[1], b));
            }
            break;
        }
    }
}

int CountPicture(BitmapRecord* bitmap, Histogram& h) {
    GlobalBuffer row(bitmap->BytesPerLine > 0 ? bitmap->BytesPerLine : 4);
    if (!row) return K_ERR_MEMORY;
    int paletteColors[256] = {};
    if (bitmap->BitsPerPixel <= 8) {
        RGBQUAD palette[256];
        ReadPaletteInUse(bitmap, palette);
        for (int i = 0; i < 256; ++i)
            paletteColors[i] = MatchCellOf(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue);
    }
    BitmapLock lock(bitmap);
    for (int r = 0; r < bitmap->Height; ++r) {
        int got = K_GetBitmapRow(bitmap, row.get(), r, bitmap->BytesPerLine);
        if (got < 0) return got;
        CountRow(bitmap, row.get(), paletteColors, h);
    }
    return K_OK;
}

void ComputeVariance(ColorBox& box, const Histogram& h) {
    uint64_t acc[3] = {};
    for (int i = box.first; i < box.first + box.count; ++i) {
        int color = h.colors[i];
        uint64_t n = h.counts[color];
        for (int c = 0; c < 3; ++c) {
            int64_t d = Channel(color, c) - box.mean[c];
            acc[c] += n * static_cast<uint64_t>(d * d);
        }
    }
    box.total = 0;
    for (int c = 0; c < 3; ++c) {
        box.variance[c] = box.weight ? static_cast<double>(acc[c]) / static_cast<double>(box.weight) : 0;
        box.total += box.variance[c];
    }
}

void ComputeStatistics(ColorBox& box, const Histogram& h) {
    box.weight = 0;
    box.sum[0] = box.sum[1] = box.sum[2] = 0;
    for (int i = box.first; i < box.first + box.count; ++i) {
        int color = h.colors[i];
        uint64_t n = h.counts[color];
        box.weight += n;
        for (int c = 0; c < 3; ++c) box.sum[c] += n * Channel(color, c);
    }
    for (int c = 0; c < 3; ++c) box.mean[c] = box.weight ? static_cast<int>(box.sum[c] / box.weight) : 0;
    ComputeVariance(box, h);
}

// Splits a box at the mean of its widest channel; the upper part becomes
// the new box.
ColorBox SplitBox(ColorBox& box, Histogram& h) {
    int c = box.variance[0] >= std::max(box.variance[1], box.variance[2]) ? 0
            : box.variance[1] >= box.variance[2]                          ? 1
                                                                          : 2;
    int pivot = box.mean[c];
    int i = box.first, j = box.first + box.count - 1;
    for (;;) {
        while (i <= j && Channel(h.colors[i], c) <= pivot) ++i;
        while (j >= i && Channel(h.colors[j], c) > pivot) --j;
        if (i >= j) break;
        std::swap(h.colors[i], h.colors[j]);
        ++i;
        --j;
    }
    ColorBox upper{};
    upper.first = i;
    upper.count = box.first + box.count - i;
    box.count = i - box.first;

    // Only the smaller part is counted again; the other is the rest.
    ColorBox& small = upper.count < box.count ? upper : box;
    ColorBox& large = upper.count < box.count ? box : upper;
    uint64_t weight = box.weight, sum[3] = {box.sum[0], box.sum[1], box.sum[2]};
    ComputeStatistics(small, h);
    large.weight = weight - small.weight;
    for (int k = 0; k < 3; ++k) {
        large.sum[k] = sum[k] - small.sum[k];
        large.mean[k] = large.weight ? static_cast<int>(large.sum[k] / large.weight) : 0;
    }
    ComputeVariance(large, h);
    return upper;
}

inline bool ColorBefore(const RGBQUAD& a, const RGBQUAD& b) {
    if (a.rgbRed != b.rgbRed) return a.rgbRed < b.rgbRed;
    if (a.rgbGreen != b.rgbGreen) return a.rgbGreen < b.rgbGreen;
    return a.rgbBlue < b.rgbBlue;
}

// Sorts count entries by red, green, blue with an exchange sort (each
// position against every later one), carrying the positions along.
void SortEntries(RGBQUAD* palette, int* origin, int count) {
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (ColorBefore(palette[j], palette[i])) {
                std::swap(palette[i], palette[j]);
                std::swap(origin[i], origin[j]);
            }
}

}  // namespace

int BuildOptimizedPalette(BitmapRecord* bitmap, RGBQUAD* palette, int colors, uint32_t** table) {
    if (table) *table = nullptr;
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED) || !palette || colors <= 0 || colors > 256 ||
        !IsValidDepth(bitmap->BitsPerPixel))
        return K_ERR_ARGUMENT;
    int origin[256];
    for (int i = 0; i < 256; ++i) origin[i] = i;

    if (bitmap->BitsPerPixel <= 8 && colors >= bitmap->Colors) {
        RGBQUAD own[256];
        ReadPaletteInUse(bitmap, own);
        int n = std::clamp(bitmap->Colors, 0, 256);
        std::memset(palette, 0, colors * sizeof(RGBQUAD));
        std::memcpy(palette, own, n * sizeof(RGBQUAD));
        SortEntries(palette, origin, n);
        return K_OK;
    }

    GlobalBuffer counts(kMatchCells * sizeof(uint32_t), true);
    GlobalBuffer list(kMatchCells * sizeof(uint16_t));
    std::vector<ColorBox> boxes;
    if (!counts || !list) return K_ERR_MEMORY;
    try {
        boxes.reserve(colors);
    } catch (const std::bad_alloc&) {
        return K_ERR_MEMORY;
    }
    Histogram h{reinterpret_cast<uint32_t*>(counts.get()), reinterpret_cast<uint16_t*>(list.get())};
    int result = CountPicture(bitmap, h);
    if (result != K_OK) return result;

    ColorBox all{};
    all.count = h.distinct;
    ComputeStatistics(all, h);
    boxes.push_back(all);
    while (static_cast<int>(boxes.size()) < colors) {
        size_t widest = 0;
        for (size_t b = 1; b < boxes.size(); ++b)
            if (boxes[b].total > boxes[widest].total) widest = b;
        if (boxes[widest].total == 0) break;
        ColorBox upper = SplitBox(boxes[widest], h);
        boxes.push_back(upper);
    }

    int used = static_cast<int>(boxes.size());
    std::memset(palette, 0, colors * sizeof(RGBQUAD));
    for (int b = 0; b < used; ++b) {
        palette[b].rgbRed = static_cast<BYTE>(Expand5To8(boxes[b].mean[0]));
        palette[b].rgbGreen = static_cast<BYTE>(Expand5To8(boxes[b].mean[1]));
        palette[b].rgbBlue = static_cast<BYTE>(Expand5To8(boxes[b].mean[2]));
    }
    SortEntries(palette, origin, used);

    if (table) {
        // The histogram becomes the match table.
        uint32_t* cells = h.counts;
        std::memset(cells, 0, kMatchCells * sizeof(uint32_t));
        for (int p = 0; p < used; ++p) {
            const ColorBox& box = boxes[origin[p]];
            for (int i = box.first; i < box.first + box.count; ++i) cells[h.colors[i]] = static_cast<uint32_t>(p + 1);
        }
        *table = reinterpret_cast<uint32_t*>(counts.release());
    }
    return K_OK;
}
