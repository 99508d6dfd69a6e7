#include <gtest/gtest.h>

#include "settings/text_helpers.h"
#include "models/txy.h"

TEST(TXY, ReadsAndWritesItsText) {
    struct {
        const char* text;
        int x;
        int y;
    } good[] = {
        {"(12,-7)", 12, -7}, {"12,-7", 12, -7}, {"(0,0)", 0, 0}, {"(-3,+4)", -3, 4}, {"(5,6", 5, 6},
    };
    for (auto& c : good) {
        TXY p(std::string(c.text));
        EXPECT_EQ(p.X, c.x) << c.text;
        EXPECT_EQ(p.Y, c.y) << c.text;
        EXPECT_FALSE(p.Selected);
    }
    // The second parenthesis stays; a starred point keeps its star; one
    // number leaves the second word empty; a blank may only lead a number
    // (the one integer rule), never follow it.
    for (const char* bad : {"((12,-7))", "*(3,4)*", "(3)", "", "(1,2 )", "(1 ,2)", "(a,2)"})
        EXPECT_THROW(TXY{std::string(bad)}, ConvertError) << bad;

    TXY p(3, 4);
    EXPECT_EQ(p.ToText(), "(3,4)");
    p.Selected = true;
    EXPECT_EQ(p.ToText(), "*(3,4)*");
    TXY copy(p);
    EXPECT_FALSE(copy.Selected);
    EXPECT_EQ(copy.ToText(), "(3,4)");
    EXPECT_EQ(TXY(-1, -20).ToText(), "(-1,-20)");
}

TEST(TXY, Nearness) {
    TXY p(10, 20);
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy) {
            bool inside = dx > -2 && dx < 2 && dy > -2 && dy < 2;
            EXPECT_EQ(p.IsNear(10 + dx, 20 + dy), inside) << dx << "," << dy;
        }
    EXPECT_FALSE(TXY(2147483647, 0).IsNear(-2147483647 - 1, 0));
}

TEST(TXY, Geometry) {
    TXY a(10, 10);
    TXY mirroredAcross = TXY(12, 4).Mirrored(a, TXY(30, 12));
    EXPECT_EQ(mirroredAcross.X, 12);
    EXPECT_EQ(mirroredAcross.Y, 16);
    TXY mirroredDown = TXY(12, 4).Mirrored(a, TXY(11, 40));
    EXPECT_EQ(mirroredDown.X, 8);
    EXPECT_EQ(mirroredDown.Y, 4);
    // A diagonal pair counts as "down": the line is vertical through a.
    TXY diagonal = TXY(12, 4).Mirrored(a, TXY(20, 20));
    EXPECT_EQ(diagonal.X, 8);

    TXY p(5, 7);
    p.FlipX(20);
    p.FlipY(10);
    EXPECT_EQ(p.ToText(), "(15,3)");
    p.SwapXY();
    EXPECT_EQ(p.ToText(), "(3,15)");
    p.Offset(-4, 2);
    EXPECT_EQ(p.ToText(), "(-1,17)");

    TXY q(5, 7);
    EXPECT_EQ(q.ScreenX(0.5), 2);
    EXPECT_EQ(q.ScreenY(0.5), 4);
    q.ScaleX(0.5);
    q.ScaleY(3.0);
    EXPECT_EQ(q.ToText(), "(2,21)");
}
