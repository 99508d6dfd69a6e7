// What pattern pieces draw on: a canvas (a screen bitmap or the printer
// page), bitmaps with the few raster operations the fills need, a source of
// fabrics and a printer. The Windows side implements them over GDI
// (pattern_gdi_win32.h); tests implement them in memory.
#pragma once

#include <cstdint>
#include <string>

// Colours are 0x00BBGGRR.
using PatternColour = std::uint32_t;

constexpr PatternColour PatternRGB(int r, int g, int b) {
    return static_cast<PatternColour>(r) | static_cast<PatternColour>(g) << 8 | static_cast<PatternColour>(b) << 16;
}

// The pattern colours (the Windows colour unit takes its values from here).
constexpr PatternColour PatternWhite = PatternRGB(255, 255, 255);
constexpr PatternColour PatternBlack = PatternRGB(0, 0, 0);
constexpr PatternColour PatternPaper = PatternWhite;               // brush of a piece in the edit view
constexpr PatternColour PatternFrame = PatternRGB(150, 150, 150);  // pen of its frame
constexpr PatternColour PatternSelected = PatternRGB(0, 0, 255);   // primitive, selected
constexpr PatternColour PatternStroke = PatternBlack;              // primitive, not selected
constexpr PatternColour PatternMarkerSelected = PatternRGB(255, 0, 0);
constexpr PatternColour PatternMarker = PatternBlack;

enum class PenStyle { Solid, Dot, Dash, DashDotDot };

class PatternCanvas {
public:
    virtual ~PatternCanvas() = default;

    virtual void SetPenColour(PatternColour colour) = 0;
    virtual PatternColour PenColour() = 0;
    // 0 is the thinnest pen (one pixel).
    virtual void SetPenWidth(int width) = 0;
    virtual int PenWidth() = 0;
    virtual void SetPenStyle(PenStyle style) = 0;
    virtual void SetBrushColour(PatternColour colour) = 0;  // a solid brush
    virtual void SetBrushClear() = 0;                       // shapes stay unfilled

    virtual void MoveTo(int x, int y) = 0;
    // From the pen position up to, not including, (x, y).
    virtual void LineTo(int x, int y) = 0;
    virtual void SetPixel(int x, int y, PatternColour colour) = 0;
    // Outline in the pen, inside in the brush; right and bottom excluded.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    // The brush only, no outline.
    virtual void FillRect(int x1, int y1, int x2, int y2) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    // The elliptic arc of the box, counter-clockwise from the direction of
    // (x3, y3) to the direction of (x4, y4), seen from the box's centre.
    virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    // Fills with the brush from (x, y) up to pixels of the border colour.
    virtual void FloodFillToBorder(int x, int y, PatternColour border) = 0;

    // Text in the canvas's current font with a transparent background.
    virtual int TextWidth(const std::string& text) = 0;
    virtual int TextHeight(const std::string& text) = 0;
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Selects a TrueType variant of the current font in the pattern face,
    // turned by the escapement (tenths of a degree); the restore puts the
    // previous font back and frees the variant.
    virtual void SelectTurnedPatternFont(int escapement) = 0;
    virtual void RestoreFont() = 0;
    // The "stick line" arrow picture stretched to w x h at (x, y): printed
    // 1:1 in device pixels.
    virtual void DrawStickArrow(int x, int y, int w, int h) = 0;
};

// A 24-bit bitmap with its canvas.
class PatternBitmap : public PatternCanvas {
public:
    virtual void SetSize(int width, int height) = 0;
    virtual int Width() = 0;
    virtual int Height() = 0;
    // 0xFFFFFFFF outside the bitmap.
    virtual PatternColour Pixel(int x, int y) = 0;
    // The pattern font at the given size in points.
    virtual void SetPatternFont(int points) = 0;
    // A new empty bitmap of the same kind (0 x 0).
    virtual PatternBitmap* NewBitmap() = 0;

    // Raster operations with a source of the same kind, both at (0, 0).
    // dest = source OR dest
    virtual void SourcePaint(PatternBitmap& source) = 0;
    // dest = (NOT source) OR dest
    virtual void MergePaint(PatternBitmap& source) = 0;
    // This bitmap becomes white where the source's pixel at (x + sx, y + sy)
    // is the key colour and black everywhere else.
    virtual void ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour key) = 0;
    // Draws the source at (0, 0) with its white pixels transparent.
    virtual void DrawMasked(PatternBitmap& source) = 0;
    // Where the reference's pixel is the key colour this bitmap takes the
    // source's pixel; every other pixel stays. The reference may be this
    // bitmap itself.
    virtual void PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour key) = 0;
};

// Paints fabric n over a whole bitmap; a negative n paints it black.
class FabricSource {
public:
    virtual ~FabricSource() = default;
    virtual void FillWithFabric(PatternBitmap& bitmap, int n) = 0;
};

// A print job in progress.
class PatternPrinter {
public:
    virtual ~PatternPrinter() = default;
    virtual PatternCanvas& Canvas() = 0;
    virtual int PageWidth() = 0;  // pixels
    virtual int PageHeight() = 0;
    virtual int DotsPerInchX() = 0;
    virtual int DotsPerInchY() = 0;
    virtual int PageNumber() = 0;  // 1 for the first page
    virtual void NewPage() = 0;
};

// A label that reports the print's progress.
class PrintStatus {
public:
    virtual ~PrintStatus() = default;
    virtual void SetText(const std::string& text) = 0;
};

// Round half to even of dots-per-inch x mm / 25.4 on each axis.
struct PrinterSize {
    int x = 0;
    int y = 0;
};
PrinterSize MillimetresToDots(double wmm, double hmm, int dpiX, int dpiY);
