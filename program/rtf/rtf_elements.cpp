#include "rtf_elements.h"

#include <cstdlib>

int RtfMulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    bool negative = (p < 0) != (c < 0);
    long long n = std::llabs(p), d = std::llabs(static_cast<long long>(c));
    long long q = (n + d / 2) / d;
    return static_cast<int>(negative ? -q : q);
}

int TwipsToPixelsX(RtfCanvas& canvas, int twips) { return RtfMulDiv(canvas.PixelsPerInchX(), twips, 1440); }
int TwipsToPixelsY(RtfCanvas& canvas, int twips) { return RtfMulDiv(canvas.PixelsPerInchY(), twips, 1440); }

void FontMetrics(RtfCanvas& canvas, int points, int& ascent, int& descent) {
    int height = -RtfMulDiv(points, canvas.PixelsPerInchY(), 72);
    ascent = std::abs(RtfMulDiv(7, height, 9));
    descent = std::abs(height) - ascent;
}

void TRTFTab::Measure(RtfCanvas& canvas) {
    int step = TwipsToPixelsX(canvas, tabWidth);
    // Floor division keeps stops at multiples of the step for negative x too.
    int index = step > 0 ? (x >= 0 ? x / step : -((-x + step - 1) / step)) : 0;
    width = step > 0 ? step * (index + 1) - x : 0;
    advance = width;
    ascent = descent = 0;
}

TRTFParagraph::TRTFParagraph(const TRtfState& state, const RtfFont& f) : TRTFElement(RtfKind::Paragraph) {
    Update(state, f);
}

void TRTFParagraph::Update(const TRtfState& state, const RtfFont& f) {
    paragraph.CopyParagraphPart(state);
    font = f;
    fontSize = state.fontSize;
}

void TRTFParagraph::Measure(RtfCanvas& canvas) {
    FontMetrics(canvas, fontSize / 2, ascent, descent);
    width = 0;
}

void TRTFSpace::Measure(RtfCanvas& canvas) {
    FontMetrics(canvas, font.size, ascent, descent);
    width = canvas.TextWidth(font, " ");
}

void TRTFText::Measure(RtfCanvas& canvas) {
    FontMetrics(canvas, font.size, ascent, descent);
    width = canvas.TextWidth(font, text);
}

void TRTFText::Draw(int x, int baseline, RtfCanvas& canvas) {
    canvas.TextOut(x, baseline - ascent, font, text, monochrome ? 0 : textColor, backColor,
                   backColor == kTransparentBack);
}

TRTFHotText::TRTFHotText(const TRTFText& from, const std::string& target)
    : TRTFText(from.text, from.font, from.textColor, from.backColor), target_(target) {
    monochrome = from.monochrome;
}

namespace {
bool Inside(const RtfRect& r, int x, int y) { return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom; }
}  // namespace

void TRTFHotText::Draw(int x, int baseline, RtfCanvas& canvas) {
    TRTFText::Draw(x, baseline, canvas);
    hot = {x, baseline - ascent, x + width, baseline + descent};
}

bool TRTFHotText::HitTest(int x, int y) const { return Inside(hot, x, y); }

void TRTFBitmap::Measure(RtfCanvas& canvas) {
    width = TwipsToPixelsX(canvas, twipsWidth);
    ascent = TwipsToPixelsY(canvas, twipsHeight);
    descent = 0;
}

void TRTFBitmap::Draw(int x, int baseline, RtfCanvas& canvas) {
    if (picture) canvas.StretchPicture(*picture, x, baseline - ascent + 1, x + width, baseline + 1);
}

void TRTFHotBitmap::Draw(int x, int baseline, RtfCanvas& canvas) {
    TRTFBitmap::Draw(x, baseline, canvas);
    hot = {x, baseline - ascent, x + width, baseline};
}

bool TRTFHotBitmap::HitTest(int x, int y) const { return Inside(hot, x, y); }
