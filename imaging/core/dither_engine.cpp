// The dithering engine: start, one row at a time, stop.
#include <algorithm>
#include <cstring>

#include "core/dither.h"
#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/row_converters.h"

namespace {

struct KernelTap {
    int dy, dx, weight;
};

struct Kernel {
    const KernelTap* taps;
    int count;
    int divisor;
    int rows;  // rows below the current one that the kernel reaches
    int pad;   // columns beyond either end of the row that it reaches
};

constexpr KernelTap kFloydSteinberg[] = {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}};
constexpr KernelTap kStucki[] = {{0, 1, 8}, {0, 2, 4},  {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4},
                                 {1, 2, 2}, {2, -2, 1}, {2, -1, 2}, {2, 0, 4},  {2, 1, 2}, {2, 2, 1}};
constexpr KernelTap kBurkes[] = {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}};
constexpr KernelTap kSierra[] = {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5},
                                 {1, 1, 4}, {1, 2, 2}, {2, -1, 2}, {2, 0, 3},  {2, 1, 2}};
constexpr KernelTap kStevensonArce[] = {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30},  {1, 3, 16}, {2, -2, 12},
                                        {2, 0, 26}, {2, 2, 12},  {3, -3, 5},  {3, -1, 12}, {3, 1, 12}, {3, 3, 5}};
constexpr KernelTap kJarvisJudiceNinke[] = {{0, 1, 7}, {0, 2, 5},  {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5},
                                            {1, 2, 3}, {2, -2, 1}, {2, -1, 3}, {2, 0, 5},  {2, 1, 3}, {2, 2, 1}};

template <size_t N>
constexpr Kernel MakeKernel(const KernelTap (&taps)[N], int divisor, int rows, int pad) {
    return {taps, static_cast<int>(N), divisor, rows, pad};
}

// Indexed by method; 0 and 7 do not diffuse.
const Kernel kKernels[8] = {
    {nullptr, 0, 1, 0, 0},
    MakeKernel(kFloydSteinberg, 16, 1, 1),
    MakeKernel(kStucki, 42, 2, 2),
    MakeKernel(kBurkes, 32, 1, 2),
    MakeKernel(kSierra, 32, 2, 2),
    MakeKernel(kStevensonArce, 200, 3, 3),
    MakeKernel(kJarvisJudiceNinke, 48, 2, 2),
    {nullptr, 0, 1, 0, 0},
};

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

bool SameWords(const RGBQUAD* a, const RGBQUAD* b, int count) {
    return std::memcmp(a, b, count * sizeof(RGBQUAD)) == 0;
}

void FreeState(DitherState* state) {
    if (!state) return;
    if (state->TargetKind == MatchCached) FreeGlobalLocked(state->MatchCache);
    FreeGlobalLocked(state->ErrorBuffers);
    FreeGlobalLocked(state);
}

// Fetches pixel x of a stored row as red, green and blue.
inline void FetchColor(const DitherState& s, const unsigned char* row, int x, int& r, int& g, int& b) {
    switch (s.SourceBits) {
        case 1: {
            const RGBQUAD& e = s.SourcePalette[(row[x >> 3] >> (7 - (x & 7))) & 1];
            r = e.rgbRed, g = e.rgbGreen, b = e.rgbBlue;
            return;
        }
        case 4: {
            const RGBQUAD& e = s.SourcePalette[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
            r = e.rgbRed, g = e.rgbGreen, b = e.rgbBlue;
            return;
        }
        case 8: {
            const RGBQUAD& e = s.SourcePalette[row[x]];
            r = e.rgbRed, g = e.rgbGreen, b = e.rgbBlue;
            return;
        }
        case 16: {
            int w = row[2 * x] | row[2 * x + 1] << 8;
            int high = Expand5To8((w >> 10) & 31), mid = Expand5To8((w >> 5) & 31), low = Expand5To8(w & 31);
            g = mid;
            if (s.ColorOrder == K_ORDER_BGR)
                r = high, b = low;
            else
                r = low, b = high;
            return;
        }
        default: {
            const unsigned char* p = row + x * (s.SourceBits / 8);
            g = p[1];
            if (s.ColorOrder == K_ORDER_BGR)
                r = p[2], b = p[0];
            else
                r = p[0], b = p[2];
            return;
        }
    }
}

inline void StoreIndex(unsigned char* row, int x, int bits, int index) {
    if (bits == 8) {
        row[x] = static_cast<unsigned char>(index);
    } else if (bits == 4) {
        unsigned char& byte = row[x >> 1];
        byte = (x & 1) ? (byte & 0xF0) | (index & 0x0F) : (byte & 0x0F) | (index & 0x0F) << 4;
    } else {
        unsigned char mask = 0x80 >> (x & 7);
        unsigned char& byte = row[x >> 3];
        byte = (index & 1) ? byte | mask : byte & ~mask;
    }
}

// The palette index of a colour through the cache, filling an empty cell
// from the match list (matched for the cell's corner colour).
inline int CachedIndex(DitherState& s, int r, int g, int b) {
    uint32_t& cell = s.MatchCache[MatchCellOf(r, g, b)];
    uint32_t value = cell;
    if (value - 1 < static_cast<uint32_t>(s.ColorCount)) return static_cast<int>(value - 1);
    int pos = MatchPaletteColor(s.MatchList, s.MatchListCount, r & 0xF8, g & 0xF8, b & 0xF8);
    int index = s.MatchList[pos].rgbReserved;
    // A user table may hold values beyond the palette: those are matched
    // again each time and left as they are.
    if (value == 0) cell = static_cast<uint32_t>(index + 1);
    return index;
}

inline int IndexOf(DitherState& s, int r, int g, int b) {
    switch (s.TargetKind) {
        case MatchFixed2:
            return GrayLevel(r, g, b) >= 128 ? 1 : 0;
        case MatchFixed16: {
            int k = (r >= 128) + 2 * (g >= 128) + 4 * (b >= 128);
            return k ? 8 + k : 0;
        }
        case MatchFixed256:
            return (r & 0xE0) | (g >> 5) << 2 | (b >> 6);
        default:
            return CachedIndex(s, r, g, b);
    }
}

// Method 7: the ordered dither against the threshold T.
inline int OrderedIndex(DitherState& s, int r, int g, int b, int t) {
    switch (s.TargetKind) {
        case MatchFixed2:
            return t < GrayLevel(r, g, b) ? 1 : 0;
        case MatchFixed16: {
            int k = (t < r) + 2 * (t < g) + 4 * (t < b);
            return k ? 8 + k : 0;
        }
        default: {
            int o = s.TargetKind == MatchFixed256 || s.TargetBits == 8 ? t / 8 - 16
                    : s.TargetBits == 4                                ? t / 4 - 32
                                                                       : t - 128;
            return IndexOf(s, Clamp255(r + o), Clamp255(g + o), Clamp255(b + o));
        }
    }
}

int32_t* ErrorRow(DitherState& s, int dy) {
    int ring = (s.ErrorRing + dy) % (s.ErrorRows + 1);
    return s.ErrorBuffers + static_cast<size_t>(ring) * s.ErrorRowLength * 3;
}

void DiffuseRow(DitherState& s, const unsigned char* source, unsigned char* target, int width) {
    const Kernel& k = kKernels[s.Method];
    int32_t* rows[kMaxErrorRows + 1] = {};
    for (int dy = 0; dy <= s.ErrorRows; ++dy) rows[dy] = ErrorRow(s, dy);
    int32_t* current = rows[0];
    for (int x = 0; x < width; ++x) {
        int c[3];
        FetchColor(s, source, x, c[0], c[1], c[2]);
        int32_t* sums = current + (x + k.pad) * 3;
        for (int ch = 0; ch < 3; ++ch) {
            c[ch] = Clamp255(c[ch] + sums[ch] / k.divisor);
            sums[ch] = 0;
        }
        int index = IndexOf(s, c[0], c[1], c[2]);
        const RGBQUAD& chosen = s.TargetPalette[index];
        int e[3] = {c[0] - chosen.rgbRed, c[1] - chosen.rgbGreen, c[2] - chosen.rgbBlue};
        if (e[0] | e[1] | e[2]) {
            for (int t = 0; t < k.count; ++t) {
                const KernelTap& tap = k.taps[t];
                int32_t* to = rows[tap.dy] + (x + tap.dx + k.pad) * 3;
                to[0] += tap.weight * e[0];
                to[1] += tap.weight * e[1];
                to[2] += tap.weight * e[2];
            }
        }
        StoreIndex(target, x, s.TargetBits, index);
    }
    // Errors beyond the ends of the row are dropped.
    for (int dy = 0; dy <= s.ErrorRows; ++dy) {
        std::fill(rows[dy], rows[dy] + k.pad * 3, 0);
        std::fill(rows[dy] + (width + k.pad) * 3, rows[dy] + s.ErrorRowLength * 3, 0);
    }
    s.ErrorRing = (s.ErrorRing + 1) % (s.ErrorRows + 1);
}

}  // namespace

void ReadPaletteInUse(const BitmapRecord* bitmap, RGBQUAD* table) {
    std::memset(table, 0, 256 * sizeof(RGBQUAD));
    int colors = std::clamp(bitmap->Colors, 0, 256);
    HPALETTE palette = PaletteInUse(bitmap);
    if (palette) {
        GetPaletteColors(palette, table, colors);
        return;
    }
    if (!(bitmap->Flags & K_PALETTE_INDEX_MAP)) {
        for (int i = 0; i < colors; ++i) {
            table[i] = bitmap->ColorTable[i];
            table[i].rgbReserved = 0;
        }
        return;
    }
    int count = 0;
    const RGBQUAD* fixed = FixedPaletteForDepth(bitmap->BitsPerPixel, &count);
    if (fixed) std::memcpy(table, fixed, count * sizeof(RGBQUAD));
}

int StartDitheringExt(BitmapRecord* bitmap, const RGBQUAD* palette, int colors, int bits, uint32_t* userTable) {
    if (!bitmap || !IsValidDepth(bitmap->BitsPerPixel) || colors <= 0 || colors > 256 ||
        static_cast<unsigned>(bitmap->DitheringMethod) > 7 || (bits != 1 && bits != 4 && bits != 8) ||
        bitmap->Width < 0)
        return K_ERR_ARGUMENT;
    auto* s = static_cast<DitherState*>(AllocGlobalLockedExt(sizeof(DitherState), 1));
    if (!s) return K_ERR_MEMORY;
    s->ColorCount = colors;
    s->SourceBits = bitmap->BitsPerPixel;
    s->TargetBits = bits;
    s->Method = bitmap->DitheringMethod;
    s->Width = bitmap->Width;
    s->ColorOrder = bitmap->ColorOrder;

    int fixedCount = colors <= 2 ? 2 : colors <= 16 ? 16 : 256;
    const RGBQUAD* fixed = FixedPaletteOfSize(fixedCount);
    int fixedKind = colors <= 2 ? MatchFixed2 : colors <= 16 ? MatchFixed16 : MatchFixed256;
    if (userTable) {
        s->TargetKind = MatchUserTable;
        s->MatchCache = userTable;
        if (!palette) palette = fixed;
    } else if (!palette || SameWords(palette, fixed, colors)) {
        s->TargetKind = fixedKind;
        palette = fixed;
    } else {
        s->TargetKind = MatchCached;
        s->MatchCache = static_cast<uint32_t*>(AllocGlobalLockedExt(kMatchCells * sizeof(uint32_t), 1));
        if (!s->MatchCache) {
            FreeState(s);
            return K_ERR_MEMORY;
        }
    }

    if (s->TargetKind == MatchUserTable || s->TargetKind == MatchCached) {
        for (int i = 0; i < colors; ++i) {
            if (palette[i].rgbReserved & 3) continue;
            RGBQUAD e = palette[i];
            e.rgbReserved = static_cast<BYTE>(i);
            s->MatchList[s->MatchListCount++] = e;
        }
        // Every entry reserved: match over the whole palette rather than
        // over nothing.
        if (s->MatchListCount == 0) {
            for (int i = 0; i < colors; ++i) {
                s->MatchList[i] = palette[i];
                s->MatchList[i].rgbReserved = static_cast<BYTE>(i);
            }
            s->MatchListCount = colors;
        }
    }

    const Kernel& k = kKernels[s->Method];
    s->ErrorRows = k.rows;
    if (k.rows) {
        s->ErrorRowLength = s->Width + 2 * k.pad;
        size_t sums = static_cast<size_t>(k.rows + 1) * s->ErrorRowLength * 3;
        s->ErrorBuffers = static_cast<int32_t*>(AllocGlobalLockedExt(sums * sizeof(int32_t), 1));
        if (!s->ErrorBuffers) {
            FreeState(s);
            return K_ERR_MEMORY;
        }
    }

    if (s->SourceBits <= 8) ReadPaletteInUse(bitmap, s->SourcePalette);
    // The fixed kinds compute indices over the whole fixed palette.
    std::memcpy(s->TargetPalette, palette, (s->TargetKind >= MatchFixed2 ? fixedCount : colors) * sizeof(RGBQUAD));

    if (s->TargetKind == MatchCached) {
        for (int i = 0; i < s->MatchListCount; ++i) {
            const RGBQUAD& e = s->MatchList[i];
            uint32_t& cell = s->MatchCache[MatchCellOf(e.rgbRed, e.rgbGreen, e.rgbBlue)];
            if (!cell) cell = e.rgbReserved + 1u;
        }
    }
    bitmap->DitherStatePointer = s;
    return K_OK;
}

extern "C" int KAPI K_StartDithering(BitmapRecord* bitmap, const RGBQUAD* palette, int colors) {
    if (colors > 256) return K_ERR_ARGUMENT;
    int bits = colors <= 2 ? 1 : colors <= 16 ? 4 : 8;
    return StartDitheringExt(bitmap, palette, colors, bits, nullptr);
}

extern "C" int KAPI K_DitherLine(BitmapRecord* bitmap, const unsigned char* source, unsigned char* target) {
    if (!bitmap || !bitmap->DitherStatePointer || !source || !target) return K_ERR_ARGUMENT;
    DitherState& s = *static_cast<DitherState*>(bitmap->DitherStatePointer);
    // Rows are read by the record's order as it is now; never wider than
    // the error rows made at the start.
    s.ColorOrder = bitmap->ColorOrder;
    int width = std::clamp(bitmap->Width, 0, s.Width);
    if (s.ErrorRows) {
        DiffuseRow(s, source, target, width);
    } else if (s.Method == 7) {
        const unsigned char* thresholds = DispersedDitherMatrix[s.RowCounter & 7];
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            FetchColor(s, source, x, r, g, b);
            StoreIndex(target, x, s.TargetBits, OrderedIndex(s, r, g, b, thresholds[x & 7]));
        }
        ++s.RowCounter;
    } else {
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            FetchColor(s, source, x, r, g, b);
            StoreIndex(target, x, s.TargetBits, IndexOf(s, r, g, b));
        }
    }
    return K_OK;
}

extern "C" int KAPI K_StopDithering(BitmapRecord* bitmap) {
    if (!bitmap) return K_OK;
    FreeState(static_cast<DitherState*>(bitmap->DitherStatePointer));
    bitmap->DitherStatePointer = nullptr;
    return K_OK;
}
