// K_FlipBitmap: stored rows end for end, checked against ImageMagick.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stored_image.h"

namespace {

struct Record {
    BitmapRecord r{};
    ~Record() { K_FreeBitmap(&r); }
};

std::vector<int> g_seen;
int g_answerAt = -1;
int KAPI Status(int percent) {
    g_seen.push_back(percent);
    return static_cast<int>(g_seen.size()) - 1 == g_answerAt ? 0 : 1;
}

class FlipTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        g_answerAt = -1;
        previous_ = K_SetStatusCallBack(Status);
    }
    void TearDown() override { K_SetStatusCallBack(previous_); }

private:
    StatusCallback previous_ = nullptr;
};

TEST_F(FlipTest, TurnsThePictureUpsideDownLikeImageMagick) {
    MagickBatch batch("flip");
    std::vector<std::pair<Picture, int>> checks;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int height : {2, 7, 8}) {
            for (int view : {K_BOTTOM_UP, K_TOP_DOWN}) {
                Record rec;
                Picture p = MakePattern(11, height, bits, bits * height);
                StorePicture(rec.r, p, bits, view);
                ASSERT_EQ(K_FlipBitmap(&rec.r), K_OK);
                EXPECT_EQ(rec.r.ViewPerspective, view);
                checks.emplace_back(ReadPicture(rec.r), batch.Add(p, "-flip"));
            }
        }
    }
    ASSERT_TRUE(batch.Run());
    for (const auto& [ours, expected] : checks) EXPECT_EQ(ours, batch.Result(expected));
}

TEST_F(FlipTest, OddAndSingleRows) {
    Record tall, single;
    Picture p = MakePattern(5, 3, 8, 9);
    StorePicture(tall.r, p, 8, K_TOP_DOWN);
    ASSERT_EQ(K_FlipBitmap(&tall.r), K_OK);
    Picture flipped = ReadPicture(tall.r);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(*flipped.At(x, 1), *p.At(x, 1)) << "middle row stays";
        EXPECT_EQ(*flipped.At(x, 0), *p.At(x, 2));
    }
    // One row: nothing to exchange, no progress steps to divide by.
    Picture line = MakePattern(9, 1, 24, 2);
    StorePicture(single.r, line, 24);
    g_seen.clear();
    EXPECT_EQ(K_FlipBitmap(&single.r), K_OK);
    EXPECT_EQ(ReadPicture(single.r), line);
    EXPECT_EQ(g_seen, std::vector<int>{0});
}

TEST_F(FlipTest, StoppingCallbackKeepsTheRowsAlreadyExchanged) {
    Record rec;
    Picture p = MakePattern(4, 8, 8, 4);
    StorePicture(rec.r, p, 8, K_TOP_DOWN);
    g_answerAt = 2;  // 0 first, then after the first and second pair
    EXPECT_EQ(K_FlipBitmap(&rec.r), 0);
    EXPECT_EQ(g_seen, (std::vector<int>{0, 25, 50}));
    Picture now = ReadPicture(rec.r);
    for (int y : {0, 1, 6, 7}) EXPECT_EQ(*now.At(0, y), *p.At(0, 7 - y)) << y;
    for (int y : {2, 3, 4, 5}) EXPECT_EQ(*now.At(0, y), *p.At(0, y)) << y;
}

TEST_F(FlipTest, RefusesMissingStorage) {
    BitmapRecord bare{};
    K_InitBitmap(&bare, 4, 4, 8);
    EXPECT_EQ(K_FlipBitmap(&bare), K_ERR_NOBITMAP);
    EXPECT_EQ(K_FlipBitmap(nullptr), K_ERR_NOBITMAP);
}

}  // namespace
