// A pattern bitmap in memory: the pattern canvas drawn into a Raster. The
// models compose their pictures with it on every platform; strokes are one
// pixel wide (dash styles are drawn solid) and text is not drawn. Colours
// cross its interface as pattern colours (0x00BBGGRR) and are kept in the
// raster's order.
#pragma once

#include "models/pattern_canvas.h"
#include "models/raster.h"

// A pattern colour in the raster's order, and back.
constexpr RasterColor ToRaster(PatternColour c) { return SwapRedBlue(c); }
constexpr PatternColour ToPattern(RasterColor c) { return SwapRedBlue(c); }

class RasterBitmap : public PatternBitmap {
public:
    Raster Image;

    RasterBitmap() = default;
    explicit RasterBitmap(Raster image) : Image(std::move(image)) {}

    void SetPenColour(PatternColour colour) override { pen_ = ToRaster(colour); }
    PatternColour PenColour() override { return ToPattern(pen_); }
    void SetPenWidth(int width) override { penWidth_ = width; }
    int PenWidth() override { return penWidth_; }
    void SetPenStyle(PenStyle) override {}
    void SetBrushColour(PatternColour colour) override {
        brush_ = ToRaster(colour);
        clear_ = false;
    }
    void SetBrushClear() override { clear_ = true; }

    void MoveTo(int x, int y) override {
        x_ = x;
        y_ = y;
    }
    void LineTo(int x, int y) override;
    void SetPixel(int x, int y, PatternColour colour) override { Image.Set(x, y, ToRaster(colour)); }
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void FloodFillToBorder(int x, int y, PatternColour border) override;

    int TextWidth(const std::string&) override { return 0; }
    int TextHeight(const std::string&) override { return 0; }
    void TextOut(int, int, const std::string&) override {}
    void SelectTurnedPatternFont(int) override {}
    void RestoreFont() override {}
    void DrawStickArrow(int, int, int, int) override {}

    void SetSize(int width, int height) override;
    int Width() override { return Image.Width; }
    int Height() override { return Image.Height; }
    PatternColour Pixel(int x, int y) override { return ToPattern(Image.At(x, y)); }
    void SetPatternFont(int) override {}
    PatternBitmap* NewBitmap() override { return new RasterBitmap; }

    void SourcePaint(PatternBitmap& source) override;
    void MergePaint(PatternBitmap& source) override;
    void ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour key) override;
    void DrawMasked(PatternBitmap& source) override;
    void PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour key) override;

private:
    // The pixels of another bitmap of any kind: its own when it is in
    // memory, else a copy kept in the holder.
    static const Raster& PixelsOf(PatternBitmap& source, Raster& holder);
    void Segment(int x1, int y1, int x2, int y2);
    void PlotCurve(int x1, int y1, int x2, int y2, double from, double sweep);
    RasterColor pen_ = RasterBlack, brush_ = RasterWhite;
    bool clear_ = false;
    int penWidth_ = 1;
    int x_ = 0, y_ = 0;
};

// The pixels of any pattern bitmap (a rectangle of it; outside is white), in
// the raster's order.
Raster RasterOf(PatternBitmap& bitmap, int x, int y, int w, int h);
Raster RasterOf(PatternBitmap& bitmap);
