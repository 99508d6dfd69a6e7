// The strokes a pattern piece is drawn from: cutting lines of several dash
// styles, arrows, dotted rectangles, Bezier curves, ellipses and elliptic
// arcs, text labels and flood-fill seeds. Each reads itself from one line of
// a garment file, writes itself back in the same form, draws itself in one of
// the display modes and offers editing operations on its points.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "models/pattern_canvas.h"
#include "models/txy.h"

enum TTypeShow : std::uint8_t { tsEdit = 0, tsContur = 1, tsFill = 2, tsUnVisible = 3 };

// The text drawn by TEXT labels and the stick line.
inline constexpr const char* StickLineLabel = "stick line";

// The edit markers of a point on a pattern canvas: a small circle, or a
// cross for fill seeds; red when selected, else black.
void DrawPointMarker(PatternCanvas& canvas, const TXY& p, int x0, int y0, double kx, double ky);
void DrawPointCross(PatternCanvas& canvas, const TXY& p, int x0, int y0, double kx, double ky);
// Pen blue when selected, else black; 2 wide when thick and solid, else 1.
void SelectPenColour(PatternCanvas& canvas, bool selected);
void SetLineWidth(PatternCanvas& canvas, bool thick, bool solid);

class TPrimitiv {
public:
    virtual ~TPrimitiv() = default;
    // Draws with the model point p at (x0 + MulRound(p.X, kx), y0 + MulRound(p.Y, ky)).
    virtual void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                      const std::string& text) = 0;
    virtual std::string ToText() const = 0;
    // True when the selection changed.
    virtual bool SelectNear(int x, int y) = 0;
    // True when something moved.
    virtual bool MoveSelected(int x, int y) = 0;
    virtual bool InsertPoint(int x, int y) = 0;
    virtual bool StraightenPoints(int n) { return false; }
    virtual bool DeletePoint(int x, int y) = 0;
    virtual TPrimitiv* Clone() const = 0;
    // The primitive's own two end points (not copies).
    virtual std::pair<TXY*, TXY*> GetEnds() = 0;
    // Null when the primitive has no mirror image.
    virtual TPrimitiv* Mirrored(const TXY& a, const TXY& b) const = 0;
    virtual void FlipY(int v) = 0;
    virtual void FlipX(int v) = 0;
    virtual void SwapXY() = 0;
    virtual void Offset(int dx, int dy) = 0;
    virtual void ScaleX(double k) = 0;
    virtual void ScaleY(double k) = 0;
    virtual void SetText(const std::string& s) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The seed of a flood fill (the primitive's own point), or null.
    virtual TXY* FillPoint() { return nullptr; }
};

// A solid cutting line, "LINE(x1,y1) (x2,y2)".
class TPrimLine : public TPrimitiv {
public:
    TXY P1, P2;

    TPrimLine(const TXY& p1, const TXY& p2) : P1(p1), P2(p2) {}
    // The text after the keyword: two points separated by blanks.
    explicit TPrimLine(const std::string& text);
    // (10,10) to (20,20).
    TPrimLine() : P1(10, 10), P2(20, 20) {}
    TPrimLine(int x1, int y1, int x2, int y2) : P1(x1, y1), P2(x2, y2) {}

    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;
    std::string ToText() const override;
    bool SelectNear(int x, int y) override;
    bool MoveSelected(int x, int y) override;
    bool InsertPoint(int x, int y) override { return false; }
    bool DeletePoint(int x, int y) override { return false; }
    TPrimitiv* Clone() const override;
    std::pair<TXY*, TXY*> GetEnds() override { return {&P1, &P2}; }
    TPrimitiv* Mirrored(const TXY& a, const TXY& b) const override;
    void FlipY(int v) override;
    void FlipX(int v) override;
    void SwapXY() override;
    void Offset(int dx, int dy) override;
    void ScaleX(double k) override;
    void ScaleY(double k) override;
    void SetText(const std::string& s) override {}
    int Width() const override;
    int Height() const override;

protected:
    virtual const char* Keyword() const { return "LINE"; }
    virtual TPrimLine* Make(const TXY& p1, const TXY& p2) const { return new TPrimLine(p1, p2); }
    // Moves to P1, draws to P2 and paints both end pixels in the pen colour.
    void Stroke(PatternCanvas& canvas, int x0, int y0, double kx, double ky, PenStyle style);
    // Pen colour in the edit view before drawing, markers after it.
    void BeginEdit(PatternCanvas& canvas, TTypeShow mode);
    void EndEdit(PatternCanvas& canvas, TTypeShow mode, int x0, int y0, double kx, double ky);
};

#define PATTERN_LINE_CLASS(Name, Word)                                                                     \
    class Name : public TPrimLine {                                                                        \
    public:                                                                                                \
        using TPrimLine::TPrimLine;                                                                        \
        void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky, \
                  const std::string& text) override;                                                       \
                                                                                                           \
    protected:                                                                                             \
        const char* Keyword() const override { return Word; }                                              \
        TPrimLine* Make(const TXY& p1, const TXY& p2) const override { return new Name(p1, p2); }          \
    };

PATTERN_LINE_CLASS(TPrimLineS, "LINES")    // dotted; absent from the fill mask
PATTERN_LINE_CLASS(TPrimLineSg, "LINESG")  // dashed; solid in the fill mask
PATTERN_LINE_CLASS(TPrimLineSp, "LINESP")  // dash-dot-dot, solid in the fill mask, "stick line" when printed
PATTERN_LINE_CLASS(TPrimNit, "NIT")        // arrow
PATTERN_LINE_CLASS(TPrimLip, "LIP")        // dotted rectangle
#undef PATTERN_LINE_CLASS

// A Bezier curve through its control points, "ARC(x,y) (x,y) ...".
class TPrimArc : public TPrimitiv {
public:
    std::vector<TXY> Points;

    explicit TPrimArc(std::vector<TXY> points) : Points(std::move(points)) {}
    // Every blank-separated word is one point.
    explicit TPrimArc(const std::string& text);

    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;
    std::string ToText() const override;
    bool SelectNear(int x, int y) override;
    bool MoveSelected(int x, int y) override;
    bool InsertPoint(int x, int y) override;
    bool StraightenPoints(int n) override;
    bool DeletePoint(int x, int y) override;
    TPrimitiv* Clone() const override;
    // Points 0 and 1 (a list of fewer points gives null for the missing ones).
    std::pair<TXY*, TXY*> GetEnds() override;
    TPrimitiv* Mirrored(const TXY& a, const TXY& b) const override;
    void FlipY(int v) override;
    void FlipX(int v) override;
    void SwapXY() override;
    void Offset(int dx, int dy) override;
    void ScaleX(double k) override;
    void ScaleY(double k) override;
    void SetText(const std::string& s) override {}
    int Width() const override { return 1; }
    int Height() const override { return 1; }

    // The curve's screen points in drawing order: the first point, 8n + 1
    // de Casteljau samples (n = count - 1, at most 100), the last point.
    std::vector<std::pair<int, int>> ScreenPath(int x0, int y0, double kx, double ky) const;

protected:
    virtual const char* Keyword() const { return "ARC"; }
    virtual TPrimArc* Make(std::vector<TXY> points) const { return new TPrimArc(std::move(points)); }
    void DrawCurve(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                   PenStyle style);
};

// The curve and a dotted copy 4 pixels below (ARC2Y) or to the right (ARC2X).
class TPrimArc2y : public TPrimArc {
public:
    using TPrimArc::TPrimArc;
    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;

protected:
    const char* Keyword() const override { return "ARC2Y"; }
    TPrimArc* Make(std::vector<TXY> points) const override { return new TPrimArc2y(std::move(points)); }
};

class TPrimArc2x : public TPrimArc {
public:
    using TPrimArc::TPrimArc;
    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;

protected:
    const char* Keyword() const override { return "ARC2X"; }
    TPrimArc* Make(std::vector<TXY> points) const override { return new TPrimArc2x(std::move(points)); }
};

// Base of the one-point primitives.
class TPrimPoint : public TPrimitiv {
public:
    TXY P;

    explicit TPrimPoint(const TXY& p) : P(p) {}
    bool SelectNear(int x, int y) override;
    bool MoveSelected(int x, int y) override;
    bool InsertPoint(int x, int y) override { return false; }
    bool DeletePoint(int x, int y) override { return false; }
    std::pair<TXY*, TXY*> GetEnds() override { return {&P, &P}; }
    void FlipY(int v) override { P.FlipY(v); }
    void FlipX(int v) override { P.FlipX(v); }
    void SwapXY() override { P.SwapXY(); }
    void Offset(int dx, int dy) override { P.Offset(dx, dy); }
    void ScaleX(double k) override { P.ScaleX(k); }
    void ScaleY(double k) override { P.ScaleY(k); }
    int Width() const override { return 1; }
    int Height() const override { return 1; }
};

// A label, "TEXT(x,y) label": drawn only when printing. "*" in a label
// breaks the line, "_" stands for a blank, and the label "*" alone shows the
// piece's name.
class TPrimText : public TPrimPoint {
public:
    std::string Label;

    TPrimText(const TXY& p, std::string label) : TPrimPoint(p), Label(std::move(label)) {}
    explicit TPrimText(const std::string& text);

    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;
    std::string ToText() const override;
    TPrimitiv* Clone() const override;
    TPrimitiv* Mirrored(const TXY& a, const TXY& b) const override;
    void SetText(const std::string& s) override { Label = s; }
    // The lines the label shows for a piece of the given name.
    std::vector<std::string> Lines(const std::string& pieceName) const;
};

// The seed of a flood fill, "POINTFILL(x,y)": a cross in the edit view.
class TPrimPointFill : public TPrimPoint {
public:
    using TPrimPoint::TPrimPoint;
    explicit TPrimPointFill(const std::string& text);

    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;
    std::string ToText() const override;
    TPrimitiv* Clone() const override;
    TPrimitiv* Mirrored(const TXY& a, const TXY& b) const override { return nullptr; }
    void SetText(const std::string& s) override {}
    TXY* FillPoint() override { return &P; }
};

// An ellipse in the box of two opposite corners, "Ellipse(x1,y1) (x2,y2)".
class TPrimEllipse : public TPrimitiv {
public:
    TXY P1, P2;

    TPrimEllipse(const TXY& p1, const TXY& p2) : P1(p1), P2(p2) {}
    explicit TPrimEllipse(const std::string& text);

    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;
    std::string ToText() const override;
    bool SelectNear(int x, int y) override;
    bool MoveSelected(int x, int y) override;
    bool InsertPoint(int x, int y) override { return false; }
    bool DeletePoint(int x, int y) override { return false; }
    TPrimitiv* Clone() const override;
    std::pair<TXY*, TXY*> GetEnds() override { return {&P1, &P2}; }
    TPrimitiv* Mirrored(const TXY& a, const TXY& b) const override;
    void FlipY(int v) override;
    void FlipX(int v) override;
    void SwapXY() override;
    void Offset(int dx, int dy) override;
    void ScaleX(double k) override;
    void ScaleY(double k) override;
    void SetText(const std::string& s) override {}
    int Width() const override;
    int Height() const override;
};

// An elliptic arc of the box P1-P2 from the direction of P3 to that of P4,
// with a dotted arc Offset model units outside it,
// "Ellipse2(x1,y1) (x2,y2) (x3,y3) (x4,y4) offset".
class TPrimEllipse2 : public TPrimitiv {
public:
    TXY P1, P2, P3, P4;
    int OffsetUnits = 0;  // the "Offset" of the text form

    TPrimEllipse2(const TXY& p1, const TXY& p2, const TXY& p3, const TXY& p4, int offset)
        : P1(p1), P2(p2), P3(p3), P4(p4), OffsetUnits(offset) {}
    explicit TPrimEllipse2(const std::string& text);

    void Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
              const std::string& text) override;
    std::string ToText() const override;
    bool SelectNear(int x, int y) override;
    bool MoveSelected(int x, int y) override;
    bool InsertPoint(int x, int y) override { return false; }
    bool DeletePoint(int x, int y) override { return false; }
    TPrimitiv* Clone() const override;
    std::pair<TXY*, TXY*> GetEnds() override { return {&P1, &P2}; }
    TPrimitiv* Mirrored(const TXY& a, const TXY& b) const override;
    void FlipY(int v) override;
    void FlipX(int v) override;
    void SwapXY() override;
    void Offset(int dx, int dy) override;
    void ScaleX(double k) override;
    void ScaleY(double k) override;
    void SetText(const std::string& s) override {}
    int Width() const override;
    int Height() const override;
};

// Parses one body line of a piece (its initial blanks already trimmed): the
// keyword, without regard to case, picks the class. Null for a line that
// names no primitive; a malformed number raises ConvertError.
std::unique_ptr<TPrimitiv> ParsePrimitive(std::string line);
