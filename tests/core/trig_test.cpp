// Sine and cosine lookups in hundredths of a degree, scaled by 16384.
#include <gtest/gtest.h>

#include <cmath>

#include "core/trig.h"

namespace {

TEST(Trig, KnownAngles) {
    struct Case {
        int angle, sine, cosine;
    } cases[] = {
        {0, 0, 16384},      {3000, 8192, 14189}, {4500, 11585, 11585}, {9000, 16384, 0},
        {18000, 0, -16384}, {27000, -16384, 0},  {36000, 0, 16384},    {13500, 11585, -11585},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SinLookup(c.angle), c.sine) << c.angle;
        EXPECT_EQ(CosLookup(c.angle), c.cosine) << c.angle;
    }
}

TEST(Trig, EveryAngleWithinOneOfTheTrueValue) {
    for (int a = 0; a <= 36000; a += 7) {
        double r = a * 3.14159265358979323846 / 18000.0;
        ASSERT_LE(std::abs(SinLookup(a) - std::sin(r) * 16384.0), 0.5 + 1e-6) << a;
        ASSERT_LE(std::abs(CosLookup(a) - std::cos(r) * 16384.0), 0.5 + 1e-6) << a;
    }
}

}  // namespace
