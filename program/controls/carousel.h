// The category preview's carousel without a window: the three places of
// the models, where each model stands at a step of the turn, the turn's
// steps, and the click area that turns it.
#pragma once

#include "controls/decoration_steps.h"

// The places inside a big preview (TParts).
constexpr DecoRect BackPlace{59, 6, 24, 170};
constexpr DecoRect FrontPlace{10, 0, 74, 170};
constexpr DecoRect NextPlace{68, 0, 70, 170};

// Where the three drawn models stand at a step of the turn (step counts
// down from turnFrames to 0, the rest): the one leaving for the back (the
// second previous model during a turn, the next one at rest), the previous
// model and the current one.
struct CarouselPlaces {
    DecoRect leaving, previous, current;
};
CarouselPlaces CarouselAt(int step, int turnFrames);

// A click turns the preview only inside the front place.
bool InFrontPlace(int x, int y);

// The turn: started by a click, one step per timer tick (80 ms).
class CarouselTurn {
public:
    // Starts a turn of the strip's frames; false (and nothing to animate)
    // when the strip has no turn frames.
    bool Start(int turnFrames);
    // One tick: the next step; false when the turn has ended (the timer stops).
    bool Tick();
    int Step() const { return step_; }
    int TurnFrames() const { return turnFrames_; }

private:
    int step_ = 0;
    int turnFrames_ = 0;
};
