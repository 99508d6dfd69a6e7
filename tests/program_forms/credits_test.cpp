#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "controls/credits_scroller.h"

namespace {

using namespace std::chrono_literals;

CreditsMetrics Panel(int w, int h, int border, int gw, int gh, TGlyphLayout layout) {
    CreditsMetrics m;
    m.client = {0, 0, w, h};
    m.border = border;
    m.glyphWidth = gw;
    m.glyphHeight = gh;
    m.layout = layout;
    return m;
}

TEST(CreditsLayout, GlyphBesideTheText) {
    // The about box: 342 x 243, two bevels of one pixel, text inset by 3 more.
    struct Case {
        TGlyphLayout layout;
        int gw, gh;
        CreditsRect text;
        int gx, gy;
    } cases[] = {
        {glGlyphTop, 100, 50, {5, 66, 337, 238}, 121, 8},
        {glGlyphBottom, 40, 30, {5, 5, 337, 197}, 151, 205},
        {glGlyphLeft, 40, 30, {53, 5, 337, 238}, 8, 106},
        {glGlyphRight, 40, 30, {5, 5, 289, 238}, 294, 106},
        // No glyph: the text keeps its sides; the glyph spot is not moved by 3.
        {glGlyphTop, 0, 0, {5, 5, 337, 238}, 171, 5},
        {glGlyphLeft, 0, 0, {5, 5, 337, 238}, 5, 121},
        // A glyph wider than the text stays at the text's edge.
        {glGlyphRight, 400, 10, {5, 5, 0, 238}, 5, 116},
    };
    for (const Case& c : cases) {
        CreditsLayout l = LayoutCredits(Panel(342, 243, 2, c.gw, c.gh, c.layout));
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " glyph " << c.gw);
        EXPECT_EQ(l.paint, (CreditsRect{2, 2, 340, 241}));
        if (c.text.Empty())
            EXPECT_EQ(l.text, CreditsRect{});
        else
            EXPECT_EQ(l.text, c.text);
        EXPECT_EQ(l.glyphX, c.gx);
        EXPECT_EQ(l.glyphY, c.gy);
    }
}

TEST(CreditsLayout, ScrollLengths) {
    CreditsMetrics m = Panel(342, 243, 2, 0, 0, glGlyphLeft);
    m.lineHeight = 20;
    m.lineCount = 7;
    m.firstLine = 2;
    m.lastLine = 4;
    m.widestLine = 500;
    // Vertical: the text rectangle's height, then the lines from the first with text.
    CreditsLayout v = LayoutCredits(m);
    EXPECT_EQ(v.total, 233 + 5 * 20);
    // Horizontal: the text rectangle narrows to the lines 2..4, centred.
    m.direction = sdHorizontal;
    CreditsLayout h = LayoutCredits(m);
    EXPECT_EQ(h.text, (CreditsRect{5, 5 + (233 - 60) / 2, 337, 5 + (233 - 60) / 2 + 60}));
    EXPECT_EQ(h.total, 500 + 332);
    // A panel too small for any text.
    CreditsLayout tiny = LayoutCredits(Panel(8, 8, 2, 0, 0, glGlyphLeft));
    EXPECT_EQ(tiny.text, CreditsRect{});
    EXPECT_EQ(tiny.total, 0);
}

TEST(CreditsLayout, StepsAndVisibleLines) {
    int offset = 4;
    EXPECT_TRUE(AdvanceCredits(offset, 5, false));
    EXPECT_EQ(offset, 5);
    EXPECT_FALSE(AdvanceCredits(offset, 5, false));
    EXPECT_EQ(offset, 5);
    EXPECT_TRUE(AdvanceCredits(offset, 5, true));
    EXPECT_EQ(offset, 0);

    // Text area 100 high, lines 20 high, two blank lines first.
    CreditsMetrics m;
    m.lineHeight = 20;
    m.lineCount = 5;
    m.firstLine = FirstTextLine({"", " \t", "A", "B", "C"});
    ASSERT_EQ(m.firstLine, 2);
    CreditsLayout l;
    l.text = {0, 0, 80, 100};
    l.total = 100 + 3 * 20;
    EXPECT_TRUE(VisibleCredits(l, m, 0).empty()) << "starts below the bottom";
    auto first = VisibleCredits(l, m, 1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].index, 2);
    EXPECT_EQ(first[0].rect, (CreditsRect{0, 99, 80, 119}));
    auto mid = VisibleCredits(l, m, 30);
    ASSERT_EQ(mid.size(), 2u);
    EXPECT_EQ(mid[1].index, 3);
    EXPECT_EQ(mid[1].rect.top, 90);
    // At the end of the scroll the last line has just left the top.
    EXPECT_TRUE(VisibleCredits(l, m, l.total).empty());
    EXPECT_EQ(VisibleCredits(l, m, l.total - 1).back().index, 4);
}

// A surface in memory. It checks what the drawing lock promises: no
// drawing without an off-screen picture, never two calls at once.
class MemorySurface : public CreditsSurface {
public:
    CreditsMetrics base = Panel(60, 40, 0, 0, 0, glGlyphTop);
    int lineHeight = 10;
    std::atomic<int> creates{0}, frees{0}, copies{0}, violations{0};
    std::atomic<bool> window{true};
    std::vector<std::string> drawn;  // lines of the last step
    std::function<void()> onFree;

    CreditsMetrics Measure(const std::vector<std::string>&) override {
        CreditsMetrics m = base;
        m.lineHeight = lineHeight;
        return m;
    }
    void CreateOffscreen(int, int) override {
        Enter();
        exists_ = true;
        ++creates;
        Leave();
    }
    void FreeOffscreen() override {
        Enter();
        exists_ = false;
        ++frees;
        Leave();
        if (onFree) onFree();
    }
    bool HasWindow() override { return window; }
    void PaintBackground(const CreditsLayout&) override {
        Enter();
        if (!exists_) ++violations;
        drawn.clear();
        Leave();
    }
    void DrawLine(const std::string& text, const CreditsRect&) override {
        Enter();
        if (!exists_) ++violations;
        drawn.push_back(text);
        std::this_thread::yield();
        Leave();
    }
    void CopyToPanel(const CreditsLayout&) override {
        Enter();
        if (!exists_) ++violations;
        ++copies;
        Leave();
    }
    void RequestStop(uint64_t generation) override {
        {
            std::lock_guard<std::mutex> lock(queueLock_);
            requests_.push_back(generation);
        }
        queued_.notify_all();
    }
    // The GUI thread's side: the next stop hand-over, waiting for it.
    bool NextRequest(uint64_t& generation, std::chrono::seconds wait = 120s) {
        std::unique_lock<std::mutex> lock(queueLock_);
        if (!queued_.wait_for(lock, wait, [&] { return !requests_.empty(); })) return false;
        generation = requests_.front();
        requests_.pop_front();
        return true;
    }
    size_t Pending() {
        std::lock_guard<std::mutex> lock(queueLock_);
        return requests_.size();
    }

private:
    void Enter() {
        if (busy_.exchange(true)) ++violations;
    }
    void Leave() { busy_ = false; }
    std::atomic<bool> busy_{false};
    bool exists_ = false;
    std::mutex queueLock_;
    std::condition_variable queued_;
    std::deque<uint64_t> requests_;
};

// Steps driven by hand: the timer's interval is an hour.
struct ManualScroller {
    MemorySurface surface;
    CreditsScroller scroller{surface};
    ManualScroller() { scroller.SetInterval(3600000); }
};

TEST(CreditsScroller, ScrollsToTheEndAndHandsTheStopOver) {
    ManualScroller f;
    f.scroller.SetLines({"", "Made by", "us"});
    f.scroller.Start();
    ASSERT_TRUE(f.scroller.Active());
    EXPECT_EQ(f.surface.creates, 1);
    // Text area 54 x 34 (inset by 3), two lines of 10 from the first with text.
    const int total = f.scroller.Layout().total;
    ASSERT_EQ(total, 34 + 20);
    f.scroller.Tick();
    EXPECT_EQ(f.surface.drawn, (std::vector<std::string>{"Made by"}));
    for (int i = 1; i < 20; ++i) f.scroller.Tick();
    EXPECT_EQ(f.surface.drawn, (std::vector<std::string>{"Made by", "us"}));
    for (int i = 20; i < total; ++i) f.scroller.Tick();
    EXPECT_EQ(f.scroller.Offset(), total);
    EXPECT_EQ(f.surface.Pending(), 0u);
    const int copies = f.surface.copies;
    f.scroller.Tick();  // past the end: the stop goes to the GUI thread
    f.scroller.Tick();  // and nothing more happens until it has run
    EXPECT_EQ(f.surface.Pending(), 1u);
    EXPECT_EQ(f.surface.copies, copies);
    uint64_t generation = 0;
    ASSERT_TRUE(f.surface.NextRequest(generation, 0s));
    EXPECT_TRUE(f.scroller.StopRequested(generation));
    EXPECT_FALSE(f.scroller.Active());
    EXPECT_EQ(f.surface.frees, 1);
    EXPECT_EQ(f.scroller.Offset(), 0);
    EXPECT_EQ(f.surface.violations, 0);
}

TEST(CreditsScroller, EmptyTextDrawsNothingAndStopsAfterTheTextHeight) {
    ManualScroller f;
    f.scroller.Start();
    ASSERT_EQ(f.scroller.Layout().total, 34);
    for (int i = 0; i < 34; ++i) f.scroller.Tick();
    EXPECT_EQ(f.surface.copies, 0);
    EXPECT_EQ(f.surface.Pending(), 0u);
    f.scroller.Tick();
    EXPECT_EQ(f.surface.Pending(), 1u);
}

TEST(CreditsScroller, CycledNeverStops) {
    ManualScroller f;
    f.scroller.SetLines({"a"});
    f.scroller.SetCycled(true);
    f.scroller.Start();
    const int total = f.scroller.Layout().total;
    for (int i = 0; i < 3 * (total + 1); ++i) f.scroller.Tick();
    EXPECT_EQ(f.surface.Pending(), 0u);
    EXPECT_TRUE(f.scroller.Active());
    EXPECT_EQ(f.scroller.Offset(), (3 * (total + 1)) % (total + 1));
}

TEST(CreditsScroller, AStaleStopIsIgnored) {
    ManualScroller f;
    f.scroller.SetLines({"a"});
    f.scroller.Start();
    const int total = f.scroller.Layout().total;
    for (int i = 0; i <= total; ++i) f.scroller.Tick();
    uint64_t stale = 0;
    ASSERT_TRUE(f.surface.NextRequest(stale, 0s));
    // The user clicked first and the box was shown again before the
    // hand-over ran: the new run goes on from the bottom.
    EXPECT_TRUE(f.scroller.Stop());
    f.scroller.Start();
    EXPECT_EQ(f.scroller.Offset(), 0);
    EXPECT_FALSE(f.scroller.StopRequested(stale));
    EXPECT_TRUE(f.scroller.Active());
    f.scroller.Tick();
    EXPECT_EQ(f.scroller.Offset(), 1);
}

TEST(CreditsScroller, StopIsNotReentrant) {
    ManualScroller f;
    f.scroller.SetLines({"a"});
    int inner = -1;
    // A stop handler that stops again (the about box's stop closes it,
    // and closing stops the panel) finds the stop under way.
    f.surface.onFree = [&] { inner = f.scroller.Stop(); };
    f.scroller.Start();
    EXPECT_TRUE(f.scroller.Stop());
    EXPECT_EQ(inner, 0);
    EXPECT_FALSE(f.scroller.Stop());
    EXPECT_EQ(f.surface.frees, 1);
    // Starting twice makes one picture.
    f.surface.onFree = nullptr;
    f.scroller.Start();
    f.scroller.Start();
    EXPECT_EQ(f.surface.creates, 2);
}

TEST(CreditsScroller, TicksWithoutAWindowOnlyScroll) {
    ManualScroller f;
    f.scroller.SetLines({"a"});
    f.surface.window = false;
    f.scroller.Start();
    f.scroller.Tick();
    EXPECT_EQ(f.scroller.Offset(), 1);
    EXPECT_EQ(f.surface.copies, 0);
}

TEST(CreditsScroller, RunsOnItsThreadToTheEnd) {
    MemorySurface surface;
    CreditsScroller scroller(surface);
    scroller.SetInterval(1);
    scroller.SetLines({"one", "two"});
    scroller.Start();
    uint64_t generation = 0;
    ASSERT_TRUE(surface.NextRequest(generation));
    EXPECT_EQ(generation, scroller.Generation());
    EXPECT_TRUE(scroller.StopRequested(generation));
    EXPECT_GT(surface.copies, 0);
    EXPECT_EQ(surface.violations, 0);
}

TEST(CreditsScroller, StopsAndRestartsWhileTheThreadDraws) {
    MemorySurface surface;
    CreditsScroller scroller(surface);
    scroller.SetInterval(1);
    scroller.SetLines({"one", "two", "three", "four", "five", "six", "seven", "eight"});
    for (int round = 0; round < 25; ++round) {
        scroller.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        EXPECT_TRUE(scroller.Stop());
    }
    // Destroyed while running: the thread is joined before the picture goes.
    {
        MemorySurface other;
        {
            CreditsScroller running(other);
            running.SetInterval(1);
            running.SetLines({"x"});
            running.Start();
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_EQ(other.frees, 1);
        EXPECT_EQ(other.violations, 0);
    }
    EXPECT_EQ(surface.violations, 0);
    EXPECT_EQ(surface.creates, 25);
    EXPECT_EQ(surface.frees, 25);
}

TEST(CreditsScroller, DrivenByTheOwnersTimer) {
    struct OwnersTimer : TickSource {
        bool on = false;
        unsigned ms = 30;
        bool Enabled() const override { return on; }
        void SetEnabled(bool v) override { on = v; }
        unsigned Interval() const override { return ms; }
        void SetInterval(unsigned v) override { ms = v; }
    } timer;
    MemorySurface surface;
    {
        CreditsScroller scroller(surface, &timer);
        scroller.SetLines({"a"});
        EXPECT_FALSE(timer.on);
        scroller.Start();
        EXPECT_TRUE(timer.on);
        scroller.Tick();
        EXPECT_EQ(scroller.Offset(), 1);
        EXPECT_TRUE(scroller.Stop());
        EXPECT_FALSE(timer.on);
        scroller.Start();
    }
    // Destroyed while active, its picture goes with it.
    EXPECT_EQ(surface.creates, 2);
    EXPECT_EQ(surface.frees, 2);
}

}  // namespace
