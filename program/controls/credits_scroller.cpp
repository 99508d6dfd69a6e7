#include "controls/credits_scroller.h"

#include <algorithm>

namespace {
bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r\n") == std::string::npos; }

CreditsRect Deflate(const CreditsRect& r, int by) {
    return CreditsRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}
}  // namespace

int FirstTextLine(const std::vector<std::string>& lines) {
    int i = 0;
    while (i < static_cast<int>(lines.size()) && IsBlank(lines[i])) ++i;
    return i;
}

int LastTextLine(const std::vector<std::string>& lines) {
    int i = static_cast<int>(lines.size()) - 1;
    while (i >= 0 && IsBlank(lines[i])) --i;
    return i;
}

int CreditsLineHeight(int textHeight, int externalLeading, bool embossed) {
    return textHeight + externalLeading + (embossed ? 1 : 0);
}

CreditsLayout LayoutCredits(const CreditsMetrics& m) {
    CreditsLayout out;
    out.paint = Deflate(m.client, m.border);
    CreditsRect& t = out.text;
    t = Deflate(m.client, m.border + 3);
    const int gw = m.glyphWidth, gh = m.glyphHeight, b3 = m.border + 3;
    switch (m.layout) {
        case glGlyphLeft:
        case glGlyphRight:
            out.glyphY = std::max((t.top + t.bottom - gh) / 2, t.top);
            if (m.layout == glGlyphLeft) {
                out.glyphX = t.left + (gw > 0 ? 3 : 0);
                if (gw > 0) t.left = out.glyphX + gw + b3;
            } else {
                out.glyphX = std::max(t.right - gw - (gw > 0 ? 3 : 0), t.left);
                if (gw > 0) t.right = out.glyphX - b3;
            }
            break;
        case glGlyphTop:
        case glGlyphBottom:
            out.glyphX = std::max((t.left + t.right - gw) / 2, t.left);
            if (m.layout == glGlyphTop) {
                out.glyphY = t.top + (gh > 0 ? 3 : 0);
                if (gh > 0) t.top = out.glyphY + gh + b3 + 3;
            } else {
                out.glyphY = std::max(t.bottom - gh - (gh > 0 ? 3 : 0), t.top);
                if (gh > 0) t.bottom = out.glyphY - b3 - 3;
            }
            break;
    }
    if (m.direction == sdHorizontal) {
        // Only as high as the lines that have text, centred.
        const int rows = m.lastLine >= m.firstLine ? m.lastLine - m.firstLine + 1 : 0;
        const int h = rows * m.lineHeight;
        t.top += (t.Height() - h) / 2;
        t.bottom = t.top + h;
    }
    if (t.Empty()) t = CreditsRect{};
    const int scrolled = std::max(m.lineCount - m.firstLine, 0);
    out.total = m.direction == sdVertical ? t.Height() + scrolled * m.lineHeight : m.widestLine + t.Width();
    return out;
}

bool AdvanceCredits(int& offset, int total, bool cycled) {
    if (offset < total) {
        ++offset;
        return true;
    }
    if (!cycled) return false;
    offset = 0;
    return true;
}

std::vector<CreditsLine> VisibleCredits(const CreditsLayout& layout, const CreditsMetrics& m, int offset) {
    std::vector<CreditsLine> out;
    const int w = layout.text.Width(), h = layout.text.Height(), lh = m.lineHeight;
    CreditsRect r;
    if (m.direction == sdVertical) {
        r = CreditsRect{0, h - offset, w, h - offset + lh};
    } else {
        r = CreditsRect{w - offset, 0, w - offset + layout.total, lh};
    }
    for (int i = m.firstLine; i <= m.lineCount; ++i) {
        if (r.top >= h) break;
        if (r.bottom > 0 && i < m.lineCount) out.push_back({i, r});
        r.top += lh;
        r.bottom += lh;
    }
    return out;
}

CreditsScroller::CreditsScroller(CreditsSurface& surface, TickSource* timer) : surface_(surface), timer_(timer) {
    if (!timer_) {
        ownTimer_ = std::make_unique<TTimerThread>([this] { Tick(); }, 30);
        timer_ = ownTimer_.get();
    }
}

CreditsScroller::~CreditsScroller() {
    // Joined: no tick can touch what follows. An owner's timer is gone already.
    ownTimer_.reset();
    if (offscreen_) surface_.FreeOffscreen();
}

void CreditsScroller::SetLines(std::vector<std::string> lines) {
    std::lock_guard<std::mutex> lock(draw_);
    lines_ = std::move(lines);
    if (active_) RecalculateLocked();
}

void CreditsScroller::SetCycled(bool on) {
    std::lock_guard<std::mutex> lock(draw_);
    cycled_ = on;
}

bool CreditsScroller::Cycled() const {
    std::lock_guard<std::mutex> lock(draw_);
    return cycled_;
}

void CreditsScroller::Recalculate() {
    std::lock_guard<std::mutex> lock(draw_);
    if (active_) RecalculateLocked();
}

void CreditsScroller::RecalculateLocked() {
    metrics_ = surface_.Measure(lines_);
    metrics_.lineCount = static_cast<int>(lines_.size());
    metrics_.firstLine = FirstTextLine(lines_);
    metrics_.lastLine = LastTextLine(lines_);
    if (metrics_.lineHeight < 1) metrics_.lineHeight = 1;
    layout_ = LayoutCredits(metrics_);
    surface_.CreateOffscreen(layout_.text.Width(), layout_.text.Height());
    offscreen_ = true;
}

void CreditsScroller::Start() {
    if (active_ || stopping_) return;
    {
        std::lock_guard<std::mutex> lock(draw_);
        offset_ = 0;
        stopPosted_ = false;
        ++generation_;
        RecalculateLocked();
        active_ = true;
    }
    timer_->SetEnabled(true);
}

bool CreditsScroller::Stop() {
    if (!active_ || stopping_) return false;
    stopping_ = true;
    // Waits for a tick in progress; none starts afterwards.
    timer_->SetEnabled(false);
    {
        std::lock_guard<std::mutex> lock(draw_);
        offset_ = 0;
        if (offscreen_) surface_.FreeOffscreen();
        offscreen_ = false;
        active_ = false;
    }
    stopping_ = false;
    return true;
}

bool CreditsScroller::StopRequested(uint64_t generation) {
    if (generation != generation_) return false;
    return Stop();
}

int CreditsScroller::Offset() const {
    std::lock_guard<std::mutex> lock(draw_);
    return offset_;
}

CreditsLayout CreditsScroller::Layout() const {
    std::lock_guard<std::mutex> lock(draw_);
    return layout_;
}

CreditsMetrics CreditsScroller::Metrics() const {
    std::lock_guard<std::mutex> lock(draw_);
    return metrics_;
}

void CreditsScroller::Tick() {
    std::lock_guard<std::mutex> lock(draw_);
    if (!active_ || stopPosted_) return;
    if (!AdvanceCredits(offset_, layout_.total, cycled_)) {
        // The GUI thread stops the scrolling; until then nothing moves.
        stopPosted_ = true;
        surface_.RequestStop(generation_);
        return;
    }
    // A tick that comes after the picture was freed draws nothing.
    if (!offscreen_ || lines_.empty() || layout_.text.Empty() || !surface_.HasWindow()) return;
    surface_.PaintBackground(layout_);
    for (const CreditsLine& line : VisibleCredits(layout_, metrics_, offset_))
        surface_.DrawLine(lines_[line.index].substr(0, 255), line.rect);
    surface_.CopyToPanel(layout_);
}
