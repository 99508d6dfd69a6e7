// Display row converters: the dither matrices, the ordered and diffusion
// forms for every source depth, row widening and the row resampler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/display_mode.h"
#include "core/palette.h"
#include "core/row_converters.h"
#include "volkg.h"

namespace {

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = DisplayMode; }
    void TearDown() override { DisplayMode = saved_; }
    static void Ordered(bool on) {
        DisplayMode = on ? (DisplayMode | kOrderedDither) : (DisplayMode & ~kOrderedDither);
    }

private:
    unsigned saved_ = 0;
};

// A record of a depth whose palette (at 8 bits or fewer) is given.
struct Source {
    BitmapRecord r{};
    Source(int bits, int order = K_ORDER_BGR, const std::vector<RGBQUAD>& colours = {}) {
        K_InitBitmap(&r, 64, 1, bits);
        r.ColorOrder = order;
        if (!colours.empty())
            r.PaletteHandle = CreatePaletteFromColors(colours.data(), static_cast<int>(colours.size()));
    }
    ~Source() { K_FreeBitmap(&r); }
};

std::vector<unsigned char> Row24(int width, int r, int g, int b) {
    std::vector<unsigned char> row;
    for (int i = 0; i < width; ++i)
        row.insert(row.end(),
                   {static_cast<unsigned char>(b), static_cast<unsigned char>(g), static_cast<unsigned char>(r)});
    return row;
}

int Bit(const std::vector<unsigned char>& row, int i) { return (row[i >> 3] >> (7 - (i & 7))) & 1; }
int Nibble(const std::vector<unsigned char>& row, int i) { return (i & 1) ? row[i >> 1] & 15 : row[i >> 1] >> 4; }

TEST(DitherMatrices, DispersedIsBayerTimesFourWithFiveCellsLowered) {
    int bayer[8][8];
    bayer[0][0] = 0;
    for (int n = 1; n < 8; n *= 2)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                int v = bayer[y][x] * 4;
                bayer[y][x] = v, bayer[y][x + n] = v + 2, bayer[y + n][x] = v + 3, bayer[y + n][x + n] = v + 1;
            }
    int lowered = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int d = bayer[y][x] * 4 - DispersedDitherMatrix[y][x];
            EXPECT_TRUE(d == 0 || d == 4) << y << "," << x;
            lowered += d == 4;
        }
    EXPECT_EQ(lowered, 5);
}

TEST(DitherMatrices, ClusteredHoldsEveryMultipleOfFourOnce) {
    std::vector<int> seen(64, 0);
    for (const auto& row : ClusteredDitherMatrix)
        for (unsigned char v : row) {
            ASSERT_EQ(v % 4, 0);
            ++seen[v / 4];
        }
    EXPECT_EQ(seen, std::vector<int>(64, 1));
}

TEST_F(ConverterTest, EmptySpanAndMissingCombinationsWriteNothing) {
    Source rgb(24), mono(1, 0, {{0, 0, 0, 0}, {255, 255, 255, 0}});
    std::vector<unsigned char> src = Row24(8, 200, 100, 50), target(8, 0x5A);
    std::vector<DiffusionErrorCell> errors(8);
    for (bool ordered : {true, false}) {
        Ordered(ordered);
        ConvertDisplayRow(target.data(), 8, src.data(), &rgb.r, 5, 5, 0, 0, errors.data());
        ConvertDisplayRow(target.data(), 8, src.data(), &rgb.r, 6, 2, 0, 0, errors.data());
        ConvertDisplayRow(target.data(), 1, src.data(), &mono.r, 0, 8, 0, 0, errors.data());
        ConvertDisplayRow(target.data(), 4, src.data(), &mono.r, 0, 8, 0, 0, errors.data());
        ConvertDisplayRow(target.data(), 2, src.data(), &rgb.r, 0, 8, 0, 0, errors.data());
        EXPECT_EQ(target, std::vector<unsigned char>(8, 0x5A));
    }
}

TEST_F(ConverterTest, WhiteAndBlackRowsToOneBitKeepTheOtherBits) {
    Source rgb(24);
    for (bool ordered : {true, false}) {
        Ordered(ordered);
        for (int level : {255, 0}) {
            // Pixels 3..15 of the source become target pixels 0..12.
            std::vector<unsigned char> src = Row24(16, level, level, level);
            std::vector<unsigned char> target(3, level ? 0x00 : 0xFF);
            std::vector<DiffusionErrorCell> errors(13);
            for (int y = 0; y < 8; ++y)
                ConvertDisplayRow(target.data(), 1, src.data(), &rgb.r, 3, 16, y, y, errors.data());
            for (int i = 0; i < 13; ++i)
                EXPECT_EQ(Bit(target, i), level ? 1 : 0) << "ordered " << ordered << " pixel " << i;
            for (int i = 13; i < 24; ++i) EXPECT_EQ(Bit(target, i), level ? 0 : 1) << "untouched bit " << i;
        }
    }
}

TEST_F(ConverterTest, OrderedWhiteIsTheTopEntryAtEveryThreshold) {
    Source rgb(24);
    Ordered(true);
    std::vector<unsigned char> src = Row24(8, 255, 255, 255), target(8);
    for (int row = 0; row < 8; ++row) {
        ConvertDisplayRow(target.data(), 8, src.data(), &rgb.r, 0, 8, 0, row, nullptr);
        EXPECT_EQ(target, std::vector<unsigned char>(8, 255)) << row;
        ConvertDisplayRow(target.data(), 4, src.data(), &rgb.r, 0, 8, 0, row, nullptr);
        EXPECT_EQ(target[0], 0xFF);
    }
}

TEST_F(ConverterTest, OrderedThresholdFollowsColumnRowAndMatrixChoice) {
    Source rgb(24);
    Ordered(true);
    // Grey 100 (luminance 100); row 11 uses matrix row 3, column 5 onwards.
    std::vector<unsigned char> src = Row24(8, 100, 100, 100), target(1);
    DisplayMode |= kClusteredMatrix;
    ConvertDisplayRow(target.data(), 1, src.data(), &rgb.r, 0, 8, 5, 11, nullptr);
    EXPECT_EQ(target[0], 0x1C);  // 216 184 152 96 64 32 120 128 against 100
    DisplayMode &= ~kClusteredMatrix;
    ConvertDisplayRow(target.data(), 1, src.data(), &rgb.r, 0, 8, 5, 11, nullptr);
    EXPECT_EQ(target[0], 0x22);  // 120 216 88 236 112 208 80 244
    // Deeper targets always use the dispersed matrix: 8 bits offsets by T/8-16.
    DisplayMode |= kClusteredMatrix;
    std::vector<unsigned char> target8(8);
    ConvertDisplayRow(target8.data(), 8, src.data(), &rgb.r, 0, 8, 5, 11, nullptr);
    EXPECT_EQ(target8[0], 0x6D);  // T 120: 99 in every channel, 3-3-2 levels 3, 3, 1
    EXPECT_EQ(target8[2], 0x49);  // T 88: 95, levels 2, 2, 1
}

TEST_F(ConverterTest, SixteenBitRedFieldFollowsColourOrder) {
    const unsigned char word[2] = {0x00, 0x7C};
    struct Case {
        int order, depth, index;
    } cases[] = {{K_ORDER_BGR, 4, 9}, {K_ORDER_BGR, 8, 0xE0}, {K_ORDER_RGB, 4, 12}, {K_ORDER_RGB, 8, 0x03}};
    for (bool ordered : {true, false}) {
        Ordered(ordered);
        for (const Case& c : cases) {
            Source s(16, c.order);
            std::vector<unsigned char> target(1, 0);
            DiffusionErrorCell errors[1] = {};
            ConvertDisplayRow(target.data(), c.depth, word, &s.r, 0, 1, 3, 5, errors);
            EXPECT_EQ(c.depth == 4 ? target[0] >> 4 : target[0], c.index)
                << "order " << c.order << " depth " << c.depth;
        }
    }
}

// The colours of target indices, for averaging what diffusion produced.
RGBQUAD TargetColour(int depth, int index) {
    if (depth == 1) return index ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{0, 0, 0, 0};
    return (depth == 4 ? FixedPalette16 : FixedPalette256)[index];
}

TEST_F(ConverterTest, DiffusionKeepsTheAverageColour) {
    Ordered(false);
    Source rgb(24);
    const int width = 40, rows = 40;
    struct Case {
        int depth, r, g, b, tolerance;
    } cases[] = {{8, 100, 150, 200, 2}, {8, 17, 240, 90, 2}, {4, 100, 150, 200, 6}, {1, 128, 128, 128, 6}};
    for (const Case& c : cases) {
        std::vector<unsigned char> src = Row24(width, c.r, c.g, c.b), target(width);
        std::vector<DiffusionErrorCell> errors(width);
        long sum[3] = {}, ones = 0;
        for (int y = 0; y < rows; ++y) {
            ConvertDisplayRow(target.data(), c.depth, src.data(), &rgb.r, 0, width, 0, y, errors.data());
            for (int i = 0; i < width; ++i) {
                int index = c.depth == 8 ? target[i] : c.depth == 4 ? Nibble(target, i) : Bit(target, i);
                RGBQUAD q = TargetColour(c.depth, index);
                sum[0] += q.rgbRed, sum[1] += q.rgbGreen, sum[2] += q.rgbBlue, ones += index != 0;
            }
        }
        const int n = width * rows;
        EXPECT_NEAR(sum[0] / n, c.r, c.tolerance) << c.depth;
        EXPECT_NEAR(sum[1] / n, c.g, c.tolerance) << c.depth;
        EXPECT_NEAR(sum[2] / n, c.b, c.tolerance) << c.depth;
        if (c.depth == 1) EXPECT_NEAR(ones, n / 2, n / 20);
    }
}

TEST_F(ConverterTest, PaletteSourcesReadThePaletteInUse) {
    Ordered(false);
    // Entry i of the 8-bit source is fixed entry 255 - i: exact colours, no error.
    std::vector<RGBQUAD> reversed(FixedPalette256, FixedPalette256 + 256);
    std::reverse(reversed.begin(), reversed.end());
    Source s8(8, 0, reversed);
    std::vector<unsigned char> src(256), target(256);
    for (int i = 0; i < 256; ++i) src[i] = static_cast<unsigned char>(i);
    std::vector<DiffusionErrorCell> errors(256);
    ConvertDisplayRow(target.data(), 8, src.data(), &s8.r, 0, 256, 0, 0, errors.data());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(target[i], 255 - i) << i;
    // With the fixed palette in use the fixed handle's colours count.
    s8.r.FixedPaletteHandle = CreateFixedPalette(8);
    s8.r.Flags |= K_FIXED_PALETTE_IN_USE;
    std::fill(errors.begin(), errors.end(), DiffusionErrorCell{});
    ConvertDisplayRow(target.data(), 8, src.data(), &s8.r, 0, 256, 0, 0, errors.data());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(target[i], i) << i;

    // 4 bits to 1 bit and 1 bit to 8 bits, odd spans inside the bytes.
    Source s4(4, 0, std::vector<RGBQUAD>(FixedPalette16, FixedPalette16 + 16));
    const unsigned char nibbles[3] = {0xF0, 0x0F, 0xF0};  // white black black white white black
    std::vector<unsigned char> bits(1, 0);
    std::fill(errors.begin(), errors.end(), DiffusionErrorCell{});
    Ordered(true);
    ConvertDisplayRow(bits.data(), 1, nibbles, &s4.r, 1, 5, 0, 0, errors.data());
    EXPECT_EQ(bits[0], 0x30);  // black black white white
    Source s1(1, 0, {{0, 0, 0, 0}, {255, 255, 255, 0}});
    const unsigned char mono[2] = {0xA0, 0x80};
    std::vector<unsigned char> bytes(8, 7);
    ConvertDisplayRow(bytes.data(), 8, mono, &s1.r, 2, 9, 0, 0, nullptr);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{255, 0, 0, 0, 0, 0, 255, 7}));
}

TEST(ExpandRows, WidenInSourceOrder) {
    BitmapRecord r{};
    const unsigned char words[4] = {0x1F, 0x00, 0x00, 0x7C};  // low field full, then high field full
    unsigned char out[6] = {};
    ExpandRow16To24(out, words, &r, 0, 2);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 6), (std::vector<unsigned char>{255, 0, 0, 0, 0, 255}));
    const unsigned char words2[2] = {0x42, 0x08};  // fields 2, 2, 2
    ExpandRow16To24(out, words2, &r, 0, 1);
    EXPECT_EQ(out[0], 16 | 0);
    EXPECT_EQ(out[2], 16 | 0);
    const unsigned char quads[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ExpandRow32To24(out, quads, &r, 1, 3);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 6), (std::vector<unsigned char>{5, 6, 7, 9, 10, 11}));
}

// Pixel x of a packed row at a depth, as an integer.
uint32_t PixelAt(const std::vector<unsigned char>& row, int bits, int x) {
    if (bits == 1) return Bit(row, x);
    if (bits == 4) return Nibble(row, x);
    uint32_t v = 0;
    for (int k = 0; k < bits / 8; ++k) v |= row[x * (bits / 8) + k] << (8 * k);
    return v;
}

TEST(ResampleRow, PicksTheNearestColumnAtEveryDepth) {
    const int sourceWidth = 13;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        std::vector<unsigned char> source(128);
        for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 37 + 11);
        for (int first : {0, 3}) {
            for (int width : {1, 5, 13, 29}) {
                for (int start : {0, width / 2}) {
                    int whole = sourceWidth / width, step = sourceWidth % width;
                    if (width == sourceWidth) whole = 0, step = width;
                    // The row handed over begins at the byte holding column first.
                    int skip = bits == 1 ? first / 8 : bits == 4 ? first / 2 : first * bits / 8;
                    std::vector<unsigned char> target(128, 0xEE);
                    int left = ResampleRow(bits, 32, first, whole, start, step, source.data() + skip, target.data(),
                                           width, width, width > sourceWidth);
                    EXPECT_EQ(left, (start + width * step) % width);
                    for (int i = 0; i < width; ++i) {
                        int column = first + (start + i * sourceWidth) / width;
                        ASSERT_EQ(PixelAt(target, bits, i), PixelAt(source, bits, column))
                            << bits << " bits, first " << first << ", width " << width << ", pixel " << i;
                    }
                    if (bits == 1)
                        for (int i = width; i < 32 * 8; ++i) ASSERT_EQ(Bit(target, i), 0) << "cleared bit " << i;
                }
            }
        }
    }
}

}  // namespace
