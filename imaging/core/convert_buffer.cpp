// Conversion of a row of pixels between the library's pixel formats, in
// place. Reduction to fewer colours picks the nearest entry per pixel.
#include <cstdint>
#include <cstring>

#include "core/packed_index.h"
#include "core/palette.h"
#include "core/pixel_format.h"

namespace {

bool IsIndexed(int bits) { return bits == 1 || bits == 4 || bits == 8; }
bool IsDirect(int bits) { return bits == 16 || bits == 24 || bits == 32; }
bool IsKnown(int bits) { return bits == 0 || IsIndexed(bits) || IsDirect(bits); }
// Bits a pixel takes in the buffer (grey levels are one byte).
int StoredBits(int bits) { return bits == 0 ? 8 : bits; }

struct Rgb {
    int r, g, b;
};

inline unsigned ReadIndex(const unsigned char* buffer, int i, int bits) {
    return static_cast<unsigned>(GetPackedIndex(buffer, i, bits));
}

inline void WriteIndex(unsigned char* buffer, int i, int bits, unsigned v) {
    SetPackedIndex(buffer, i, bits, static_cast<int>(v));
}

inline Rgb ReadDirect(const unsigned char* buffer, int i, int bits, int order) {
    if (bits == 16) {
        const unsigned char* p = buffer + 2 * i;
        unsigned w = p[0] | (p[1] << 8);
        int hi = Expand5To8((w >> 10) & 0x1F), mid = Expand5To8((w >> 5) & 0x1F), lo = Expand5To8(w & 0x1F);
        return order ? Rgb{hi, mid, lo} : Rgb{lo, mid, hi};
    }
    const unsigned char* p = buffer + (bits / 8) * i;
    return order ? Rgb{p[2], p[1], p[0]} : Rgb{p[0], p[1], p[2]};
}

inline void WriteDirect(unsigned char* buffer, int i, int bits, int order, Rgb c) {
    if (bits == 16) {
        unsigned r = Reduce8To5(c.r), g = Reduce8To5(c.g), b = Reduce8To5(c.b);
        unsigned w = order ? (r << 10) | (g << 5) | b : (b << 10) | (g << 5) | r;
        buffer[2 * i] = static_cast<unsigned char>(w);
        buffer[2 * i + 1] = static_cast<unsigned char>(w >> 8);
        return;
    }
    unsigned char* p = buffer + (bits / 8) * i;
    p[0] = static_cast<unsigned char>(order ? c.b : c.r);
    p[1] = static_cast<unsigned char>(c.g);
    p[2] = static_cast<unsigned char>(order ? c.r : c.b);
    if (bits == 32) p[3] = 0;
}

// Walks the pixels so that in-place conversion never overwrites a source
// pixel before it is read: backwards when the target is wider.
template <typename F>
void ForEachPixel(int count, int sourceBits, int targetBits, F&& convert) {
    if (StoredBits(targetBits) > StoredBits(sourceBits)) {
        for (int i = count - 1; i >= 0; --i) convert(i);
    } else {
        for (int i = 0; i < count; ++i) convert(i);
    }
}

// Direct colour to direct colour with both depths fixed at compile time,
// so the per-pixel work of the common conversions stays branch-free.
template <int SB, int TB>
void DirectToDirect(unsigned char* buffer, int count, int sourceOrder, int targetOrder) {
    ForEachPixel(count, SB, TB,
                 [&](int i) { WriteDirect(buffer, i, TB, targetOrder, ReadDirect(buffer, i, SB, sourceOrder)); });
}

template <int SB>
void DirectTo(unsigned char* buffer, int count, int targetBits, int sourceOrder, int targetOrder) {
    switch (targetBits) {
        case 16:
            DirectToDirect<SB, 16>(buffer, count, sourceOrder, targetOrder);
            break;
        case 24:
            DirectToDirect<SB, 24>(buffer, count, sourceOrder, targetOrder);
            break;
        default:
            DirectToDirect<SB, 32>(buffer, count, sourceOrder, targetOrder);
            break;
    }
}

// Palette indices (or grey levels) to direct colour through a colour list.
template <int SB, int TB>
void IndexToDirect(unsigned char* buffer, int count, int targetOrder, const Rgb* colors) {
    ForEachPixel(count, SB, TB,
                 [&](int i) { WriteDirect(buffer, i, TB, targetOrder, colors[ReadIndex(buffer, i, SB)]); });
}

template <int SB>
void IndexTo(unsigned char* buffer, int count, int targetBits, int targetOrder, const Rgb* colors) {
    switch (targetBits) {
        case 16:
            IndexToDirect<SB, 16>(buffer, count, targetOrder, colors);
            break;
        case 24:
            IndexToDirect<SB, 24>(buffer, count, targetOrder, colors);
            break;
        default:
            IndexToDirect<SB, 32>(buffer, count, targetOrder, colors);
            break;
    }
}

}  // namespace

extern "C" int KAPI K_ConvertBuffer(void* data, int count, int sourceBits, int targetBits, int sourceOrder,
                                    int targetOrder, const RGBQUAD* sourcePalette, const RGBQUAD* targetPalette) {
    if (!data || count <= 0) return K_ERR_ARGUMENT;
    if (!IsKnown(sourceBits) || !IsKnown(targetBits)) return K_ERR_ARGUMENT;
    if (IsDirect(sourceBits) && sourceOrder != 0 && sourceOrder != 1) return K_ERR_ARGUMENT;
    if (IsDirect(targetBits) && targetOrder != 0 && targetOrder != 1) return K_ERR_ARGUMENT;
    auto* buffer = static_cast<unsigned char*>(data);

    int sourceCount = 0, targetCount = 0;
    if (IsIndexed(sourceBits) && !sourcePalette) sourcePalette = FixedPaletteForDepth(sourceBits, nullptr);
    if (IsIndexed(targetBits) && !targetPalette) targetPalette = FixedPaletteForDepth(targetBits, nullptr);
    if (IsIndexed(sourceBits)) sourceCount = 1 << sourceBits;
    if (IsIndexed(targetBits)) targetCount = 1 << targetBits;

    if (sourceBits == 0 || IsIndexed(sourceBits)) {
        if (sourceBits == 0 && targetBits == 0) return K_OK;
        if (IsIndexed(targetBits) || targetBits == 0) {
            // Index (or grey level) to index (or grey level) by one map.
            if (sourceBits == targetBits &&
                std::memcmp(sourcePalette, targetPalette, sourceCount * sizeof(RGBQUAD)) == 0)
                return K_OK;
            unsigned char map[256];
            PaletteMap(sourceBits ? sourcePalette : nullptr, sourceCount, targetBits ? targetPalette : nullptr,
                       targetCount, map);
            int sb = StoredBits(sourceBits), tb = StoredBits(targetBits);
            ForEachPixel(count, sb, tb, [&](int i) { WriteIndex(buffer, i, tb, map[ReadIndex(buffer, i, sb)]); });
            return K_OK;
        }
        // Index or grey level to direct colour.
        Rgb colors[256];
        if (sourceBits == 0) {
            for (int v = 0; v < 256; ++v) colors[v] = Rgb{v, v, v};
        } else {
            for (int v = 0; v < sourceCount; ++v)
                colors[v] = Rgb{sourcePalette[v].rgbRed, sourcePalette[v].rgbGreen, sourcePalette[v].rgbBlue};
        }
        switch (StoredBits(sourceBits)) {
            case 1:
                IndexTo<1>(buffer, count, targetBits, targetOrder, colors);
                break;
            case 4:
                IndexTo<4>(buffer, count, targetBits, targetOrder, colors);
                break;
            default:
                IndexTo<8>(buffer, count, targetBits, targetOrder, colors);
                break;
        }
        return K_OK;
    }

    // Direct colour sources.
    if (sourceBits == targetBits) {
        if (sourceOrder == targetOrder) return K_OK;
        if (sourceBits == 16) {
            for (int i = 0; i < count; ++i) {
                unsigned char* p = buffer + 2 * i;
                unsigned w = p[0] | (p[1] << 8);
                w = (w & 0x03E0) | ((w & 0x1F) << 10) | ((w >> 10) & 0x1F);
                p[0] = static_cast<unsigned char>(w);
                p[1] = static_cast<unsigned char>(w >> 8);
            }
        } else {
            int step = sourceBits / 8;
            for (int i = 0; i < count; ++i) {
                unsigned char* p = buffer + step * i;
                unsigned char t = p[0];
                p[0] = p[2];
                p[2] = t;
            }
        }
        return K_OK;
    }
    if (targetBits == 0) {
        ForEachPixel(count, sourceBits, 8, [&](int i) {
            Rgb c = ReadDirect(buffer, i, sourceBits, sourceOrder);
            buffer[i] = static_cast<unsigned char>(GrayLevel(c.r, c.g, c.b));
        });
    } else if (IsIndexed(targetBits)) {
        ForEachPixel(count, sourceBits, targetBits, [&](int i) {
            Rgb c = ReadDirect(buffer, i, sourceBits, sourceOrder);
            WriteIndex(buffer, i, targetBits, MatchPaletteColor(targetPalette, targetCount, c.r, c.g, c.b));
        });
    } else {
        switch (sourceBits) {
            case 16:
                DirectTo<16>(buffer, count, targetBits, sourceOrder, targetOrder);
                break;
            case 24:
                DirectTo<24>(buffer, count, targetBits, sourceOrder, targetOrder);
                break;
            default:
                DirectTo<32>(buffer, count, targetBits, sourceOrder, targetOrder);
                break;
        }
    }
    return K_OK;
}

int GetMaxRowBytes(int width1, int bits1, int width2, int bits2) {
    auto row = [](int w, int b) { return (static_cast<int64_t>(w) * b + 31) / 32 * 4; };
    int64_t m = row(width1, bits1);
    if (row(width2, bits1) > m) m = row(width2, bits1);
    if (row(width2, bits2) > m) m = row(width2, bits2);
    return m > INT32_MAX ? INT32_MAX : static_cast<int>(m);
}
