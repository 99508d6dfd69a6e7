#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/title_sequence.h"

namespace {

struct Host : TitleHost {
    bool timerOn = false;
    unsigned interval = 0;
    int invalidated = 0, sounds = 0;
    void SetTimer(bool on, unsigned ms) override {
        timerOn = on;
        if (on) interval = ms;
    }
    void Invalidate() override { ++invalidated; }
    void RestoreSound() override { ++sounds; }
};

// Runs the timer until it stops or the limit of ticks is reached; the ticks run.
int RunTicks(TitleSequence& s, Host& h, unsigned interval, int limit) {
    int ticks = 0;
    while (h.timerOn && h.interval == interval && ticks < limit) {
        s.TimerTick();
        ++ticks;
    }
    return ticks;
}

TEST(TitleScreen, StepsFollowTheScreenWidth) {
    const std::pair<int, int> cases[] = {{640, 60}, {641, 80}, {800, 80}, {1024, 110}, {1280, 140}, {320, 60}};
    for (auto [width, steps] : cases) EXPECT_EQ(TitleZoomSteps(width), steps) << width;
}

TEST(TitleScreen, ZoomRectangles) {
    // First step 16 x 12 in the middle, last the whole client.
    EXPECT_EQ(TitleZoomRect(800, 600, 80, 80), (DecoRect{392, 294, 16, 12}));
    EXPECT_EQ(TitleZoomRect(800, 600, 80, 0), (DecoRect{0, 0, 800, 600}));
    // Half way: 392 + 16 and 294 + 12; a half pixel goes to the even side.
    EXPECT_EQ(TitleZoomRect(800, 600, 80, 40), (DecoRect{196, 147, 408, 306}));
    EXPECT_EQ(TitleZoomRect(17, 13, 2, 1), (DecoRect{0, 0, 16, 12})) << "16.5 and 12.5 round down to even";
    EXPECT_EQ(TitleZoomRect(19, 15, 2, 1), (DecoRect{0, 0, 18, 14})) << "17.5 and 13.5 round up to even";
}

TEST(TitleScreen, ZoomsHoldsAndEndsWithoutInput) {
    Host h;
    TitleSequence s(h);
    EXPECT_TRUE(s.EraseBackground()) << "the first erase paints";
    s.Show(800);
    EXPECT_EQ(s.CurrentState(), TitleSequence::Zooming);
    EXPECT_EQ(s.Steps(), 80);
    EXPECT_FALSE(s.EraseBackground());
    EXPECT_EQ(RunTicks(s, h, 15, 1000), 81) << "steps + 1 ticks of 15 ms";
    EXPECT_EQ(s.CurrentState(), TitleSequence::Holding);
    EXPECT_EQ(h.sounds, 1) << "music starts at the end of the zoom";
    EXPECT_EQ(s.PictureRect(800, 600), (DecoRect{0, 0, 800, 600}));
    EXPECT_EQ(RunTicks(s, h, 5000, 10), 1) << "one hold tick of 5000 ms";
    EXPECT_EQ(s.CurrentState(), TitleSequence::Finished);
    EXPECT_FALSE(h.timerOn);
    s.Hide();
    EXPECT_EQ(h.sounds, 1);
    EXPECT_TRUE(s.EraseBackground());
}

TEST(TitleScreen, InputCountsOnlyOnceStartUpHasEnded) {
    Host h;
    TitleSequence s(h);
    s.Show(1280);
    for (int i = 0; i < 10; ++i) s.TimerTick();
    EXPECT_FALSE(s.Skip()) << "forms still being created";
    EXPECT_EQ(s.CurrentState(), TitleSequence::Zooming);
    s.MayFinish = true;
    EXPECT_TRUE(s.Skip());
    EXPECT_EQ(s.CurrentState(), TitleSequence::Finished);
    EXPECT_FALSE(h.timerOn);
    EXPECT_EQ(h.sounds, 1) << "the music still starts";
    s.Hide();
    EXPECT_EQ(h.sounds, 1);
    // A skip during the hold does not apply the music twice.
    Host h2;
    TitleSequence held(h2);
    held.Show(640);
    RunTicks(held, h2, 15, 1000);
    held.MayFinish = true;
    EXPECT_TRUE(held.Skip());
    EXPECT_EQ(h2.sounds, 1);
}

TEST(TitleScreen, HiddenBeforeTheHoldAppliesTheMusic) {
    Host h;
    TitleSequence s(h);
    s.Show(800);
    s.TimerTick();
    s.Hide();
    EXPECT_EQ(h.sounds, 1);
    EXPECT_EQ(s.CurrentState(), TitleSequence::Finished);
}

}  // namespace
