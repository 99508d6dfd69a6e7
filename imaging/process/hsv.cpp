// The reciprocal table of the exact divisions and the packed HSV forms.
#include "process/hsv.h"

namespace {

// floor((2^32 - 1) / d) never exceeds 2^32 / d, so a quotient through it is
// low by at most one, which the correction step adds back.
constexpr std::array<uint32_t, kMaxDivisor + 1> MakeReciprocals() {
    std::array<uint32_t, kMaxDivisor + 1> table{};
    for (unsigned d = 1; d <= kMaxDivisor; ++d) table[d] = 0xFFFFFFFFu / d;
    return table;
}

}  // namespace

const std::array<uint32_t, kMaxDivisor + 1> Reciprocals = MakeReciprocals();

uint32_t PixelToHSV(uint32_t rgb) {
    Hsv c = ToHsv(rgb & 255, (rgb >> 8) & 255, (rgb >> 16) & 255);
    return static_cast<uint32_t>(c.h | c.s << 8 | c.v << 16);
}

uint32_t PixelFromHSV(uint32_t hsv) {
    Rgb8 c = FromHsv(hsv & 255, (hsv >> 8) & 255, (hsv >> 16) & 255);
    return static_cast<uint32_t>(c.r | c.g << 8 | c.b << 16);
}
