#include <array>
#include <cmath>

#include "core/trig.h"

namespace {

// sin(0.00 .. 90.00 degrees) * 16384, rounded.
const std::array<int, 9001>& QuarterWave() {
    static const std::array<int, 9001> table = [] {
        std::array<int, 9001> t{};
        const double step = 3.14159265358979323846 / 18000.0;
        for (int a = 0; a <= 9000; ++a) t[a] = static_cast<int>(std::lround(std::sin(a * step) * 16384.0));
        return t;
    }();
    return table;
}

}  // namespace

int SinLookup(int a) {
    const auto& t = QuarterWave();
    if (a <= 9000) return t[a];
    if (a <= 18000) return t[18000 - a];
    if (a <= 27000) return -t[a - 18000];
    return -t[36000 - a];
}

int CosLookup(int a) {
    const auto& t = QuarterWave();
    if (a <= 9000) return t[9000 - a];
    if (a <= 18000) return -t[a - 9000];
    if (a <= 27000) return -t[27000 - a];
    return t[a - 27000];
}
