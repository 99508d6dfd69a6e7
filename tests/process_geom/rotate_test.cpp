// Rotation: quarter and half turns and mirroring exactly as ImageMagick
// turns them; any other angle against the inverse mapping computed in
// floating point.
#include <gtest/gtest.h>

#include <cmath>

#include "peer.h"
#include "core/trig.h"
#include "process/rotate.h"

namespace {

struct Owned {
    BitmapRecord r{};
    ~Owned() { K_FreeBitmap(&r); }
};

int g_calls = 0, g_stopAt = 0;
int KAPI StopAt(int) { return ++g_calls >= g_stopAt ? 0 : 1; }

TEST(Rotate, QuarterHalfTurnsAndMirrorMatchImageMagick) {
    struct Op {
        int angle, resize;  // angle 1000: K_ReverseBitmap
        const char* magick;
    } ops[] = {
        {90, 1, "-rotate 90"},   {-90, 1, "-rotate 270"},  {270, 1, "-rotate 270"},
        {180, 0, "-rotate 180"}, {-180, 1, "-rotate 180"}, {1000, 0, "-flop"},
    };
    MagickBatch batch("rotate_quarter");
    struct Run {
        Picture ours;
        int peer;
        std::string what;
    };
    std::vector<Run> runs;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            // 37 x 21: heights and widths off every group and byte boundary.
            Picture p = MakePattern(37, 21, bits, bits + perspective);
            for (const Op& op : ops) {
                Owned r;
                StorePicture(r.r, p, bits, perspective);
                int rc = op.angle == 1000 ? K_ReverseBitmap(&r.r) : K_RotateBitmap(&r.r, op.angle, op.resize);
                ASSERT_EQ(rc, K_OK);
                EXPECT_EQ(r.r.ViewPerspective, perspective);
                runs.push_back({ReadPicture(r.r), batch.Add(p, op.magick),
                                std::string(op.magick) + " at " + std::to_string(bits) + " bits, perspective " +
                                    std::to_string(perspective)});
            }
        }
    }
    ASSERT_TRUE(batch.Run());
    for (const Run& run : runs) EXPECT_EQ(run.ours, batch.Result(run.peer)) << run.what;
}

TEST(Rotate, LargeQuarterTurnsAreExact) {
    // Blocks of the wide paths, with ragged edges, against four quarter
    // turns coming back to the start and against a half turn.
    for (int bits : {1, 8, 24}) {
        Picture p = MakePattern(203, 77, bits, 9);
        Owned a, b;
        StorePicture(a.r, p, bits);
        StorePicture(b.r, p, bits, K_TOP_DOWN);
        for (int i = 0; i < 2; ++i) ASSERT_EQ(K_RotateBitmap(&a.r, 90, 1), K_OK);
        ASSERT_EQ(K_RotateBitmap(&b.r, 180, 0), K_OK);
        EXPECT_EQ(ReadPicture(a.r), ReadPicture(b.r)) << bits;
        for (int i = 0; i < 2; ++i) ASSERT_EQ(K_RotateBitmap(&a.r, -90, 1), K_OK);
        EXPECT_EQ(ReadPicture(a.r), p) << bits;
    }
}

// Pixels carry their own coordinates (red x, green y, blue 255); every
// destination pixel must come from within one pixel of where the exact
// rotation about the centres maps it, and fill only near or past the edge.
TEST(Rotate, AnyAngleFollowsTheInverseMapping) {
    const int w = 61, h = 40;
    Picture p;
    p.width = w, p.height = h, p.channels = 3;
    p.data.resize(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.At(x, y)[0] = uint8_t(x), p.At(x, y)[1] = uint8_t(y), p.At(x, y)[2] = 255;
    for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN})
        for (int angle : {3000, 4500, -12345, 9000, 20000, 33333})
            for (int resize : {0, 1}) {
                Owned r;
                StorePicture(r.r, p, 24, perspective);
                ASSERT_EQ(K_RotateBitmapFine(&r.r, angle, resize, 0), K_OK);
                const Picture q = ReadPicture(r.r);
                const int nw = q.width, nh = q.height;
                if (!resize) ASSERT_TRUE(nw == w && nh == h);
                int a = (36000 - angle % 36000) % 36000;
                if (perspective == K_BOTTOM_UP) a = 36000 - a;
                const double rad = a * 3.14159265358979323846 / 18000.0, s = std::sin(rad), c = std::cos(rad);
                int inside = 0;
                for (int yd = 0; yd < nh; ++yd)
                    for (int j = 0; j < nw; ++j) {
                        const int i = StorageRow(r.r, yd);  // storage row of the destination
                        const double X = w / 2 + ((nh / 2 - i) * s + (j - nw / 2) * c);
                        const double Y = h / 2 + ((j - nw / 2) * s + (i - nh / 2) * c);
                        const uint8_t* px = q.At(j, yd);
                        std::string where = "angle " + std::to_string(angle) + " resize " + std::to_string(resize) +
                                            " perspective " + std::to_string(perspective) + " at " + std::to_string(j) +
                                            "," + std::to_string(yd);
                        if (px[2] == 255) {
                            ++inside;
                            // Stored row of the source pixel, from its displayed y.
                            const int sy = perspective == K_BOTTOM_UP ? h - 1 - px[1] : px[1];
                            ASSERT_LT(std::abs(px[0] - X), 1.001) << where;
                            ASSERT_LT(std::abs(sy - Y), 1.001) << where;
                        } else {
                            ASSERT_EQ(px[0] | px[1] | px[2], 0) << where;
                            ASSERT_TRUE(X < 1.001 || Y < 1.001 || X > w - 2.001 || Y > h - 2.001) << where;
                        }
                    }
                EXPECT_GT(inside, nw * nh / 3);
            }
}

// The general path finds each row's run inside the source once and copies
// it without tests; the pixels must be those of stepping every destination
// pixel with the fraction kept in -16383..16383, as written here.
TEST(Rotate, RowSpansGiveThePixelsOfPerPixelStepping) {
    for (int bits : {8, 24, 32})
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN})
            for (int angle : {3000, 4500, 13000, -12345, 8999, 27001, 35999, 1})
                for (int resize : {0, 1}) {
                    Owned r;
                    StorePicture(r.r, MakePattern(57, 31, bits, 5), bits, perspective);
                    const int w = r.r.Width, h = r.r.Height, bytes = bits / 8;
                    const auto source = StoredRows(r.r);
                    ASSERT_EQ(K_RotateBitmapFine(&r.r, angle, resize, RGB(1, 2, 3)), K_OK);
                    const auto turned = StoredRows(r.r);
                    int a = -(angle % 36000);
                    if (a < 0) a += 36000;
                    if (perspective == K_BOTTOM_UP) a = 36000 - a;
                    const int sn = SinLookup(a), cs = CosLookup(a);
                    const int nw = r.r.Width, nh = r.r.Height;
                    auto normalise = [](int& whole, int& fraction) {
                        if (fraction > 16383)
                            fraction -= 16384, ++whole;
                        else if (fraction < -16383)
                            fraction += 16384, --whole;
                    };
                    const int t = (nh / 2) * sn - (nw / 2) * cs, u = -(nw / 2) * sn - (nh / 2) * cs;
                    int x0 = w / 2 + t / 16384, fx0 = t % 16384, y0 = h / 2 + u / 16384, fy0 = u % 16384;
                    std::vector<uint8_t> fill;  // the fill as stored: the first pixel outside the source
                    for (int i = 0; i < nh; ++i) {
                        int x = x0, fx = fx0, y = y0, fy = fy0;
                        for (int j = 0; j < nw; ++j) {
                            const bool inside = x >= 0 && x < w && y >= 0 && y < h;
                            if (!inside && fill.empty())
                                fill.assign(&turned[i][size_t(j) * bytes], &turned[i][size_t(j + 1) * bytes]);
                            const uint8_t* want = inside ? &source[y][size_t(x) * bytes] : fill.data();
                            ASSERT_EQ(std::memcmp(&turned[i][size_t(j) * bytes], want, bytes), 0)
                                << bits << " bits, angle " << angle << " resize " << resize << " at " << j << "," << i;
                            fx += cs, fy += sn;
                            normalise(x, fx), normalise(y, fy);
                        }
                        fx0 -= sn, fy0 += cs;
                        normalise(x0, fx0), normalise(y0, fy0);
                    }
                }
}

TEST(Rotate, ResizedBoxAndDirection) {
    // The bounding box of a 100 x 100 picture at 45 degrees, by row order.
    for (int perspective : {K_TOP_DOWN, K_BOTTOM_UP}) {
        Owned r;
        StorePicture(r.r, MakePattern(100, 100, 8), 8, perspective);
        ASSERT_EQ(K_RotateBitmapFine(&r.r, 4500, 1, 0), K_OK);
        EXPECT_EQ(r.r.Width, perspective == K_TOP_DOWN ? 141 : 140);
        EXPECT_EQ(r.r.Height, perspective == K_TOP_DOWN ? 140 : 141);
    }
    // Just short of a quarter turn the general path agrees with the exact
    // clockwise turn to within two pixels (each is within one of the true
    // mapping), in both row orders: red and green rise by one step a pixel.
    Picture p;
    p.width = 40, p.height = 20, p.channels = 3;
    p.data.resize(40 * 20 * 3);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) p.At(x, y)[0] = uint8_t(6 * x), p.At(x, y)[1] = uint8_t(12 * y), p.At(x, y)[2] = 9;
    for (int perspective : {K_TOP_DOWN, K_BOTTOM_UP}) {
        Owned general, exact;
        StorePicture(general.r, p, 24, perspective);
        StorePicture(exact.r, p, 24, perspective);
        ASSERT_EQ(K_RotateBitmapFine(&general.r, 8999, 1, 0), K_OK);
        ASSERT_EQ(K_RotateBitmap(&exact.r, 90, 1), K_OK);
        Picture a = ReadPicture(general.r), b = ReadPicture(exact.r);
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        int close = 0;
        for (size_t i = 0; i < a.data.size(); i += 3)
            close += std::abs(a.data[i] - b.data[i]) <= 12 && std::abs(a.data[i + 1] - b.data[i + 1]) <= 24;
        EXPECT_GT(close, 40 * 20 * 85 / 100) << perspective;
    }
}

TEST(Rotate, FillColourAndNoTurn) {
    Owned r;
    StorePicture(r.r, MakePattern(20, 10, 24), 24);
    ASSERT_EQ(K_RotateBitmapFine(&r.r, 3000, 1, RGB(10, 20, 30)), K_OK);
    Picture q = ReadPicture(r.r);
    EXPECT_EQ(q.At(0, 0)[0], 10);
    EXPECT_EQ(q.At(0, 0)[1], 20);
    EXPECT_EQ(q.At(0, 0)[2], 30);

    Picture p = MakePattern(9, 5, 4);
    Owned s;
    StorePicture(s.r, p, 4);
    for (int angle : {0, 360, -720}) EXPECT_EQ(K_RotateBitmap(&s.r, angle, 1), K_OK);
    EXPECT_EQ(K_RotateBitmapFine(&s.r, 72000, 0, 0), K_OK);
    EXPECT_EQ(ReadPicture(s.r), p);
    BitmapRecord empty{};
    EXPECT_EQ(K_RotateBitmap(&empty, 90, 1), K_ERR_NOBITMAP);
    EXPECT_EQ(K_RotateBitmap(nullptr, 0, 1), K_ERR_NOBITMAP);
}

// A stop leaves the picture as it was, for every path.
TEST(Rotate, StopKeepsTheOldPicture) {
    for (int angle : {9000, 18000, 3000}) {
        for (int stopAt : {1, 3}) {
            Picture p = MakePattern(12, 9, 8, 2);
            Owned r;
            StorePicture(r.r, p, 8);
            g_calls = 0, g_stopAt = stopAt;
            StatusCallback old = K_SetStatusCallBack(StopAt);
            int rc = K_RotateBitmapFine(&r.r, angle, 1, 0);
            K_SetStatusCallBack(old);
            EXPECT_EQ(rc, 0) << angle;
            EXPECT_EQ(ReadPicture(r.r), p) << angle << " stop at call " << stopAt;
        }
    }
}

}  // namespace
