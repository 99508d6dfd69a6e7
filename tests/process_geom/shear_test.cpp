// K_ShearBitmap against a model that places every pixel by the offset
// rule: line k from the bottom moves by k * q plus one for every whole cos
// the fractions k * f pass beyond the first (q, f: sin over cos, from the
// 14-bit tables).
#include <gtest/gtest.h>

#include "peer.h"
#include "core/trig.h"

namespace {

struct Owned {
    BitmapRecord r{};
    ~Owned() { K_FreeBitmap(&r); }
};

int g_calls = 0;
int KAPI StopOnThird(int) { return ++g_calls >= 3 ? 0 : 1; }

int Offset(int64_t k, int s, int c) {
    const int64_t q = s / c, f = s % c;
    return static_cast<int>(k * q + (k * f > 0 ? (k * f + c - 1) / c - 1 : 0));
}

// The sheared picture by the model; fill is one pixel value of the picture.
Picture Model(const Picture& p, int angle, bool horizontal, const std::vector<uint8_t>& fill) {
    const int a = std::abs(angle), s = SinLookup(a), c = CosLookup(a), w = p.width, h = p.height;
    Picture q;
    q.channels = p.channels;
    q.width = horizontal ? w + int(int64_t(s) * h / c) : w;
    q.height = horizontal ? h : h + int(int64_t(s) * w / c);
    q.data.resize(size_t(q.width) * q.height * q.channels);
    for (int y = 0; y < q.height; ++y)
        for (int x = 0; x < q.width; ++x) std::copy(fill.begin(), fill.end(), q.At(x, y));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int tx = x, ty = y;
            if (horizontal) {
                // Positive: the bottom line at the left edge, higher lines further right.
                int off = Offset(h - 1 - y, s, c);
                tx = angle >= 0 ? x + off : q.width - w + x - off;
            } else {
                // Positive: the right column ends at the bottom edge and
                // columns further left lie higher. Negative is the same
                // upside down: the right column starts at the top edge.
                const int off = Offset(w - 1 - x, s, c);
                ty = angle >= 0 ? y + (q.height - h) - off : y + off;
            }
            std::copy(p.At(x, y), p.At(x, y) + p.channels, q.At(tx, ty));
        }
    return q;
}

TEST(Shear, EveryDepthAndDirectionFollowsTheOffsetRule) {
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN})
            for (int angle : {0, 4500, -4500, 1234, -2999, 4499})
                for (bool horizontal : {true, false}) {
                    Picture p = MakePattern(10, 7, bits, bits * 7 + angle);
                    Owned r;
                    StorePicture(r.r, p, bits, perspective);
                    r.r.XResolution = 300, r.r.YResolution = 72;
                    // Black is index 0 of the grey and fixed palettes alike.
                    ASSERT_EQ(K_ShearBitmap(&r.r, angle, horizontal, RGB(0, 0, 0)), K_OK);
                    std::vector<uint8_t> fill(p.channels, 0);
                    EXPECT_EQ(ReadPicture(r.r), Model(p, angle, horizontal, fill))
                        << bits << " bits, perspective " << perspective << ", angle " << angle
                        << (horizontal ? " horizontal" : " vertical");
                    EXPECT_EQ(r.r.ViewPerspective, perspective);
                    EXPECT_EQ(r.r.XResolution, 300);
                    EXPECT_EQ(r.r.YResolution, 72);
                }
}

TEST(Shear, FillColourAndArguments) {
    Picture p = MakePattern(6, 4, 24);
    Owned r;
    StorePicture(r.r, p, 24);
    ASSERT_EQ(K_ShearBitmap(&r.r, 3000, 1, RGB(200, 100, 50)), K_OK);
    EXPECT_EQ(ReadPicture(r.r), Model(p, 3000, true, {200, 100, 50}));
    EXPECT_EQ(K_ShearBitmap(&r.r, 4501, 1, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ShearBitmap(&r.r, -4501, 0, 0), K_ERR_ARGUMENT);
    BitmapRecord empty{};
    EXPECT_EQ(K_ShearBitmap(&empty, 0, 1, 0), K_ERR_NOBITMAP);
}

// A stop anywhere, in the rows or in a quarter turn, leaves the old picture.
TEST(Shear, StopKeepsTheOldPicture) {
    for (bool horizontal : {true, false})
        for (int angle : {2000, -2000}) {
            Picture p = MakePattern(9, 12, 8, 4);
            Owned r;
            StorePicture(r.r, p, 8);
            g_calls = 0;
            StatusCallback old = K_SetStatusCallBack(StopOnThird);
            int rc = K_ShearBitmap(&r.r, angle, horizontal, 0);
            K_SetStatusCallBack(old);
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(r.r.Width, 9);
            EXPECT_EQ(ReadPicture(r.r), p) << horizontal << " " << angle;
        }
}

}  // namespace
