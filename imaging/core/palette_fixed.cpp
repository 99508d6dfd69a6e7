// The built-in fixed palettes and the logical palettes made from them.
#include <array>
#include <vector>

#include "core/palette.h"

namespace {

constexpr RGBQUAD Q(int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

}  // namespace

const RGBQUAD FixedPalette2[2] = {Q(0, 0, 0), Q(255, 255, 255)};

const RGBQUAD FixedPalette16[16] = {
    Q(0, 0, 0),     Q(128, 0, 0),     Q(0, 128, 0),     Q(128, 128, 0),   Q(0, 0, 128), Q(128, 0, 128),
    Q(0, 128, 128), Q(128, 128, 128), Q(192, 192, 192), Q(255, 0, 0),     Q(0, 255, 0), Q(255, 255, 0),
    Q(0, 0, 255),   Q(255, 0, 255),   Q(0, 255, 255),   Q(255, 255, 255),
};

// Entry r << 5 | g << 2 | b: red and green in 8 levels round(v * 255 / 7),
// blue in 4 levels b * 85.
const RGBQUAD FixedPalette256[256] = {
    Q(0, 0, 0),       Q(0, 0, 85),      Q(0, 0, 170),     Q(0, 0, 255),     Q(0, 36, 0),      Q(0, 36, 85),
    Q(0, 36, 170),    Q(0, 36, 255),    Q(0, 73, 0),      Q(0, 73, 85),     Q(0, 73, 170),    Q(0, 73, 255),
    Q(0, 109, 0),     Q(0, 109, 85),    Q(0, 109, 170),   Q(0, 109, 255),   Q(0, 146, 0),     Q(0, 146, 85),
    Q(0, 146, 170),   Q(0, 146, 255),   Q(0, 182, 0),     Q(0, 182, 85),    Q(0, 182, 170),   Q(0, 182, 255),
    Q(0, 219, 0),     Q(0, 219, 85),    Q(0, 219, 170),   Q(0, 219, 255),   Q(0, 255, 0),     Q(0, 255, 85),
    Q(0, 255, 170),   Q(0, 255, 255),   Q(36, 0, 0),      Q(36, 0, 85),     Q(36, 0, 170),    Q(36, 0, 255),
    Q(36, 36, 0),     Q(36, 36, 85),    Q(36, 36, 170),   Q(36, 36, 255),   Q(36, 73, 0),     Q(36, 73, 85),
    Q(36, 73, 170),   Q(36, 73, 255),   Q(36, 109, 0),    Q(36, 109, 85),   Q(36, 109, 170),  Q(36, 109, 255),
    Q(36, 146, 0),    Q(36, 146, 85),   Q(36, 146, 170),  Q(36, 146, 255),  Q(36, 182, 0),    Q(36, 182, 85),
    Q(36, 182, 170),  Q(36, 182, 255),  Q(36, 219, 0),    Q(36, 219, 85),   Q(36, 219, 170),  Q(36, 219, 255),
    Q(36, 255, 0),    Q(36, 255, 85),   Q(36, 255, 170),  Q(36, 255, 255),  Q(73, 0, 0),      Q(73, 0, 85),
    Q(73, 0, 170),    Q(73, 0, 255),    Q(73, 36, 0),     Q(73, 36, 85),    Q(73, 36, 170),   Q(73, 36, 255),
    Q(73, 73, 0),     Q(73, 73, 85),    Q(73, 73, 170),   Q(73, 73, 255),   Q(73, 109, 0),    Q(73, 109, 85),
    Q(73, 109, 170),  Q(73, 109, 255),  Q(73, 146, 0),    Q(73, 146, 85),   Q(73, 146, 170),  Q(73, 146, 255),
    Q(73, 182, 0),    Q(73, 182, 85),   Q(73, 182, 170),  Q(73, 182, 255),  Q(73, 219, 0),    Q(73, 219, 85),
    Q(73, 219, 170),  Q(73, 219, 255),  Q(73, 255, 0),    Q(73, 255, 85),   Q(73, 255, 170),  Q(73, 255, 255),
    Q(109, 0, 0),     Q(109, 0, 85),    Q(109, 0, 170),   Q(109, 0, 255),   Q(109, 36, 0),    Q(109, 36, 85),
    Q(109, 36, 170),  Q(109, 36, 255),  Q(109, 73, 0),    Q(109, 73, 85),   Q(109, 73, 170),  Q(109, 73, 255),
    Q(109, 109, 0),   Q(109, 109, 85),  Q(109, 109, 170), Q(109, 109, 255), Q(109, 146, 0),   Q(109, 146, 85),
    Q(109, 146, 170), Q(109, 146, 255), Q(109, 182, 0),   Q(109, 182, 85),  Q(109, 182, 170), Q(109, 182, 255),
    Q(109, 219, 0),   Q(109, 219, 85),  Q(109, 219, 170), Q(109, 219, 255), Q(109, 255, 0),   Q(109, 255, 85),
    Q(109, 255, 170), Q(109, 255, 255), Q(146, 0, 0),     Q(146, 0, 85),    Q(146, 0, 170),   Q(146, 0, 255),
    Q(146, 36, 0),    Q(146, 36, 85),   Q(146, 36, 170),  Q(146, 36, 255),  Q(146, 73, 0),    Q(146, 73, 85),
    Q(146, 73, 170),  Q(146, 73, 255),  Q(146, 109, 0),   Q(146, 109, 85),  Q(146, 109, 170), Q(146, 109, 255),
    Q(146, 146, 0),   Q(146, 146, 85),  Q(146, 146, 170), Q(146, 146, 255), Q(146, 182, 0),   Q(146, 182, 85),
    Q(146, 182, 170), Q(146, 182, 255), Q(146, 219, 0),   Q(146, 219, 85),  Q(146, 219, 170), Q(146, 219, 255),
    Q(146, 255, 0),   Q(146, 255, 85),  Q(146, 255, 170), Q(146, 255, 255), Q(182, 0, 0),     Q(182, 0, 85),
    Q(182, 0, 170),   Q(182, 0, 255),   Q(182, 36, 0),    Q(182, 36, 85),   Q(182, 36, 170),  Q(182, 36, 255),
    Q(182, 73, 0),    Q(182, 73, 85),   Q(182, 73, 170),  Q(182, 73, 255),  Q(182, 109, 0),   Q(182, 109, 85),
    Q(182, 109, 170), Q(182, 109, 255), Q(182, 146, 0),   Q(182, 146, 85),  Q(182, 146, 170), Q(182, 146, 255),
    Q(182, 182, 0),   Q(182, 182, 85),  Q(182, 182, 170), Q(182, 182, 255), Q(182, 219, 0),   Q(182, 219, 85),
    Q(182, 219, 170), Q(182, 219, 255), Q(182, 255, 0),   Q(182, 255, 85),  Q(182, 255, 170), Q(182, 255, 255),
    Q(219, 0, 0),     Q(219, 0, 85),    Q(219, 0, 170),   Q(219, 0, 255),   Q(219, 36, 0),    Q(219, 36, 85),
    Q(219, 36, 170),  Q(219, 36, 255),  Q(219, 73, 0),    Q(219, 73, 85),   Q(219, 73, 170),  Q(219, 73, 255),
    Q(219, 109, 0),   Q(219, 109, 85),  Q(219, 109, 170), Q(219, 109, 255), Q(219, 146, 0),   Q(219, 146, 85),
    Q(219, 146, 170), Q(219, 146, 255), Q(219, 182, 0),   Q(219, 182, 85),  Q(219, 182, 170), Q(219, 182, 255),
    Q(219, 219, 0),   Q(219, 219, 85),  Q(219, 219, 170), Q(219, 219, 255), Q(219, 255, 0),   Q(219, 255, 85),
    Q(219, 255, 170), Q(219, 255, 255), Q(255, 0, 0),     Q(255, 0, 85),    Q(255, 0, 170),   Q(255, 0, 255),
    Q(255, 36, 0),    Q(255, 36, 85),   Q(255, 36, 170),  Q(255, 36, 255),  Q(255, 73, 0),    Q(255, 73, 85),
    Q(255, 73, 170),  Q(255, 73, 255),  Q(255, 109, 0),   Q(255, 109, 85),  Q(255, 109, 170), Q(255, 109, 255),
    Q(255, 146, 0),   Q(255, 146, 85),  Q(255, 146, 170), Q(255, 146, 255), Q(255, 182, 0),   Q(255, 182, 85),
    Q(255, 182, 170), Q(255, 182, 255), Q(255, 219, 0),   Q(255, 219, 85),  Q(255, 219, 170), Q(255, 219, 255),
    Q(255, 255, 0),   Q(255, 255, 85),  Q(255, 255, 170), Q(255, 255, 255),
};

namespace {

std::vector<unsigned char> LogicalPaletteBuffer(int count) {
    std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (count > 0 ? count : 1), 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(count);
    return buffer;
}

}  // namespace

const RGBQUAD* FixedPaletteForDepth(int bits, int* count) {
    int n = bits < 2 ? 2 : bits <= 4 ? 16 : bits <= 8 ? 256 : 0;
    if (count) *count = n;
    return n ? FixedPaletteOfSize(n) : nullptr;
}

const RGBQUAD* FixedPaletteOfSize(int colors) {
    switch (colors) {
        case 2:
            return FixedPalette2;
        case 16:
            return FixedPalette16;
        case 256:
            return FixedPalette256;
        default:
            return nullptr;
    }
}

HPALETTE CreatePaletteFromColors(const RGBQUAD* table, int count) {
    if (!table || count <= 0) return nullptr;
    if (count > 256) count = 256;
    std::vector<unsigned char> buffer = LogicalPaletteBuffer(count);
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
    for (int i = 0; i < count; ++i) {
        PALETTEENTRY& e = lp->palPalEntry[i];
        e.peRed = table[i].rgbRed;
        e.peGreen = table[i].rgbGreen;
        e.peBlue = table[i].rgbBlue;
        e.peFlags = 0;
    }
    return CreatePalette(lp);
}

HPALETTE CreateFixedPalette(int bits) {
    int count = 0;
    const RGBQUAD* table = FixedPaletteForDepth(bits, &count);
    return table ? CreatePaletteFromColors(table, count) : nullptr;
}

HPALETTE CreateGrayPalette(int bits) {
    if (bits <= 0 || bits > 8) bits = 8;
    int levels = 1 << bits;
    int step = 256 / levels;
    std::vector<unsigned char> buffer = LogicalPaletteBuffer(256);
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
    for (int i = 0; i < levels; ++i) {
        BYTE v = static_cast<BYTE>((i * step) & 0xFF);
        lp->palPalEntry[i] = PALETTEENTRY{v, v, v, 0};
    }
    return CreatePalette(lp);
}

extern "C" int KAPI K_GetFixedPalette(RGBQUAD* table, int bits) {
    if (!table) return K_ERR_ARGUMENT;
    if (bits == 0) {
        for (int i = 0; i < 256; ++i) table[i] = Q(i, i, i);
        return K_OK;
    }
    if (bits != 1 && bits != 4 && bits != 8) return K_ERR_ARGUMENT;
    int count = 0;
    const RGBQUAD* fixed = FixedPaletteForDepth(bits, &count);
    for (int i = 0; i < count; ++i) table[i] = fixed[i];
    return K_OK;
}
