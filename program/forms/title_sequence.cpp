#include "forms/title_sequence.h"

int TitleZoomSteps(int screenWidth) {
    if (screenWidth <= 640) return 60;
    if (screenWidth <= 800) return 80;
    if (screenWidth <= 1024) return 110;
    return 140;
}

DecoRect TitleZoomRect(int width, int height, int steps, int tag) {
    if (steps <= 0) return DecoRect{0, 0, width, height};
    const int k = steps - tag;
    DecoRect r;
    r.width = RoundHalfEven(double(width - 16) * k / steps) + 16;
    r.height = RoundHalfEven(double(height - 12) * k / steps) + 12;
    r.left = (width - r.width) / 2;
    r.top = (height - r.height) / 2;
    return r;
}

void TitleSequence::Show(int screenWidth) {
    steps_ = TitleZoomSteps(screenWidth);
    Step();
}

void TitleSequence::Step() {
    switch (state_) {
        case Created:
            tag_ = steps_;
            host_.SetTimer(true, ZoomInterval);
            host_.Invalidate();
            state_ = Zooming;
            break;
        case Zooming:
            host_.RestoreSound();
            tag_ = 0;
            host_.SetTimer(true, HoldInterval);
            state_ = Holding;
            break;
        case Holding:
        case Finished:
            host_.SetTimer(false, 0);
            state_ = Finished;
            break;
    }
}

void TitleSequence::TimerTick() {
    --tag_;
    host_.Invalidate();
    if (tag_ < 0) Step();
}

bool TitleSequence::Skip() {
    if (!MayFinish) return false;
    if (state_ < Holding) host_.RestoreSound();
    state_ = Holding;
    Step();
    return true;
}

void TitleSequence::Hide() {
    if (state_ != Holding && state_ != Finished) host_.RestoreSound();
    state_ = Finished;
}

bool TitleSequence::EraseBackground() {
    if (Paints() && !firstErase_) return false;
    firstErase_ = false;
    return true;
}
