// The pattern canvas over GDI: a framework canvas (screen or printer page),
// a 24-bit bitmap, the printer in progress and a status label.
#pragma once

#include <memory>
#include <vector>

#include "bitmap.h"
#include "models/pattern_canvas.h"

class TControl;

// The picture the "stick line" arrow is cut from (the main window's sprite
// sheet); without one no arrow is drawn.
void SetStickArrowSource(TBitmap* spriteSheet);

template <class Base>
class GdiCanvasOps : public Base {
public:
    void SetPenColour(PatternColour colour) override;
    PatternColour PenColour() override;
    void SetPenWidth(int width) override;
    int PenWidth() override;
    void SetPenStyle(PenStyle style) override;
    void SetBrushColour(PatternColour colour) override;
    void SetBrushClear() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void SetPixel(int x, int y, PatternColour colour) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void FloodFillToBorder(int x, int y, PatternColour border) override;
    int TextWidth(const std::string& text) override;
    int TextHeight(const std::string& text) override;
    void TextOut(int x, int y, const std::string& text) override;
    void SelectTurnedPatternFont(int escapement) override;
    void RestoreFont() override;
    void DrawStickArrow(int x, int y, int w, int h) override;

protected:
    virtual TCanvas& Target() = 0;

private:
    std::vector<std::unique_ptr<TFont>> savedFonts_;
};

// A canvas made elsewhere (the printer page, a control).
class GdiPatternCanvas : public GdiCanvasOps<PatternCanvas> {
public:
    explicit GdiPatternCanvas(TCanvas& canvas) : canvas_(canvas) {}

protected:
    TCanvas& Target() override { return canvas_; }

private:
    TCanvas& canvas_;
};

// A 24-bit DIB, owned or borrowed.
class GdiPatternBitmap : public GdiCanvasOps<PatternBitmap> {
public:
    GdiPatternBitmap();                          // owns a new empty bitmap
    explicit GdiPatternBitmap(TBitmap& bitmap);  // works on the caller's
    TBitmap& Bitmap() { return *bitmap_; }

    void SetSize(int width, int height) override;
    int Width() override { return bitmap_->Width(); }
    int Height() override { return bitmap_->Height(); }
    PatternColour Pixel(int x, int y) override;
    void SetPatternFont(int points) override;
    PatternBitmap* NewBitmap() override { return new GdiPatternBitmap; }
    void SourcePaint(PatternBitmap& source) override;
    void MergePaint(PatternBitmap& source) override;
    void ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour key) override;
    void DrawMasked(PatternBitmap& source) override;
    void PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour key) override;

protected:
    TCanvas& Target() override { return *bitmap_->Canvas(); }

private:
    std::unique_ptr<TBitmap> owned_;
    TBitmap* bitmap_;
};

// The framework's printer while a job runs.
class GdiPatternPrinter : public PatternPrinter {
public:
    GdiPatternPrinter();
    // The page canvas (the printer may make a new one for each page).
    PatternCanvas& Canvas() override;
    int PageWidth() override;
    int PageHeight() override;
    int DotsPerInchX() override;
    int DotsPerInchY() override;
    int PageNumber() override;
    void NewPage() override;

private:
    std::unique_ptr<GdiPatternCanvas> canvas_;
    TCanvas* page_ = nullptr;
};

// A control whose caption reports the progress.
class ControlPrintStatus : public PrintStatus {
public:
    explicit ControlPrintStatus(TControl& control) : control_(control) {}
    void SetText(const std::string& text) override;

private:
    TControl& control_;
};
