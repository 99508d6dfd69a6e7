// Conversion of display rows to the fixed palette of a 1-, 4- or 8-bit
// device, in an ordered-dither and an error-diffusion form. Every pair of
// source and target depth is its own loop (templates), with the palette
// read once per row.
#include "core/row_converters.h"

#include <algorithm>

#include "core/display_mode.h"
#include "core/palette.h"

const unsigned char ClusteredDitherMatrix[8][8] = {
    {112, 40, 72, 104, 144, 176, 208, 136}, {88, 8, 16, 48, 192, 232, 240, 168},
    {56, 24, 0, 80, 160, 224, 248, 200},    {96, 64, 32, 120, 128, 216, 184, 152},
    {148, 180, 212, 140, 116, 44, 76, 108}, {196, 236, 244, 172, 92, 12, 20, 52},
    {164, 228, 252, 204, 60, 28, 4, 84},    {132, 220, 188, 156, 100, 68, 36, 124},
};

// The regular Bayer pattern times 4, with five cells as the library has
// always stored them (4 below the pattern).
const unsigned char DispersedDitherMatrix[8][8] = {
    {0, 128, 32, 160, 8, 136, 40, 168},   {192, 64, 224, 96, 200, 72, 232, 104},
    {48, 176, 16, 144, 56, 184, 24, 152}, {236, 112, 208, 80, 244, 120, 216, 88},
    {12, 140, 44, 172, 4, 132, 36, 164},  {204, 76, 232, 108, 196, 68, 228, 100},
    {60, 188, 28, 156, 52, 180, 20, 148}, {248, 124, 220, 92, 240, 116, 212, 84},
};

namespace {

struct Rgb {
    int r, g, b;
};

inline int Widen5(int v) { return (v << 3) | (v >> 2); }
inline int Clamp255(int v) { return v <= 0 ? 0 : v >= 255 ? 255 : v; }
inline int Luminance(int r, int g, int b) { return (5 * g + 2 * r + b + 4) >> 3; }
inline int Index332(int r, int g, int b) { return (r & 0xE0) | ((g >> 5) << 2) | (b >> 6); }

// Red and green levels of the 256-colour fixed palette (blue is k * 85).
constexpr int kLevel8[8] = {0, 36, 73, 109, 146, 182, 219, 255};

// ---- Sources: pixel x of a row as red, green, blue ----

// 1-, 4- and 8-bit rows through the colours of the palette in use.
template <int Bits>
class IndexedSource {
public:
    IndexedSource(const unsigned char* row, const BitmapRecord* bitmap) : row_(row) {
        PALETTEENTRY entries[256] = {};
        HPALETTE palette = PaletteInUse(bitmap);
        if (palette) GetPaletteEntries(palette, 0, 1u << Bits, entries);
        for (int i = 0; i < (1 << Bits); ++i) colors_[i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    }
    Rgb operator()(int x) const {
        int index;
        if constexpr (Bits == 1)
            index = (row_[x >> 3] >> (7 - (x & 7))) & 1;
        else if constexpr (Bits == 4)
            index = (x & 1) ? row_[x >> 1] & 15 : row_[x >> 1] >> 4;
        else
            index = row_[x];
        return colors_[index];
    }

private:
    const unsigned char* row_;
    Rgb colors_[1 << Bits];
};

// 5-5-5 words; with colour order 1 red is the high field.
class Source16 {
public:
    Source16(const unsigned char* row, const BitmapRecord* bitmap)
        : row_(row), redShift_(bitmap->ColorOrder == K_ORDER_BGR ? 10 : 0), blueShift_(10 - redShift_) {}
    Rgb operator()(int x) const {
        int w = row_[2 * x] | (row_[2 * x + 1] << 8);
        return {Widen5((w >> redShift_) & 31), Widen5((w >> 5) & 31), Widen5((w >> blueShift_) & 31)};
    }

private:
    const unsigned char* row_;
    int redShift_, blueShift_;
};

// 3 or 4 bytes a pixel; with colour order 1 blue comes first.
template <int Bytes>
class SourceBytes {
public:
    SourceBytes(const unsigned char* row, const BitmapRecord* bitmap)
        : row_(row), red_(bitmap->ColorOrder == K_ORDER_BGR ? 2 : 0), blue_(2 - red_) {}
    Rgb operator()(int x) const {
        const unsigned char* p = row_ + Bytes * x;
        return {p[red_], p[1], p[blue_]};
    }

private:
    const unsigned char* row_;
    int red_, blue_;
};

// ---- Targets: packed rows that keep the bits they are not given ----

template <int Depth>
class TargetRow {
public:
    explicit TargetRow(unsigned char* row) : row_(row) {}
    void Put(int i, int index) {
        if constexpr (Depth == 8) {
            row_[i] = static_cast<unsigned char>(index);
        } else {
            constexpr int perByte = 8 / Depth;
            int shift = 8 - Depth * (i % perByte + 1);
            bits_ |= index << shift;
            mask_ |= ((1 << Depth) - 1) << shift;
            byte_ = i / perByte;
            if (shift == 0) Flush();
        }
    }
    void Finish() {
        if constexpr (Depth != 8) Flush();
    }

private:
    void Flush() {
        if (!mask_) return;
        row_[byte_] = static_cast<unsigned char>((row_[byte_] & ~mask_) | bits_);
        bits_ = mask_ = 0;
    }
    unsigned char* row_;
    int byte_ = 0, bits_ = 0, mask_ = 0;
};

// ---- The two forms ----

template <int Depth, class Source>
void ConvertOrdered(unsigned char* target, const Source& source, int first, int end, int ditherColumn, int ditherRow) {
    const unsigned char* matrix = DispersedDitherMatrix[ditherRow & 7];
    if (Depth == 1 && (DisplayMode & kClusteredMatrix)) matrix = ClusteredDitherMatrix[ditherRow & 7];
    TargetRow<Depth> out(target);
    for (int i = 0, x = first; x < end; ++i, ++x) {
        Rgb c = source(x);
        int t = matrix[(ditherColumn + i) & 7];
        if constexpr (Depth == 1) {
            out.Put(i, t < Luminance(c.r, c.g, c.b) ? 1 : 0);
        } else if constexpr (Depth == 4) {
            int k = (t < c.r) + 2 * (t < c.g) + 4 * (t < c.b);
            out.Put(i, k ? 8 | k : 0);
        } else {
            int o = t / 8 - 16;
            out.Put(i, Index332(Clamp255(c.r + o), Clamp255(c.g + o), Clamp255(c.b + o)));
        }
    }
    out.Finish();
}

// Floyd-Steinberg, 7 right, 3 below left, 5 below, 1 below right, in
// sixteenths; errors[i] carries what pixel i of the next row is owed.
template <int Depth, class Source>
void ConvertDiffused(unsigned char* target, const Source& source, int first, int end, DiffusionErrorCell* errors) {
    int n = end - first;
    TargetRow<Depth> out(target);
    int carryR = errors[0].red, carryG = errors[0].green, carryB = errors[0].blue;
    for (int i = 0; i < n; ++i) {
        Rgb c = source(first + i);
        int r = Clamp255(c.r + carryR / 16), g = Clamp255(c.g + carryG / 16), b = Clamp255(c.b + carryB / 16);
        int pr, pg, pb, index;
        if constexpr (Depth == 1) {
            index = ((5 * g + 2 * r + b + 4) >> 10) ? 1 : 0;
            pr = pg = pb = index ? 255 : 0;
        } else if constexpr (Depth == 4) {
            int k = (r >> 7) + 2 * (g >> 7) + 4 * (b >> 7);
            index = k ? 8 | k : 0;
            pr = (r >> 7) * 255, pg = (g >> 7) * 255, pb = (b >> 7) * 255;
        } else {
            index = Index332(r, g, b);
            pr = kLevel8[r >> 5], pg = kLevel8[g >> 5], pb = (b >> 6) * 85;
        }
        out.Put(i, index);
        int er = r - pr, eg = g - pg, eb = b - pb;
        if (i + 1 < n) {
            carryR = 7 * er + errors[i + 1].red;
            carryG = 7 * eg + errors[i + 1].green;
            carryB = 7 * eb + errors[i + 1].blue;
            errors[i + 1] = {er, eg, eb};
        }
        if (i == 0) {
            errors[0] = {5 * er, 5 * eg, 5 * eb};
        } else {
            errors[i].red += 5 * er, errors[i].green += 5 * eg, errors[i].blue += 5 * eb;
            errors[i - 1].red += 3 * er, errors[i - 1].green += 3 * eg, errors[i - 1].blue += 3 * eb;
        }
    }
    out.Finish();
}

template <class Source>
void ConvertTo(unsigned char* target, int depth, const Source& source, int first, int end, int ditherColumn,
               int ditherRow, DiffusionErrorCell* errors) {
    bool ordered = DisplayMode & kOrderedDither;
    if (!ordered && !errors) return;
    switch (depth) {
        case 1:
            ordered ? ConvertOrdered<1>(target, source, first, end, ditherColumn, ditherRow)
                    : ConvertDiffused<1>(target, source, first, end, errors);
            break;
        case 4:
            ordered ? ConvertOrdered<4>(target, source, first, end, ditherColumn, ditherRow)
                    : ConvertDiffused<4>(target, source, first, end, errors);
            break;
        case 8:
            ordered ? ConvertOrdered<8>(target, source, first, end, ditherColumn, ditherRow)
                    : ConvertDiffused<8>(target, source, first, end, errors);
            break;
        default:
            break;
    }
}

}  // namespace

void ConvertDisplayRow(unsigned char* target, int targetDepth, const unsigned char* sourceRow,
                       const BitmapRecord* bitmap, int first, int end, int ditherColumn, int ditherRow,
                       DiffusionErrorCell* errors) {
    if (first >= end || !target || !sourceRow || !bitmap) return;
    switch (bitmap->BitsPerPixel) {
        case 1:
            // Two colours already suit a 1- or 4-bit device.
            if (targetDepth == 8)
                ConvertTo(target, 8, IndexedSource<1>(sourceRow, bitmap), first, end, ditherColumn, ditherRow, errors);
            break;
        case 4:
            ConvertTo(target, targetDepth, IndexedSource<4>(sourceRow, bitmap), first, end, ditherColumn, ditherRow,
                      errors);
            break;
        case 8:
            ConvertTo(target, targetDepth, IndexedSource<8>(sourceRow, bitmap), first, end, ditherColumn, ditherRow,
                      errors);
            break;
        case 16:
            ConvertTo(target, targetDepth, Source16(sourceRow, bitmap), first, end, ditherColumn, ditherRow, errors);
            break;
        case 24:
            ConvertTo(target, targetDepth, SourceBytes<3>(sourceRow, bitmap), first, end, ditherColumn, ditherRow,
                      errors);
            break;
        case 32:
            ConvertTo(target, targetDepth, SourceBytes<4>(sourceRow, bitmap), first, end, ditherColumn, ditherRow,
                      errors);
            break;
        default:
            break;
    }
}

void ExpandRow16To24(unsigned char* target, const unsigned char* source, const BitmapRecord*, int first, int end) {
    for (int x = first; x < end; ++x, target += 3) {
        int w = source[2 * x] | (source[2 * x + 1] << 8);
        target[0] = static_cast<unsigned char>(Widen5(w & 31));
        target[1] = static_cast<unsigned char>(Widen5((w >> 5) & 31));
        target[2] = static_cast<unsigned char>(Widen5((w >> 10) & 31));
    }
}

void ExpandRow32To24(unsigned char* target, const unsigned char* source, const BitmapRecord*, int first, int end) {
    for (int x = first; x < end; ++x, target += 3) {
        const unsigned char* p = source + 4 * x;
        target[0] = p[0];
        target[1] = p[1];
        target[2] = p[2];
    }
}
