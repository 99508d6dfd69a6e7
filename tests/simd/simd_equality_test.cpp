// Every SSE2 and AVX2 path against its plain form on the same inputs, byte
// for byte: the filter rows, the 24-bit red and blue exchange, the JPEG
// inverse and forward DCT and colour output, and whole filters through the
// exported calls. Each test runs once for each width (SSE2, AVX2) with the
// plain forms forced by ForceCpuPaths; on x86 the SSE2 forms must then
// really be the ones compared (CpuHasSse2 answers true on every CPU these
// tests run on), the AVX2 width is skipped where it is not built or the CPU
// lacks it.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/cpu_features.h"
#include "core/pixel_format.h"
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_fdct.h"
#include "process/filter_rows.h"
#include "volkg.h"

namespace {

// The SIMD width of the running test.
CpuPaths simdWidth = CpuPaths::Sse2;

// Runs f with the plain paths forced, then with the test's SIMD width.
template <class F>
void PlainThenSimd(F&& f) {
    ForceCpuPaths(CpuPaths::Plain);
    f(false);
    ForceCpuPaths(simdWidth);
    f(true);
    ForceCpuPaths(CpuPaths::Avx2);
}

class SimdPaths : public ::testing::TestWithParam<CpuPaths> {
protected:
    void SetUp() override {
        simdWidth = GetParam();
        if (simdWidth == CpuPaths::Avx2 && !CpuHasAvx2()) GTEST_SKIP() << "no AVX2 paths here";
    }
};

INSTANTIATE_TEST_SUITE_P(Widths, SimdPaths, ::testing::Values(CpuPaths::Sse2, CpuPaths::Avx2),
                         [](const ::testing::TestParamInfo<CpuPaths>& info) {
                             return info.param == CpuPaths::Sse2 ? std::string("Sse2") : std::string("Avx2");
                         });

TEST(SimdWidths, AvailableOnThisMachine) {
#if VOLKG_SSE2_PATHS
    EXPECT_TRUE(CpuHasSse2());
    ForcePlainPaths(true);
    EXPECT_FALSE(CpuHasSse2());
    EXPECT_FALSE(CpuHasAvx2());
    ForceCpuPaths(CpuPaths::Sse2);
    EXPECT_TRUE(CpuHasSse2());
    EXPECT_FALSE(CpuHasAvx2());
    ForcePlainPaths(false);
#else
    EXPECT_FALSE(CpuHasSse2());
#endif
#if !VOLKG_AVX2_PATHS
    EXPECT_FALSE(CpuHasAvx2());
#endif
}

// Rows of random bytes with `pad` readable bytes on each side; long runs
// of one value and extremes, where a wrong compare or clamp shows.
std::vector<uint8_t> RandomRow(std::mt19937& rng, int count, int pad) {
    std::vector<uint8_t> row(static_cast<size_t>(count) + 2 * pad);
    for (size_t i = 0; i < row.size(); ++i) {
        const uint32_t r = rng();
        row[i] = r % 7 == 0 ? 0 : r % 7 == 1 ? 255 : r % 7 == 2 && i > 0 ? row[i - 1] : static_cast<uint8_t>(r >> 8);
    }
    return row;
}

TEST_P(SimdPaths, MedianRowsMatchThePlainNetwork) {
    std::mt19937 rng(7);
    for (int step : {1, 3})
        for (int count : {0, 1, 15, 16, 17, 47, 48, 100, 4003}) {
            const int pad = step;
            auto a = RandomRow(rng, count, pad), b = RandomRow(rng, count, pad), d = RandomRow(rng, count, pad);
            std::vector<uint8_t> out[2];
            PlainThenSimd([&](bool simd) {
                out[simd].assign(static_cast<size_t>(count) + 1, 0xA5);  // one guard byte
                MedianRow3(a.data() + pad, b.data() + pad, d.data() + pad, step, count, out[simd].data());
            });
            EXPECT_EQ(out[0], out[1]) << "step " << step << " count " << count;
            EXPECT_EQ(out[1].back(), 0xA5);
        }
}

// Every length around the groups of sixteen pixels and a long row, with a
// guard byte after the row.
TEST_P(SimdPaths, RedBlueSwapMatchesThePlainLoop) {
    std::mt19937 rng(17);
    for (int count : {0, 1, 5, 15, 16, 17, 31, 32, 33, 47, 48, 50, 4003}) {
        const std::vector<uint8_t> row = RandomRow(rng, 3 * count + 1, 0);
        std::vector<uint8_t> out[2];
        PlainThenSimd([&](bool simd) {
            out[simd] = row;
            SwapRowRedBlue(out[simd].data(), count, 24);
        });
        EXPECT_EQ(out[0], out[1]) << "count " << count;
        EXPECT_EQ(out[1].back(), row.back());
        if (count > 0) EXPECT_EQ(out[0][0], row[2]);
    }
}

TEST_P(SimdPaths, ConvolutionRowsMatchThePlainSums) {
    std::mt19937 rng(11);
    struct Case {
        int n, divisor, bias, maxWeight;
    } cases[] = {
        {3, 1, 0, 1},   {3, 1, 128, 2},   {3, 9, 0, 1},      {3, -7, 200, 8}, {3, 16, 3, 15},    {5, 3, -40, 5},
        {1, 1, 0, 128}, {3, 1, -300, 14}, {3, 100000, 0, 4}, {2, 5, 70, 30},  {3, 1, 200000, 3},
    };
    for (const Case& c : cases) {
        const int above = (c.n - 1) / 2, pad = c.n / 2, step = 3, count = 16 * 9 + 5;
        std::vector<std::vector<uint8_t>> rows;
        std::vector<const uint8_t*> pointers;
        for (int i = 0; i < c.n; ++i) rows.push_back(RandomRow(rng, count, pad * step));
        for (auto& r : rows) pointers.push_back(r.data() + pad * step);
        // Weights within the 16-bit form's reach: their magnitudes sum to at most 128.
        std::vector<KernelTap> taps;
        int magnitude = 0;
        for (int i = 0; i < c.n; ++i)
            for (int j = 0; j < c.n; ++j) {
                int w = static_cast<int>(rng() % (2 * c.maxWeight + 1)) - c.maxWeight;
                if (magnitude + std::abs(w) > 128) w = 0;
                magnitude += std::abs(w);
                if (w) taps.push_back(KernelTap{i, (j - above) * step, w});
            }
        const KernelRow kernel{taps.data(), static_cast<int>(taps.size()), c.divisor, c.bias};
        ASSERT_TRUE(ConvolveFitsSse2(kernel));
        std::vector<uint8_t> out[2];
        PlainThenSimd([&](bool simd) {
            out[simd].assign(count, 0);
            ConvolveRow(pointers.data(), kernel, count, out[simd].data());
        });
        EXPECT_EQ(out[0], out[1]) << "n " << c.n << " divisor " << c.divisor << " bias " << c.bias;
    }
    // A kernel beyond 16 bits stays on the plain form.
    const KernelTap heavy[1] = {{0, 0, 200}};
    EXPECT_FALSE(ConvolveFitsSse2(KernelRow{heavy, 1, 1, 0}));
}

// Blocks as the dequantisation leaves them: typical photo values, blocks
// with a few large terms, and damaged values up to the +-2^23 limit where
// the 32-bit products wrap.
TEST_P(SimdPaths, InverseDctMatchesThePlainButterflies) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 3000; ++trial) {
        int32_t block[64];
        const int kind = trial % 3;
        for (int i = 0; i < 64; ++i) {
            const int32_t r = static_cast<int32_t>(rng());
            if (kind == 0)
                block[i] = i == 0 ? r % 60000 : (i < 20 ? r % 4000 : (rng() % 4 ? 0 : r % 800));
            else if (kind == 1)
                block[i] = rng() % 3 ? 0 : r % 200000;
            else
                block[i] = r % (1 << 23);
        }
        int16_t samples[2][64];
        PlainThenSimd([&](bool simd) {
            int32_t coef[64];
            std::copy(block, block + 64, coef);
            JpegInverseDct(samples[simd], coef, 63);
            for (int v : coef) ASSERT_EQ(v, 0);
        });
        ASSERT_EQ(std::vector<int16_t>(samples[0], samples[0] + 64), std::vector<int16_t>(samples[1], samples[1] + 64))
            << "trial " << trial;
    }
}

// Blocks of the encoder's range (levels - 128, times 4): noise, flat
// blocks, edges, and the extremes where the sums are largest.
TEST_P(SimdPaths, ForwardDctMatchesThePlainPasses) {
    std::mt19937 rng(13);
    for (int trial = 0; trial < 3000; ++trial) {
        int16_t block[64];
        for (int i = 0; i < 64; ++i) {
            const int level = trial % 4 == 0   ? static_cast<int>(rng() % 256)
                              : trial % 4 == 1 ? (trial & 8 ? 255 : 0)
                              : trial % 4 == 2 ? ((i % 8 < 4) == (trial & 16 ? 1 : 0) ? 255 : 0)
                                               : static_cast<int>(128 + (rng() % 21) - 10);
            block[i] = static_cast<int16_t>((level - 128) * 4);
        }
        int16_t out[2][64];
        PlainThenSimd([&](bool simd) {
            std::copy(block, block + 64, out[simd]);
            ForwardDct(out[simd]);
        });
        ASSERT_EQ(std::vector<int16_t>(out[0], out[0] + 64), std::vector<int16_t>(out[1], out[1] + 64))
            << "trial " << trial;
    }
}

// Every sampling and output form: the MCU's samples at random levels,
// extremes included, into rows that already hold bytes (the fourth byte of
// 32-bit pixels is not the conversion's to change).
TEST_P(SimdPaths, ColourOutputMatchesThePlainTables) {
    std::mt19937 rng(9);
    struct Layout {
        McuLayout layout;
        int hs, vs;
    } layouts[] = {{McuLayout::S1x1, 1, 1}, {McuLayout::S2x1, 2, 1}, {McuLayout::S2x2, 2, 2},
                   {McuLayout::S4x1, 4, 1}, {McuLayout::S1x2, 1, 2}, {McuLayout::Grey, 1, 1}};
    for (const Layout& l : layouts)
        for (int pixelBytes : {3, 4})
            for (bool rgb : {false, true}) {
                const int blocks = l.layout == McuLayout::Grey ? 1 : l.hs * l.vs + 2;
                const int width = 8 * l.hs, height = 8 * l.vs, x0 = 3;
                std::vector<int16_t> samples(static_cast<size_t>(blocks) * 64);
                for (auto& s : samples) {
                    const uint32_t r = rng();
                    s = static_cast<int16_t>(r % 5 == 0   ? 0
                                             : r % 5 == 1 ? kJpegSampleMax
                                                          : (r >> 8) % (kJpegSampleMax + 1));
                }
                std::vector<uint8_t> pixels[2];
                const size_t stride = static_cast<size_t>(width + x0 + 1) * pixelBytes;
                std::vector<uint8_t> before(stride * height);
                for (auto& b : before) b = static_cast<uint8_t>(rng());
                PlainThenSimd([&](bool simd) {
                    pixels[simd] = before;
                    std::vector<uint8_t*> rows;
                    for (int y = 0; y < height; ++y) rows.push_back(pixels[simd].data() + y * stride);
                    JpegColorOut(l.layout, samples.data(), rows.data(), x0, pixelBytes, rgb);
                });
                EXPECT_EQ(pixels[0], pixels[1])
                    << "layout " << int(l.layout) << " bytes " << pixelBytes << " rgb " << rgb;
            }
}

// The SSE2 colour output computes the chroma terms instead of looking them
// up: every chroma sample value in both chroma planes of 4:4:4 MCUs, each
// on luma at every fraction of a level and at levels from dark to light,
// so that a term one unit off changes some pixel.
TEST_P(SimdPaths, ColourOutputMatchesForEveryChromaSample) {
    const int values = static_cast<int>(kJpegSampleMax) + 1;
    const int step = 1 << kJpegSampleBits;
    for (int level : {16, 64, 128, 192, 240})
        for (int fraction = 0; fraction < step; ++fraction)
            for (int mcu = 0; mcu < values / 64; ++mcu) {
                std::vector<int16_t> samples(3 * 64);
                for (int i = 0; i < 64; ++i) {
                    samples[i] = static_cast<int16_t>(level * step + fraction);  // luma
                    samples[64 + i] = static_cast<int16_t>(mcu * 64 + i);        // Cb: every value once
                    samples[128 + i] =
                        static_cast<int16_t>((mcu * 64 + i * 29 + 1000) % values);  // Cr: every value once
                }
                std::vector<uint8_t> pixels[2];
                PlainThenSimd([&](bool simd) {
                    pixels[simd].assign(8 * 8 * 3, 0);
                    std::vector<uint8_t*> rows;
                    for (int y = 0; y < 8; ++y) rows.push_back(pixels[simd].data() + y * 8 * 3);
                    JpegColorOut(McuLayout::S1x1, samples.data(), rows.data(), 0, 3, true);
                });
                ASSERT_EQ(pixels[0], pixels[1])
                    << "chroma samples from " << mcu * 64 << ", luma " << level << " + " << fraction << "/" << step;
            }
}

// A record of random pixels (noise with flat patches), 8-bit grey or 24-bit.
struct Noise {
    BitmapRecord r{};
    Noise(int w, int h, int bits, uint32_t seed) {
        std::mt19937 rng(seed);
        K_InitBitmap(&r, w, h, bits);
        K_AllocateBitmap(&r, K_STORAGE_ANY);
        if (bits == 8) {
            RGBQUAD grey[256];
            for (int i = 0; i < 256; ++i) grey[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
            K_PutBitmapColors(&r, 0, 256, grey);
        }
        std::vector<uint8_t> row(r.BytesPerLine);
        for (int y = 0; y < h; ++y) {
            for (auto& b : row) b = (y / 7) % 3 == 0 ? 90 : static_cast<uint8_t>(rng());
            K_PutBitmapRow(&r, row.data(), y, r.BytesPerLine);
        }
    }
    ~Noise() { K_FreeBitmap(&r); }
    std::vector<uint8_t> Bytes() {
        std::vector<uint8_t> all;
        std::vector<uint8_t> row(r.BytesPerLine);
        for (int y = 0; y < r.Height; ++y) {
            K_GetBitmapRow(&r, row.data(), y, r.BytesPerLine);
            all.insert(all.end(), row.begin(), row.end());
        }
        return all;
    }
};

TEST_P(SimdPaths, WholeFiltersMatchThePlainForms) {
    SpatialFilter sharpenish{};
    sharpenish.Dimension = 3, sharpenish.Divisor = 3, sharpenish.Bias = 10;
    const int weights[9] = {-1, -2, -1, 0, 9, 0, 1, 2, -1};
    std::copy(weights, weights + 9, sharpenish.Kernel);
    struct Op {
        const char* name;
        int (*run)(BitmapRecord*, const SpatialFilter*);
    } ops[] = {
        {"median 3", [](BitmapRecord* b, const SpatialFilter*) { return K_MedianFilterBitmap(b, 3); }},
        {"Laplacian", [](BitmapRecord* b, const SpatialFilter*) { return K_SpatialFilterBitmap(b, 17); }},
        {"emboss", [](BitmapRecord* b, const SpatialFilter*) { return K_EmbossBitmap(b, 3, 700); }},
        {"sharpen", [](BitmapRecord* b, const SpatialFilter*) { return K_SharpenBitmap(b, 400); }},
        {"own kernel",
         [](BitmapRecord* b, const SpatialFilter* f) { return K_SpatialFilterBitmap(b, reinterpret_cast<size_t>(f)); }},
    };
    for (const Op& op : ops)
        for (int bits : {8, 24})
            for (int width : {1, 16, 61}) {
                std::vector<uint8_t> result[2];
                PlainThenSimd([&](bool simd) {
                    Noise n(width, 37, bits, 3);
                    ASSERT_EQ(op.run(&n.r, &sharpenish), K_OK);
                    result[simd] = n.Bytes();
                });
                EXPECT_EQ(result[0], result[1]) << op.name << " " << bits << " bits, width " << width;
            }
}

}  // namespace
