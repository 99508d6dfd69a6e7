// Pattern pieces of a garment file over any bytes: read, rendered in every
// view, hit-tested and printed on a canvas that only checks its arguments.
// Malformed numbers end the read with the conversion error; nothing else
// may fail, overflow or hang.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "models/pattern_piece.h"
#include "settings/text_helpers.h"

namespace {

class NullBitmap : public PatternBitmap {
public:
    void SetPenColour(PatternColour c) override { pen_ = c; }
    PatternColour PenColour() override { return pen_; }
    void SetPenWidth(int w) override { width_ = w; }
    int PenWidth() override { return width_; }
    void SetPenStyle(PenStyle) override {}
    void SetBrushColour(PatternColour) override {}
    void SetBrushClear() override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void SetPixel(int, int, PatternColour) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(int, int, int, int) override {}
    void Ellipse(int, int, int, int) override {}
    void Arc(int, int, int, int, int, int, int, int) override {}
    void FloodFillToBorder(int, int, PatternColour) override {}
    int TextWidth(const std::string& t) override { return int(t.size()) * 6; }
    int TextHeight(const std::string&) override { return 10; }
    void TextOut(int, int, const std::string& t) override {
        if (t.size() > 1 << 20) __builtin_trap();
    }
    void SelectTurnedPatternFont(int e) override {
        if (e < -900 || e > 900) __builtin_trap();
        ++fonts_;
    }
    void RestoreFont() override {
        if (--fonts_ < 0) __builtin_trap();
    }
    void DrawStickArrow(int, int, int w, int h) override {
        if (w <= 0 || h <= 0) __builtin_trap();
    }
    void SetSize(int w, int h) override {
        if (w < 0 || h < 0 || w > MaxPiecePixels || h > MaxPiecePixels) __builtin_trap();
        w_ = w, h_ = h;
    }
    int Width() override { return w_; }
    int Height() override { return h_; }
    PatternColour Pixel(int x, int y) override {
        return x < 0 || y < 0 || x >= w_ || y >= h_ ? 0xFFFFFFFFu : (x + y) % 3 ? PatternWhite : PatternBlack;
    }
    void SetPatternFont(int) override {}
    PatternBitmap* NewBitmap() override { return new NullBitmap; }
    void SourcePaint(PatternBitmap&) override {}
    void MergePaint(PatternBitmap&) override {}
    void ShapeOfColour(PatternBitmap&, int, int, PatternColour) override {}
    void DrawMasked(PatternBitmap&) override {}
    void PaintWhereColour(PatternBitmap&, PatternBitmap&, PatternColour) override {}

private:
    PatternColour pen_ = 0;
    int width_ = 1, w_ = 0, h_ = 0, fonts_ = 0;
};

class NullPrinter : public PatternPrinter {
public:
    NullBitmap page;
    int pages = 1;
    PatternCanvas& Canvas() override { return page; }
    int PageWidth() override { return 2479; }
    int PageHeight() override { return 3508; }
    int DotsPerInchX() override { return 300; }
    int DotsPerInchY() override { return 300; }
    int PageNumber() override { return pages; }
    void NewPage() override {
        if (++pages > 10000) __builtin_trap();
    }
};

class BlackFabric : public FabricSource {
public:
    void FillWithFabric(PatternBitmap&, int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream file(std::string(reinterpret_cast<const char*>(data), size));
    double kx = 0.5, ky = 1.5;
    NullPrinter printer;
    BlackFabric fabrics;
    int x = 0, y = 0, rowBottom = 0;
    try {
        for (int n = 0; n < 64 && !TDetal::AtEndOfPieces(file); ++n) {
            TDetal piece(file, n - 1, kx, ky);
            for (TTypeShow mode : {tsEdit, tsContur, tsFill, tsUnVisible}) {
                NullBitmap bitmap;
                piece.Render(&bitmap, mode, &fabrics);
            }
            piece.HitTest(piece.Left + 1, piece.Top + 1);
            for (auto& primitive : piece.Primitives) {
                std::unique_ptr<TPrimitiv> copy(primitive->Clone());
                if (copy->ToText() != primitive->ToText()) __builtin_trap();
            }
            piece.PrintPiece(printer, x, y, rowBottom, nullptr, 1.0, 0.7);
        }
    } catch (const ConvertError&) {
    } catch (const std::range_error&) {
        // A coordinate whose scaled value leaves the 32-bit range.
    }
    return 0;
}
