#include "controls/carousel.h"

CarouselPlaces CarouselAt(int step, int turnFrames) {
    return CarouselPlaces{TurnPlace(NextPlace, BackPlace, step, turnFrames),
                          TurnPlace(BackPlace, FrontPlace, step, turnFrames),
                          TurnPlace(FrontPlace, NextPlace, step, turnFrames)};
}

bool InFrontPlace(int x, int y) { return FrontPlace.Contains(x, y); }

bool CarouselTurn::Start(int turnFrames) {
    turnFrames_ = turnFrames > 0 ? turnFrames : 0;
    step_ = turnFrames_;
    return step_ > 0;
}

bool CarouselTurn::Tick() {
    if (step_ <= 0) return false;
    return --step_ > 0;
}
