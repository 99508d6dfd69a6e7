// The intensity family: each table against its formula computed here, at
// every depth; the same operations of ImageMagick and netpbm on real
// pictures; the argument bounds and the mended overflows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "process_fixture.h"

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

struct TableCase {
    std::string name;
    std::function<int(BitmapRecord*)> call;
    std::function<int(int)> entry;  // the formula, independently
};

std::vector<TableCase> TableCases() {
    return {
        {"invert", [](BitmapRecord* b) { return K_InvertBitmap(b); }, [](int i) { return 255 - i; }},
        {"intensity +300", [](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, 300); },
         [](int i) { return Clamp(i + 77, 0, 255); }},  // (300 * 255 + 500) / 1000 = 77
        // -1000 gives -254 (truncating -254.5): 255 maps to 1.
        {"intensity -1000", [](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, -1000); },
         [](int i) { return Clamp(i - 254, 0, 255); }},
        {"contrast +500", [](BitmapRecord* b) { return K_ChangeBitmapContrast(b, 500); },
         [](int i) { return i < 128 ? Clamp(i - 64, 0, 128) : Clamp(i + 64, 128, 255); }},
        // Negative: both halves toward 128; the lower half stops at 128.
        {"contrast -1000", [](BitmapRecord* b) { return K_ChangeBitmapContrast(b, -1000); },
         [](int i) { return i < 128 ? Clamp(i + 127, 0, 128) : Clamp(i - 127, 128, 255); }},
        {"posterize 2", [](BitmapRecord* b) { return K_PosterizeBitmap(b, 2); },
         [](int i) { return i < 127 ? 0 : 255; }},
        {"posterize 4", [](BitmapRecord* b) { return K_PosterizeBitmap(b, 4); },
         [](int i) { return ((3 * i + 128) / 255 * 255 + 1) / 3; }},
        {"posterize 256", [](BitmapRecord* b) { return K_PosterizeBitmap(b, 256); }, [](int i) { return i; }},
        // Level counts whose products passed 32 bits still leave values alone.
        {"posterize 2^32-1", [](BitmapRecord* b) { return K_PosterizeBitmap(b, 0xFFFFFFFFu); },
         [](int i) { return i; }},
        {"posterize 2^24", [](BitmapRecord* b) { return K_PosterizeBitmap(b, 1u << 24); }, [](int i) { return i; }},
        {"detect 100..200", [](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 100, 200); },
         [](int i) { return i >= 100 && i <= 200 ? 255 : 0; }},
        {"detect 200..100", [](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 200, 100); },
         [](int) { return 0; }},
        {"gamma 1.00", [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 100); }, [](int i) { return i; }},
        {"gamma 2.00", [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 200); },
         [](int i) { return static_cast<int>(std::floor(255 * std::sqrt(i / 255.0) + 0.5)); }},
        {"gamma 0.45", [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 45); },
         [](int i) { return static_cast<int>(std::floor(255 * std::pow(i / 255.0, 100.0 / 45) + 0.5)); }},
    };
}

TEST(Intensity, EachTableFollowsItsFormulaAtEveryDepth) {
    Picture picture = EveryValue(2);
    for (const TableCase& c : TableCases()) {
        unsigned char table[256];
        for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(c.entry(i));
        for (const AnyLayout& l : AllLayouts()) {
            OwnedBitmap b;
            StoreAtLayout(b.rec, picture, l);
            Picture before = ColorsOf(b.rec), indices = ReadPicture(b.rec);
            ASSERT_EQ(c.call(b.get()), K_OK) << c.name << ", " << Name(l);
            EXPECT_EQ(ColorsOf(b.rec), AfterTable(before, table, l.bits)) << c.name << ", " << Name(l);
            if (l.bits <= 8) EXPECT_EQ(ReadPicture(b.rec), indices) << "pixels of a palette bitmap stay: " << Name(l);
        }
    }
}

TEST(Intensity, KnownEntries) {
    // Gamma 2.00 at 128: 255 * (128 / 255)^0.5 + 0.5 = 181.16.
    Picture p;
    p.width = 3, p.height = 1, p.channels = 3;
    p.data = {128, 255, 0, 64, 127, 128, 1, 2, 3};
    OwnedBitmap b;
    StorePicture(b.rec, p, 24);
    ASSERT_EQ(K_GammaCorrectBitmap(b.get(), 200), K_OK);
    EXPECT_EQ(ReadPicture(b.rec).data, (std::vector<uint8_t>{181, 255, 0, 128, 180, 181, 16, 23, 28}));
}

TEST(Intensity, RefusesArgumentsOutsideTheirBounds) {
    OwnedBitmap b;
    StorePicture(b.rec, EveryValue(), 24);
    auto rows = StoredRows(b.rec);
    struct Case {
        const char* name;
        int result;
    } cases[] = {
        {"intensity 1001", K_ChangeBitmapIntensity(b.get(), 1001)},
        {"intensity -1001", K_ChangeBitmapIntensity(b.get(), -1001)},
        {"intensity INT_MIN", K_ChangeBitmapIntensity(b.get(), -2147483647 - 1)},
        {"contrast 1001", K_ChangeBitmapContrast(b.get(), 1001)},
        {"contrast INT_MAX", K_ChangeBitmapContrast(b.get(), 2147483647)},
        {"posterize 1", K_PosterizeBitmap(b.get(), 1)},
        {"posterize 0", K_PosterizeBitmap(b.get(), 0)},
        {"detect low 256", K_IntensityDetectBitmap(b.get(), 256, 10)},
        {"detect high 256", K_IntensityDetectBitmap(b.get(), 0, 256)},
        {"gamma 0", K_GammaCorrectBitmap(b.get(), 0)},
        // A negative gamma has no curve within 0..255.
        {"gamma -100", K_GammaCorrectBitmap(b.get(), -100)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, K_ERR_ARGUMENT) << c.name;
    EXPECT_EQ(StoredRows(b.rec), rows);

    BitmapRecord empty{};
    EXPECT_EQ(K_InvertBitmap(nullptr), K_ERR_NOBITMAP);
    EXPECT_EQ(K_GammaCorrectBitmap(&empty, 0), K_ERR_NOBITMAP) << "the bitmap is checked first";
}

// The peers on real pictures at 24 bits. ImageMagick and netpbm compute in
// floating point at 16 bits and round once; our tables truncate where the
// formulas say so, hence the bounds.
TEST(Intensity, MatchesImageMagickAndNetpbm) {
    Picture rose = MagickPicture("rose:", 140, 92), logo = MagickPicture("logo:", 160, 120);
    ASSERT_FALSE(rose.data.empty());
    ASSERT_FALSE(logo.data.empty());
    struct Case {
        const char* name;
        std::function<int(BitmapRecord*)> call;
        std::string peer;  // a shell line over {in} and {out}
        int bound;
        // Source values where the formulas round apart by design (skipped).
        std::function<bool(int)> roundsApart = [](int) { return false; };
    } cases[] = {
        {"invert / -negate", [](BitmapRecord* b) { return K_InvertBitmap(b); },
         kConvert + " {in} -negate -depth 8 {out}", 0},
        {"invert / pnminvert", [](BitmapRecord* b) { return K_InvertBitmap(b); }, "pnminvert {in} > {out}", 0},
        {"gamma 2.2 / -gamma", [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 220); },
         kConvert + " {in} -gamma 2.2 -depth 8 {out}", 1},
        {"gamma 0.5 / pnmgamma", [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 50); },
         "pnmgamma 0.5 {in} > {out}", 1},
        {"posterize 5 / -posterize", [](BitmapRecord* b) { return K_PosterizeBitmap(b, 5); },
         kConvert + " {in} +dither -posterize 5 -depth 8 {out}", 1,
         // Our step is (4v + 128) / 255: a fraction of 127/255 rounds up
         // here and down there, one step (64) apart.
         [](int v) { return 4 * v % 255 == 127; }},
        {"detect / -threshold", [](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 128, 255); },
         kConvert + " {in} -channel RGB -threshold 50% -depth 8 {out}", 0},
    };
    for (const Picture* picture : {&rose, &logo}) {
        for (const Case& c : cases) {
            OwnedBitmap b;
            StorePicture(b.rec, *picture, 24, K_BOTTOM_UP);
            ASSERT_EQ(c.call(b.get()), K_OK);
            Picture ours = ReadPicture(b.rec);
            Picture peer = RunPeer(*picture, c.peer, "intensity");
            ASSERT_EQ(peer.data.size(), ours.data.size()) << c.name;
            int worst = 0;
            for (size_t i = 0; i < ours.data.size(); ++i)
                if (!c.roundsApart(picture->data[i])) worst = std::max(worst, std::abs(ours.data[i] - peer.data[i]));
            EXPECT_LE(worst, c.bound) << c.name;
        }
    }
}

}  // namespace
