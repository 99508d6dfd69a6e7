#include "memory_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

constexpr double Pi = 3.14159265358979323846;

bool StyleOn(PenStyle style, int step) {
    switch (style) {
        case PenStyle::Dot:
            return step % 2 == 0;
        case PenStyle::Dash:
            return step % 8 < 6;
        case PenStyle::DashDotDot: {
            static const bool pattern[12] = {1, 1, 1, 1, 1, 1, 0, 0, 1, 0, 1, 0};
            return pattern[step % 12];
        }
        default:
            return true;
    }
}

}  // namespace

void MemoryBitmap::Resize(int width, int height, PatternColour fill) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * height_, fill);
}

void MemoryBitmap::SetPixel(int x, int y, PatternColour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = colour;
}

PatternColour MemoryBitmap::Pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFFu;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void MemoryBitmap::Plot(int x, int y) {
    if (!StyleOn(style_, styleStep_++)) return;
    int w = std::max(penWidth_, 1);
    for (int dy = 0; dy < w; ++dy)
        for (int dx = 0; dx < w; ++dx) SetPixel(x - w / 2 + dx, y - w / 2 + dy, pen_);
}

void MemoryBitmap::Segment(int x1, int y1, int x2, int y2, bool last) {
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1, err = dx + dy;
    for (;;) {
        if (x1 == x2 && y1 == y2) {
            if (last) Plot(x1, y1);
            return;
        }
        Plot(x1, y1);
        int e2 = 2 * err;
        if (e2 >= dy) err += dy, x1 += sx;
        if (e2 <= dx) err += dx, y1 += sy;
    }
}

void MemoryBitmap::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
    styleStep_ = 0;
}

void MemoryBitmap::LineTo(int x, int y) {
    Segment(penX_, penY_, x, y, false);
    penX_ = x;
    penY_ = y;
}

void MemoryBitmap::FillRect(int x1, int y1, int x2, int y2) {
    if (brushClear_) return;
    for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y)
        for (int x = std::min(x1, x2); x < std::max(x1, x2); ++x) SetPixel(x, y, brush_);
}

void MemoryBitmap::Rectangle(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    FillRect(x1, y1, x2, y2);
    int px = penX_, py = penY_;
    MoveTo(x1, y1);
    LineTo(x2 - 1, y1);
    LineTo(x2 - 1, y2 - 1);
    LineTo(x1, y2 - 1);
    LineTo(x1, y1);
    penX_ = px;
    penY_ = py;
}

void MemoryBitmap::Curve(int x1, int y1, int x2, int y2, double from, double sweep) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    double cx = (x1 + x2 - 1) / 2.0, cy = (y1 + y2 - 1) / 2.0, rx = (x2 - x1 - 1) / 2.0, ry = (y2 - y1 - 1) / 2.0;
    int n = std::max(16, static_cast<int>(4 * (rx + ry) * sweep / (2 * Pi)) + 8);
    styleStep_ = 0;
    auto at = [&](int i) {
        double t = from + sweep * i / n;
        return std::pair<int, int>(static_cast<int>(std::lround(cx + rx * std::cos(t))),
                                   static_cast<int>(std::lround(cy - ry * std::sin(t))));
    };
    for (int i = 0; i < n; ++i) {
        auto a = at(i), b = at(i + 1);
        Segment(a.first, a.second, b.first, b.second, i == n - 1);
    }
}

void MemoryBitmap::Ellipse(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (!brushClear_ && x2 - x1 > 1 && y2 - y1 > 1) {
        double cx = (x1 + x2 - 1) / 2.0, cy = (y1 + y2 - 1) / 2.0, rx = (x2 - x1 - 1) / 2.0, ry = (y2 - y1 - 1) / 2.0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) {
                double u = (x - cx) / rx, v = (y - cy) / ry;
                if (u * u + v * v <= 1.0) SetPixel(x, y, brush_);
            }
    }
    Curve(x1, y1, x2, y2, 0, 2 * Pi);
}

void MemoryBitmap::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    double a3 = std::atan2(-(y3 - cy), x3 - cx), a4 = std::atan2(-(y4 - cy), x4 - cx);
    double sweep = a4 - a3;
    if (sweep <= 0) sweep += 2 * Pi;
    Curve(x1, y1, x2, y2, a3, sweep);
}

void MemoryBitmap::FloodFillToBorder(int x, int y, PatternColour border) {
    if (brushClear_ || Pixel(x, y) == border || Pixel(x, y) == 0xFFFFFFFFu) return;
    std::vector<unsigned char> seen(pixels_.size());
    std::vector<std::pair<int, int>> stack{{x, y}};
    while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        if (px < 0 || py < 0 || px >= width_ || py >= height_) continue;
        size_t i = static_cast<size_t>(py) * width_ + px;
        if (seen[i] || pixels_[i] == border) continue;
        seen[i] = 1;
        pixels_[i] = brush_;
        stack.push_back({px + 1, py});
        stack.push_back({px - 1, py});
        stack.push_back({px, py + 1});
        stack.push_back({px, py - 1});
    }
}

void MemoryBitmap::TextOut(int x, int y, const std::string& text) {
    texts.push_back({x, y, text, escapements_.empty() ? 0 : escapements_.back()});
}

void MemoryBitmap::RestoreFont() {
    if (!escapements_.empty()) escapements_.pop_back();
}

void MemoryBitmap::SourcePaint(PatternBitmap& source) {
    for (int y = 0; y < std::min(height_, source.Height()); ++y)
        for (int x = 0; x < std::min(width_, source.Width()); ++x) SetPixel(x, y, Pixel(x, y) | source.Pixel(x, y));
}

void MemoryBitmap::MergePaint(PatternBitmap& source) {
    for (int y = 0; y < std::min(height_, source.Height()); ++y)
        for (int x = 0; x < std::min(width_, source.Width()); ++x)
            SetPixel(x, y, (~source.Pixel(x, y) & 0xFFFFFFu) | Pixel(x, y));
}

void MemoryBitmap::ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour key) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            SetPixel(x, y, source.Pixel(x + sx, y + sy) == key ? PatternWhite : PatternBlack);
}

void MemoryBitmap::DrawMasked(PatternBitmap& source) {
    for (int y = 0; y < std::min(height_, source.Height()); ++y)
        for (int x = 0; x < std::min(width_, source.Width()); ++x)
            if (source.Pixel(x, y) != PatternWhite) SetPixel(x, y, source.Pixel(x, y));
}

void MemoryBitmap::PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour key) {
    for (int y = 0; y < std::min(height_, source.Height()); ++y)
        for (int x = 0; x < std::min(width_, source.Width()); ++x)
            if (reference.Pixel(x, y) == key) SetPixel(x, y, source.Pixel(x, y));
}

int MemoryBitmap::Count(PatternColour colour, int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = std::max(y1, 0); y < std::min(y2, height_); ++y) {
        const PatternColour* row = Row(y);
        for (int x = std::max(x1, 0); x < std::min(x2, width_); ++x) n += row[x] == colour;
    }
    return n;
}
