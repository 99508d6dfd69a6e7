#include "models/raster.h"

#include <cmath>

#include "models/shade_math.h"
#include "settings/text_helpers.h"

Raster::Raster(int width, int height, RasterColor fill) {
    if (width <= 0 || height <= 0) return;
    Width = width;
    Height = height;
    Pixels.assign(static_cast<std::size_t>(width) * height, fill);
}

Raster CopyRect(const Raster& src, int x, int y, int w, int h) {
    Raster out(w, h);
    for (int row = 0; row < out.Height; ++row)
        for (int col = 0; col < out.Width; ++col)
            if (src.Contains(x + col, y + row)) out.Set(col, row, src.At(x + col, y + row));
    return out;
}

void DrawMasked(int x, int y, Raster& dest, const Raster& src) {
    for (int row = 0; row < src.Height; ++row) {
        if (y + row < 0 || y + row >= dest.Height) continue;
        for (int col = 0; col < src.Width; ++col) {
            const RasterColor c = src.Pixels[static_cast<std::size_t>(row) * src.Width + col];
            if (c != RasterWhite) dest.Set(x + col, y + row, c);
        }
    }
}

void ApplyShadeMap(Raster& picture, const Raster& shade) {
    if (shade.Empty()) return;
    const RasterColor key = shade.At(0, 0);
    for (int y = 0; y < picture.Height && y < shade.Height; ++y)
        for (int x = 0; x < picture.Width && x < shade.Width; ++x) {
            const RasterColor s = shade.At(x, y);
            if (s == key) continue;
            const auto d = static_cast<std::int8_t>(static_cast<std::uint8_t>(((s >> 8) & 255) - 127));
            const RasterColor p = picture.At(x, y);
            picture.Set(
                x, y,
                RasterRGB(ShadeChannel((p >> 16) & 255, d), ShadeChannel((p >> 8) & 255, d), ShadeChannel(p & 255, d)));
        }
}

void ApplyDitherLevel(Raster& dest, Raster& src, int level) {
    if (level > 0) {
        if (level > 15) level = 15;
        for (int y = 0; y < src.Height; ++y)
            for (int x = 0; x < src.Width; ++x)
                if (DitherPatternWhite(level, x, y)) src.Set(x, y, RasterWhite);
    }
    DrawMasked(0, 0, dest, src);
}

void ResampleBilinear(Raster& target, const Raster& source) {
    if (target.Empty() || source.Empty()) return;
    for (int a = 0; a < target.Height; ++a) {
        const double b = double(a) * source.Height / target.Height;
        const int c = static_cast<int>(b);
        const int c1 = c < source.Height - 1 ? c + 1 : c;
        const double dy = c + 1 == source.Height ? 0.0 : b - c;
        for (int i = 0; i < target.Width; ++i) {
            const double e = double(i) * source.Width / target.Width;
            const int f = static_cast<int>(e);
            const int f1 = f + 1 == source.Width ? f : f + 1;
            const double dx = e - f;
            const RasterColor p00 = source.At(f, c), p01 = source.At(f1, c), p10 = source.At(f, c1),
                              p11 = source.At(f1, c1);
            RasterColor out = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                auto ch = [shift](RasterColor p) { return double((p >> shift) & 255); };
                const double v =
                    (1 - dy) * ((1 - dx) * ch(p00) + dx * ch(p01)) + dy * ((1 - dx) * ch(p10) + dx * ch(p11));
                out |= RasterColor(static_cast<int>(v) & 255) << shift;
            }
            target.Set(i, a, out);
        }
    }
}

void ScaleRaster(Raster& picture, double factor) {
    const long double w = static_cast<long double>(picture.Width) * factor;
    const long double h = static_cast<long double>(picture.Height) * factor;
    Raster scaled(RoundHalfEven(w), RoundHalfEven(h));
    ResampleBilinear(scaled, picture);
    picture = std::move(scaled);
}
