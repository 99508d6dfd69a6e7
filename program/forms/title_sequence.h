// The title screen's sequence without a window: the zoom's steps and
// rectangles, the timer phases and when the music setting is applied.
#pragma once

#include "controls/decoration_steps.h"

// Zoom steps for the screen width: 60 up to 640, 80 up to 800, 110 up to
// 1024, 140 above.
int TitleZoomSteps(int screenWidth);
// The picture's rectangle in a client of width x height when tag steps of
// the zoom remain: from 16 x 12 at the first step to the whole client.
DecoRect TitleZoomRect(int width, int height, int steps, int tag);

// What the sequence asks of its window.
class TitleHost {
public:
    virtual ~TitleHost() = default;
    virtual void SetTimer(bool on, unsigned interval) = 0;
    virtual void Invalidate() = 0;
    // The music as stored (the main window's RestoreSound).
    virtual void RestoreSound() = 0;
};

class TitleSequence {
public:
    enum State { Created = 1, Zooming, Holding, Finished };
    static constexpr unsigned ZoomInterval = 15, HoldInterval = 5000;

    explicit TitleSequence(TitleHost& host) : host_(host) {}
    // Shown: the steps from the screen width, then the zoom starts.
    void Show(int screenWidth);
    // One transition of the state.
    void Step();
    void TimerTick();
    // A click or key: ends the screen once start-up has set MayFinish;
    // true when it did.
    bool Skip();
    // The window is hidden (also before the hold began).
    void Hide();
    // Whether this background erase paints (the first always does; during
    // the zoom and hold the picture covers everything).
    bool EraseBackground();
    bool Paints() const { return state_ == Zooming || state_ == Holding; }
    // The picture's rectangle now.
    DecoRect PictureRect(int width, int height) const { return TitleZoomRect(width, height, steps_, tag_); }

    bool MayFinish = false;
    State CurrentState() const { return state_; }
    int Steps() const { return steps_; }
    int Tag() const { return tag_; }

private:
    TitleHost& host_;
    State state_ = Created;
    int steps_ = 60;
    int tag_ = 0;
    bool firstErase_ = true;
};
