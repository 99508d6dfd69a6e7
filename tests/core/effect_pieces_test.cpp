// Piece orders of the transition effects: coverage, order and the shift
// registers of the dissolves.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "devices/effect_pieces.h"

namespace {

class Recorder : public EffectPieceSink {
public:
    int Piece(const RECT& piece) override {
        pieces.push_back(piece);
        return static_cast<int>(pieces.size()) == stopAt ? 0 : K_OK;
    }
    int Step() override {
        ++steps;
        return K_OK;
    }
    std::vector<RECT> pieces;
    int64_t steps = 0;
    int stopAt = -1;
};

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(EffectPieces, EveryPixelOfTheAreaExactlyOnce) {
    // Odd sizes, lines of one pixel, cell counts of a power of two plus one
    // (34 x 2 in 2 x 2 cells: 17; 16 x 80 in 16 x 16 cells: 5), more than
    // one spiral band, and an origin away from 0.
    const RECT areas[] = {{0, 0, 1, 1},  {3, 4, 4, 9},    {3, 4, 9, 5},   {0, 0, 7, 3},     {0, 0, 3, 7},
                          {0, 0, 34, 2}, {-5, 2, 11, 82}, {0, 0, 33, 17}, {10, 20, 50, 57}, {0, 0, 70, 41}};
    for (unsigned effect = 1; effect <= kLastEffect; ++effect) {
        for (const RECT& k : areas) {
            SCOPED_TRACE("effect " + std::to_string(effect) + " area " + Text(k));
            Recorder rec;
            ASSERT_EQ(RunEffectPieces(effect, k, rec), K_OK);
            int w = k.right - k.left, h = k.bottom - k.top;
            std::vector<int> painted(static_cast<size_t>(w) * h);
            for (const RECT& p : rec.pieces) {
                ASSERT_TRUE(p.left < p.right && p.top < p.bottom) << "empty piece " << Text(p);
                ASSERT_TRUE(p.left >= k.left && p.right <= k.right && p.top >= k.top && p.bottom <= k.bottom)
                    << Text(p);
                for (int y = p.top; y < p.bottom; ++y)
                    for (int x = p.left; x < p.right; ++x) ++painted[(y - k.top) * w + (x - k.left)];
            }
            for (int i = 0; i < w * h; ++i) ASSERT_EQ(painted[i], 1) << "pixel " << i % w << "," << i / w;
            EXPECT_EQ(rec.steps, CountEffectSteps(effect, k));
        }
    }
}

TEST(EffectPieces, FirstAndLastPieceOfEachOrder) {
    const RECT k{0, 0, 40, 24};
    struct Case {
        unsigned effect;
        RECT first, last;
    };
    const Case cases[] = {
        {1, {0, 0, 40, 1}, {0, 23, 40, 24}},      // rows top to bottom
        {2, {0, 23, 40, 24}, {0, 0, 40, 1}},      // bottom to top
        {3, {0, 0, 1, 24}, {39, 0, 40, 24}},      // columns left to right
        {4, {39, 0, 40, 24}, {0, 0, 1, 24}},      // right to left
        {5, {2, 0, 4, 2}, {0, 0, 2, 2}},          // register starts at 1, cell 0 last
        {9, {0, 1, 40, 2}, {0, 0, 40, 1}},        // whole rows as cells
        {11, {19, 0, 20, 24}, {39, 0, 40, 24}},   // column pairs from the centre
        {12, {0, 11, 40, 12}, {0, 23, 40, 24}},   // row pairs from the centre
        {13, {0, 11, 40, 12}, {0, 19, 40, 20}},   // step 8: the last pass ends at t = 4
        {15, {0, 0, 1, 24}, {12, 12, 28, 13}},    // frames from the outside
        {16, {11, 11, 12, 13}, {1, 23, 39, 24}},  // frames from the centre
        {19, {0, 0, 1, 16}, {0, 16, 1, 24}},      // spiral clockwise from the top left
        {20, {0, 12, 12, 13}, {0, 0, 1, 12}},     // spiral out, top strip right to left last
        {21, {0, 0, 40, 1}, {0, 12, 40, 13}},     // row pairs from the edges
        {25, {0, 0, 1, 24}, {39, 0, 40, 24}},     // left side only, step 8
        {26, {39, 0, 40, 24}, {0, 0, 1, 24}},     // right side only
        {27, {0, 23, 40, 24}, {0, 0, 40, 1}},     // bottom side only
        {28, {0, 0, 40, 1}, {0, 23, 40, 24}},     // top side only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("effect " + std::to_string(c.effect));
        Recorder rec;
        ASSERT_EQ(RunEffectPieces(c.effect, k, rec), K_OK);
        ASSERT_FALSE(rec.pieces.empty());
        EXPECT_EQ(Text(rec.pieces.front()), Text(c.first));
        EXPECT_EQ(Text(rec.pieces.back()), Text(c.last));
    }
}

TEST(EffectPieces, StopsAtTheSinksAnswerAndRefusesUnknownEffects) {
    const RECT k{0, 0, 20, 20};
    for (unsigned effect : {1u, 7u, 16u, 19u, 20u, 24u}) {
        Recorder rec;
        rec.stopAt = 3;
        EXPECT_EQ(RunEffectPieces(effect, k, rec), 0) << effect;
        EXPECT_EQ(rec.pieces.size(), 3u) << effect;
    }
    Recorder rec;
    EXPECT_EQ(RunEffectPieces(29, k, rec), K_ERR_ARGUMENT);
    EXPECT_EQ(RunEffectPieces(0xFFFFFFFFu, k, rec), K_ERR_ARGUMENT);
    EXPECT_TRUE(rec.pieces.empty());
}

// The register of k bits as a k x k matrix over GF(2), columns as words.
using Matrix = std::vector<uint64_t>;

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix out(a.size(), 0);
    for (size_t c = 0; c < b.size(); ++c)
        for (size_t i = 0; i < a.size(); ++i)
            if (b[c] >> i & 1) out[c] ^= a[i];
    return out;
}

Matrix Power(Matrix m, uint64_t e) {
    Matrix out(m.size());
    for (size_t i = 0; i < m.size(); ++i) out[i] = uint64_t(1) << i;
    for (; e; e >>= 1) {
        if (e & 1) out = Multiply(out, m);
        m = Multiply(m, m);
    }
    return out;
}

bool IsIdentity(const Matrix& m) {
    for (size_t i = 0; i < m.size(); ++i)
        if (m[i] != uint64_t(1) << i) return false;
    return true;
}

// The step as a matrix has order 2^k - 1 exactly when the register visits
// every non-zero value once: M^(2^k - 1) = I and M^((2^k - 1) / q) != I for
// every prime q dividing 2^k - 1.
TEST(EffectPieces, EveryShiftRegisterMaskIsMaximal) {
    for (int k = 1; k <= 32; ++k) {
        SCOPED_TRACE("bits " + std::to_string(k));
        const uint32_t mask = LfsrTapMasks[k];
        ASSERT_LT(uint64_t(mask), uint64_t(1) << k);
        ASSERT_TRUE(mask >> (k - 1) & 1) << "the top bit feeds back";
        Matrix m(k);
        for (int i = 0; i < k; ++i) m[i] = LfsrNext(uint32_t(1) << i, mask);
        const uint64_t period = (uint64_t(1) << k) - 1;
        EXPECT_TRUE(IsIdentity(Power(m, period)));
        uint64_t rest = period;
        for (uint64_t q = 2; q * q <= rest; ++q) {
            if (rest % q) continue;
            EXPECT_FALSE(IsIdentity(Power(m, period / q))) << "divisor " << q;
            while (rest % q == 0) rest /= q;
        }
        if (rest > 1 && rest != period) EXPECT_FALSE(IsIdentity(Power(m, period / rest))) << "divisor " << rest;
    }
    // And by walking the registers that are quick to walk.
    for (int k = 1; k <= 20; ++k) {
        std::vector<bool> seen(size_t(1) << k);
        uint32_t f = 1;
        uint64_t steps = 0;
        do {
            ASSERT_FALSE(seen[f]) << "bits " << k << " value " << f;
            seen[f] = true;
            f = LfsrNext(f, LfsrTapMasks[k]);
            ++steps;
        } while (f != 1);
        EXPECT_EQ(steps, (uint64_t(1) << k) - 1) << "bits " << k;
    }
}

}  // namespace
