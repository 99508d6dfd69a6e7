// K_CombineBitmap: truth tables, arithmetic against netpbm's pamarith,
// rectangles at every bit phase against a pixel-by-pixel model.
#include <gtest/gtest.h>

#include <random>

#include "peer.h"
#include "process/combine.h"

namespace {

struct Owned {
    BitmapRecord r{};
    ~Owned() { K_FreeBitmap(&r); }
};

int g_stopCalls = 0;
int KAPI StopAtOnce(int) { return ++g_stopCalls, 0; }

TEST(Combine, FlagsToOperation) {
    struct Case {
        unsigned flags;
        int oneBit, code;
    } cases[] = {
        {K_COMBINE_MULTIPLY, 1, kRopBoolean | kRopUsesSource | kRopUsesDestination | 8},  // AND
        {K_COMBINE_DIV_DST, 1, kRopBoolean | kRopUsesSource | 12},                        // copy of the source
        {K_COMBINE_XOR | K_COMBINE_RESULT(K_COMBINE_ONES), 0, kRopBoolean | 15},
        {K_COMBINE_OR | K_COMBINE_SOURCE(K_COMBINE_ZEROS), 0, kRopBoolean | kRopUsesDestination | 10},
        {K_COMBINE_ADD, 0, 16 | kRopUsesSource | kRopUsesDestination},
        {K_COMBINE_MAX | K_COMBINE_SOURCE(K_COMBINE_INVERTED) | K_COMBINE_RESULT(K_COMBINE_INVERTED), 0,
         24 | kRopUsesSource | kRopUsesDestination | kRopInvertSource | kRopInvertResult},
        // Constant operands stay arithmetic: zeros are a zero span, ones an
        // inverted one.
        {K_COMBINE_AVERAGE | K_COMBINE_SOURCE(K_COMBINE_ZEROS), 0, 22 | kRopUsesDestination},
        {K_COMBINE_DIV_SRC | K_COMBINE_SOURCE(K_COMBINE_ONES), 0, 20 | kRopUsesDestination | kRopInvertSource},
        {K_COMBINE_ADD | K_COMBINE_RESULT(K_COMBINE_ZEROS), 0, kRopBoolean},
    };
    for (const Case& c : cases) EXPECT_EQ(CombineFlagsToRop(c.flags, c.oneBit), c.code) << std::hex << c.flags;
}

TEST(Combine, RefusesBadArguments) {
    Owned a, b, c;
    StorePicture(a.r, MakePattern(9, 4, 8), 8);
    StorePicture(b.r, MakePattern(9, 4, 8), 8);
    StorePicture(c.r, MakePattern(9, 4, 24), 24);
    const Picture before = ReadPicture(a.r);
    EXPECT_EQ(K_CombineBitmap(nullptr, 0, 0, 9, 4, &b.r, 0, 0, K_COMBINE_AND), K_ERR_ARGUMENT);
    EXPECT_EQ(K_CombineBitmap(&a.r, 0, 0, 9, 4, &b.r, 0, 0, 0x0C00), K_ERR_ARGUMENT);
    EXPECT_EQ(K_CombineBitmap(&a.r, 0, 0, 9, 4, &b.r, 0, 0, 0x10000), K_ERR_ARGUMENT);
    EXPECT_EQ(K_CombineBitmap(&a.r, 0, 0, 9, 4, &b.r, 0, 0, 4), K_ERR_ARGUMENT);
    EXPECT_EQ(K_CombineBitmap(&a.r, 0, 0, 9, 4, &c.r, 0, 0, K_COMBINE_OR), K_ERR_ARGUMENT);  // depths differ
    EXPECT_EQ(K_CombineBitmap(&a.r, 0, 0, 9, 4, nullptr, 0, 0, K_COMBINE_ADD), K_ERR_ARGUMENT);
    EXPECT_EQ(ReadPicture(a.r), before);
    // A constant source needs no source bitmap.
    EXPECT_EQ(K_CombineBitmap(&a.r, 0, 0, 9, 4, nullptr, 0, 0, K_COMBINE_AND | K_COMBINE_SOURCE(K_COMBINE_ZEROS)),
              K_OK);
    EXPECT_EQ(ReadPicture(a.r).data, std::vector<uint8_t>(36, 0));
}

// Whole pictures against pamarith: exact where both truncate or clip,
// within 1 where pamarith rounds (multiply, divide, mean).
TEST(Combine, ArithmeticMatchesPamarith) {
    if (!HostHasTool("pamarith")) GTEST_SKIP() << "netpbm missing";
    struct Op {
        unsigned flags;
        const char* peer;
        int tolerance;
    } ops[] = {
        {K_COMBINE_ADD, "-add", 0},      {K_COMBINE_SUB_SRC, "-subtract", 0},  {K_COMBINE_MIN, "-minimum", 0},
        {K_COMBINE_MAX, "-maximum", 0},  {K_COMBINE_MULTIPLY, "-multiply", 1}, {K_COMBINE_DIV_DST, "-divide", 1},
        {K_COMBINE_AVERAGE, "-mean", 1}, {K_COMBINE_AND, "-and", 0},           {K_COMBINE_XOR, "-xor", 0},
    };
    PeerBatch batch("combine_pamarith");
    struct Run {
        Picture ours;
        int peer, tolerance;
        std::string what;
    };
    std::vector<Run> runs;
    for (int bits : {8, 24, 32}) {
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            Picture d = MakePattern(13, 7, bits == 8 ? 8 : 24, 3), s = MakePattern(13, 7, bits == 8 ? 8 : 24, 4);
            std::string dp = batch.Input(d), sp = batch.Input(s);
            for (const Op& op : ops) {
                Owned dr, sr;
                StorePicture(dr.r, d, bits, perspective);
                StorePicture(sr.r, s, bits, perspective, K_ORDER_BGR);
                ASSERT_EQ(K_CombineBitmap(&dr.r, 0, 0, 13, 7, &sr.r, 0, 0, op.flags), K_OK);
                // pamarith -divide and -subtract take the first operand over the second.
                bool swap = op.flags == K_COMBINE_DIV_DST;
                std::string first = swap ? sp : dp, second = swap ? dp : sp;
                int i = batch.Add(std::string("pamarith ") + op.peer + " '" + first + "' '" + second + "' > @OUT");
                runs.push_back({ReadPicture(dr.r), i, op.tolerance, std::string(op.peer) + " " + std::to_string(bits)});
            }
        }
    }
    ASSERT_TRUE(batch.Run());
    for (const Run& run : runs) EXPECT_LE(MaxDifference(run.ours, batch.Result(run.peer)), run.tolerance) << run.what;
}

// Random rectangles, source offsets and operations at every depth against
// a model that combines pixel by pixel.
TEST(Combine, RectanglesAtEveryPhase) {
    std::mt19937 rng(7);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const int channels = bits <= 8 ? 1 : 3, maximum = bits <= 8 ? (1 << bits) - 1 : bits == 16 ? 31 : 255;
        for (int trial = 0; trial < 40; ++trial) {
            Picture d = MakePattern(21, 6, bits, trial), s = MakePattern(17, 5, bits, trial + 100);
            Owned dr, sr;
            StorePicture(dr.r, d, bits, trial & 1 ? K_TOP_DOWN : K_BOTTOM_UP);
            StorePicture(sr.r, s, bits);
            int left = int(rng() % 25) - 3, top = int(rng() % 8) - 2, w = int(rng() % 24), h = int(rng() % 7);
            int sl = int(rng() % 20) - 2, st = int(rng() % 6) - 1;
            unsigned flags = (bits == 1 ? rng() % 3 : rng() % 12) << 8 | (rng() % 2);
            ASSERT_EQ(K_CombineBitmap(&dr.r, left, top, w, h, &sr.r, sl, st, flags), K_OK);
            Picture got = ReadPicture(dr.r), want = d;
            const unsigned op = flags >> 8;
            for (int y = top; y < top + h; ++y)
                for (int x = left; x < left + w; ++x) {
                    int sx = sl + x - left, sy = st + y - top;
                    if (x < 0 || y < 0 || x >= 21 || y >= 6 || sx < 0 || sy < 0 || sx >= 17 || sy >= 5) continue;
                    // Rows of the rectangle count in storage order.
                    int dy = StorageRow(dr.r, y), syy = StorageRow(sr.r, sy);
                    for (int c = 0; c < channels; ++c) {
                        unsigned dv = d.At(x, dy)[c], sv = s.At(sx, syy)[c];
                        if (bits == 16) dv >>= 3, sv >>= 3;
                        if (flags & 1) sv = maximum - sv;
                        unsigned m = maximum, v;
                        switch (op) {
                            case 0:
                                v = dv & sv;
                                break;
                            case 1:
                                v = dv | sv;
                                break;
                            case 2:
                                v = dv ^ sv;
                                break;
                            case 3:
                                v = std::min(dv + sv, m);
                                break;
                            case 4:
                                v = dv > sv ? dv - sv : 0;
                                break;
                            case 5:
                                v = sv > dv ? sv - dv : 0;
                                break;
                            case 6:
                                v = dv * sv / m;
                                break;
                            case 7:
                                v = sv ? std::min(dv * m / sv, m) : m;
                                break;
                            case 8:
                                v = dv ? std::min(sv * m / dv, m) : m;
                                break;
                            case 9:
                                v = (dv + sv) / 2;
                                break;
                            case 10:
                                v = std::min(dv, sv);
                                break;
                            default:
                                v = std::max(dv, sv);
                                break;
                        }
                        want.At(x, dy)[c] = static_cast<uint8_t>(bits == 16 ? (v << 3 | v >> 2) : v);
                    }
                }
            ASSERT_EQ(got, want) << "bits " << bits << " trial " << trial << " rect " << left << "," << top << " " << w
                                 << "x" << h << " from " << sl << "," << st << " flags " << std::hex << flags;
        }
    }
}

TEST(Combine, WithItselfOverlappingReadsRowsFirst) {
    for (int bits : {1, 8, 24}) {
        Picture p = MakePattern(11, 9, bits, 5);
        Owned self, a, copy;
        StorePicture(self.r, p, bits);
        StorePicture(a.r, p, bits);
        StorePicture(copy.r, p, bits);
        // Source rectangle one storage row before the destination's, and
        // one row after.
        for (int shift : {1, -1}) {
            int st = shift > 0 ? 1 : 2, dt = st + shift;
            ASSERT_EQ(K_CombineBitmap(&self.r, 2, dt, 7, 6, &self.r, 1, st, K_COMBINE_XOR), K_OK);
            ASSERT_EQ(K_CombineBitmap(&a.r, 2, dt, 7, 6, &copy.r, 1, st, K_COMBINE_XOR), K_OK);
            ASSERT_EQ(ReadPicture(self.r), ReadPicture(a.r)) << bits << " " << shift;
            K_FreeBitmap(&copy.r);  // StorePicture starts a new record
            StorePicture(copy.r, ReadPicture(a.r), bits);
        }
    }
}

// Operations with constant operands compute their arithmetic.
TEST(Combine, ConstantOperandsAreComputed) {
    Picture p{3, 1, 1, {0, 100, 255}};
    struct Case {
        unsigned flags;
        std::vector<uint8_t> want;
    } cases[] = {
        {K_COMBINE_AVERAGE | K_COMBINE_SOURCE(K_COMBINE_ZEROS), {0, 50, 127}},
        {K_COMBINE_AVERAGE | K_COMBINE_SOURCE(K_COMBINE_ONES), {127, 177, 255}},
        {K_COMBINE_DIV_SRC | K_COMBINE_SOURCE(K_COMBINE_ONES), {0, 100, 255}},
        {K_COMBINE_DIV_SRC | K_COMBINE_SOURCE(K_COMBINE_ZEROS), {255, 255, 255}},
        {K_COMBINE_DIV_DST | K_COMBINE_SOURCE(K_COMBINE_ZEROS), {255, 0, 0}},
        {K_COMBINE_ADD | K_COMBINE_DESTINATION(K_COMBINE_INVERTED) | K_COMBINE_SOURCE(K_COMBINE_ZEROS), {255, 155, 0}},
    };
    for (const Case& c : cases) {
        Owned r;
        StorePicture(r.r, p, 8);
        ASSERT_EQ(K_CombineBitmap(&r.r, 0, 0, 3, 1, nullptr, 0, 0, c.flags), K_OK) << std::hex << c.flags;
        EXPECT_EQ(ReadPicture(r.r).data, c.want) << std::hex << c.flags;
    }
    // ADD of all ones at 16 bits saturates the fields and leaves bit 15 clear.
    Owned w;
    StorePicture(w.r, MakePattern(4, 2, 16), 16);
    ASSERT_EQ(K_CombineBitmap(&w.r, 0, 0, 4, 2, nullptr, 0, 0, K_COMBINE_ADD | K_COMBINE_SOURCE(K_COMBINE_ONES)), K_OK);
    for (const auto& row : StoredRows(w.r))
        for (int x = 0; x < 4; ++x) EXPECT_EQ(row[2 * x] | row[2 * x + 1] << 8, 0x7FFF);
}

TEST(Combine, StopBeforeAnyRowChangesNothing) {
    Owned d, s;
    StorePicture(d.r, MakePattern(8, 4, 8, 1), 8);
    StorePicture(s.r, MakePattern(8, 4, 8, 2), 8);
    Picture before = ReadPicture(d.r);
    StatusCallback old = K_SetStatusCallBack(StopAtOnce);
    g_stopCalls = 0;
    EXPECT_EQ(K_CombineBitmap(&d.r, 0, 0, 8, 4, &s.r, 0, 0, K_COMBINE_ADD), 0);
    // Nothing to combine: the callback still hears the start.
    EXPECT_EQ(K_CombineBitmap(&d.r, 20, 0, 8, 4, &s.r, 0, 0, K_COMBINE_ADD), 0);
    K_SetStatusCallBack(old);
    EXPECT_EQ(g_stopCalls, 2);
    EXPECT_EQ(ReadPicture(d.r), before);
}

}  // namespace
