// A 24-bit picture in memory and the compositing the doll and the garments
// are made with: white-transparent drawing, shade maps, dither fades and
// bilinear resampling. Portable: its pixels are those of a top-down 32-bit
// DIB, which the Windows side reads and paints as they are; the tests build
// them directly.
#pragma once

#include <cstdint>
#include <vector>

// Colours as a 32-bit DIB holds them: 0x00RRGGBB (blue in the lowest byte).
using RasterColor = std::uint32_t;
constexpr RasterColor RasterWhite = 0xFFFFFF;
constexpr RasterColor RasterBlack = 0x000000;
// What a read outside the picture gives (no colour).
constexpr RasterColor RasterNoPixel = 0xFFFFFFFF;

constexpr RasterColor RasterRGB(int r, int g, int b) {
    return RasterColor(b & 255) | RasterColor(g & 255) << 8 | RasterColor(r & 255) << 16;
}
// Between raster colours and the 0x00BBGGRR colours of the pattern canvas and
// the framework: red and blue trade places; RasterNoPixel stays itself.
constexpr std::uint32_t SwapRedBlue(std::uint32_t c) {
    return (c & 0xFF00FF00u) | (c & 0xFFu) << 16 | (c >> 16 & 0xFFu);
}

struct Raster {
    int Width = 0, Height = 0;
    std::vector<RasterColor> Pixels;  // top row first

    Raster() = default;
    Raster(int width, int height, RasterColor fill = RasterWhite);
    bool Empty() const { return Width <= 0 || Height <= 0; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
    RasterColor At(int x, int y) const {
        return Contains(x, y) ? Pixels[static_cast<std::size_t>(y) * Width + x] : RasterNoPixel;
    }
    void Set(int x, int y, RasterColor c) {
        if (Contains(x, y)) Pixels[static_cast<std::size_t>(y) * Width + x] = c;
    }
    void Fill(RasterColor c) { Pixels.assign(Pixels.size(), c); }
    // Empties the picture.
    void Clear() { *this = Raster(); }
};

// The w x h rectangle at (x, y) of src; places outside src are white.
Raster CopyRect(const Raster& src, int x, int y, int w, int h);
// Draws src at (x, y) with its white pixels transparent.
void DrawMasked(int x, int y, Raster& dest, const Raster& src);
// Shades every picture pixel by the green of the shade pixel at the same
// place (127 = no change); shade pixels of the colour at (0, 0) and places
// outside the shade leave the picture alone.
void ApplyShadeMap(Raster& picture, const Raster& shade);
// Perforates src with the fade pattern of the level (above 15 counts as 15),
// then DrawMasked at (0, 0); level 0 or less is a plain masked draw.
void ApplyDitherLevel(Raster& dest, Raster& src, int level);
// Fills target from source by bilinear interpolation; nothing unless the
// target has a size and the source is not empty.
void ResampleBilinear(Raster& target, const Raster& source);
// A new picture of round(width * factor) x round(height * factor) resampled
// from the old one.
void ScaleRaster(Raster& picture, double factor);
