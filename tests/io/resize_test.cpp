// Resize while loading: step and pick-map arithmetic and rows resized in
// place.
#include <gtest/gtest.h>

#include <vector>

#include "io/resize.h"

namespace {

struct Context {
    ResizeContext* c = nullptr;
    ~Context() { K_StopResize(c); }
};

int Picked(const ResizeContext* c, int columns) {
    int n = 0;
    for (int i = 0; i < columns; ++i) n += c->XStep + c->XPick[i & 255];
    return n;
}

TEST(Resize, StepsAndPickMaps) {
    struct Case {
        int from, to, step, fraction;
    } cases[] = {{100, 150, 1, 128}, {150, 100, 0, 169}, {10, 35, 3, 128}, {64, 64, 1, 0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.from << " -> " << k.to);
        unsigned char xPick[256], yPick[256];
        int xStep = -1, yStep = -1;
        ComputeResizeSteps(k.from, 7, k.to, 7, xPick, yPick, &xStep, &yStep);
        EXPECT_EQ(xStep, k.step);
        EXPECT_EQ(yStep, 1);
        int marked = 0;
        for (unsigned char p : xPick) marked += p;
        EXPECT_EQ(marked, k.fraction);
    }
    // 100 -> 150: the even columns are doubled.
    Context ctx;
    ASSERT_EQ(K_StartResize(100, 10, 150, 10, &ctx.c), K_OK);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(ctx.c->XPick[i], i % 2 == 0 ? 1 : 0) << i;
    EXPECT_EQ(Picked(ctx.c, 100), 150);
    // The map of n entries spreads them: 65280 / n apart in 8.8.
    unsigned char map[256];
    EXPECT_EQ(BuildResizePickMap(0, map), 0);
    EXPECT_EQ(BuildResizePickMap(255, map), 256);
}

TEST(Resize, RowsGrowAndShrinkInPlace) {
    // 24 bits, 100 -> 150: each even source pixel twice, odd once.
    Context grow;
    ASSERT_EQ(K_StartResize(100, 4, 150, 4, &grow.c), K_OK);
    std::vector<unsigned char> row(150 * 3);
    for (int i = 0; i < 100; ++i) row[i * 3] = row[i * 3 + 1] = row[i * 3 + 2] = static_cast<unsigned char>(i);
    int width = 0, count = -1;
    ASSERT_EQ(K_Resize(row.data(), 0, 24, &width, &count, grow.c), K_OK);
    EXPECT_EQ(width, 150);
    EXPECT_EQ(count, 1);
    std::vector<int> expected;
    for (int i = 0; i < 100; ++i)
        for (int k = 0; k < (i % 2 == 0 ? 2 : 1); ++k) expected.push_back(i);
    for (int t = 0; t < 150; ++t) EXPECT_EQ(row[t * 3 + 1], expected[t]) << t;

    // 8 bits, 150 -> 100: columns survive in order; the tail repeats the
    // last one written.
    Context shrink;
    ASSERT_EQ(K_StartResize(150, 4, 100, 4, &shrink.c), K_OK);
    std::vector<unsigned char> narrow(150);
    for (int i = 0; i < 150; ++i) narrow[i] = static_cast<unsigned char>(i);
    ASSERT_EQ(K_Resize(narrow.data(), 0, 8, &width, &count, shrink.c), K_OK);
    EXPECT_EQ(width, 100);
    for (int t = 1; t < 100; ++t) EXPECT_GE(narrow[t], narrow[t - 1]);
    int survivors = Picked(shrink.c, 150);
    EXPECT_GE(survivors, 99);
    EXPECT_LE(survivors, 100);

    // 1 bit scaled by two: each bit becomes two, most significant first.
    Context twice;
    ASSERT_EQ(K_StartResize(8, 2, 16, 4, &twice.c), K_OK);
    unsigned char bits[4] = {0xA5, 0, 0, 0};  // 1010 0101
    ASSERT_EQ(K_Resize(bits, 1, 1, &width, &count, twice.c), K_OK);
    EXPECT_EQ(bits[0], 0xCC);
    EXPECT_EQ(bits[1], 0x33);
    EXPECT_EQ(count, 2);

    // 4 bits, 3 -> 6.
    Context nibbles;
    ASSERT_EQ(K_StartResize(3, 1, 6, 1, &nibbles.c), K_OK);
    unsigned char four[4] = {0x12, 0x30, 0, 0};
    ASSERT_EQ(K_Resize(four, 0, 4, &width, &count, nibbles.c), K_OK);
    EXPECT_EQ(four[0], 0x11);
    EXPECT_EQ(four[1], 0x22);
    EXPECT_EQ(four[2], 0x33);
}

TEST(Resize, EqualSizesAndRefusals) {
    Context same;
    ASSERT_EQ(K_StartResize(5, 5, 5, 5, &same.c), K_OK);
    unsigned char row[5] = {1, 2, 3, 4, 5};
    int width = 0, count = 0;
    ASSERT_EQ(K_Resize(row, 3, 8, &width, &count, same.c), K_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(row[4], 5);

    ResizeContext* c = reinterpret_cast<ResizeContext*>(1);
    EXPECT_EQ(K_StartResize(5, 5, 5, 0, &c), K_ERR_ARGUMENT);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(K_StartResize(5, 5, -1, 5, &c), K_ERR_ARGUMENT);
    // An old size of 0 would divide by zero.
    EXPECT_EQ(K_StartResize(0, 5, 5, 5, &c), K_ERR_ARGUMENT);

    // Shrinking rows: some source rows are dropped (count 0).
    Context rows;
    ASSERT_EQ(K_StartResize(4, 10, 4, 5, &rows.c), K_OK);
    int total = 0;
    for (int y = 0; y < 10; ++y) {
        ASSERT_EQ(K_Resize(nullptr, y, 8, &width, &count, rows.c), K_OK);
        total += count;
    }
    EXPECT_EQ(total, 5);
}

}  // namespace
