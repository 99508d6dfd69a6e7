// The library's 8-bit HSV form: H on a circle of 256 steps (0 red, about
// 85 green, about 171 blue), S 0..255, V the largest of R, G, B. Integer
// arithmetic with truncating divisions throughout; a round trip is not the
// identity (it may lose up to 11 levels of a component).
#pragma once

#include <array>
#include <cstdint>

// Exact truncating division of x < 2^26 by d in 1..kMaxDivisor through a
// table of reciprocals: one multiplication and one correction step in
// place of a hardware division in the per-pixel loops.
constexpr unsigned kMaxDivisor = 1536;
extern const std::array<uint32_t, kMaxDivisor + 1> Reciprocals;
inline unsigned DivideExact(unsigned x, unsigned d) {
    unsigned q = static_cast<unsigned>((static_cast<uint64_t>(x) * Reciprocals[d]) >> 32);
    return q + ((q + 1) * d <= x);
}

struct Hsv {
    int h, s, v;
};
struct Rgb8 {
    int r, g, b;
};

inline Hsv ToHsv(int r, int g, int b) {
    int max = r > g ? (r > b ? r : b) : (g > b ? g : b);
    int min = r < g ? (r < b ? r : b) : (g < b ? g : b);
    if (max == min) return Hsv{0, 0, max};
    int s = static_cast<int>(DivideExact(static_cast<unsigned>((max - min) * 255), static_cast<unsigned>(max)));
    unsigned n, d, offset;
    if (b == min) {
        n = g - min, d = r + g - 2 * min, offset = 180;
    } else if (r == min) {
        n = b - min, d = g + b - 2 * min, offset = 30900;
    } else {
        n = r - min, d = r + b - 2 * min, offset = 61620;
    }
    // 30720 / 360 is 256 / 3 steps a sector; the 180 / 360 rounds. The
    // last step of the circle (256) is red again.
    int h = static_cast<int>((DivideExact(n * 30720, d) + offset) / 360) & 255;
    return Hsv{h, s, max};
}

inline Rgb8 FromHsv(int h, int s, int v) {
    if (s == 0) return Rgb8{v, v, v};
    unsigned a = (static_cast<unsigned>(h) * 360) >> 8;
    int p = (255 - s) * v / 255, d = v - p;
    unsigned ud = static_cast<unsigned>(d);
    if (a <= 60) return Rgb8{v, p + static_cast<int>(DivideExact(a * ud, 120 - a)), p};
    if (a <= 120) return Rgb8{p + static_cast<int>(DivideExact(ud * (120 - a), a)), v, p};
    if (a <= 180) return Rgb8{p, v, p + static_cast<int>(DivideExact((a - 120) * ud, 240 - a))};
    if (a <= 240) return Rgb8{p, p + static_cast<int>(DivideExact(ud * (240 - a), a - 120)), v};
    if (a <= 300) return Rgb8{p + static_cast<int>(DivideExact(ud * (a - 240), 360 - a)), p, v};
    return Rgb8{v, p, p + static_cast<int>(DivideExact(ud * (360 - a), a - 240))};
}

// One colour packed as first | second << 8 | third << 16: R, G, B in,
// H, S, V out, and back.
uint32_t PixelToHSV(uint32_t rgb);
uint32_t PixelFromHSV(uint32_t hsv);
