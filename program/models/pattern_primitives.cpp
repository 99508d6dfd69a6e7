#include "models/pattern_primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "settings/text_helpers.h"

namespace {

struct ScreenPoint {
    int x, y;
};

ScreenPoint Place(const TXY& p, int x0, int y0, double kx, double ky) {
    return {x0 + p.ScreenX(kx), y0 + p.ScreenY(ky)};
}

// A model coordinate that may lie outside the 32-bit range (a box grown by
// an offset), scaled and rounded.
int ScaleWide(long long v, double k) { return RoundHalfEven(static_cast<long double>(v) * k); }

TXY ReadPoint(const std::string& text, int word) { return TXY(WordAt(word, text, BlankSet)); }

bool SelectOnly(TXY& p, bool selected) {
    bool changed = p.Selected != selected;
    p.Selected = selected;
    return changed;
}

// A copy of the list that keeps each point's selection (copying a TXY
// drops it), with the point q inserted before index at, or index left out.
std::vector<TXY> Edited(const std::vector<TXY>& points, size_t at, const TXY* q) {
    std::vector<TXY> result;
    result.reserve(points.size() + 1);
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == at && q) result.push_back(*q);
        if (i == at && !q) continue;
        result.push_back(points[i]);
        result.back().Selected = points[i].Selected;
    }
    return result;
}

bool MoveIfSelected(TXY& p, int x, int y) {
    if (!p.Selected) return false;
    p.X = x;
    p.Y = y;
    return true;
}

}  // namespace

void DrawPointMarker(PatternCanvas& canvas, const TXY& p, int x0, int y0, double kx, double ky) {
    canvas.SetPenColour(p.Selected ? PatternMarkerSelected : PatternMarker);
    ScreenPoint s = Place(p, x0, y0, kx, ky);
    canvas.Ellipse(s.x - 2, s.y - 2, s.x + 2, s.y + 2);
}

void DrawPointCross(PatternCanvas& canvas, const TXY& p, int x0, int y0, double kx, double ky) {
    canvas.SetPenColour(p.Selected ? PatternMarkerSelected : PatternMarker);
    ScreenPoint s = Place(p, x0, y0, kx, ky);
    canvas.MoveTo(s.x - 2, s.y);
    canvas.LineTo(s.x + 3, s.y);
    canvas.MoveTo(s.x, s.y - 2);
    canvas.LineTo(s.x, s.y + 3);
}

void SelectPenColour(PatternCanvas& canvas, bool selected) {
    canvas.SetPenColour(selected ? PatternSelected : PatternStroke);
}

void SetLineWidth(PatternCanvas& canvas, bool thick, bool solid) { canvas.SetPenWidth(thick && solid ? 2 : 1); }

// ---- two-point lines

TPrimLine::TPrimLine(const std::string& text) : P1(ReadPoint(text, 1)), P2(ReadPoint(text, 2)) {}

void TPrimLine::BeginEdit(PatternCanvas& canvas, TTypeShow mode) {
    if (mode == tsEdit) SelectPenColour(canvas, P1.Selected || P2.Selected);
}

void TPrimLine::EndEdit(PatternCanvas& canvas, TTypeShow mode, int x0, int y0, double kx, double ky) {
    if (mode != tsEdit) return;
    DrawPointMarker(canvas, P1, x0, y0, kx, ky);
    DrawPointMarker(canvas, P2, x0, y0, kx, ky);
}

void TPrimLine::Stroke(PatternCanvas& canvas, int x0, int y0, double kx, double ky, PenStyle style) {
    ScreenPoint a = Place(P1, x0, y0, kx, ky), b = Place(P2, x0, y0, kx, ky);
    canvas.SetPenStyle(style);
    canvas.MoveTo(a.x, a.y);
    canvas.LineTo(b.x, b.y);
    PatternColour pen = canvas.PenColour();
    canvas.SetPixel(a.x, a.y, pen);
    canvas.SetPixel(b.x, b.y, pen);
    canvas.SetPenStyle(PenStyle::Solid);
}

void TPrimLine::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                     const std::string&) {
    SetLineWidth(canvas, thick, true);
    BeginEdit(canvas, mode);
    Stroke(canvas, x0, y0, kx, ky, PenStyle::Solid);
    EndEdit(canvas, mode, x0, y0, kx, ky);
}

std::string TPrimLine::ToText() const { return std::string(Keyword()) + P1.ToText() + " " + P2.ToText(); }

bool TPrimLine::SelectNear(int x, int y) {
    bool near1 = P1.IsNear(x, y);
    bool changed = SelectOnly(P1, near1);
    return SelectOnly(P2, P2.IsNear(x, y) && !near1) || changed;
}

bool TPrimLine::MoveSelected(int x, int y) {
    bool moved = MoveIfSelected(P1, x, y);
    return MoveIfSelected(P2, x, y) || moved;
}

TPrimitiv* TPrimLine::Clone() const { return Make(P1, P2); }
TPrimitiv* TPrimLine::Mirrored(const TXY& a, const TXY& b) const { return Make(P1.Mirrored(a, b), P2.Mirrored(a, b)); }
void TPrimLine::FlipY(int v) { P1.FlipY(v), P2.FlipY(v); }
void TPrimLine::FlipX(int v) { P1.FlipX(v), P2.FlipX(v); }
void TPrimLine::SwapXY() { P1.SwapXY(), P2.SwapXY(); }
void TPrimLine::Offset(int dx, int dy) { P1.Offset(dx, dy), P2.Offset(dx, dy); }
void TPrimLine::ScaleX(double k) { P1.ScaleX(k), P2.ScaleX(k); }
void TPrimLine::ScaleY(double k) { P1.ScaleY(k), P2.ScaleY(k); }
int TPrimLine::Width() const { return static_cast<int>(std::llabs(static_cast<long long>(P2.X) - P1.X)); }
int TPrimLine::Height() const { return static_cast<int>(std::llabs(static_cast<long long>(P2.Y) - P1.Y)); }

void TPrimLineS::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                      const std::string&) {
    if (mode == tsFill) return;
    SetLineWidth(canvas, thick, false);
    BeginEdit(canvas, mode);
    Stroke(canvas, x0, y0, kx, ky, PenStyle::Dot);
    EndEdit(canvas, mode, x0, y0, kx, ky);
}

void TPrimLineSg::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                       const std::string&) {
    SetLineWidth(canvas, thick, false);
    BeginEdit(canvas, mode);
    Stroke(canvas, x0, y0, kx, ky, mode == tsFill ? PenStyle::Solid : PenStyle::Dash);
    EndEdit(canvas, mode, x0, y0, kx, ky);
}

namespace {

// The "stick line" label along a printed stick line; a vertical line long
// enough gets the arrow picture beside the text.
void DrawStickLabel(PatternCanvas& canvas, ScreenPoint a, ScreenPoint b) {
    if (a.x > b.x) std::swap(a, b);
    int escapement;
    if (a.x == b.x)
        escapement = b.y > a.y ? -900 : 900;
    else
        escapement = -RoundHalfEven(std::atan(static_cast<long double>(b.y - a.y) / (b.x - a.x)) /
                                    3.14159265358979323846L * 1800);
    canvas.SelectTurnedPatternFont(escapement);
    int tw = canvas.TextWidth(StickLineLabel), th = canvas.TextHeight(StickLineLabel);
    long long length = 3LL * th + tw;
    if (a.x != b.x || std::llabs(static_cast<long long>(b.y) - a.y) < length) {
        canvas.TextOut(a.x, a.y, StickLineLabel);
    } else if (a.y < b.y) {
        int m = static_cast<int>((static_cast<long long>(a.y) + b.y - length) / 2);
        canvas.DrawStickArrow(a.x - th, m, th, 3 * th);
        canvas.TextOut(a.x, m + 3 * th, StickLineLabel);
    } else {
        int m = static_cast<int>((static_cast<long long>(a.y) + b.y + length) / 2);
        canvas.DrawStickArrow(a.x + 1, m - 3 * th, th, 3 * th);
        canvas.TextOut(a.x + 1, m - 3 * th, StickLineLabel);
    }
    canvas.RestoreFont();
}

}  // namespace

void TPrimLineSp::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                       const std::string&) {
    SetLineWidth(canvas, thick, false);
    BeginEdit(canvas, mode);
    Stroke(canvas, x0, y0, kx, ky, mode == tsFill ? PenStyle::Solid : PenStyle::DashDotDot);
    if (mode != tsFill && thick) DrawStickLabel(canvas, Place(P1, x0, y0, kx, ky), Place(P2, x0, y0, kx, ky));
    EndEdit(canvas, mode, x0, y0, kx, ky);
}

void TPrimNit::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                    const std::string&) {
    if (mode == tsFill) return;
    SetLineWidth(canvas, thick, false);
    BeginEdit(canvas, mode);
    Stroke(canvas, x0, y0, kx, ky, PenStyle::Solid);
    ScreenPoint a = Place(P1, x0, y0, kx, ky), b = Place(P2, x0, y0, kx, ky);
    // The head is a fifth of the line long and a tenth wide, along the
    // vertical for a vertical arrow, else along the horizontal.
    if (P1.X == P2.X) {
        int d = b.y - a.y, along = d / 5, across = d / 20;
        canvas.MoveTo(b.x, b.y);
        canvas.LineTo(b.x - across, b.y - along);
        canvas.MoveTo(b.x, b.y);
        canvas.LineTo(b.x + across, b.y - along);
    } else {
        int d = b.x - a.x, along = d / 5, across = d / 20;
        canvas.MoveTo(b.x, b.y);
        canvas.LineTo(b.x - along, b.y - across);
        canvas.MoveTo(b.x, b.y);
        canvas.LineTo(b.x - along, b.y + across);
    }
    EndEdit(canvas, mode, x0, y0, kx, ky);
}

void TPrimLip::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                    const std::string&) {
    if (mode == tsFill) return;
    SetLineWidth(canvas, thick, false);
    BeginEdit(canvas, mode);
    ScreenPoint a = Place(P1, x0, y0, kx, ky), b = Place(P2, x0, y0, kx, ky);
    canvas.SetPenStyle(PenStyle::Dot);
    canvas.SetBrushClear();
    canvas.Rectangle(a.x, a.y, b.x, b.y);
    canvas.SetPenStyle(PenStyle::Solid);
    EndEdit(canvas, mode, x0, y0, kx, ky);
}

// ---- Bezier curves

TPrimArc::TPrimArc(const std::string& text) {
    int count = CountWords(text, BlankSet);
    Points.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) Points.push_back(ReadPoint(text, i));
}

std::vector<std::pair<int, int>> TPrimArc::ScreenPath(int x0, int y0, double kx, double ky) const {
    std::vector<std::pair<int, int>> path;
    // No point, nothing to draw; one point is a dot (the curve's step would
    // divide by zero).
    if (Points.empty()) return path;
    ScreenPoint first = Place(Points.front(), x0, y0, kx, ky);
    path.emplace_back(first.x, first.y);
    if (Points.size() >= 2) {
        // Only the first 101 points shape the curve.
        size_t n = std::min<size_t>(Points.size() - 1, 100);
        std::vector<double> sx(n + 1), sy(n + 1), x(n + 1), y(n + 1);
        for (size_t i = 0; i <= n; ++i) {
            ScreenPoint s = Place(Points[i], x0, y0, kx, ky);
            sx[i] = s.x;
            sy[i] = s.y;
        }
        double step = 1.0 / (8.0 * static_cast<double>(n));
        for (double t = 0.0; t <= 1.0; t += step) {
            x = sx;
            y = sy;
            for (size_t k = n; k >= 1; --k)
                for (size_t i = 0; i < k; ++i) {
                    x[i] = x[i] + (x[i + 1] - x[i]) * t;
                    y[i] = y[i] + (y[i + 1] - y[i]) * t;
                }
            path.emplace_back(RoundHalfEven(x[0]), RoundHalfEven(y[0]));
        }
    }
    ScreenPoint last = Place(Points.back(), x0, y0, kx, ky);
    path.emplace_back(last.x, last.y);
    return path;
}

void TPrimArc::DrawCurve(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                         PenStyle style) {
    SetLineWidth(canvas, thick, true);
    if (mode == tsEdit) {
        bool any = false;
        for (const TXY& p : Points) any = any || p.Selected;
        SelectPenColour(canvas, any);
    }
    std::vector<std::pair<int, int>> path = ScreenPath(x0, y0, kx, ky);
    if (!path.empty()) {
        canvas.SetPenStyle(style);
        PatternColour pen = canvas.PenColour();
        canvas.MoveTo(path.front().first, path.front().second);
        canvas.SetPixel(path.front().first, path.front().second, pen);
        for (size_t i = 1; i < path.size(); ++i) canvas.LineTo(path[i].first, path[i].second);
        canvas.SetPixel(path.back().first, path.back().second, pen);
        canvas.SetPenStyle(PenStyle::Solid);
    }
    if (mode == tsEdit)
        for (const TXY& p : Points) DrawPointMarker(canvas, p, x0, y0, kx, ky);
}

void TPrimArc::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                    const std::string&) {
    DrawCurve(canvas, mode, thick, x0, y0, kx, ky, PenStyle::Solid);
}

void TPrimArc2y::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                      const std::string&) {
    DrawCurve(canvas, mode, thick, x0, y0, kx, ky, PenStyle::Solid);
    if (mode != tsFill) DrawCurve(canvas, mode, false, x0, y0 + 4, kx, ky, PenStyle::Dot);
}

void TPrimArc2x::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                      const std::string&) {
    DrawCurve(canvas, mode, thick, x0, y0, kx, ky, PenStyle::Solid);
    if (mode != tsFill) DrawCurve(canvas, mode, false, x0 + 4, y0, kx, ky, PenStyle::Dot);
}

std::string TPrimArc::ToText() const {
    std::string text = Keyword();
    for (size_t i = 0; i < Points.size(); ++i) text += (i ? " " : "") + Points[i].ToText();
    return text;
}

bool TPrimArc::SelectNear(int x, int y) {
    bool changed = false, found = false;
    for (size_t i = Points.size(); i-- > 0;) {
        bool selected = !found && Points[i].IsNear(x, y);
        found = found || selected;
        changed = SelectOnly(Points[i], selected) || changed;
    }
    return changed;
}

bool TPrimArc::MoveSelected(int x, int y) {
    bool moved = false;
    for (TXY& p : Points) moved = MoveIfSelected(p, x, y) || moved;
    return moved;
}

bool TPrimArc::InsertPoint(int x, int y) {
    for (size_t i = 0; i < Points.size(); ++i)
        if (Points[i].IsNear(x, y)) {
            TXY q(x, y);
            Points = Edited(Points, i, &q);
            return true;
        }
    return false;
}

bool TPrimArc::StraightenPoints(int n) {
    if (Points.size() < 2) return false;
    // More points than the curve can use (101) only cost memory.
    n = std::clamp(n, 0, 99);
    TXY first = Points.front(), last = Points.back();
    first.Selected = Points.front().Selected;
    last.Selected = Points.back().Selected;
    std::vector<TXY> points;
    points.reserve(static_cast<size_t>(n) + 2);
    points.push_back(first);
    points.back().Selected = first.Selected;
    for (int i = 1; i <= n; ++i) {
        long double f = static_cast<long double>(i) / (n + 1);
        points.emplace_back(RoundHalfEven(first.X + f * (static_cast<long double>(last.X) - first.X)),
                            RoundHalfEven(first.Y + f * (static_cast<long double>(last.Y) - first.Y)));
    }
    points.push_back(last);
    points.back().Selected = last.Selected;
    Points = std::move(points);
    return true;
}

bool TPrimArc::DeletePoint(int x, int y) {
    if (Points.size() <= 2) return false;
    for (size_t i = 0; i < Points.size(); ++i)
        if (Points[i].IsNear(x, y)) {
            Points = Edited(Points, i, nullptr);
            return true;
        }
    return false;
}

TPrimitiv* TPrimArc::Clone() const { return Make(std::vector<TXY>(Points.begin(), Points.end())); }

std::pair<TXY*, TXY*> TPrimArc::GetEnds() {
    return {Points.size() > 0 ? &Points[0] : nullptr, Points.size() > 1 ? &Points[1] : nullptr};
}

TPrimitiv* TPrimArc::Mirrored(const TXY& a, const TXY& b) const {
    std::vector<TXY> points;
    points.reserve(Points.size());
    for (const TXY& p : Points) points.push_back(p.Mirrored(a, b));
    return Make(std::move(points));
}

void TPrimArc::FlipY(int v) {
    for (TXY& p : Points) p.FlipY(v);
}
void TPrimArc::FlipX(int v) {
    for (TXY& p : Points) p.FlipX(v);
}
void TPrimArc::SwapXY() {
    for (TXY& p : Points) p.SwapXY();
}
void TPrimArc::Offset(int dx, int dy) {
    for (TXY& p : Points) p.Offset(dx, dy);
}
void TPrimArc::ScaleX(double k) {
    for (TXY& p : Points) p.ScaleX(k);
}
void TPrimArc::ScaleY(double k) {
    for (TXY& p : Points) p.ScaleY(k);
}

// ---- one-point primitives

bool TPrimPoint::SelectNear(int x, int y) { return SelectOnly(P, P.IsNear(x, y)); }
bool TPrimPoint::MoveSelected(int x, int y) { return MoveIfSelected(P, x, y); }

TPrimText::TPrimText(const std::string& text) : TPrimPoint(ReadPoint(text, 1)), Label(WordAt(2, text, BlankSet)) {}

std::vector<std::string> TPrimText::Lines(const std::string& pieceName) const {
    std::string shown = Label;
    if (shown == "*") {
        shown = pieceName;
        for (char& c : shown)
            if (c == ' ') c = '*';
    }
    std::vector<std::string> lines(1);
    for (char c : shown) {
        if (c == '*')
            lines.emplace_back();
        else
            lines.back() += c == '_' ? ' ' : c;
    }
    return lines;
}

void TPrimText::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                     const std::string& text) {
    if (mode == tsFill || !thick) return;
    ScreenPoint s = Place(P, x0, y0, kx, ky);
    long long y = s.y;
    for (const std::string& line : Lines(text)) {
        canvas.TextOut(s.x, static_cast<int>(y), line);
        y += canvas.TextHeight(line);
    }
}

std::string TPrimText::ToText() const { return "TEXT" + P.ToText() + " " + Label; }
TPrimitiv* TPrimText::Clone() const { return new TPrimText(P, Label); }
TPrimitiv* TPrimText::Mirrored(const TXY& a, const TXY& b) const { return new TPrimText(P.Mirrored(a, b), Label); }

TPrimPointFill::TPrimPointFill(const std::string& text) : TPrimPoint(ReadPoint(text, 1)) {}

void TPrimPointFill::Draw(PatternCanvas& canvas, TTypeShow mode, bool, int x0, int y0, double kx, double ky,
                          const std::string&) {
    if (mode == tsEdit) DrawPointCross(canvas, P, x0, y0, kx, ky);
}

std::string TPrimPointFill::ToText() const { return "POINTFILL" + P.ToText(); }
TPrimitiv* TPrimPointFill::Clone() const { return new TPrimPointFill(P); }

// ---- ellipses

TPrimEllipse::TPrimEllipse(const std::string& text) : P1(ReadPoint(text, 1)), P2(ReadPoint(text, 2)) {}

void TPrimEllipse::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                        const std::string&) {
    SetLineWidth(canvas, thick, true);
    if (mode == tsEdit) SelectPenColour(canvas, P1.Selected || P2.Selected);
    ScreenPoint a = Place(P1, x0, y0, kx, ky), b = Place(P2, x0, y0, kx, ky);
    canvas.SetBrushClear();
    canvas.Ellipse(a.x, a.y, b.x, b.y);
    if (mode == tsEdit) {
        canvas.SetPixel(static_cast<int>((static_cast<long long>(a.x) + b.x) / 2),
                        static_cast<int>((static_cast<long long>(a.y) + b.y) / 2), canvas.PenColour());
        DrawPointMarker(canvas, P1, x0, y0, kx, ky);
        DrawPointMarker(canvas, P2, x0, y0, kx, ky);
    }
}

std::string TPrimEllipse::ToText() const { return "Ellipse" + P1.ToText() + " " + P2.ToText(); }

bool TPrimEllipse::SelectNear(int x, int y) {
    bool near1 = P1.IsNear(x, y);
    bool changed = SelectOnly(P1, near1);
    return SelectOnly(P2, P2.IsNear(x, y) && !near1) || changed;
}

bool TPrimEllipse::MoveSelected(int x, int y) {
    bool moved = MoveIfSelected(P1, x, y);
    return MoveIfSelected(P2, x, y) || moved;
}

TPrimitiv* TPrimEllipse::Clone() const { return new TPrimEllipse(P1, P2); }
TPrimitiv* TPrimEllipse::Mirrored(const TXY& a, const TXY& b) const {
    return new TPrimEllipse(P1.Mirrored(a, b), P2.Mirrored(a, b));
}
void TPrimEllipse::FlipY(int v) { P1.FlipY(v), P2.FlipY(v); }
void TPrimEllipse::FlipX(int v) { P1.FlipX(v), P2.FlipX(v); }
void TPrimEllipse::SwapXY() { P1.SwapXY(), P2.SwapXY(); }
void TPrimEllipse::Offset(int dx, int dy) { P1.Offset(dx, dy), P2.Offset(dx, dy); }
void TPrimEllipse::ScaleX(double k) { P1.ScaleX(k), P2.ScaleX(k); }
void TPrimEllipse::ScaleY(double k) { P1.ScaleY(k), P2.ScaleY(k); }
int TPrimEllipse::Width() const { return static_cast<int>(std::llabs(static_cast<long long>(P2.X) - P1.X)); }
int TPrimEllipse::Height() const { return static_cast<int>(std::llabs(static_cast<long long>(P2.Y) - P1.Y)); }

TPrimEllipse2::TPrimEllipse2(const std::string& text)
    : P1(ReadPoint(text, 1)),
      P2(ReadPoint(text, 2)),
      P3(ReadPoint(text, 3)),
      P4(ReadPoint(text, 4)),
      OffsetUnits(ReadInteger(WordAt(5, text, BlankSet))) {}

void TPrimEllipse2::Draw(PatternCanvas& canvas, TTypeShow mode, bool thick, int x0, int y0, double kx, double ky,
                         const std::string&) {
    SetLineWidth(canvas, thick, true);
    if (mode == tsEdit) SelectPenColour(canvas, P1.Selected || P2.Selected || P3.Selected || P4.Selected);
    ScreenPoint a = Place(P1, x0, y0, kx, ky), b = Place(P2, x0, y0, kx, ky);
    ScreenPoint c = Place(P3, x0, y0, kx, ky), d = Place(P4, x0, y0, kx, ky);
    canvas.Arc(a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y);
    if (mode != tsFill && OffsetUnits != 0) {
        // The seam allowance: a dotted arc on the box grown by Offset.
        int width = canvas.PenWidth();
        canvas.SetPenStyle(PenStyle::Dot);
        canvas.SetPenWidth(1);
        long long off = OffsetUnits;
        canvas.Arc(x0 + ScaleWide(P1.X - off, kx), y0 + ScaleWide(P1.Y - off, ky), x0 + ScaleWide(P2.X + off, kx),
                   y0 + ScaleWide(P2.Y + off, ky), c.x, c.y, d.x, d.y);
        canvas.SetPenStyle(PenStyle::Solid);
        canvas.SetPenWidth(width);
    }
    if (mode == tsEdit) {
        canvas.SetPixel(static_cast<int>((static_cast<long long>(a.x) + b.x) / 2),
                        static_cast<int>((static_cast<long long>(a.y) + b.y) / 2), canvas.PenColour());
        for (const TXY* p : {&P1, &P2, &P3, &P4}) DrawPointMarker(canvas, *p, x0, y0, kx, ky);
    }
}

std::string TPrimEllipse2::ToText() const {
    return "Ellipse2" + P1.ToText() + " " + P2.ToText() + " " + P3.ToText() + " " + P4.ToText() + " " +
           std::to_string(OffsetUnits);
}

bool TPrimEllipse2::SelectNear(int x, int y) {
    bool changed = false, found = false;
    for (TXY* p : {&P1, &P2, &P3, &P4}) {
        bool selected = !found && p->IsNear(x, y);
        found = found || selected;
        changed = SelectOnly(*p, selected) || changed;
    }
    return changed;
}

bool TPrimEllipse2::MoveSelected(int x, int y) {
    bool moved = false;
    for (TXY* p : {&P1, &P2, &P3, &P4}) moved = MoveIfSelected(*p, x, y) || moved;
    return moved;
}

TPrimitiv* TPrimEllipse2::Clone() const { return new TPrimEllipse2(P1, P2, P3, P4, OffsetUnits); }
TPrimitiv* TPrimEllipse2::Mirrored(const TXY& a, const TXY& b) const {
    return new TPrimEllipse2(P1.Mirrored(a, b), P2.Mirrored(a, b), P3.Mirrored(a, b), P4.Mirrored(a, b), OffsetUnits);
}
void TPrimEllipse2::FlipY(int v) {
    for (TXY* p : {&P1, &P2, &P3, &P4}) p->FlipY(v);
}
void TPrimEllipse2::FlipX(int v) {
    for (TXY* p : {&P1, &P2, &P3, &P4}) p->FlipX(v);
}
void TPrimEllipse2::SwapXY() {
    for (TXY* p : {&P1, &P2, &P3, &P4}) p->SwapXY();
}
void TPrimEllipse2::Offset(int dx, int dy) {
    for (TXY* p : {&P1, &P2, &P3, &P4}) p->Offset(dx, dy);
}
void TPrimEllipse2::ScaleX(double k) {
    for (TXY* p : {&P1, &P2, &P3, &P4}) p->ScaleX(k);
}
void TPrimEllipse2::ScaleY(double k) {
    for (TXY* p : {&P1, &P2, &P3, &P4}) p->ScaleY(k);
}
int TPrimEllipse2::Width() const { return static_cast<int>(std::llabs(static_cast<long long>(P2.X) - P1.X)); }
int TPrimEllipse2::Height() const { return static_cast<int>(std::llabs(static_cast<long long>(P2.Y) - P1.Y)); }

// ---- the body-line reader

std::unique_ptr<TPrimitiv> ParsePrimitive(std::string line) {
    // Longer keywords first: "LINES" is also the start of "LINESG".
    if (CutPrefix(line, "LINESG")) return std::make_unique<TPrimLineSg>(line);
    if (CutPrefix(line, "LINESP")) return std::make_unique<TPrimLineSp>(line);
    if (CutPrefix(line, "LINES")) return std::make_unique<TPrimLineS>(line);
    if (CutPrefix(line, "LINE")) return std::make_unique<TPrimLine>(line);
    if (CutPrefix(line, "NIT")) return std::make_unique<TPrimNit>(line);
    if (CutPrefix(line, "LIP")) return std::make_unique<TPrimLip>(line);
    if (CutPrefix(line, "ARC2Y")) return std::make_unique<TPrimArc2y>(line);
    if (CutPrefix(line, "ARC2X")) return std::make_unique<TPrimArc2x>(line);
    if (CutPrefix(line, "ARC")) return std::make_unique<TPrimArc>(line);
    if (CutPrefix(line, "TEXT")) return std::make_unique<TPrimText>(line);
    if (CutPrefix(line, "ELLIPSE2")) return std::make_unique<TPrimEllipse2>(line);
    if (CutPrefix(line, "ELLIPSE")) return std::make_unique<TPrimEllipse>(line);
    if (CutPrefix(line, "POINTFILL")) return std::make_unique<TPrimPointFill>(line);
    return nullptr;
}
