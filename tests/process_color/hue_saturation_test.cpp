// The HSV form against its formulas written out here with plain divisions,
// against OpenCV's full-range HSV, and hue and saturation at every depth
// and against ImageMagick's -modulate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "process/hsv.h"
#include "process_fixture.h"

namespace {

// The formulas as written, one division each.
Hsv FormulaToHsv(int r, int g, int b) {
    int max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b));
    if (max == min) return {0, 0, max};
    int s = (max - min) * 255 / max, h;
    if (b == min)
        h = ((g - min) * 30720 / (r + g - 2 * min) + 180) / 360;
    else if (r == min)
        h = ((b - min) * 30720 / (g + b - 2 * min) + 30900) / 360;
    else
        h = ((r - min) * 30720 / (r + b - 2 * min) + 61620) / 360;
    return {h % 256, s, max};
}

Rgb8 FormulaFromHsv(int h, int s, int v) {
    if (s == 0) return {v, v, v};
    int a = (h * 360) >> 8, p = (255 - s) * v / 255, d = v - p;
    if (a <= 60) return {v, p + a * d / (120 - a), p};
    if (a <= 120) return {p + d * (120 - a) / a, v, p};
    if (a <= 180) return {p, v, p + (a - 120) * d / (240 - a)};
    if (a <= 240) return {p, p + d * (240 - a) / (a - 120), v};
    if (a <= 300) return {p + d * (a - 240) / (360 - a), p, v};
    return {v, p, p + d * (360 - a) / (a - 240)};
}

TEST(Hsv, KnownColours) {
    struct Case {
        int r, g, b, h, s, v;
    } cases[] = {
        {255, 0, 0, 0, 255, 255},
        {0, 255, 0, 85, 255, 255},
        // (30720 + 30900) / 360 = 171.2: blue is 171 on this circle.
        {0, 0, 255, 171, 255, 255},
        {128, 128, 128, 0, 0, 128},
        // The last step of the circle, 256, is red again.
        {255, 0, 1, 0, 255, 255},
        {10, 20, 30, 142, 170, 30},
    };
    for (const Case& c : cases) {
        uint32_t hsv = PixelToHSV(c.r | c.g << 8 | c.b << 16);
        EXPECT_EQ(hsv, static_cast<uint32_t>(c.h | c.s << 8 | c.v << 16)) << c.r << "," << c.g << "," << c.b;
    }
    // Red turned by 120 degrees (step 85): a = 119, R = 255 * 1 / 119 = 2.
    EXPECT_EQ(PixelFromHSV(85 | 255 << 8 | 255 << 16), 2u | 255u << 8);
}

TEST(Hsv, ReciprocalDivisionIsExact) {
    uint32_t s = 12345;
    for (unsigned d = 1; d <= kMaxDivisor; ++d) {
        for (unsigned k : {0u, 1u, 2u, 255u, 30720u, (1u << 26) / d - 1}) {
            for (unsigned x : {k * d, k * d + d - 1, k * d ? k * d - 1 : 0}) {
                if (x >= (1u << 26)) continue;
                ASSERT_EQ(DivideExact(x, d), x / d) << x << " / " << d;
            }
        }
        for (int i = 0; i < 64; ++i) {
            s = s * 1103515245u + 12345u;
            unsigned x = s >> 6;
            ASSERT_EQ(DivideExact(x, d), x / d) << x << " / " << d;
        }
    }
}

TEST(Hsv, BothDirectionsFollowTheFormulas) {
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 5) {
                Hsv a = ToHsv(r, g, b), e = FormulaToHsv(r, g, b);
                ASSERT_TRUE(a.h == e.h && a.s == e.s && a.v == e.v) << r << "," << g << "," << b;
            }
    for (int h = 0; h < 256; ++h)
        for (int s = 0; s < 256; s += 3)
            for (int v = 0; v < 256; v += 5) {
                Rgb8 a = FromHsv(h, s, v), e = FormulaFromHsv(h, s, v);
                ASSERT_TRUE(a.r == e.r && a.g == e.g && a.b == e.b) << h << "," << s << "," << v;
            }
}

// OpenCV's full-range HSV is the same space with rounded divisions: V
// equal, S within 1. Its hue is linear in (G - B) / (max - min) within a
// sixth of the circle, ours is 256/3 * t / (t + u) over a third (t, u the
// two larger components above the minimum): both agree at the ends and the
// middle of each third and part by at most 85.3 * (0.2929 - 0.2071) = 7.3
// steps between, 8 with the roundings.
TEST(Hsv, MatchesOpenCvFullRangeHsv) {
    ASSERT_EQ(RunHost("/usr/bin/python3 -c 'import cv2'"), 0) << "python3-opencv";
    Picture rose = MagickPicture("rose:", 140, 92), logo = MagickPicture("logo:", 160, 120);
    for (const Picture* p : {&rose, &logo}) {
        std::string script = TestTempPath("pc_hsv.py");
        WriteFileBytes(script,
                       "import cv2, sys\n"
                       "img = cv2.imread(sys.argv[1], cv2.IMREAD_COLOR)\n"
                       "cv2.imwrite(sys.argv[2], cv2.cvtColor(img, cv2.COLOR_BGR2HSV_FULL))\n");
        // The written "BGR" bytes are H, S, V: read back as R, G, B they are V, S, H.
        Picture peer = RunPeer(*p, "/usr/bin/python3 " + script + " {in} {out}", "hsv");
        ASSERT_EQ(peer.data.size(), p->data.size());
        int worstH = 0, worstS = 0, worstV = 0;
        for (size_t i = 0; i < p->data.size(); i += 3) {
            Hsv ours = ToHsv(p->data[i], p->data[i + 1], p->data[i + 2]);
            int dh = std::abs(ours.h - peer.data[i + 2]);
            worstH = std::max(worstH, std::min(dh, 256 - dh));
            worstS = std::max(worstS, std::abs(ours.s - peer.data[i + 1]));
            worstV = std::max(worstV, std::abs(ours.v - peer.data[i]));
        }
        EXPECT_LE(worstH, 8);
        EXPECT_LE(worstS, 1);
        EXPECT_EQ(worstV, 0);
    }
}

Picture HsvChanged(const Picture& colors, int bits, int hueStep, int saturationStep) {
    Picture out = colors;
    for (size_t i = 0; i < out.data.size(); i += 3) {
        Hsv c = FormulaToHsv(out.data[i], out.data[i + 1], out.data[i + 2]);
        c.h = (c.h + hueStep) & 255;
        if (c.s) c.s = std::clamp(c.s + saturationStep, 0, 255);
        Rgb8 back = FormulaFromHsv(c.h, c.s, c.v);
        int rgb[3] = {back.r, back.g, back.b};
        for (int k = 0; k < 3; ++k) out.data[i + k] = static_cast<uint8_t>(bits == 16 ? Through5(rgb[k]) : rgb[k]);
    }
    return out;
}

TEST(HueSaturation, ChangeEveryColourAtEveryDepth) {
    Picture rose = MagickPicture("rose:", 37, 23);
    struct Case {
        int angle, saturation, hueStep, saturationStep;
    } cases[] = {
        {90, 0, 64, 0}, {-90, 0, 192, 0}, {45, 0, 32, 0}, {720, 0, 0, 0}, {0, 400, 0, 102}, {0, -1000, 0, -254},
    };
    for (const AnyLayout& l : AllLayouts()) {
        for (const Case& c : cases) {
            OwnedBitmap b;
            StoreAtLayout(b.rec, rose, l);
            Picture before = ColorsOf(b.rec), indices = ReadPicture(b.rec);
            int rc =
                c.saturation ? K_ChangeBitmapSaturation(b.get(), c.saturation) : K_ChangeBitmapHue(b.get(), c.angle);
            ASSERT_EQ(rc, K_OK);
            EXPECT_EQ(ColorsOf(b.rec), HsvChanged(before, l.bits, c.hueStep, c.saturationStep))
                << Name(l) << " hue " << c.angle << " saturation " << c.saturation;
            if (l.bits <= 8) EXPECT_EQ(ReadPicture(b.rec), indices);
            if (l.bits == 32)
                for (const auto& row : StoredRows(b.rec)) ASSERT_EQ(row[3], 0xA5) << "the fourth byte is kept";
        }
    }
}

TEST(HueSaturation, GreysStayGreyAndAFullTurnIsNoTurn) {
    Picture ramp = GreyAsRgb(MakePattern(16, 16, 8));
    for (int angle : {90, 180, -45}) {
        OwnedBitmap b;
        StorePicture(b.rec, ramp, 24);
        ASSERT_EQ(K_ChangeBitmapHue(b.get(), angle), K_OK);
        EXPECT_EQ(ReadPicture(b.rec), ramp) << angle;
    }
    // Saturation raised: a grey has no hue to saturate (its hue 0 would
    // otherwise turn every grey red).
    OwnedBitmap g;
    StorePicture(g.rec, ramp, 24);
    ASSERT_EQ(K_ChangeBitmapSaturation(g.get(), 1000), K_OK);
    EXPECT_EQ(ReadPicture(g.rec), ramp);

    // 360 degrees are 256 steps: the same as no turn (both go through HSV).
    Picture rose = MagickPicture("rose:", 37, 23);
    OwnedBitmap full, none;
    StorePicture(full.rec, rose, 24);
    StorePicture(none.rec, rose, 24);
    ASSERT_EQ(K_ChangeBitmapHue(full.get(), 360), K_OK);
    ASSERT_EQ(K_ChangeBitmapHue(none.get(), 0), K_OK);
    EXPECT_EQ(ReadPicture(full.rec), ReadPicture(none.rec));
    EXPECT_EQ(K_ChangeBitmapSaturation(full.get(), 1001), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ChangeBitmapHue(nullptr, 10), K_ERR_NOBITMAP);
}

// ImageMagick turns hue and scales saturation in HSB with floating point.
// Our hue scale is not linear within its thirds (above): a turn moves a
// colour to a somewhat different place on the circle, up to 40 levels of a
// component apart, but under 5 levels on average. Full desaturation lands within
// 2 levels of ImageMagick's grey.
TEST(HueSaturation, MatchImageMagickModulate) {
    Picture rose = MagickPicture("rose:", 140, 92);
    struct Case {
        int angle, saturation;
        std::string modulate;
        int bound;
    } cases[] = {
        {90, 0, "100,100,150", 40},
        {-120, 0, "100,100,33.333333", 40},
        {0, -1000, "100,0,100", 2},
    };
    for (const Case& c : cases) {
        OwnedBitmap b;
        StorePicture(b.rec, rose, 24);
        ASSERT_EQ(c.saturation ? K_ChangeBitmapSaturation(b.get(), c.saturation) : K_ChangeBitmapHue(b.get(), c.angle),
                  K_OK);
        Picture ours = ReadPicture(b.rec);
        Picture peer = RunPeer(
            rose, kConvert + " {in} -define modulate:colorspace=HSB -modulate " + c.modulate + " -depth 8 {out}",
            "modulate");
        ASSERT_EQ(peer.data.size(), ours.data.size());
        int worst = 0;
        double sum = 0;
        for (size_t i = 0; i < ours.data.size(); ++i) {
            worst = std::max(worst, std::abs(ours.data[i] - peer.data[i]));
            sum += std::abs(ours.data[i] - peer.data[i]);
        }
        EXPECT_LE(worst, c.bound) << c.modulate;
        EXPECT_LE(sum / ours.data.size(), 5.0) << c.modulate;
    }
}

}  // namespace
