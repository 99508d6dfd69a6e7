#include <gtest/gtest.h>

#include "controls/carousel.h"
#include "controls/decoration_steps.h"
#include "forms/main_notices.h"

namespace {

TEST(FlyingNotice, GrowsStandsAndShrinks) {
    // The main window's notices: 10 frames growing, 20 standing, 6 shrinking.
    const FlyFrames f{10, 20, 6};
    int frame = 0;
    std::vector<double> factors;
    bool flying = true;
    int ticks = 0;
    while (flying) {
        factors.push_back(FlyFactor(f, frame));
        flying = FlyTick(f, frame);
        ++ticks;
    }
    EXPECT_EQ(ticks, 36);
    ASSERT_EQ(factors.size(), 36u);
    for (int i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(factors[i], i / 10.0) << i;
    for (int i = 10; i < 30; ++i) EXPECT_DOUBLE_EQ(factors[i], 1.0) << i;
    for (int i = 30; i < 36; ++i) EXPECT_DOUBLE_EQ(factors[i], (36 - i) / 6.0) << i;
}

TEST(FlyingNotice, RectanglesBetweenStartAndEnd) {
    const DecoRect client{0, 0, 220, 80};
    const DecoRect start = FlyStart(nullptr, client), end = FlyEnd(nullptr, client);
    EXPECT_EQ(start, (DecoRect{110, 40, 0, 0}));
    EXPECT_EQ(end, client);
    const FlyFrames f{10, 20, 6};
    EXPECT_EQ(FlyRect(f, 0, start, end, client), start);
    EXPECT_EQ(FlyRect(f, 15, start, end, client), client);
    // Frame 5: half way, 55 and 20 are exact; frame 1: 11 x 8 centred; halves go to even.
    EXPECT_EQ(FlyRect(f, 5, start, end, client), (DecoRect{55, 20, 110, 40}));
    EXPECT_EQ(FlyRect(f, 1, start, end, client), (DecoRect{99, 36, 22, 8}));
    const DecoRect odd{0, 0, 5, 5};
    EXPECT_EQ(FlyRect(FlyFrames{2, 0, 0}, 1, DecoRect{}, odd, odd), (DecoRect{0, 0, 2, 2})) << "2.5 rounds to 2";
    // No frames: the whole client; no shrinking frames: never divided by.
    EXPECT_EQ(FlyRect(FlyFrames{}, 3, start, end, client), client);
    EXPECT_DOUBLE_EQ(FlyFactor(FlyFrames{2, 2, 0}, 4), 0.0);
    // A start window over the save button, given in form coordinates.
    const DecoRect save = MinWindowRect(DecoRect{421, 403, 80, 72}, 324, 400);
    EXPECT_EQ(save, (DecoRect{97, 3, 80, 72}));
    EXPECT_EQ(FlyRect(f, 0, FlyStart(&save, client), end, client), save);
}

TEST(Decorations, StripFramesAndHotSpots) {
    EXPECT_EQ(StripFrame(100, 50, 20, 10, 3, true), (DecoRect{160, 50, 20, 10}));
    EXPECT_EQ(StripFrame(100, 50, 20, 10, 3, false), (DecoRect{100, 80, 20, 10}));

    std::vector<ZamorSpot> spots(4);
    spots[0] = {false, true, false, {0, 0, 50, 50}};  // no animation
    spots[1] = {true, true, true, {0, 0, 50, 50}};    // only with the doll
    spots[2] = {true, false, false, {0, 0, 50, 50}};  // no hot spot
    spots[3] = {true, true, false, {10, 10, 40, 40}};
    EXPECT_EQ(PickZamor(spots, 20, 20, true), 1);
    EXPECT_EQ(PickZamor(spots, 20, 20, false), 3) << "the pattern view is open: the next one starts";
    EXPECT_EQ(PickZamor(spots, 50, 50, false), 3) << "edges included";
    EXPECT_EQ(PickZamor(spots, 51, 50, false), -1);
}

TEST(HintWindow, GlowAndPlacement) {
    EXPECT_DOUBLE_EQ(GlowWeight(50, 20, 100, 40), 1.0);
    EXPECT_DOUBLE_EQ(GlowWeight(0, 20, 100, 40), 0.0);
    EXPECT_DOUBLE_EQ(GlowWeight(0, 0, 100, 40), 0.0) << "limited to 0";
    EXPECT_DOUBLE_EQ(GlowWeight(75, 30, 100, 40), 0.5);
    EXPECT_EQ(GlowChannel(255, 186, 0.5), 221) << "-34.5 rounds to the even -34";
    EXPECT_EQ(GlowChannel(0, 83, 1.0), 83);
    EXPECT_EQ(GlowChannel(10, 83, 0.0), 10);
    EXPECT_EQ(GlowWeight(3, 0, 1, 1), 0.0);

    // Near the bottom, covering the pointer: moved above it.
    HintPlace p = PlaceHint(100, 560, 200, 80, 800, 600, 540);
    EXPECT_EQ(p.top, 540 - 80);
    EXPECT_EQ(p.left, 100);
    // Near the bottom, pointer elsewhere: on the bottom edge.
    p = PlaceHint(100, 560, 200, 80, 800, 600, 100);
    EXPECT_EQ(p.top, 520);
    // Past the right edge; and a pointer at the very top keeps the hint on screen.
    p = PlaceHint(700, 10, 200, 80, 800, 600, 5);
    EXPECT_EQ(p.left, 600);
    EXPECT_EQ(p.top, 10);
    p = PlaceHint(-5, 590, 200, 700, 800, 600, 10);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
}

TEST(Carousel, TurnPlacesAndFrames) {
    const DecoRect next{68, 0, 70, 170}, back{59, 6, 24, 170}, front{10, 0, 74, 170};
    EXPECT_EQ(TurnFramesOf(136 * 7, 136), 5);
    EXPECT_EQ(TurnFramesOf(136 * 2, 136), 0);
    EXPECT_EQ(TurnFramesOf(136, 136), 0) << "a strip of one frame has no turn";
    EXPECT_EQ(TurnFramesOf(500, 0), 0);
    EXPECT_EQ(TurnPlace(next, back, 0, 5), next);
    EXPECT_EQ(TurnPlace(next, back, 5, 5), back);
    // Step 1 of 4: x 68 - 2.25, y 1.5 -> 2 (even), width 70 - 11.5 -> 58.5 -> 70 - 12.
    EXPECT_EQ(TurnPlace(next, back, 1, 4), (DecoRect{66, 2, 58, 170}));
    EXPECT_EQ(TurnPlace(back, front, 2, 4), (DecoRect{35, 3, 49, 170})) << "-24.5 rounds to -24";
    // Without turn frames nothing divides: every model stands at its place.
    EXPECT_EQ(TurnPlace(next, back, 0, 0), next);
    EXPECT_EQ(TurnPlace(front, next, 3, 0), front);
}

TEST(Carousel, ATurnMovesEachModelOnePlaceOn) {
    // At rest: current in front, previous at the back, next at the next place.
    CarouselPlaces rest = CarouselAt(0, 5);
    EXPECT_EQ(rest.current, FrontPlace);
    EXPECT_EQ(rest.previous, BackPlace);
    EXPECT_EQ(rest.leaving, NextPlace);
    // The first frame of a turn: the new current comes from the next place.
    CarouselPlaces start = CarouselAt(5, 5);
    EXPECT_EQ(start.current, NextPlace);
    EXPECT_EQ(start.previous, FrontPlace);
    EXPECT_EQ(start.leaving, BackPlace);

    CarouselTurn turn;
    ASSERT_TRUE(turn.Start(5));
    std::vector<int> steps{turn.Step()};
    while (turn.Tick()) steps.push_back(turn.Step());
    steps.push_back(turn.Step());
    EXPECT_EQ(steps, (std::vector<int>{5, 4, 3, 2, 1, 0}));
    EXPECT_FALSE(turn.Tick());
    // A strip without turn frames: no turn, and every place is the resting one.
    EXPECT_FALSE(turn.Start(TurnFramesOf(136 * 2, 136)));
    EXPECT_EQ(turn.Step(), 0);
    EXPECT_EQ(CarouselAt(turn.Step(), turn.TurnFrames()).current, FrontPlace);
    EXPECT_FALSE(turn.Start(-3));

    EXPECT_TRUE(InFrontPlace(10, 0));
    EXPECT_TRUE(InFrontPlace(83, 169));
    EXPECT_FALSE(InFrontPlace(84, 10));
    EXPECT_FALSE(InFrontPlace(9, 10));
    EXPECT_FALSE(InFrontPlace(20, 170));
}

TEST(FlyingNotice, SaveAndRestoreFlyFromTheirButtons) {
    const DecoRect client{0, 0, DoneNoticeBounds.width, DoneNoticeBounds.height};
    const DecoRect save = MinWindowSaveRect(), load = MinWindowLoadRect();
    // Both inside the notice, each over its own half of the strip.
    for (const DecoRect& w : {save, load}) {
        EXPECT_TRUE(client.Contains(w.left, w.top));
        EXPECT_TRUE(client.Contains(w.left + w.width - 1, w.top + w.height - 1));
    }
    EXPECT_EQ(save.left + DoneNoticeBounds.left, SlotStripBounds.left + SlotStripBounds.width / 2);
    EXPECT_EQ(load.left + DoneNoticeBounds.left, SlotStripBounds.left);
    const FlyFrames f{10, 20, 6};
    EXPECT_EQ(FlyRect(f, 0, FlyStart(&save, client), FlyEnd(nullptr, client), client), save);
    EXPECT_EQ(FlyRect(f, 0, FlyStart(&load, client), FlyEnd(nullptr, client), client), load);
    EXPECT_EQ(FlyRect(f, 10, FlyStart(&load, client), FlyEnd(nullptr, client), client), client);
}

}  // namespace
