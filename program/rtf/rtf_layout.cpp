// Measuring the elements and breaking them into lines for a width.
#include <cmath>

#include "rtf_view.h"

namespace {

struct LineBuilder {
    LineBuilder(RtfCanvas& c, std::vector<TRTFLine>& l) : canvas(c), lines(l) {}
    RtfCanvas& canvas;
    std::vector<TRTFLine>& lines;
    TRTFParagraph* paragraph = nullptr;
    bool firstLine = false;
    TRTFLine line;
    int x = 0;
    int rightLimit = 0;

    void Start() {
        line = TRTFLine{};
        line.ascent = paragraph->ascent;
        line.descent = paragraph->descent;
        line.indent = TwipsToPixelsX(canvas, paragraph->paragraph.leftIndent);
        line.keep = paragraph->paragraph.keepWithNext;
        x = 0;
    }

    static bool IsSpace(const TRTFElement* e) { return e->kind == RtfKind::Space; }

    void Finish(bool paragraphEnd) {
        if (!paragraph) {
            if (paragraphEnd) firstLine = true;
            return;
        }
        const TRtfState& p = paragraph->paragraph;
        int minimum = TwipsToPixelsY(canvas, p.lineSpacing);
        if (line.Height() < minimum) line.ascent += minimum - line.Height();
        if (paragraphEnd) line.descent += TwipsToPixelsY(canvas, p.spaceAfter);
        if (firstLine) line.ascent += TwipsToPixelsY(canvas, p.spaceBefore);
        // Blanks at the end (and at the start of a continuation line) take no
        // room: the alignment below must not count them.
        auto& e = line.elements;
        while (!e.empty() && IsSpace(e.back())) {
            x -= e.back()->advance;
            e.pop_back();
        }
        if (!firstLine) {
            size_t lead = 0;
            while (lead < e.size() && IsSpace(e[lead])) x -= e[lead++]->advance;
            e.erase(e.begin(), e.begin() + lead);
        }
        firstLine = paragraphEnd;
        int spaces = 0;
        for (TRTFElement* el : e) spaces += IsSpace(el);
        if (p.alignment == paRight) {
            line.indent += rightLimit - x;
        } else if (p.alignment == paCentre) {
            line.indent += (rightLimit - x) / 2;
        } else if (p.alignment == paJustify && !paragraphEnd && spaces > 0 && e.size() > 1) {
            double extra = double(rightLimit - x) / spaces, carry = 0;
            for (TRTFElement* el : e) {
                if (!IsSpace(el)) continue;
                double h = extra + carry;
                double n = std::nearbyint(h);  // halves to even
                el->advance += int(n);
                carry = h - n;
            }
        }
        line.keep = p.keepWithNext;
        lines.push_back(line);
    }
};

bool IsTab(TRTFElement* e, int x, RtfCanvas& canvas) {
    if (e->kind != RtfKind::Tab) return false;
    auto* tab = static_cast<TRTFTab*>(e);
    if (x < 0) {
        tab->advance = -x;
    } else {
        tab->x = x;
        tab->Measure(canvas);
    }
    return true;
}

}  // namespace

void TrtfView::MeasureAll(RtfCanvas& canvas) {
    bool mono = canvas.BitsPerPixel() == 1;
    for (auto& e : elements_) {
        e->Measure(canvas);
        e->advance = e->width;
        e->monochrome = mono;
    }
}

void TrtfView::LayoutLines(RtfCanvas& canvas, int width) {
    lines_.clear();
    keepLines_ = scrollLines_ = 0;
    line_ = 0;
    if (elements_.empty()) return;
    LineBuilder b(canvas, lines_);
    b.rightLimit = width;
    // Advances widened by an earlier pass start again from the widths.
    for (auto& owned : elements_) owned->advance = owned->width;
    for (auto& owned : elements_) {
        TRTFElement* e = owned.get();
        IsTab(e, b.x, canvas);
        if (e->kind == RtfKind::Paragraph) {
            auto* p = static_cast<TRTFParagraph*>(e);
            b.Finish(true);
            b.paragraph = p;
            b.Start();
            const TRtfState& part = p->paragraph;
            b.rightLimit = width - TwipsToPixelsX(canvas, part.leftIndent) - TwipsToPixelsX(canvas, part.rightIndent);
            b.x = TwipsToPixelsX(canvas, part.firstIndent);
            b.line.indent += b.x;
            continue;
        }
        if (!b.paragraph) continue;
        // An element too wide for what is left starts a line; on an empty line
        // it stays, so a single wide element gets a line of its own.
        if (b.rightLimit < b.x + e->advance && !b.line.elements.empty()) {
            b.Finish(false);
            b.Start();
            IsTab(e, b.x, canvas);
        }
        b.x += e->advance;
        b.line.ascent = std::max(b.line.ascent, e->ascent);
        b.line.descent = std::max(b.line.descent, e->descent);
        b.line.elements.push_back(e);
    }
    // The text after the last paragraph mark is a line too.
    if (b.paragraph && !b.line.elements.empty()) b.Finish(true);
    // Only the leading lines kept with the next stay fixed at the top; later
    // ones (headings) scroll with the rest.
    while (keepLines_ < int(lines_.size()) && lines_[keepLines_].keep) ++keepLines_;
    scrollLines_ = int(lines_.size()) - keepLines_;
}

void TrtfView::DrawLine(const TRTFLine& line, int x, int y, RtfCanvas& canvas) {
    x += line.indent;
    for (TRTFElement* e : line.elements) {
        e->Draw(x, y + line.ascent, canvas);
        x += e->advance;
    }
}
