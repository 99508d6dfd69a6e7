#include <gtest/gtest.h>

#include "settings/text_helpers.h"

TEST(TextHelpers, TrimStripAndPrefix) {
    std::string s = " \t \tword \t";
    TrimInitialBlanks(s);
    EXPECT_EQ(s, "word \t");

    struct {
        const char* in;
        const char* out;
    } strip[] = {
        {"(1,2)", "1,2"}, {"1,2)", "1,2"}, {"(1,2", "1,2"}, {"((1,2))", "(1,2)"}, {"", ""}, {"(", ""}, {")", ""},
    };
    for (auto& c : strip) {
        std::string t = c.in;
        StripParentheses(t);
        EXPECT_EQ(t, c.out) << c.in;
    }

    std::string line = "linesg(1,2) (3,4)";
    EXPECT_TRUE(CutPrefix(line, "LINES"));
    EXPECT_EQ(line, "g(1,2) (3,4)");
    std::string other = "LiNe(5)";
    EXPECT_FALSE(CutPrefix(other, "lines"));
    EXPECT_EQ(other, "LiNe(5)");
    std::string shorter = "lin";
    EXPECT_FALSE(CutPrefix(shorter, "line"));
    // Only a-z fold: a character outside never matches its neighbour.
    std::string accented = "\xE9x";
    EXPECT_FALSE(CutPrefix(accented, "\xC9X"));
}

TEST(TextHelpers, WordSplitting) {
    struct {
        const char* text;
        const CharSet* set;
        int count;
        int n;
        int start;
        const char* word;
    } cases[] = {
        {"  (1,2)   (3,4) ", &BlankSet, 2, 1, 3, "(1,2)"},
        {"  (1,2)   (3,4) ", &BlankSet, 2, 2, 11, "(3,4)"},
        {"  (1,2)   (3,4) ", &BlankSet, 2, 3, 0, ""},
        {"12,-7", &CommaSet, 2, 2, 4, "-7"},
        {",,a,,b,", &CommaSet, 2, 1, 3, "a"},
        {"", &CommaSet, 0, 1, 0, ""},
        {"   ", &BlankSet, 0, 1, 0, ""},
        {"dress(1,2,3", &ParenSet, 2, 2, 7, "1,2,3"},
        {"abc", &BlankSet, 1, 0, 0, ""},
    };
    for (auto& c : cases) {
        EXPECT_EQ(CountWords(c.text, *c.set), c.count) << c.text;
        EXPECT_EQ(WordStart(c.n, c.text, *c.set), c.start) << c.text << " word " << c.n;
        EXPECT_EQ(WordAt(c.n, c.text, *c.set), c.word) << c.text << " word " << c.n;
    }
}

TEST(TextHelpers, IntegerConversion) {
    EXPECT_EQ(ReadInteger("-7"), -7);
    EXPECT_EQ(ReadInteger("+12"), 12);
    EXPECT_EQ(ReadInteger("2147483647"), 2147483647);
    EXPECT_EQ(ReadInteger("-2147483648"), -2147483647 - 1);
    // The framework's StrToInt rule: leading blanks, $hex and 0x hex too.
    EXPECT_EQ(ReadInteger(" 1"), 1);
    EXPECT_EQ(ReadInteger("$1F"), 31);
    EXPECT_EQ(ReadInteger("0x10"), 16);
    EXPECT_EQ(ReadInteger("$FFFFFFFF"), -1);
    for (const char* bad : {"", "-", "1a", "2147483648", "1 ", "(1", "*3", "$", "$G"}) {
        try {
            ReadInteger(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const ConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(ReadIntegerDef("x", 5), 5);
    EXPECT_EQ(ReadIntegerDef("42", 5), 42);
}

TEST(TextHelpers, RoundingIsHalfToEven) {
    struct {
        int v;
        double k;
        int mul;
    } cases[] = {
        {5, 0.5, 2}, {7, 0.5, 4}, {-5, 0.5, -2}, {-7, 0.5, -4}, {3, 0.5, 2}, {10, 1.26, 13}, {0, 123.4, 0},
    };
    for (auto& c : cases) EXPECT_EQ(MulRound(c.v, c.k), c.mul) << c.v << " x " << c.k;
    EXPECT_EQ(DivRound(5, 2.0), 2);
    EXPECT_EQ(DivRound(7, 2.0), 4);
    EXPECT_EQ(DivRound(-5, 2.0), -2);
    EXPECT_THROW(DivRound(1, 0.0), std::range_error);
    EXPECT_THROW(MulRound(2147483647, 2.0), std::range_error);
}
