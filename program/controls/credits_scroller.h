// The scrolling credits: the arithmetic of the text and glyph rectangles,
// the scroll steps and the lines each step shows, and the scroller that
// runs the steps on its timer thread. It draws through a surface (GDI in
// the credits panel, memory in tests).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controls/timer_thread.h"

struct CreditsRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const CreditsRect&) const = default;
};

enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
enum TScrollDirection { sdVertical, sdHorizontal };

// Index of the first line with text after trimming (the count when none has).
int FirstTextLine(const std::vector<std::string>& lines);
// Index of the last line with text, -1 when none has.
int LastTextLine(const std::vector<std::string>& lines);
// Font height and the gap between lines, one more for embossed text.
int CreditsLineHeight(int textHeight, int externalLeading, bool embossed);

// What the layout needs of the panel and its text.
struct CreditsMetrics {
    CreditsRect client;
    int border = 0;  // border width plus the width of each bevel drawn
    int glyphWidth = 0, glyphHeight = 0;
    TGlyphLayout layout = glGlyphLeft;
    TScrollDirection direction = sdVertical;
    int lineHeight = 1;
    int lineCount = 0;
    int firstLine = 0;   // FirstTextLine
    int lastLine = -1;   // LastTextLine
    int widestLine = 0;  // pixels, lines from firstLine on
};

struct CreditsLayout {
    CreditsRect paint;  // the client area inside the border
    CreditsRect text;   // where the text scrolls; (0,0,0,0) when empty
    int glyphX = 0, glyphY = 0;
    int total = 0;  // scroll length in pixels
};

CreditsLayout LayoutCredits(const CreditsMetrics& m);

// One step: the next offset, or 0 again when cycled; false when the text
// has scrolled out and the scrolling must stop.
bool AdvanceCredits(int& offset, int total, bool cycled);

// A line to draw in the off-screen picture (text-rectangle coordinates).
struct CreditsLine {
    int index;  // into the lines
    CreditsRect rect;
};
// The lines a step shows at this offset; the blank after the last line is
// never listed.
std::vector<CreditsLine> VisibleCredits(const CreditsLayout& layout, const CreditsMetrics& m, int offset);

// What the scroller draws on. Every call but RequestStop comes from a tick
// (the timer thread) or from Start and Stop (the GUI thread), never both
// at once.
class CreditsSurface {
public:
    virtual ~CreditsSurface() = default;
    // Client size, border, glyph, line height and widest line of the
    // panel now (GUI thread); the scroller counts the lines itself.
    virtual CreditsMetrics Measure(const std::vector<std::string>& lines) = 0;
    virtual void CreateOffscreen(int width, int height) = 0;
    virtual void FreeOffscreen() = 0;
    // The panel's window exists.
    virtual bool HasWindow() = 0;
    // Fills the background of the off-screen picture; the picture's origin
    // lies at the text rectangle's top-left of the paint rectangle.
    virtual void PaintBackground(const CreditsLayout& layout) = 0;
    virtual void DrawLine(const std::string& text, const CreditsRect& rect) = 0;
    // Copies the off-screen picture to the panel at the text rectangle.
    virtual void CopyToPanel(const CreditsLayout& layout) = 0;
    // Asks the GUI thread to call StopRequested(generation) later; must not wait.
    virtual void RequestStop(uint64_t generation) = 0;
};

class CreditsScroller {
public:
    // With a timer of its own (a timer thread, 30 ms), or driven by the
    // owner's, whose ticks the owner passes to Tick and which it destroys
    // before the scroller.
    explicit CreditsScroller(CreditsSurface& surface, TickSource* timer = nullptr);
    // Joins the timer thread before anything it uses goes.
    ~CreditsScroller();
    CreditsScroller(const CreditsScroller&) = delete;
    CreditsScroller& operator=(const CreditsScroller&) = delete;

    // GUI thread: set while inactive (or restart to take effect).
    void SetLines(std::vector<std::string> lines);
    const std::vector<std::string>& Lines() const { return lines_; }
    // Restart at the end instead of stopping.
    void SetCycled(bool on);
    bool Cycled() const;
    void SetInterval(unsigned ms) { timer_->SetInterval(ms); }
    unsigned Interval() const { return timer_->Interval(); }
    TickSource& Timer() { return *timer_; }

    // GUI thread. Start: offset 0, layout, off-screen picture, timer on.
    void Start();
    // GUI thread: timer off (no tick runs after), off-screen picture freed.
    // False when inactive or when already stopping (a stop handler that
    // stops again).
    bool Stop();
    // GUI thread: the hand-over of a tick that reached the end. A request
    // of an earlier run (stopped and started again meanwhile) is ignored.
    bool StopRequested(uint64_t generation);
    // Lays out again under the drawing lock (GUI thread, while active).
    void Recalculate();

    bool Active() const { return active_; }
    bool Stopping() const { return stopping_; }
    uint64_t Generation() const { return generation_; }
    int Offset() const;
    CreditsLayout Layout() const;
    CreditsMetrics Metrics() const;

    // One scroll step: the timer thread runs it; tests call it directly.
    void Tick();

private:
    void RecalculateLocked();
    CreditsSurface& surface_;
    std::vector<std::string> lines_;
    // The one lock of the scrolling: ticks, layout and the stop. It lives
    // as long as the scroller, longer than any off-screen picture.
    mutable std::mutex draw_;
    CreditsMetrics metrics_;
    CreditsLayout layout_;
    int offset_ = 0;
    bool cycled_ = false;
    bool offscreen_ = false;
    bool stopPosted_ = false;
    bool active_ = false;
    bool stopping_ = false;
    uint64_t generation_ = 0;
    std::unique_ptr<TTimerThread> ownTimer_;
    TickSource* timer_;
};
