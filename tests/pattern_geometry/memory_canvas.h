// A memory raster of the tests' own behind the pattern canvas: plain
// one-pixel strokes (no anti-aliasing), 4-connected flood fill, texts
// recorded instead of drawn, and a printer whose pages are such rasters.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "models/pattern_canvas.h"

struct TextCall {
    int x, y;
    std::string text;
    int escapement;
};

struct ArrowCall {
    int x, y, w, h;
};

class MemoryBitmap : public PatternBitmap {
public:
    MemoryBitmap(int width = 0, int height = 0, PatternColour fill = PatternBlack) { Resize(width, height, fill); }
    void Resize(int width, int height, PatternColour fill);

    // Character cells of the recorded texts.
    static constexpr int CharWidth = 6, CharHeight = 10;

    std::vector<TextCall> texts;
    std::vector<ArrowCall> arrows;
    int fontPoints = 0;

    void SetPenColour(PatternColour colour) override { pen_ = colour; }
    PatternColour PenColour() override { return pen_; }
    void SetPenWidth(int width) override { penWidth_ = width; }
    int PenWidth() override { return penWidth_; }
    void SetPenStyle(PenStyle style) override { style_ = style; }
    void SetBrushColour(PatternColour colour) override {
        brush_ = colour;
        brushClear_ = false;
    }
    void SetBrushClear() override { brushClear_ = true; }
    bool BrushClear() const { return brushClear_; }
    PenStyle Style() const { return style_; }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void SetPixel(int x, int y, PatternColour colour) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void FloodFillToBorder(int x, int y, PatternColour border) override;
    int TextWidth(const std::string& text) override { return CharWidth * static_cast<int>(text.size()); }
    int TextHeight(const std::string&) override { return CharHeight; }
    void TextOut(int x, int y, const std::string& text) override;
    void SelectTurnedPatternFont(int escapement) override { escapements_.push_back(escapement); }
    void RestoreFont() override;
    void DrawStickArrow(int x, int y, int w, int h) override { arrows.push_back({x, y, w, h}); }

    void SetSize(int width, int height) override { Resize(width, height, PatternBlack); }
    int Width() override { return width_; }
    int Height() override { return height_; }
    PatternColour Pixel(int x, int y) override;
    void SetPatternFont(int points) override { fontPoints = points; }
    PatternBitmap* NewBitmap() override { return new MemoryBitmap; }
    void SourcePaint(PatternBitmap& source) override;
    void MergePaint(PatternBitmap& source) override;
    void ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour key) override;
    void DrawMasked(PatternBitmap& source) override;
    void PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour key) override;

    // Pixels of the colour inside the rectangle [x1, x2) x [y1, y2).
    int Count(PatternColour colour, int x1, int y1, int x2, int y2);
    int Count(PatternColour colour) { return Count(colour, 0, 0, width_, height_); }
    const PatternColour* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }

private:
    void Plot(int x, int y);  // one pen dot of the pen's width and style
    void Segment(int x1, int y1, int x2, int y2, bool last);
    void Curve(int x1, int y1, int x2, int y2, double from, double sweep);

    int width_ = 0, height_ = 0;
    std::vector<PatternColour> pixels_;
    PatternColour pen_ = PatternBlack, brush_ = PatternWhite;
    int penWidth_ = 1;
    PenStyle style_ = PenStyle::Solid;
    bool brushClear_ = false;
    int penX_ = 0, penY_ = 0;
    int styleStep_ = 0;
    std::vector<int> escapements_;
};

// A printer of the given page size in pixels and resolution; each page is
// kept when the next one starts.
class MemoryPrinter : public PatternPrinter {
public:
    MemoryPrinter(int pageWidth, int pageHeight, int dpi) : width_(pageWidth), height_(pageHeight), dpi_(dpi) {
        NewSheet();
    }
    PatternCanvas& Canvas() override { return *pages.back(); }
    int PageWidth() override { return width_; }
    int PageHeight() override { return height_; }
    int DotsPerInchX() override { return dpi_; }
    int DotsPerInchY() override { return dpi_; }
    int PageNumber() override { return static_cast<int>(pages.size()); }
    void NewPage() override { NewSheet(); }

    std::vector<std::unique_ptr<MemoryBitmap>> pages;

private:
    void NewSheet() {
        pages.push_back(std::make_unique<MemoryBitmap>(width_, height_, PatternWhite));
        pages.back()->SetPenColour(PatternBlack);
    }
    int width_, height_, dpi_;
};

// Fabric n is one solid colour of its own; negative n is black.
class MemoryFabrics : public FabricSource {
public:
    static PatternColour Colour(int n) { return n < 0 ? PatternBlack : PatternRGB(40 + n % 200, 120, 30); }
    void FillWithFabric(PatternBitmap& bitmap, int n) override {
        bitmap.SetBrushColour(Colour(n));
        bitmap.FillRect(0, 0, bitmap.Width(), bitmap.Height());
    }
};

class MemoryStatus : public PrintStatus {
public:
    std::vector<std::string> texts;
    void SetText(const std::string& text) override { texts.push_back(text); }
};
