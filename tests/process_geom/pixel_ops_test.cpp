// Resample, mosaic, noise, underlay and the dispatcher: hand-derived cases
// that tell the rules apart, and ImageMagick's box scaling for resample.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/dither_fixture.h"
#include "peer.h"

namespace {

struct Owned {
    BitmapRecord r{};
    ~Owned() { K_FreeBitmap(&r); }
};

Picture Rgb1(int w, int h, std::vector<uint8_t> greys) {
    Picture p;
    p.width = w, p.height = h, p.channels = 3;
    for (uint8_t g : greys) p.data.insert(p.data.end(), {g, g, g});
    return p;
}

// The generator as the library keeps it: one seed for the process, the
// first pixel after loading seeing 150889. Noise tests come first.
uint32_t g_seed = 0;
int NextOffset(int half) {
    g_seed = (g_seed * 1366u + 150889u) % 714025u;
    return int(g_seed % unsigned(2 * half + 1)) - half;
}

TEST(Noise, FollowsTheProcessSequence) {
    Picture p = MakePattern(5, 3, 24, 1);
    for (auto [range, channel] : {std::pair{1000u, 0u}, std::pair{300u, 1u}, std::pair{0u, 0u}}) {
        const int half = int(range * 255 + 500) / 1000;
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            Owned o;
            StorePicture(o.r, p, 24, perspective);
            ASSERT_EQ(K_AddBitmapNoise(&o.r, range, channel), K_OK);
            Picture want = p;
            // Storage order, left to right; red is the first value here.
            for (int s = 0; s < 3; ++s)
                for (int x = 0; x < 5; ++x) {
                    int off = NextOffset(half);
                    uint8_t* px = want.At(x, StorageRow(o.r, s));
                    for (int c = 0; c < 3; ++c)
                        if (channel == 0 || c == int(channel) - 1) px[c] = uint8_t(std::clamp(px[c] + off, 0, 255));
                }
            EXPECT_EQ(ReadPicture(o.r), want) << range << " " << channel;
        }
    }
    EXPECT_EQ(K_AddBitmapNoise(nullptr, 0, 0), K_ERR_NOBITMAP);
    Owned o;
    StorePicture(o.r, p, 24);
    EXPECT_EQ(K_AddBitmapNoise(&o.r, 1001, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_AddBitmapNoise(&o.r, 0, 4), K_ERR_ARGUMENT);
}

TEST(Resample, HandCases) {
    struct Case {
        Picture in;
        int w, h;
        std::vector<uint8_t> want;  // greys
    } cases[] = {
        {Rgb1(4, 1, {10, 20, 30, 40}), 2, 1, {15, 35}},
        {Rgb1(2, 1, {0, 100}), 4, 1, {0, 0, 50, 100}},
        {Rgb1(1, 2, {0, 100}), 1, 4, {0, 0, 50, 100}},
        {Rgb1(1, 4, {10, 20, 30, 41}), 1, 2, {15, 35}},
        {Rgb1(3, 2, {1, 2, 3, 4, 5, 6}), 3, 2, {1, 2, 3, 4, 5, 6}},
        {Rgb1(3, 1, {90, 0, 30}), 5, 1, {90, 0, 15, 30, 30}},
    };
    for (const Case& c : cases)
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            // Columns resample in storage order: shown on top-down records.
            if (c.w == 1 && perspective == K_BOTTOM_UP) continue;
            Owned o;
            StorePicture(o.r, c.in, 24, perspective);
            o.r.XResolution = 200;
            ASSERT_EQ(K_ResampleBitmap(&o.r, c.w, c.h), K_OK);
            EXPECT_EQ(o.r.XResolution, 200);
            Picture got = ReadPicture(o.r);
            ASSERT_EQ(got.width, c.w);
            ASSERT_EQ(got.height, c.h);
            std::vector<uint8_t> greys;
            for (int i = 0; i < c.w * c.h; ++i) greys.push_back(got.data[3 * i]);
            EXPECT_EQ(greys, c.want) << c.w << "x" << c.h << " " << perspective;
        }
    Owned o;
    StorePicture(o.r, Rgb1(2, 2, {1, 2, 3, 4}), 24);
    EXPECT_EQ(K_ResampleBitmap(&o.r, -2, 2), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ResampleBitmap(&o.r, 2, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(o.r.Width, 2);
}

// Shrinking by whole factors is the box average ImageMagick's -scale makes
// (it rounds, the library truncates: within one).
TEST(Resample, WholeFactorShrinkMatchesScale) {
    Picture p = MakePattern(24, 18, 24, 5);
    MagickBatch batch("resample_scale");
    std::vector<std::pair<Picture, int>> runs;
    for (int bits : {24, 32})
        for (auto [w, h] : {std::pair{12, 9}, std::pair{8, 6}, std::pair{6, 3}}) {
            Owned o;
            StorePicture(o.r, p, bits, K_TOP_DOWN);
            ASSERT_EQ(K_ResampleBitmap(&o.r, w, h), K_OK);
            runs.push_back(
                {ReadPicture(o.r), batch.Add(p, "-scale " + std::to_string(w) + "x" + std::to_string(h) + "!")});
        }
    ASSERT_TRUE(batch.Run());
    for (auto& [ours, i] : runs) EXPECT_LE(MaxDifference(ours, batch.Result(i)), 1);
    // A 1-bit picture stays 1-bit, dithered from the averaged colours.
    Owned bw;
    StorePicture(bw.r, MakePattern(16, 8, 1), 1);
    GivePalette(bw.r, {Rgb(0, 0, 0), Rgb(255, 255, 255)});
    ASSERT_EQ(K_ResampleBitmap(&bw.r, 9, 5), K_OK);
    EXPECT_EQ(bw.r.BitsPerPixel, 1);
    EXPECT_EQ(bw.r.Width, 9);
}

TEST(Mosaic, TilesFromTheTopLeftAsDisplayed) {
    // 5 x 5 with tiles of 2: the last column and band are one pixel wide.
    Picture p = Rgb1(5, 5, {0,  2,  4,  6,  9,   //
                            10, 12, 14, 16, 19,  //
                            20, 22, 24, 26, 29,  //
                            30, 32, 34, 36, 39,  //
                            40, 42, 44, 46, 50});
    const std::vector<uint8_t> want = {6,  6,  10, 10, 14,  //
                                       6,  6,  10, 10, 14,  //
                                       26, 26, 30, 30, 34,  //
                                       26, 26, 30, 30, 34,  //
                                       41, 41, 45, 45, 50};
    for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
        Owned o;
        StorePicture(o.r, p, 24, perspective);
        ASSERT_EQ(K_MosaicBitmap(&o.r, 2), K_OK);
        Picture got = ReadPicture(o.r);
        std::vector<uint8_t> greys;
        for (size_t i = 0; i < got.data.size(); i += 3) greys.push_back(got.data[i]);
        EXPECT_EQ(greys, want) << perspective;
    }
    // Size 1 and a grey 8-bit picture keep every value and the palette.
    Owned g;
    Picture grey = MakePattern(7, 3, 8, 2);
    StorePicture(g.r, grey, 8);
    std::vector<RGBQUAD> ramp;
    for (int i = 0; i < 256; ++i) ramp.push_back(Rgb(i, i, i));
    GivePalette(g.r, ramp);
    ASSERT_EQ(K_MosaicBitmap(&g.r, 1), K_OK);
    EXPECT_EQ(ReadPicture(g.r), grey);
    EXPECT_EQ(K_MosaicBitmap(&g.r, 0), K_ERR_ARGUMENT);
}

TEST(Underlay, AddsGreyAround128) {
    Picture p = MakePattern(5, 3, 24, 4);
    // A 2 x 2 underlay tiled from the top-left of the displayed picture.
    Picture under = Rgb1(2, 2, {128, 0, 255, 200});
    for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
        Owned o, u;
        StorePicture(o.r, p, 24, perspective);
        StorePicture(u.r, under, 24, perspective == K_BOTTOM_UP ? K_TOP_DOWN : K_BOTTOM_UP);
        ASSERT_EQ(K_UnderlayBitmap(&o.r, &u.r, 0), K_OK);
        Picture want = p;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                int g = under.At(x % 2, y % 2)[0];
                for (int c = 0; c < 3; ++c) {
                    int v = p.At(x, y)[c] + g;
                    want.At(x, y)[c] = uint8_t(v <= 128 ? 0 : std::min(v - 128, 255));
                }
            }
        EXPECT_EQ(ReadPicture(o.r), want) << perspective;
        EXPECT_EQ(ReadPicture(u.r), under);
    }
    // Stretched mid-grey leaves the picture as it was.
    Owned o, u;
    StorePicture(o.r, p, 24);
    StorePicture(u.r, Rgb1(1, 1, {128}), 24);
    ASSERT_EQ(K_UnderlayBitmap(&o.r, &u.r, 1), K_OK);
    EXPECT_EQ(ReadPicture(o.r), p);
    EXPECT_EQ(K_UnderlayBitmap(&o.r, &u.r, 2), K_ERR_ARGUMENT);
    BitmapRecord empty{};
    EXPECT_EQ(K_UnderlayBitmap(&o.r, &empty, 0), K_ERR_NOBITMAP);
}

TEST(Dispatcher, RunsTheNamedOperation) {
    Picture p = MakePattern(6, 4, 24, 8);
    Owned a, b;
    StorePicture(a.r, p, 24);
    StorePicture(b.r, p, 24);
    ProcessArguments args{90, 3, 2, 2000, 1, 8};
    ASSERT_EQ(K_ProcessBitmap(&a.r, 3, &args), K_OK);
    ASSERT_EQ(K_ReverseBitmap(&b.r), K_OK);
    EXPECT_EQ(ReadPicture(a.r), ReadPicture(b.r));
    ASSERT_EQ(K_ProcessBitmap(&a.r, 0, &args), K_OK);
    EXPECT_EQ(a.r.Width, 4);
    EXPECT_EQ(K_ProcessBitmap(&a.r, 4, &args), K_ERR_ARGUMENT);  // intensity 2000
    EXPECT_EQ(K_ProcessBitmap(&a.r, 9, &args), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ProcessBitmap(&a.r, 2, nullptr), K_ERR_ARGUMENT);
    ASSERT_EQ(K_ProcessBitmap(&a.r, 2, &args), K_OK);
    EXPECT_EQ(a.r.Width, 3);
    K_ProcessBitmap(&a.r, 5, &args);
    EXPECT_EQ(a.r.DitheringMethod, 3);
    EXPECT_EQ(a.r.BitsPerPixel, 8);
    EXPECT_EQ(K_ProcessBitmap(nullptr, 5, &args), K_ERR_NOBITMAP);
}

}  // namespace
