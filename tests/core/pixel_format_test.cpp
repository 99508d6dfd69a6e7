// Nearest-colour search, palette maps and row conversion between formats.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/palette.h"
#include "core/pixel_format.h"
#include "volkg.h"

namespace {

RGBQUAD Q(int r, int g, int b) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; }

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

TEST(MatchPaletteColor, ShortcutsTieBreakAndEmptyLists) {
    RGBQUAD twoBlacks[6] = {Q(0, 0, 0), Q(10, 10, 10), Q(20, 0, 0), Q(0, 20, 0), Q(0, 0, 20), Q(0, 0, 0)};
    EXPECT_EQ(MatchPaletteColor(twoBlacks, 6, 0, 0, 0), 0);

    RGBQUAD blackLast[3] = {Q(1, 1, 1), Q(255, 255, 255), Q(0, 0, 0)};
    EXPECT_EQ(MatchPaletteColor(blackLast, 3, 0, 0, 0), 2);
    RGBQUAD whiteFirst[3] = {Q(255, 255, 255), Q(254, 254, 254), Q(255, 255, 255)};
    EXPECT_EQ(MatchPaletteColor(whiteFirst, 3, 255, 255, 255), 2);  // the last entry wins when it is white
    whiteFirst[2] = Q(0, 0, 0);
    EXPECT_EQ(MatchPaletteColor(whiteFirst, 3, 255, 255, 255), 0);

    // (100,100,100) is 100 away from both (110,100,100) and (100,100,110):
    // the first wins unless a later one orders its channels as the wanted
    // colour does. The grey orders like (110,100,100) (red >= blue, green
    // not below both), not like (100,100,110) (red < blue).
    RGBQUAD tie[2] = {Q(100, 100, 110), Q(110, 100, 100)};
    EXPECT_EQ(MatchPaletteColor(tie, 2, 100, 100, 100), 1);
    RGBQUAD tieReversed[2] = {Q(110, 100, 100), Q(100, 100, 110)};
    EXPECT_EQ(MatchPaletteColor(tieReversed, 2, 100, 100, 100), 0);

    // An exact match ends the search even before a later equal entry.
    RGBQUAD exact[3] = {Q(9, 9, 9), Q(50, 60, 70), Q(50, 60, 70)};
    EXPECT_EQ(MatchPaletteColor(exact, 3, 50, 60, 70), 1);

    // An empty list must not read any entry.
    EXPECT_EQ(MatchPaletteColor(nullptr, 0, 1, 2, 3), 0);
    EXPECT_EQ(MatchPaletteColor(exact, 0, 0, 0, 0), 0);
    EXPECT_EQ(MatchPaletteColor(exact, 1, 200, 0, 0), 0);
}

TEST(PaletteMap, IdentityGreyAndTranslation) {
    unsigned char map[256];
    std::memset(map, 0xAA, sizeof map);
    EXPECT_EQ(PaletteMap(nullptr, 0, nullptr, 0, map), 1);
    EXPECT_EQ(map[0], 0xAA);  // nothing written

    EXPECT_EQ(PaletteMap(FixedPalette16, 16, FixedPalette256, 256, map), 0);
    EXPECT_EQ(map[15], 255);    // white
    EXPECT_EQ(map[9], 7 << 5);  // pure red
    EXPECT_EQ(PaletteMap(FixedPalette16, 16, FixedPalette16, 16, map), 1);

    // Equal first entries of a longer target are an identity map.
    EXPECT_EQ(PaletteMap(FixedPalette2, 2, FixedPalette16, 16, map), 0);
    RGBQUAD longer[4] = {Q(0, 0, 0), Q(255, 255, 255), Q(1, 2, 3), Q(4, 5, 6)};
    EXPECT_EQ(PaletteMap(FixedPalette2, 2, longer, 4, map), 1);
    EXPECT_EQ(map[1], 1);

    // A null target means grey levels.
    RGBQUAD two[2] = {Q(200, 0, 0), Q(0, 0, 0)};
    EXPECT_EQ(PaletteMap(two, 2, nullptr, 0, map), 0);
    EXPECT_EQ(map[0], (2 * 200 + 4) >> 3);
    RGBQUAD greys[2] = {Q(0, 0, 0), Q(1, 1, 1)};
    EXPECT_EQ(PaletteMap(greys, 2, nullptr, 0, map), 1);

    // A null source means grey levels into the target.
    EXPECT_EQ(PaletteMap(nullptr, 0, FixedPalette2, 2, map), 0);
    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(map[127], 0);
    EXPECT_EQ(map[128], 1);
    EXPECT_EQ(map[255], 1);
}

TEST(GetMaxRowBytes, TakesTheLargestRoundedRow) {
    EXPECT_EQ(GetMaxRowBytes(10, 1, 3, 24), 12);  // (3, 24) -> 12
    EXPECT_EQ(GetMaxRowBytes(100, 24, 3, 8), 300);
    EXPECT_EQ(GetMaxRowBytes(5, 4, 33, 4), 20);  // (33, 4) -> 17 bytes -> 20
    EXPECT_EQ(GetMaxRowBytes(0, 8, 0, 8), 0);
}

// ---- K_ConvertBuffer over every pair of formats -------------------------

// The colours a test row holds; they hit palette entries, fall between
// them, and include black and white.
const Rgb kColours[] = {{0, 0, 0},      {255, 255, 255}, {255, 0, 0},   {0, 128, 0},     {36, 73, 170},
                        {200, 100, 50}, {128, 128, 128}, {17, 230, 99}, {192, 192, 192}, {0, 0, 255},
                        {90, 12, 240},  {255, 255, 0},   {64, 64, 64}};
constexpr int kCount = sizeof kColours / sizeof kColours[0];  // odd, so packed rows end mid-byte

const RGBQUAD* Palette(int bits) { return FixedPaletteForDepth(bits, nullptr); }
int PaletteSize(int bits) { return 1 << bits; }

// What a format holds for a colour, and what it reads back as.
struct Format {
    int bits;
    int order;
};

Rgb Stored(const Format& f, Rgb c) {
    switch (f.bits) {
        case 0: {
            int g = GrayLevel(c.r, c.g, c.b);
            return {g, g, g};
        }
        case 1:
        case 4:
        case 8: {
            const RGBQUAD& e = Palette(f.bits)[MatchPaletteColor(Palette(f.bits), PaletteSize(f.bits), c.r, c.g, c.b)];
            return {e.rgbRed, e.rgbGreen, e.rgbBlue};
        }
        case 16:
            return {Expand5To8(c.r >> 3), Expand5To8(c.g >> 3), Expand5To8(c.b >> 3)};
        default:
            return c;
    }
}

// Encodes a row in a format, independently of the library.
std::vector<unsigned char> Encode(const Format& f, const Rgb* colours, int n, size_t size) {
    std::vector<unsigned char> row(size, 0);
    for (int i = 0; i < n; ++i) {
        Rgb c = colours[i];
        switch (f.bits) {
            case 0:
                row[i] = BYTE(GrayLevel(c.r, c.g, c.b));
                break;
            case 1:
            case 4:
            case 8: {
                int index = MatchPaletteColor(Palette(f.bits), PaletteSize(f.bits), c.r, c.g, c.b);
                if (f.bits == 8) row[i] = BYTE(index);
                if (f.bits == 4) row[i / 2] |= BYTE(i % 2 ? index : index << 4);
                if (f.bits == 1) row[i / 8] |= BYTE(index << (7 - i % 8));
                break;
            }
            case 16: {
                int hi = f.order ? c.r : c.b, lo = f.order ? c.b : c.r;
                unsigned w = (hi >> 3) << 10 | (c.g >> 3) << 5 | (lo >> 3);
                row[2 * i] = BYTE(w);
                row[2 * i + 1] = BYTE(w >> 8);
                break;
            }
            default: {
                unsigned char* p = &row[(f.bits / 8) * i];
                p[0] = BYTE(f.order ? c.b : c.r);
                p[1] = BYTE(c.g);
                p[2] = BYTE(f.order ? c.r : c.b);
                if (f.bits == 32) p[3] = 0x5A;  // must never leak into a colour
                break;
            }
        }
    }
    return row;
}

Rgb Decode(const Format& f, const unsigned char* row, int i) {
    switch (f.bits) {
        case 0:
            return {row[i], row[i], row[i]};
        case 1:
        case 4:
        case 8: {
            int index = f.bits == 8   ? row[i]
                        : f.bits == 4 ? (i % 2 ? row[i / 2] & 15 : row[i / 2] >> 4)
                                      : (row[i / 8] >> (7 - i % 8)) & 1;
            const RGBQUAD& e = Palette(f.bits)[index];
            return {e.rgbRed, e.rgbGreen, e.rgbBlue};
        }
        case 16: {
            unsigned w = row[2 * i] | row[2 * i + 1] << 8;
            int hi = Expand5To8((w >> 10) & 31), mid = Expand5To8((w >> 5) & 31), lo = Expand5To8(w & 31);
            return f.order ? Rgb{hi, mid, lo} : Rgb{lo, mid, hi};
        }
        default: {
            const unsigned char* p = row + (f.bits / 8) * i;
            return f.order ? Rgb{p[2], p[1], p[0]} : Rgb{p[0], p[1], p[2]};
        }
    }
}

size_t RowBytes(int bits, int n) { return (static_cast<size_t>(n) * (bits ? bits : 8) + 7) / 8; }

TEST(ConvertBuffer, EveryPairOfFormatsInPlace) {
    const Format formats[] = {{0, 0}, {1, 0}, {4, 0}, {8, 0}, {16, 0}, {16, 1}, {24, 0}, {24, 1}, {32, 0}, {32, 1}};
    for (const Format& from : formats) {
        for (const Format& to : formats) {
            SCOPED_TRACE(testing::Message() << from.bits << "/" << from.order << " -> " << to.bits << "/" << to.order);
            size_t size = std::max(RowBytes(from.bits, kCount), RowBytes(to.bits, kCount)) + 4;
            std::vector<unsigned char> row = Encode(from, kColours, kCount, size);
            // Bytes past the wider row are a guard.
            for (size_t i = std::max(RowBytes(from.bits, kCount), RowBytes(to.bits, kCount)); i < size; ++i)
                row[i] = 0xC3;
            ASSERT_EQ(K_ConvertBuffer(row.data(), kCount, from.bits, to.bits, from.order, to.order, nullptr, nullptr),
                      K_OK);
            for (int i = 0; i < kCount; ++i) {
                Rgb source = Decode(from, Encode(from, kColours, kCount, size).data(), i);
                EXPECT_EQ(Decode(to, row.data(), i), Stored(to, source)) << "pixel " << i;
            }
            for (size_t i = std::max(RowBytes(from.bits, kCount), RowBytes(to.bits, kCount)); i < size; ++i)
                EXPECT_EQ(row[i], 0xC3) << "guard byte " << i;
            if (to.bits == 32 && from.bits != 32) {
                for (int i = 0; i < kCount; ++i) EXPECT_EQ(row[4 * i + 3], 0) << "fourth byte " << i;
            }
        }
    }
}

TEST(ConvertBuffer, CellsWithExactResults) {
    // 24 <-> 24 across orders swaps bytes 0 and 2 only.
    unsigned char rgb[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(K_ConvertBuffer(rgb, 2, 24, 24, 1, 0, nullptr, nullptr), K_OK);
    EXPECT_EQ(std::vector<unsigned char>(rgb, rgb + 6), (std::vector<unsigned char>{3, 2, 1, 6, 5, 4}));

    // 32 -> 32 across orders keeps the fourth byte; 16 across orders clears bit 15.
    unsigned char quad[4] = {1, 2, 3, 0x77};
    K_ConvertBuffer(quad, 1, 32, 32, 0, 1, nullptr, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(quad, quad + 4), (std::vector<unsigned char>{3, 2, 1, 0x77}));
    unsigned char word[2] = {0x1F, 0x80};  // bit 15 set, low field 31
    K_ConvertBuffer(word, 1, 16, 16, 1, 0, nullptr, nullptr);
    EXPECT_EQ(word[0] | word[1] << 8, 31 << 10);
    // Equal orders leave the word alone, bit 15 included.
    unsigned char same[2] = {0x1F, 0x80};
    K_ConvertBuffer(same, 1, 16, 16, 1, 1, nullptr, nullptr);
    EXPECT_EQ(same[1], 0x80);

    // 16-bit 0x7FFF is grey 255; grey g to 16 bits is (g >> 3) * 0x421.
    unsigned char white16[2] = {0xFF, 0x7F};
    K_ConvertBuffer(white16, 1, 16, 0, 1, 0, nullptr, nullptr);
    EXPECT_EQ(white16[0], 255);
    unsigned char grey[2] = {200, 0};
    K_ConvertBuffer(grey, 1, 0, 16, 0, 1, nullptr, nullptr);
    EXPECT_EQ(grey[0] | grey[1] << 8, (200 >> 3) * 0x421);

    // 24-bit white to 1 bit: bit 1 against black, white; bit 0 against white, black.
    RGBQUAD whiteBlack[2] = {Q(255, 255, 255), Q(0, 0, 0)};
    unsigned char white[3] = {255, 255, 255};
    K_ConvertBuffer(white, 1, 24, 1, 1, 0, nullptr, FixedPalette2);
    EXPECT_EQ(white[0] & 0x80, 0x80);
    unsigned char white2[3] = {255, 255, 255};
    K_ConvertBuffer(white2, 1, 24, 1, 1, 0, nullptr, whiteBlack);
    EXPECT_EQ(white2[0] & 0x80, 0);

    // Packing leaves the unused low bits of a final partial byte alone: three
    // near-black pixels fill bits 7-5 of byte 0, whose low bits held blue 0x1F.
    unsigned char packed[9] = {0x1F, 0, 0, 0, 0, 0, 0, 0, 0};
    K_ConvertBuffer(packed, 3, 24, 1, 1, 0, nullptr, nullptr);
    EXPECT_EQ(packed[0], 0x1F);
}

TEST(ConvertBuffer, PalettesAndRefusals) {
    // 8 to 8 with the same palette leaves the buffer alone; a null target
    // stands for the fixed palette.
    std::vector<unsigned char> row = {0, 1, 2, 250, 255};
    std::vector<unsigned char> copy = row;
    RGBQUAD own[256];
    for (int i = 0; i < 256; ++i) own[i] = Q(255 - i, i, 0);
    EXPECT_EQ(K_ConvertBuffer(row.data(), 5, 8, 8, 0, 0, own, own), K_OK);
    EXPECT_EQ(row, copy);
    EXPECT_EQ(K_ConvertBuffer(row.data(), 5, 8, 8, 0, 0, FixedPalette256, nullptr), K_OK);
    EXPECT_EQ(row, copy);
    // Another palette is translated through the map.
    EXPECT_EQ(K_ConvertBuffer(row.data(), 5, 8, 8, 0, 0, own, nullptr), K_OK);
    EXPECT_EQ(row[0], MatchPaletteColor(FixedPalette256, 256, 255, 0, 0));
    EXPECT_EQ(row[4], MatchPaletteColor(FixedPalette256, 256, 0, 255, 0));

    // 1 to 24 bits reads (count + 7) / 8 bytes and writes 3 * count.
    std::vector<unsigned char> bits(3 * 10, 0xEE);
    bits[0] = 0x80;
    bits[1] = 0x40;
    ASSERT_EQ(K_ConvertBuffer(bits.data(), 10, 1, 24, 0, 1, nullptr, nullptr), K_OK);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(bits[3 * i], (i == 0 || i == 9) ? 255 : 0) << i;

    unsigned char b[8] = {};
    struct Bad {
        void* buffer;
        int count, from, to, fromOrder, toOrder;
    } bad[] = {
        {nullptr, 1, 8, 24, 0, 1}, {b, 0, 8, 24, 0, 1},  {b, 1, 2, 24, 0, 1},  {b, 1, 8, 12, 0, 1},
        {b, 1, 24, 8, 2, 0},       {b, 1, 8, 24, 0, -1}, {b, 1, 16, 16, 1, 3},
    };
    for (const Bad& c : bad)
        EXPECT_EQ(K_ConvertBuffer(c.buffer, c.count, c.from, c.to, c.fromOrder, c.toOrder, nullptr, nullptr),
                  K_ERR_ARGUMENT)
            << c.from << "->" << c.to;
    // Orders do not matter between palette formats.
    EXPECT_EQ(K_ConvertBuffer(b, 1, 8, 4, 7, 9, nullptr, nullptr), K_OK);
}

// ---- Reader row helpers ---------------------------------------------------

TEST(SwapRowRedBlue, ExchangesTheOuterChannels) {
    unsigned char w[4] = {0x1F, 0x80 | 0x03, 0x00, 0x7C};  // 0x831F, 0x7C00
    SwapRowRedBlue(w, 2, 16);
    EXPECT_EQ(w[0] | w[1] << 8, 0x8000 | 0x7C00 | 0x0300 | 0x00);
    EXPECT_EQ(w[2] | w[3] << 8, 0x001F);
    unsigned char t[7] = {1, 2, 3, 4, 5, 6, 99};
    SwapRowRedBlue(t, 2, 24);
    EXPECT_EQ(std::vector<unsigned char>(t, t + 7), (std::vector<unsigned char>{3, 2, 1, 6, 5, 4, 99}));
    unsigned char q[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SwapRowRedBlue(q, 2, 32);
    EXPECT_EQ(std::vector<unsigned char>(q, q + 8), (std::vector<unsigned char>{3, 2, 1, 4, 7, 6, 5, 8}));
    unsigned char p[2] = {1, 2};
    SwapRowRedBlue(p, 2, 8);
    EXPECT_EQ(p[0], 1);
}

TEST(ConvertRowPixelSize, EverySizePair) {
    struct Case {
        int from, to;
        std::vector<unsigned char> in, out;
    } cases[] = {
        {1, 2, {200, 7}, {0x39, 0x67, 0, 0}},  // (200 / 8) * 1057 = 0x6739
        {1, 3, {9, 200}, {9, 9, 9, 200, 200, 200}},
        {1, 4, {9}, {9, 9, 9, 0}},
        // 5-bit fields blue 31, green 0, red 2: (31 + 0 + 2 + 2) / 3 = 11 -> 88
        {2, 1, {0x1F, 0x08}, {88}},
        {2, 3, {0x1F, 0x08}, {255, 0, 23}},
        {2, 4, {0x1F, 0x08}, {255, 0, 23, 0}},
        {3, 1, {10, 20, 31}, {21}},
        {3, 2, {0xFF, 0x08, 0x10}, {0x1F | 0x20, 0x08}},
        {3, 4, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 0, 4, 5, 6, 0}},
        {4, 1, {10, 20, 31, 99}, {21}},
        {4, 2, {0xFF, 0x08, 0x10, 0x80}, {0x1F | 0x20, 0x88}},
        {4, 3, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 5, 6, 7}},
        {3, 3, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        int n = static_cast<int>(c.in.size()) / c.from;
        std::vector<unsigned char> row = c.in;
        row.resize(std::max(c.in.size(), c.out.size()));
        EXPECT_EQ(ConvertRowPixelSize(row.data(), n, c.from, c.to), n * c.to);
        row.resize(c.out.size());
        EXPECT_EQ(row, c.out);
    }
}

}  // namespace
