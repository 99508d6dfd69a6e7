#include <gtest/gtest.h>

#include <string>

#include "forms/doll_measurements.h"

namespace {

using M = DollMeasurements;

TEST(DollMeasurements, WidthsFollowInProportion) {
    M m;
    EXPECT_DOUBLE_EQ(m.ScaleX(), 1.0);
    EXPECT_DOUBLE_EQ(m.ScaleY(), 1.0);
    ASSERT_TRUE(m.Leave(M::BackWidth, "13"));
    EXPECT_EQ(m.Text(M::BackWidth), "13");
    EXPECT_EQ(m.Text(M::Waist), "15.4");
    EXPECT_EQ(m.Text(M::Hips), "27.6");
    EXPECT_DOUBLE_EQ(m.ScaleX(), 2.0);
    // Leaving the hips sets back width and waist from it.
    ASSERT_TRUE(m.Leave(M::Hips, "10"));
    EXPECT_EQ(m.Text(M::BackWidth), "4.7");  // 6.5 / 13.8 * 10 = 4.71, one decimal
    EXPECT_EQ(m.Text(M::Waist), "5.6");      // 7.7 / 13.8 * 10 = 5.58
    ASSERT_TRUE(m.Leave(M::Height, " 45 "));
    EXPECT_DOUBLE_EQ(m.ScaleY(), 1.5);
    EXPECT_EQ(m.Text(M::Waist), "5.6") << "the height moves no width";
    m.SetStandard();
    for (int f = 0; f < M::FieldCount; ++f) EXPECT_EQ(m.Text(M::Field(f)), M::Standard[f]);
}

TEST(DollMeasurements, UnusableEntriesAreRefusedAndTheLastGoodValueStays) {
    M m;
    ASSERT_TRUE(m.Leave(M::BackWidth, "13"));
    ASSERT_TRUE(m.Leave(M::Height, "60"));
    for (const char* bad : {"", "  ", "abc", "0", "0.0", "-6.5", "6,5", "6.5.1", "1e3", "12cm", ".", "nan", "inf"}) {
        SCOPED_TRACE(bad);
        for (M::Field f : {M::Height, M::BackWidth, M::Waist, M::Hips}) {
            const std::string before = m.Text(f);
            EXPECT_FALSE(m.Leave(f, bad));
            EXPECT_EQ(m.Text(f), before);
        }
        EXPECT_DOUBLE_EQ(m.ScaleX(), 2.0);
        EXPECT_DOUBLE_EQ(m.ScaleY(), 2.0);
    }
    EXPECT_FALSE(std::string(M::RefuseMessage).empty());
    double v = 0;
    EXPECT_TRUE(ParseMeasurement(".5", v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(ParseMeasurement("7.", v));
}

TEST(DollMeasurements, SlotsStoreWidthAndHeight) {
    M m;
    m.LoadSlot(nullptr, nullptr);
    EXPECT_EQ(m.SlotWidth(), "6.5");
    EXPECT_EQ(m.SlotHeight(), "30.0");
    const std::string width = "9.1", height = "40";
    m.LoadSlot(&width, &height);
    EXPECT_EQ(m.SlotWidth(), "9.1");
    EXPECT_EQ(m.SlotHeight(), "40");
    EXPECT_EQ(m.Text(M::Waist), "10.8");  // 7.7 / 6.5 * 9.1 = 10.78
    // A damaged stored value is the standard one, never a zero scale.
    const std::string zero = "0", junk = "x";
    m.LoadSlot(&zero, &junk);
    EXPECT_DOUBLE_EQ(m.ScaleX(), 1.0);
    EXPECT_DOUBLE_EQ(m.ScaleY(), 1.0);
}

}  // namespace
