// Spatial filters, box average and median against OpenCV and scipy
// configured the same way (edges replicated, the window's extra row and
// column for even sizes below and right), at every depth and row order.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/dither_fixture.h"
#include "peer.h"

namespace {

// The peer: python3 with OpenCV and scipy, one call per picture.
//   conv N divisor bias w...   correlation, truncating division, clamp
//   box N                      floor of the window sum / N*N
//   median N                   rank (N*N+1)/2 of the window
const char* kPeerScript = R"(
import sys, numpy as np, cv2, scipy.ndimage as nd
op, src, dst = sys.argv[1], sys.argv[2], sys.argv[3]
a = [int(v) for v in sys.argv[4:]]
img = cv2.imread(src, cv2.IMREAD_UNCHANGED).astype(np.int64)
planes = [img] if img.ndim == 2 else [img[:, :, i] for i in range(3)]
n = a[0]
# Window x - (n-1)/2 .. x + n/2 as scipy's origin counts it.
origin = -1 if n % 2 == 0 else 0
out = []
for p in planes:
    if op == 'conv':
        k = np.array(a[3:], dtype=np.float64).reshape(n, n)
        s = cv2.filter2D(p.astype(np.float64), cv2.CV_64F, k, anchor=((n - 1) // 2, (n - 1) // 2),
                         borderType=cv2.BORDER_REPLICATE)
        s = np.rint(s).astype(np.int64)
        v = np.fix(s / a[1]).astype(np.int64) + a[2]
    elif op == 'box':
        s = nd.correlate(p, np.ones((n, n), dtype=np.int64), mode='nearest', origin=origin)
        v = s // (n * n)
    else:
        v = nd.rank_filter(p, (n * n + 1) // 2 - 1, size=n, mode='nearest', origin=origin)
    out.append(np.clip(v, 0, 255).astype(np.uint8))
res = out[0] if len(out) == 1 else np.dstack(out)
cv2.imwrite(dst, res)
)";

struct Owned {
    BitmapRecord r{};
    ~Owned() { K_FreeBitmap(&r); }
};

// A picture stored at a depth with a palette that holds its values
// exactly: black and white at 1 bit, the fixed 16 colours at 4, a grey
// ramp at 8; the peer sees the colours.
void StoreAt(Owned& o, const Picture& colours, int bits, int perspective) {
    if (bits > 8) return StorePicture(o.r, colours, bits, perspective);
    Picture indices;
    indices.width = colours.width, indices.height = colours.height, indices.channels = 1;
    indices.data.resize(size_t(colours.width) * colours.height);
    for (size_t i = 0; i < indices.data.size(); ++i) {
        int v = colours.data[i * colours.channels];
        indices.data[i] = uint8_t(bits == 1 ? v / 255 : bits == 4 ? (v ? 15 : 0) : v);
    }
    StorePicture(o.r, indices, bits, perspective);
    std::vector<RGBQUAD> palette;
    if (bits == 8)
        for (int i = 0; i < 256; ++i) palette.push_back(Rgb(i, i, i));
    else {
        palette.resize(1 << bits);
        K_GetFixedPalette(palette.data(), bits);
    }
    GivePalette(o.r, palette);
}

// A picture for the palette depths: black and white only, whose filtered
// values the filters below keep at black or white.
Picture BlackAndWhite(int w, int h, unsigned seed) {
    Picture p = MakePattern(w, h, 1, seed);
    for (auto& v : p.data) v = v ? 255 : 0;
    return p;
}

struct Case {
    std::string name;
    std::function<int(BitmapRecord*)> ours;
    std::string peer;  // arguments after the operation's input and output
};

void RunCases(const std::string& tag, const std::vector<Case>& cases, const std::vector<int>& depths,
              bool blackAndWhite, const std::vector<int>& perspectives = {K_BOTTOM_UP, K_TOP_DOWN}) {
    if (!HostHasTool("/usr/bin/python3") || RunHost("/usr/bin/python3 -c 'import cv2, scipy'") != 0)
        GTEST_SKIP() << "python3-opencv or python3-scipy missing";
    PeerBatch batch(tag);
    std::string script = TestTempPath(tag + "_peer.py");
    WriteFileBytes(script, kPeerScript);
    struct Run {
        Picture ours;
        int peer;
        std::string what;
    };
    std::vector<Run> runs;
    for (int bits : depths)
        for (int perspective : perspectives) {
            Picture p = blackAndWhite || bits == 8 ? BlackAndWhite(23, 17, bits) : MakePattern(23, 17, 24, bits);
            if (bits == 8 && !blackAndWhite) {
                p = MakePattern(23, 17, 8, 3);  // grey levels
            }
            std::string in = batch.Input(p);
            for (const Case& c : cases) {
                Owned o;
                StoreAt(o, p, bits, perspective);
                ASSERT_EQ(c.ours(&o.r), K_OK) << c.name;
                Picture got = bits > 8 ? ReadPicture(o.r) : ColorsOf(o.r);
                if (p.channels == 1) {  // compare as grey
                    Picture g;
                    g.width = got.width, g.height = got.height, g.channels = 1;
                    for (size_t i = 0; i < got.data.size(); i += 3) g.data.push_back(got.data[i]);
                    got = g;
                }
                int i = batch.Add("/usr/bin/python3 '" + script + "' " + c.peer.substr(0, c.peer.find(' ')) + " '" +
                                  in + "' @OUT " + c.peer.substr(c.peer.find(' ') + 1));
                runs.push_back(
                    {got, i,
                     c.name + " at " + std::to_string(bits) + " bits, perspective " + std::to_string(perspective)});
            }
        }
    ASSERT_TRUE(batch.Run());
    for (const Run& run : runs) EXPECT_EQ(run.ours, batch.Result(run.peer)) << run.what;
}

std::string Conv(int n, int divisor, int bias, const std::vector<int>& k) {
    std::string s = "conv " + std::to_string(n) + " " + std::to_string(divisor) + " " + std::to_string(bias);
    for (int v : k) s += " " + std::to_string(v);
    return s;
}

std::vector<uint32_t> FilterBlock(int n, int divisor, int bias, const std::vector<int>& k) {
    std::vector<uint32_t> b = {uint32_t(divisor), uint32_t(bias), uint32_t(n)};
    for (int v : k) b.push_back(uint32_t(v));
    return b;
}

TEST(Filter, ConvolutionMatchesOpenCV) {
    static const std::vector<int> user5(25, 1), user4 = {1, 2, 0, -1, 3, 5, 2, 0, 0, 1, -4, 2, 1, 1, 1, 2};
    static const auto block5 = FilterBlock(5, 25, 0, user5), block4 = FilterBlock(4, 7, 10, user4);
    std::vector<Case> cases = {
        {"emboss north", [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 0); },
         Conv(3, 1, 128, {0, 1, 0, 0, 0, 0, 0, -1, 0})},
        {"Sobel", [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 22); },
         Conv(3, 1, 0, {1, 2, 1, 0, 0, 0, -1, -2, -1})},
        {"gradient east", [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 10); },
         Conv(3, 1, 0, {-1, 1, 1, -1, -2, 1, -1, 1, 1})},
        {"5x5 mean", [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, size_t(block5.data())); },
         Conv(5, 25, 0, user5)},
        {"4x4 uneven", [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, size_t(block4.data())); },
         Conv(4, 7, 10, user4)},
        // Sharpen and emboss build their kernels from one strength.
        {"sharpen 1", [](BitmapRecord* b) { return K_SharpenBitmap(b, 1); },
         Conv(3, 72, 0, {-1, -1, -1, -1, 80, -1, -1, -1, -1})},
        {"blur -1000", [](BitmapRecord* b) { return K_SharpenBitmap(b, -1000); },
         Conv(3, 9, 0, {1, 1, 1, 1, 1, 1, 1, 1, 1})},
        {"emboss south-east 0", [](BitmapRecord* b) { return K_EmbossBitmap(b, 3, 0); },
         Conv(3, 17, 128, {-1, 0, 0, 0, 0, 0, 0, 0, 1})},
        {"emboss west 1000", [](BitmapRecord* b) { return K_EmbossBitmap(b, 6, 1000); },
         Conv(3, 1, 128, {0, 0, 0, 17, 0, -17, 0, 0, 0})},
    };
    RunCases("filter_conv", cases, {8, 24, 32}, false);
    // Black-and-white pictures stay black and white under the Laplacian,
    // so the dithered depths come back exact.
    RunCases("filter_conv_bw",
             {{"Laplacian 8", [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 17); },
               Conv(3, 1, 0, {-1, -1, -1, -1, 8, -1, -1, -1, -1})}},
             {1, 4}, true);
}

TEST(RankFilter, BoxAverageAndMedianMatchScipy) {
    std::vector<Case> odd = {
        {"box 3", [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); }, "box 3"},
        {"box 7", [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 7); }, "box 7"},
        {"median 3", [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }, "median 3"},
        {"median 5", [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 5); }, "median 5"},
        {"median 1", [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 1); }, "median 1"},
    };
    RunCases("filter_rank", odd, {8, 24, 32}, false);
    // Even windows reach one further down in storage order: the peer's
    // picture is the stored order of a top-down record.
    std::vector<Case> even = {
        {"box 2", [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 2); }, "box 2"},
        {"median 2", [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 2); }, "median 2"},
        {"median 4", [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 4); }, "median 4"},
    };
    RunCases("filter_rank_even", even, {24}, false, {K_TOP_DOWN});
    RunCases("filter_rank_bw", {{"median 3", [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }, "median 3"}},
             {1, 4}, true);
}

TEST(Filter, HandCases) {
    // Laplacian of a flat picture is black everywhere, border included;
    // emboss of a flat picture is 128.
    Picture flat{5, 4, 3, std::vector<uint8_t>(60, 77)};
    for (auto [filter, value] : {std::pair{17, 0}, std::pair{0, 128}}) {
        Owned o;
        StorePicture(o.r, flat, 24);
        ASSERT_EQ(K_SpatialFilterBitmap(&o.r, filter), K_OK);
        EXPECT_EQ(ReadPicture(o.r).data, std::vector<uint8_t>(60, uint8_t(value)));
    }
    // A bright pixel vanishes under the median; one-pixel pictures keep
    // their colour through every window.
    for (unsigned n : {3u, 5u}) {
        Picture dot{7, 7, 3, std::vector<uint8_t>(147, 10)};
        dot.At(3, 3)[0] = 250;
        Owned o;
        StorePicture(o.r, dot, 24);
        ASSERT_EQ(K_MedianFilterBitmap(&o.r, n), K_OK);
        EXPECT_EQ(ReadPicture(o.r).data, std::vector<uint8_t>(147, 10));
    }
    Picture one{1, 1, 3, {9, 99, 199}};
    for (auto op :
         std::vector<std::function<int(BitmapRecord*)>>{[](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); },
                                                        [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 4); },
                                                        [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 25); }}) {
        Owned o;
        StorePicture(o.r, one, 24);
        ASSERT_EQ(op(&o.r), K_OK);
        Picture got = ReadPicture(o.r);
        if (got.data != one.data) EXPECT_EQ(got.data, std::vector<uint8_t>(3, 0));  // Prewitt: all zero
    }
    // Sums of huge windows do not overflow: the mean of a flat picture.
    Owned big;
    StorePicture(big.r, flat, 24);
    ASSERT_EQ(K_AverageFilterBitmap(&big.r, 5000), K_OK);
    EXPECT_EQ(ReadPicture(big.r).data, flat.data);
}

TEST(Filter, RefusesBadArguments) {
    Owned o;
    StorePicture(o.r, MakePattern(6, 5, 24), 24);
    const Picture before = ReadPicture(o.r);
    auto zeroDivisor = FilterBlock(3, 0, 0, std::vector<int>(9, 1));
    auto noSize = FilterBlock(0, 1, 0, {});
    auto negative = FilterBlock(-3, 1, 0, std::vector<int>(9, 1));
    auto huge = FilterBlock(3, 1, 0, {1 << 30, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(K_SpatialFilterBitmap(&o.r, 33), K_ERR_ARGUMENT);
    for (const auto* b : {&zeroDivisor, &noSize, &negative, &huge})
        EXPECT_EQ(K_SpatialFilterBitmap(&o.r, size_t(b->data())), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SharpenBitmap(&o.r, 1001), K_ERR_ARGUMENT);
    EXPECT_EQ(K_EmbossBitmap(&o.r, 8, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_EmbossBitmap(&o.r, 0, 1001), K_ERR_ARGUMENT);
    EXPECT_EQ(K_MedianFilterBitmap(&o.r, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_AverageFilterBitmap(&o.r, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_AverageFilterBitmap(&o.r, -3), K_ERR_ARGUMENT);
    EXPECT_EQ(K_MosaicBitmap(&o.r, -2), K_ERR_ARGUMENT);
    EXPECT_EQ(ReadPicture(o.r), before);
    EXPECT_EQ(K_MedianFilterBitmap(nullptr, 3), K_ERR_NOBITMAP);
    EXPECT_EQ(K_SharpenBitmap(nullptr, 0), K_ERR_NOBITMAP);
    // Sharpness 0 changes nothing and reports nothing.
    EXPECT_EQ(K_SharpenBitmap(&o.r, 0), K_OK);
    EXPECT_EQ(ReadPicture(o.r), before);
}

}  // namespace
