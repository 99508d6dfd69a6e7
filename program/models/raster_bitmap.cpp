#include "models/raster_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

Raster RasterOf(PatternBitmap& bitmap, int x, int y, int w, int h) {
    if (auto* own = dynamic_cast<RasterBitmap*>(&bitmap)) return CopyRect(own->Image, x, y, w, h);
    Raster out(w, h);
    const int bw = bitmap.Width(), bh = bitmap.Height();
    for (int row = 0; row < out.Height; ++row)
        for (int col = 0; col < out.Width; ++col)
            if (x + col >= 0 && y + row >= 0 && x + col < bw && y + row < bh)
                out.Set(col, row, ToRaster(bitmap.Pixel(x + col, y + row)));
    return out;
}

Raster RasterOf(PatternBitmap& bitmap) { return RasterOf(bitmap, 0, 0, bitmap.Width(), bitmap.Height()); }

const Raster& RasterBitmap::PixelsOf(PatternBitmap& source, Raster& holder) {
    if (auto* own = dynamic_cast<RasterBitmap*>(&source)) return own->Image;
    holder = RasterOf(source);
    return holder;
}

void RasterBitmap::SetSize(int width, int height) {
    if (width == Image.Width && height == Image.Height) return;
    // Keeps the pixels that fit; new pixels are white.
    Raster resized(width, height);
    for (int y = 0; y < resized.Height && y < Image.Height; ++y)
        for (int x = 0; x < resized.Width && x < Image.Width; ++x) resized.Set(x, y, Image.At(x, y));
    Image = std::move(resized);
}

void RasterBitmap::Segment(int x1, int y1, int x2, int y2) {
    // Bresenham, both ends painted.
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Image.Set(x1, y1, pen_);
        if (x1 == x2 && y1 == y2) break;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x1 += sx;
        if (e2 <= dx) err += dx, y1 += sy;
    }
}

void RasterBitmap::LineTo(int x, int y) {
    // The end pixel is not painted, as on a device context.
    if (x != x_ || y != y_) {
        const RasterColor under = Image.At(x, y);
        Segment(x_, y_, x, y);
        if (under != RasterNoPixel) Image.Set(x, y, under);
    }
    x_ = x;
    y_ = y;
}

void RasterBitmap::FillRect(int x1, int y1, int x2, int y2) {
    for (int y = std::max(y1, 0); y < std::min(y2, Image.Height); ++y)
        for (int x = std::max(x1, 0); x < std::min(x2, Image.Width); ++x) Image.Set(x, y, brush_);
}

void RasterBitmap::Rectangle(int x1, int y1, int x2, int y2) {
    if (!clear_) FillRect(x1, y1, x2, y2);
    Segment(x1, y1, x2 - 1, y1);
    Segment(x2 - 1, y1, x2 - 1, y2 - 1);
    Segment(x2 - 1, y2 - 1, x1, y2 - 1);
    Segment(x1, y2 - 1, x1, y1);
}

void RasterBitmap::PlotCurve(int x1, int y1, int x2, int y2, double from, double sweep) {
    const double cx = (x1 + x2 - 1) / 2.0, cy = (y1 + y2 - 1) / 2.0;
    const double rx = (x2 - x1 - 1) / 2.0, ry = (y2 - y1 - 1) / 2.0;
    const int steps = std::max(8, static_cast<int>((std::abs(rx) + std::abs(ry)) * 4));
    int px = 0, py = 0;
    for (int i = 0; i <= steps; ++i) {
        const double a = from + sweep * i / steps;
        // Counter-clockwise on the screen: y grows downwards.
        const int x = static_cast<int>(std::lround(cx + rx * std::cos(a)));
        const int y = static_cast<int>(std::lround(cy - ry * std::sin(a)));
        if (i > 0) Segment(px, py, x, y);
        px = x;
        py = y;
    }
}

void RasterBitmap::Ellipse(int x1, int y1, int x2, int y2) {
    if (!clear_) {
        const double cx = (x1 + x2 - 1) / 2.0, cy = (y1 + y2 - 1) / 2.0;
        const double rx = (x2 - x1) / 2.0, ry = (y2 - y1) / 2.0;
        for (int y = std::max(y1, 0); y < std::min(y2, Image.Height); ++y)
            for (int x = std::max(x1, 0); x < std::min(x2, Image.Width); ++x) {
                const double u = (x - cx) / rx, v = (y - cy) / ry;
                if (rx > 0 && ry > 0 && u * u + v * v <= 1) Image.Set(x, y, brush_);
            }
    }
    PlotCurve(x1, y1, x2, y2, 0, 2 * kPi);
}

void RasterBitmap::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    const double a1 = std::atan2(cy - y3, x3 - cx), a2 = std::atan2(cy - y4, x4 - cx);
    double sweep = a2 - a1;
    if (sweep <= 0) sweep += 2 * kPi;
    PlotCurve(x1, y1, x2, y2, a1, sweep);
}

void RasterBitmap::FloodFillToBorder(int x, int y, PatternColour borderColour) {
    const RasterColor border = ToRaster(borderColour);
    if (!Image.Contains(x, y) || Image.At(x, y) == border) return;
    const RasterColor fill = clear_ ? border : brush_;
    std::vector<char> seen(Image.Pixels.size(), 0);
    std::vector<std::pair<int, int>> stack{{x, y}};
    while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        if (!Image.Contains(px, py)) continue;
        const std::size_t i = static_cast<std::size_t>(py) * Image.Width + px;
        if (seen[i] || Image.Pixels[i] == border) continue;
        seen[i] = 1;
        Image.Pixels[i] = fill;
        stack.insert(stack.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
    }
}

void RasterBitmap::SourcePaint(PatternBitmap& source) {
    Raster holder;
    const Raster& s = PixelsOf(source, holder);
    for (int y = 0; y < std::min(s.Height, Image.Height); ++y)
        for (int x = 0; x < std::min(s.Width, Image.Width); ++x) Image.Set(x, y, Image.At(x, y) | s.At(x, y));
}

void RasterBitmap::MergePaint(PatternBitmap& source) {
    Raster holder;
    const Raster& s = PixelsOf(source, holder);
    for (int y = 0; y < std::min(s.Height, Image.Height); ++y)
        for (int x = 0; x < std::min(s.Width, Image.Width); ++x)
            Image.Set(x, y, (~s.At(x, y) & RasterWhite) | Image.At(x, y));
}

void RasterBitmap::ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour keyColour) {
    const RasterColor key = ToRaster(keyColour);
    Raster holder;
    const Raster& s = PixelsOf(source, holder);
    for (int y = 0; y < Image.Height; ++y)
        for (int x = 0; x < Image.Width; ++x) Image.Set(x, y, s.At(x + sx, y + sy) == key ? RasterWhite : RasterBlack);
}

void RasterBitmap::DrawMasked(PatternBitmap& source) {
    Raster holder;
    ::DrawMasked(0, 0, Image, PixelsOf(source, holder));
}

void RasterBitmap::PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour keyColour) {
    const RasterColor key = ToRaster(keyColour);
    Raster sourceHolder, referenceHolder;
    const Raster& s = PixelsOf(source, sourceHolder);
    // The reference may be this bitmap: its pixels are read before any change.
    const Raster r = &reference == this ? Image : PixelsOf(reference, referenceHolder);
    for (int y = 0; y < Image.Height; ++y)
        for (int x = 0; x < Image.Width; ++x)
            if (r.At(x, y) == key && s.Contains(x, y)) Image.Set(x, y, s.At(x, y));
}
