// Histograms at every depth against counts made here and by pgmhist; the
// corrections against their formulas and against ImageMagick and netpbm.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "process_fixture.h"

namespace {

using Counts = std::array<unsigned, 256>;

int Intensity(const uint8_t* px) { return (5 * px[1] + 2 * px[0] + px[2] + 4) >> 3; }

Counts CountsOf(const Picture& colors, unsigned channel) {
    Counts c{};
    for (size_t i = 0; i < colors.data.size(); i += 3)
        ++c[channel ? colors.data[i + channel - 1] : Intensity(&colors.data[i])];
    return c;
}

Counts Histogram(BitmapRecord* b, unsigned channel) {
    Counts c;
    c.fill(0xDEAD);
    EXPECT_EQ(K_GetBitmapHistogram(b, c.data(), channel), K_OK);
    return c;
}

// A picture of odd size, so 1- and 4-bit rows end inside a byte.
Picture OddRose() { return MagickPicture("rose:", 37, 23); }

TEST(Histogram, CountsEveryPixelOnceAtEveryDepth) {
    Picture rose = OddRose();
    ASSERT_FALSE(rose.data.empty());
    for (const AnyLayout& l : AllLayouts()) {
        OwnedBitmap b;
        StoreAtLayout(b.rec, rose, l);
        Picture colors = ColorsOf(b.rec);
        for (unsigned channel = 0; channel <= 3; ++channel)
            EXPECT_EQ(Histogram(b.get(), channel), CountsOf(colors, channel)) << Name(l) << " channel " << channel;
    }
    // Ten pixels a row at 1 bit: the six padding bits of the second byte
    // are set and still not counted.
    OwnedBitmap one;
    StorePicture(one.rec, MakePattern(10, 3, 1), 1);
    GivePalette(one.rec, {Rgb(0, 0, 0), Rgb(255, 255, 255)});
    {
        BitmapLock lock(one.get());
        for (int y = 0; y < 3; ++y) one->DataPointer[y * one->BytesPerLine + 1] |= 0x3F;
    }
    Counts c = Histogram(one.get(), 0);
    EXPECT_EQ(c[0] + c[255], 30u);
}

TEST(Histogram, TwoEntriesOfOneColourCountAtTheSameValue) {
    OwnedBitmap b;
    Picture indices;
    indices.width = 4, indices.height = 1, indices.data = {0, 1, 2, 1};
    StorePicture(b.rec, indices, 8);
    GivePalette(b.rec, {Rgb(10, 20, 30), Rgb(10, 20, 30), Rgb(200, 0, 0)});
    Counts c = Histogram(b.get(), 1);
    EXPECT_EQ(c[10], 3u);
    EXPECT_EQ(c[200], 1u);
}

TEST(Histogram, ChannelCountsMatchPgmhist) {
    Picture logo = MagickPicture("logo:", 120, 90);
    OwnedBitmap b;
    StorePicture(b.rec, logo, 32, K_BOTTOM_UP, K_ORDER_RGB);
    for (unsigned channel = 1; channel <= 3; ++channel) {
        std::string out = TestTempPath("pc_hist.txt"), in = TestTempPath("pc_hist.ppm");
        WriteFileBytes(in, ToPnm(logo));
        ASSERT_EQ(
            RunHost("pamchannel -infile " + in + " " + std::to_string(channel - 1) + " | pgmhist -machine > " + out),
            0);
        Counts peer{};
        std::istringstream lines(ReadFileBytes(out));
        for (unsigned value, count; lines >> value >> count;) peer.at(value) = count;
        EXPECT_EQ(Histogram(b.get(), channel), peer) << "channel " << channel;
    }
}

TEST(Histogram, RefusesMissingCountersAndUnknownChannels) {
    OwnedBitmap b;
    StorePicture(b.rec, MakePattern(4, 4, 24), 24);
    Counts c{};
    EXPECT_EQ(K_GetBitmapHistogram(b.get(), nullptr, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_GetBitmapHistogram(b.get(), c.data(), 4), K_ERR_ARGUMENT);
    EXPECT_EQ(K_GetBitmapHistogram(nullptr, c.data(), 0), K_ERR_NOBITMAP);
    EXPECT_EQ(K_HistoContrastBitmap(b.get(), 1001), K_ERR_ARGUMENT);
    EXPECT_EQ(K_HistoEqualizeBitmap(nullptr), K_ERR_NOBITMAP);
}

// The correction tables, computed here from the intensity counts.
std::array<int, 256> EqualizeTable(const Counts& c, uint64_t pixels) {
    std::array<int, 256> t{};
    uint64_t sum = 0;
    for (int i = 0; i < 256; ++i) t[i] = static_cast<int>((sum += c[i]) * 255 / pixels);
    return t;
}

struct Range {
    int low = 255, high = 0, mid;
};
Range UsedRange(const Counts& c) {
    Range r;
    for (int i = 0; i <= 254; ++i)
        if (c[i]) {
            r.low = i;
            break;
        }
    for (int i = 255; i >= 1; --i)
        if (c[i]) {
            r.high = i;
            break;
        }
    r.mid = (r.low + r.high) / 2;
    return r;
}

TEST(Histogram, CorrectionsFollowTheirFormulasAtEveryDepth) {
    Picture rose = OddRose();
    for (const AnyLayout& l : AllLayouts()) {
        for (int op = 0; op < 3; ++op) {
            OwnedBitmap b;
            StoreAtLayout(b.rec, rose, l);
            Picture before = ColorsOf(b.rec);
            Counts counts = CountsOf(before, 0);
            Range r = UsedRange(counts);
            unsigned char table[256];
            int rc;
            if (op == 0) {
                auto t = EqualizeTable(counts, static_cast<uint64_t>(rose.width) * rose.height);
                for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(t[i]);
                rc = K_HistoEqualizeBitmap(b.get());
            } else if (op == 1) {
                for (int j = 0; j < 256; ++j)
                    table[j] =
                        static_cast<unsigned char>(std::clamp((j - r.mid) * 128 / (r.high - r.mid) + 127, 0, 255));
                rc = K_StretchBitmapIntensity(b.get());
            } else {
                for (int j = 0; j < 256; ++j)
                    table[j] = static_cast<unsigned char>(j < r.mid ? std::clamp(j - 64, 0, r.mid)
                                                                    : std::clamp(j + 64, r.mid, 255));
                rc = K_HistoContrastBitmap(b.get(), 500);
            }
            ASSERT_EQ(rc, K_OK);
            EXPECT_EQ(ColorsOf(b.rec), AfterTable(before, table, l.bits)) << "correction " << op << ", " << Name(l);
        }
    }
}

TEST(Histogram, ProgressAndTheOneIntensityCase) {
    // One intensity: stretching changes nothing, and reports 0..50 only.
    Picture flat;
    flat.width = 6, flat.height = 2, flat.channels = 3;
    flat.data.assign(36, 90);
    OwnedBitmap b;
    StorePicture(b.rec, flat, 24);
    {
        StatusRecorder recorder;
        EXPECT_EQ(K_StretchBitmapIntensity(b.get()), K_OK);
        EXPECT_EQ(recorder.seen(), (std::vector<int>{0, 25, 50}));
    }
    EXPECT_EQ(ReadPicture(b.rec), flat);
    // Contrast 0 is the identity but still goes over every row.
    StatusRecorder recorder;
    EXPECT_EQ(K_HistoContrastBitmap(b.get(), 0), K_OK);
    EXPECT_EQ(recorder.seen(), (std::vector<int>{0, 25, 50, 51, 75, 100}));
    EXPECT_EQ(ReadPicture(b.rec), flat);
}

TEST(Histogram, EqualizationOfMoreThan16MegapixelsDoesNotOverflow) {
    // Half the pixels black, half white: the running count times 255
    // passes 32 bits; black must map to 127 (8.6M * 255 / 17.2M).
    const int width = 4200, height = 4100;
    OwnedBitmap b;
    ASSERT_EQ(K_CreateBitmap(b.get(), K_STORAGE_ANY, width, height, 0, K_ORDER_BGR, nullptr, K_TOP_DOWN), K_OK);
    {
        BitmapLock lock(b.get());
        for (int y = 0; y < height; ++y)
            std::memset(b->DataPointer + static_cast<size_t>(y) * b->BytesPerLine, y < height / 2 ? 0 : 255, width);
    }
    ASSERT_EQ(K_HistoEqualizeBitmap(b.get()), K_OK);
    std::vector<RGBQUAD> palette = PaletteOf(b.rec);
    EXPECT_EQ(palette[0].rgbRed, 127);
    EXPECT_EQ(palette[255].rgbRed, 255);
}

// Equalisation and stretching as the peers do them, on grey pictures.
// ImageMagick's -equalize maps by the running count as we do, but spreads
// from the first used level; pnmnorm stretches the used range linearly
// from its bottom (ours maps its middle to 127 and its top to 255): both
// within 3 levels.
TEST(Histogram, MatchesTheEqualizationAndStretchOfThePeers) {
    Picture rose = MagickPicture("rose:", 140, 92);
    Picture grey;
    grey.width = rose.width, grey.height = rose.height, grey.channels = 1;
    for (size_t i = 0; i < rose.data.size(); i += 3)
        grey.data.push_back(static_cast<uint8_t>(Intensity(&rose.data[i])));
    // A low-contrast copy, and the range it uses.
    Picture dull = MapSamples(grey, [](int v) { return 60 + v / 2; });
    auto [low, high] = std::minmax_element(dull.data.begin(), dull.data.end());
    std::string range = "-bvalue=" + std::to_string(*low) + " -wvalue=" + std::to_string(*high);
    struct Case {
        const char* name;
        const Picture* picture;
        int(KAPI* call)(BitmapRecord*);
        std::string peer;
        int bound;
    } cases[] = {
        {"equalize / -equalize", &grey, K_HistoEqualizeBitmap, kConvert + " {in} -equalize -depth 8 {out}", 3},
        {"stretch / pnmnorm", &dull, K_StretchBitmapIntensity, "pnmnorm " + range + " {in} > {out}", 3},
    };
    for (const Case& c : cases) {
        OwnedBitmap b;
        StorePicture(b.rec, GreyAsRgb(*c.picture), 24);
        ASSERT_EQ(c.call(b.get()), K_OK);
        Picture peer = RunPeer(*c.picture, c.peer, "histo");
        Picture ours = ReadPicture(b.rec);
        ASSERT_EQ(ours.data.size(), peer.data.size() * 3) << c.name;
        int worst = 0;
        for (size_t i = 0; i < peer.data.size(); ++i)
            worst = std::max(worst, std::abs(ours.data[3 * i] - peer.data[i]));
        EXPECT_LE(worst, c.bound) << c.name;
    }
}

}  // namespace
