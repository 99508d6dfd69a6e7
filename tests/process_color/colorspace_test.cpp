// Colour space conversion against the formulas written out here and
// against OpenCV; separation and merging against ImageMagick and netpbm.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "process/hsv.h"
#include "process_fixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Convert(const Bytes& in, int count, int from, int to, int outBytes) {
    Bytes out(static_cast<size_t>(count) * outBytes, 0xCC);
    EXPECT_EQ(K_ConvertColorSpace(in.data(), out.data(), count, from, to), K_OK) << from << " -> " << to;
    return out;
}

unsigned char Byte(int v) { return static_cast<unsigned char>(v); }
int Word(const Bytes& b, size_t at) { return static_cast<int16_t>(b[at] | b[at + 1] << 8); }

TEST(ColorSpace, KnownValues) {
    EXPECT_EQ(Convert({10, 20, 30}, 1, K_SPACE_BGR, K_SPACE_CMYK, 4), (Bytes{0, 10, 20, 225}));
    EXPECT_EQ(Convert({0, 10, 20, 225}, 1, K_SPACE_CMYK, K_SPACE_BGR, 3), (Bytes{10, 20, 30}));
    EXPECT_EQ(Convert({128, 128, 128}, 1, K_SPACE_BGR, K_SPACE_HLS, 3), (Bytes{0, 128, 0}));
    EXPECT_EQ(Convert({77, 99, 0}, 1, K_SPACE_HLS, K_SPACE_BGR, 3), (Bytes{99, 99, 99}));
    Bytes white = Convert({255, 255, 255}, 1, K_SPACE_BGR, K_SPACE_YUV, 6);
    EXPECT_EQ(Word(white, 0), 16384);
    EXPECT_EQ(Word(white, 2), 0);
    EXPECT_EQ(Word(white, 4), 0);
    EXPECT_EQ(Convert({10, 20, 30}, 1, K_SPACE_BGR, K_SPACE_CMY, 3), (Bytes{225, 235, 245}));
    EXPECT_EQ(Convert({255, 0, 0}, 1, K_SPACE_BGR, K_SPACE_HSV, 3), (Bytes{171, 255, 255}));
}

TEST(ColorSpace, RefusesUnknownSpacesAndWritesNothing) {
    Bytes in = {1, 2, 3}, out(6, 0xCC);
    EXPECT_EQ(K_ConvertColorSpace(in.data(), out.data(), 1, 7, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ConvertColorSpace(in.data(), out.data(), 1, 0, 7), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ConvertColorSpace(in.data(), out.data(), 1, -1, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ConvertColorSpace(in.data(), out.data(), 1, 1, -1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ConvertColorSpace(nullptr, out.data(), 1, 0, 1), K_ERR_ARGUMENT);
    EXPECT_EQ(out, Bytes(6, 0xCC));
}

// The formulas as written, with plain divisions.
int To14(int c) { return c * 16384 / 255; }
int Clamp8(int x) { return std::clamp(x, 0, 255); }
int From14(int x) { return Clamp8(x * 255 / 16384); }

void FormulaHls(int b, int g, int r, int out[3]) {
    int max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b)), l = (max + min) >> 1;
    if (max == min) {
        out[0] = 0, out[1] = l, out[2] = 0;
        return;
    }
    int s = (max - min) * 255 / (l <= 127 ? max + min : 510 - max - min), span6 = 6 * (max - min);
    int h = max == r ? (g - b) * 255 / span6 : max == g ? (b - r) * 255 / span6 + 85 : (r - g) * 255 / span6 + 170;
    out[0] = h < 0 ? h + 255 : h, out[1] = l, out[2] = s;
}

void FormulaFromHls(int h, int l, int s, int bgr[3]) {
    if (s == 0) {
        bgr[0] = bgr[1] = bgr[2] = l;
        return;
    }
    int m2 = l >= 128 ? l + s - l * s / 255 : l * (s + 255) / 255, m1 = 2 * l - m2, span = m2 - m1;
    auto f = [&](int x) {
        return x <= 41 ? m1 + span * x * 6 / 255 : x <= 126 ? m2 : x <= 169 ? m1 + span * (170 - x) * 6 / 255 : m1;
    };
    bgr[2] = Clamp8(f(h <= 170 ? h + 85 : h - 170));
    bgr[1] = Clamp8(f(h));
    bgr[0] = Clamp8(f(h > 84 ? h - 85 : h + 170));
}

Bytes Samples() {
    Bytes bgr;
    for (int b = 0; b < 256; b += 15)
        for (int g = 0; g < 256; g += 17)
            for (int r = 0; r < 256; r += 5)
                bgr.insert(bgr.end(), {static_cast<unsigned char>(b), static_cast<unsigned char>(g),
                                       static_cast<unsigned char>(r)});
    return bgr;
}

TEST(ColorSpace, EverySpaceFollowsItsFormulas) {
    Bytes bgr = Samples();
    int n = static_cast<int>(bgr.size() / 3);
    Bytes yuv = Convert(bgr, n, K_SPACE_BGR, K_SPACE_YUV, 6), yiq = Convert(bgr, n, K_SPACE_BGR, K_SPACE_YIQ, 6);
    Bytes hls = Convert(bgr, n, K_SPACE_BGR, K_SPACE_HLS, 3);
    for (int i = 0; i < n; ++i) {
        int b = bgr[3 * i], g = bgr[3 * i + 1], r = bgr[3 * i + 2];
        int b16 = To14(b), g16 = To14(g), r16 = To14(r), y = (587 * g16 + 299 * r16 + 114 * b16) / 1000;
        ASSERT_EQ(Word(yuv, 6 * i), y);
        ASSERT_EQ(Word(yuv, 6 * i + 2), b16 - y);
        ASSERT_EQ(Word(yuv, 6 * i + 4), r16 - y);
        ASSERT_EQ(Word(yiq, 6 * i + 2), (596 * r16 - 321 * b16 - 275 * g16) / 1000);
        ASSERT_EQ(Word(yiq, 6 * i + 4), (311 * b16 + 212 * r16 - 528 * g16) / 1000);
        int e[3];
        FormulaHls(b, g, r, e);
        ASSERT_EQ((Bytes{hls[3 * i], hls[3 * i + 1], hls[3 * i + 2]}), (Bytes{Byte(e[0]), Byte(e[1]), Byte(e[2])}))
            << b << "," << g << "," << r;
    }
    // Back to BGR from every HLS triple of a grid, and from YUV and YIQ.
    Bytes triples;
    for (int h = 0; h < 256; h += 3)
        for (int l = 0; l < 256; l += 5)
            for (int s = 0; s < 256; s += 7) triples.insert(triples.end(), {Byte(h), Byte(l), Byte(s)});
    int m = static_cast<int>(triples.size() / 3);
    Bytes back = Convert(triples, m, K_SPACE_HLS, K_SPACE_BGR, 3);
    for (int i = 0; i < m; ++i) {
        int e[3];
        FormulaFromHls(triples[3 * i], triples[3 * i + 1], triples[3 * i + 2], e);
        ASSERT_EQ((Bytes{back[3 * i], back[3 * i + 1], back[3 * i + 2]}), (Bytes{Byte(e[0]), Byte(e[1]), Byte(e[2])}));
    }
    Bytes fromYuv = Convert(yuv, n, K_SPACE_YUV, K_SPACE_BGR, 3),
          fromYiq = Convert(yiq, n, K_SPACE_YIQ, K_SPACE_BGR, 3);
    for (int i = 0; i < n; ++i) {
        int y = Word(yuv, 6 * i), u = Word(yuv, 6 * i + 2), v = Word(yuv, 6 * i + 4);
        ASSERT_EQ(fromYuv[3 * i], From14(y + u));
        ASSERT_EQ(fromYuv[3 * i + 1], From14((587 * y - 114 * u - 299 * v) / 587));
        ASSERT_EQ(fromYuv[3 * i + 2], From14(y + v));
        int yy = Word(yiq, 6 * i), ii = Word(yiq, 6 * i + 2), q = Word(yiq, 6 * i + 4);
        ASSERT_EQ(fromYiq[3 * i], From14((1008 * yy - 1110 * ii + 1700 * q) / 1000));
        ASSERT_EQ(fromYiq[3 * i + 1], From14((997 * yy - 271 * ii - 645 * q) / 1000));
        ASSERT_EQ(fromYiq[3 * i + 2], From14((1003 * yy + 955 * ii + 618 * q) / 1000));
    }
}

TEST(ColorSpace, HsvBuffersAgreeWithThePixelFormsThroughRunsOfOneColour) {
    // Each colour twice, then the next: runs of one colour and changes.
    Bytes bgr;
    Bytes samples = Samples();
    for (size_t i = 0; i + 2 < samples.size(); i += 3)
        for (int k = 0; k < 2; ++k) bgr.insert(bgr.end(), {samples[i], samples[i + 1], samples[i + 2]});
    int n = static_cast<int>(bgr.size() / 3);
    Bytes hsv = Convert(bgr, n, K_SPACE_BGR, K_SPACE_HSV, 3), back = Convert(hsv, n, K_SPACE_HSV, K_SPACE_BGR, 3);
    for (int i = 0; i < n; ++i) {
        uint32_t h = PixelToHSV(bgr[3 * i + 2] | bgr[3 * i + 1] << 8 | bgr[3 * i] << 16);
        ASSERT_EQ(hsv[3 * i] | hsv[3 * i + 1] << 8 | hsv[3 * i + 2] << 16, static_cast<int>(h)) << i;
        uint32_t c = PixelFromHSV(h);
        ASSERT_EQ(back[3 * i + 2] | back[3 * i + 1] << 8 | back[3 * i] << 16, static_cast<int>(c)) << i;
    }
}

TEST(ColorSpace, RoundTripsStayClose) {
    Bytes bgr = Samples();
    int n = static_cast<int>(bgr.size() / 3);
    struct Case {
        int space, bytes, bound;
    } cases[] = {
        {K_SPACE_BGR, 3, 0}, {K_SPACE_CMYK, 4, 0}, {K_SPACE_CMY, 3, 0},  {K_SPACE_YUV, 6, 2},
        {K_SPACE_YIQ, 6, 3}, {K_SPACE_HSV, 3, 11}, {K_SPACE_HLS, 3, 12},
    };
    for (const Case& c : cases) {
        Bytes back = Convert(Convert(bgr, n, K_SPACE_BGR, c.space, c.bytes), n, c.space, K_SPACE_BGR, 3);
        int worst = 0;
        for (size_t i = 0; i < bgr.size(); ++i) worst = std::max(worst, std::abs(bgr[i] - back[i]));
        EXPECT_LE(worst, c.bound) << "space " << c.space;
    }
    // A YUV triple out of range comes back clamped, not wrapped.
    Bytes dark = {0, 0, 0, 0, 0, 0};
    int16_t v = -3000;
    std::memcpy(&dark[4], &v, 2);
    EXPECT_EQ(Convert(dark, 1, K_SPACE_YUV, K_SPACE_BGR, 3)[2], 0);
}

// OpenCV's HLS_FULL: the same lightness; saturation within 1; its hue
// circle has 256 steps and rounds, ours 255 and truncates: within 2.
// OpenCV's YUV luma is ours on the 8-bit scale, within 1.
TEST(ColorSpace, MatchesOpenCv) {
    ASSERT_EQ(RunHost("/usr/bin/python3 -c 'import cv2'"), 0) << "python3-opencv";
    Picture logo = MagickPicture("logo:", 160, 120);
    std::string script = TestTempPath("pc_hls.py");
    WriteFileBytes(script,
                   "import cv2, sys\n"
                   "img = cv2.imread(sys.argv[1], cv2.IMREAD_COLOR)\n"
                   "cv2.imwrite(sys.argv[2], cv2.cvtColor(img, getattr(cv2, sys.argv[3])))\n");
    Picture hls = RunPeer(logo, "/usr/bin/python3 " + script + " {in} {out} COLOR_BGR2HLS_FULL", "hls");
    Picture yuv = RunPeer(logo, "/usr/bin/python3 " + script + " {in} {out} COLOR_BGR2YUV", "yuv");
    ASSERT_EQ(hls.data.size(), logo.data.size());
    ASSERT_EQ(yuv.data.size(), logo.data.size());
    int n = logo.width * logo.height;
    Bytes bgr(logo.data.size());
    for (int i = 0; i < n; ++i)
        bgr[3 * i] = logo.data[3 * i + 2], bgr[3 * i + 1] = logo.data[3 * i + 1], bgr[3 * i + 2] = logo.data[3 * i];
    Bytes ours = Convert(bgr, n, K_SPACE_BGR, K_SPACE_HLS, 3), ourYuv = Convert(bgr, n, K_SPACE_BGR, K_SPACE_YUV, 6);
    int worstH = 0, worstL = 0, worstS = 0, worstY = 0;
    for (int i = 0; i < n; ++i) {
        // The peer's bytes H, L, S read back as R, G, B are S, L, H.
        int dh = std::abs(ours[3 * i] - hls.data[3 * i + 2]);
        if (ours[3 * i + 2] > 8) worstH = std::max(worstH, std::min(dh, 255 - dh));
        worstL = std::max(worstL, std::abs(ours[3 * i + 1] - hls.data[3 * i + 1]));
        worstS = std::max(worstS, std::abs(ours[3 * i + 2] - hls.data[3 * i]));
        worstY = std::max(worstY, std::abs(Word(ourYuv, 6 * i) * 255 / 16384 - yuv.data[3 * i + 2]));
    }
    EXPECT_LE(worstH, 2);
    EXPECT_LE(worstL, 1);
    EXPECT_LE(worstS, 1);
    EXPECT_LE(worstY, 1);
}

// The planes of a record as pictures of grey levels.
Picture PlaneOf(BitmapRecord& plane) {
    EXPECT_EQ(plane.BitsPerPixel, 8);
    EXPECT_EQ(GetGrayPaletteOrder(&plane), 1);
    return ReadPicture(plane);
}

Picture Channel(const Picture& rgb, int k) {
    Picture g;
    g.width = rgb.width, g.height = rgb.height, g.channels = 1;
    for (size_t i = k; i < rgb.data.size(); i += 3) g.data.push_back(rgb.data[i]);
    return g;
}

struct Planes {
    OwnedBitmap records[4];
    BitmapRecord* pointers[4] = {records[0].get(), records[1].get(), records[2].get(), records[3].get()};
};

TEST(Separation, PlanesHoldTheComponentsAtEveryDepth) {
    Picture rose = MagickPicture("rose:", 37, 23);
    for (const AnyLayout& l : AllLayouts()) {
        OwnedBitmap b;
        StoreAtLayout(b.rec, rose, l);
        Picture colors = ColorsOf(b.rec);
        Planes planes;
        ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, K_SEPARATE_BGR), K_OK) << Name(l);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(planes.records[k]->ViewPerspective, l.perspective);
            EXPECT_EQ(PlaneOf(planes.records[k].rec), Channel(colors, 2 - k)) << Name(l) << " plane " << k;
        }
    }
}

TEST(Separation, CmykHasAFourthPlaneAndEveryKindMergesBack) {
    Picture logo = MagickPicture("logo:", 64, 48);
    struct Case {
        int kind, planes, bound;
    } cases[] = {
        {K_SEPARATE_BGR, 3, 0},  {K_SEPARATE_CMYK, 4, 0}, {K_SEPARATE_CMY, 3, 0},
        {K_SEPARATE_HSV, 3, 11}, {K_SEPARATE_HLS, 3, 12},
    };
    for (const Case& c : cases) {
        for (int perspective : {K_TOP_DOWN, K_BOTTOM_UP}) {
            OwnedBitmap b, merged;
            StorePicture(b.rec, logo, 24, perspective);
            Planes planes;
            ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, c.kind), K_OK);
            if (c.kind == K_SEPARATE_CMYK) {
                // K is 255 less the largest component.
                Picture k = PlaneOf(planes.records[3].rec);
                for (size_t i = 0; i < k.data.size(); ++i)
                    ASSERT_EQ(k.data[i],
                              255 - std::max({logo.data[3 * i], logo.data[3 * i + 1], logo.data[3 * i + 2]}));
            }
            ASSERT_EQ(K_ColorMergeBitmap(merged.get(), planes.pointers, c.kind), K_OK);
            EXPECT_EQ(merged->BitsPerPixel, 24);
            EXPECT_EQ(merged->ViewPerspective, K_BOTTOM_UP);
            Picture back = ReadPicture(merged.rec);
            ASSERT_EQ(back.data.size(), logo.data.size());
            int worst = 0;
            for (size_t i = 0; i < back.data.size(); ++i)
                worst = std::max(worst, std::abs(back.data[i] - logo.data[i]));
            EXPECT_LE(worst, c.bound) << "kind " << c.kind;
        }
    }
}

TEST(Separation, MatchesSeparateAndCombineOfThePeers) {
    Picture rose = MagickPicture("rose:", 140, 92);
    OwnedBitmap b;
    StorePicture(b.rec, rose, 32, K_BOTTOM_UP, K_ORDER_RGB);
    Planes planes;
    ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, K_SEPARATE_BGR), K_OK);
    // pamchannel and ImageMagick's -separate give the red, green and blue
    // planes; ours come in blue, green, red order.
    for (int k = 0; k < 3; ++k) {
        Picture netpbm = RunPeer(
            rose, "pamchannel -tupletype=GRAYSCALE -infile {in} " + std::to_string(k) + " | pamtopnm > {out}", "sep");
        Picture magick = RunPeer(
            rose, kConvert + " {in} -channel " + std::string(1, "RGB"[k]) + " -separate -depth 8 pgm:{out}", "sep_im");
        Picture ours = PlaneOf(planes.records[2 - k].rec);
        EXPECT_EQ(ours, netpbm) << "channel " << k;
        EXPECT_EQ(ours, magick) << "channel " << k;
    }
    // Planes made by pamchannel, merged here, are what pamstack and
    // -combine put together: the picture itself.
    Planes fromPeer;
    for (int k = 0; k < 3; ++k) {
        Picture plane = RunPeer(
            rose, "pamchannel -tupletype=GRAYSCALE -infile {in} " + std::to_string(2 - k) + " | pamtopnm > {out}",
            "sep_peer");
        ASSERT_EQ(K_CreateBitmap(fromPeer.pointers[k], K_STORAGE_ANY, plane.width, plane.height, 0, K_ORDER_RGB,
                                 nullptr, K_TOP_DOWN),
                  K_OK);
        BitmapLock lock(fromPeer.pointers[k]);
        for (int y = 0; y < plane.height; ++y) K_PutBitmapRow(fromPeer.pointers[k], plane.At(0, y), y, plane.width);
    }
    OwnedBitmap merged;
    ASSERT_EQ(K_ColorMergeBitmap(merged.get(), fromPeer.pointers, K_SEPARATE_BGR), K_OK);
    Picture stacked = RunPeer(rose,
                              "for c in 0 1 2; do pamchannel -infile {in} $c > {tmp}_$c.pam; done; "
                              "pamstack -tupletype=RGB {tmp}_0.pam {tmp}_1.pam {tmp}_2.pam | pamtopnm > {out}",
                              "stack");
    EXPECT_EQ(ReadPicture(merged.rec), stacked);
    EXPECT_EQ(ReadPicture(merged.rec), rose);
}

TEST(Separation, MergeTakesTheSmallestPlanesFromTheTop) {
    Planes planes;
    int sizes[3][2] = {{9, 7}, {6, 7}, {9, 5}};
    for (int k = 0; k < 3; ++k) {
        Picture p = MakePattern(sizes[k][0], sizes[k][1], 8, k + 1);
        p.channels = 1;
        StorePicture(planes.records[k].rec, p, 8, k == 1 ? K_TOP_DOWN : K_BOTTOM_UP);
        planes.records[k]->PaletteHandle = CreateGrayPalette(8);
    }
    OwnedBitmap merged;
    ASSERT_EQ(K_ColorMergeBitmap(merged.get(), planes.pointers, K_SEPARATE_BGR), K_OK);
    ASSERT_EQ(merged->Width, 6);
    ASSERT_EQ(merged->Height, 5);
    Picture out = ReadPicture(merged.rec);
    for (int k = 0; k < 3; ++k) {
        Picture plane = ReadPicture(planes.records[k].rec);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(out.At(x, y)[2 - k], plane.At(x, y)[0]) << k << " at " << x << "," << y;
    }
}

TEST(Separation, RefusesBadArguments) {
    OwnedBitmap b;
    StorePicture(b.rec, MakePattern(4, 3, 24), 24);
    Planes planes;
    BitmapRecord* withNull[4] = {planes.pointers[0], nullptr, planes.pointers[2], planes.pointers[3]};
    BitmapRecord* withSource[4] = {planes.pointers[0], b.get(), planes.pointers[2], planes.pointers[3]};
    EXPECT_EQ(K_ColorSeparateBitmap(nullptr, planes.pointers, 0), K_ERR_NOBITMAP);
    EXPECT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, 5), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ColorSeparateBitmap(b.get(), withNull, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ColorSeparateBitmap(b.get(), withSource, 0), K_ERR_ARGUMENT);
    for (auto& r : planes.records) EXPECT_FALSE(r->Flags & K_ALLOCATED) << "nothing made before the checks";

    ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, K_SEPARATE_CMYK), K_OK);
    OwnedBitmap target;
    // A kind above 4 has no planes to read: refused.
    EXPECT_EQ(K_ColorMergeBitmap(target.get(), planes.pointers, 5), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ColorMergeBitmap(target.get(), planes.pointers, -1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ColorMergeBitmap(nullptr, planes.pointers, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ColorMergeBitmap(target.get(), nullptr, 0), K_ERR_ARGUMENT);
    BitmapRecord empty{};
    BitmapRecord* withEmpty[3] = {planes.pointers[0], &empty, planes.pointers[2]};
    EXPECT_EQ(K_ColorMergeBitmap(target.get(), withEmpty, 0), K_ERR_NOBITMAP);
    EXPECT_FALSE(target->Flags & K_ALLOCATED);
}

TEST(Separation, PlanesAndTargetsUsedAgainAreFreedFirstAndTheTargetMayBeAPlane) {
    Picture rose = MagickPicture("rose:", 37, 23);
    OwnedBitmap b, merged;
    StorePicture(b.rec, rose, 24);
    Planes planes;
    ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, K_SEPARATE_CMYK), K_OK);
    ASSERT_EQ(K_ColorMergeBitmap(merged.get(), planes.pointers, K_SEPARATE_CMYK), K_OK);
    const int held = HandlesHeld();
    for (int again = 0; again < 3; ++again) {
        ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, K_SEPARATE_CMYK), K_OK);
        ASSERT_EQ(K_ColorMergeBitmap(merged.get(), planes.pointers, K_SEPARATE_CMYK), K_OK);
    }
    EXPECT_EQ(HandlesHeld(), held) << "the storage of the earlier planes and targets was freed";
    EXPECT_EQ(ReadPicture(merged.rec), rose);
    // Merging over plane 0: its rows are read before the result replaces it.
    ASSERT_EQ(K_ColorSeparateBitmap(b.get(), planes.pointers, K_SEPARATE_BGR), K_OK);
    ASSERT_EQ(K_ColorMergeBitmap(planes.pointers[0], planes.pointers, K_SEPARATE_BGR), K_OK);
    EXPECT_EQ(ReadPicture(planes.records[0].rec), rose);
}

}  // namespace
