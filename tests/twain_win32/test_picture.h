// The pictures that the test data source serves, shared by the source and
// the tests that check what arrived: page p, pixel (x, y) from the top.
#pragma once

constexpr int kSourceWidth = 37;  // odd: rows need padding at every depth
constexpr int kSourceHeight = 23;
constexpr int kSourceResolution = 100;

inline void SourceRgb(int page, int x, int y, unsigned char rgb[3]) {
    rgb[0] = static_cast<unsigned char>(x * 7 + page * 50);
    rgb[1] = static_cast<unsigned char>(y * 11 + page * 20);
    rgb[2] = static_cast<unsigned char>((x + y) * 5 + 3);
}
inline unsigned char SourceGray(int page, int x, int y) {
    return static_cast<unsigned char>(x * 3 + y * 5 + page * 40);
}
// 1 is black: the source's bilevel rows are vanilla (0 the lightest).
inline int SourceBit(int page, int x, int y) { return (x / 3 + y / 2 + page) & 1; }
inline unsigned char SourceIndex(int page, int x, int y) { return static_cast<unsigned char>(x + y * 3 + page); }
inline void SourcePaletteColor(int index, unsigned char rgb[3]) {
    rgb[0] = static_cast<unsigned char>(index);
    rgb[1] = static_cast<unsigned char>(255 - index);
    rgb[2] = static_cast<unsigned char>(index * 7);
}
