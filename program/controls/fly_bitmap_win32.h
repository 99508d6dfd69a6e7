// A notice picture that flies out of a small rectangle, stands and flies
// back, over a snapshot of the form beneath it; and the invisible marker
// rectangles its flight starts and ends at.
#pragma once

#include <memory>

#include "bitmap.h"
#include "controls.h"
#include "controls/decoration_steps.h"
#include "extctrls.h"
#include "timer.h"

class TMinWindow : public TCustomControl {
public:
    explicit TMinWindow(TComponent* owner);
    void WndProc(TMessage& message) override;
};

class TFlyBitmap : public TCustomControl {
public:
    explicit TFlyBitmap(TComponent* owner);
    ~TFlyBitmap() override;

    TMinWindow* MinWindow1 = nullptr;
    TMinWindow* MinWindow2 = nullptr;
    int StateBefore = 10, StateStatic = 20, StateAfter = 6;
    unsigned Interval() const { return timer_->Interval(); }
    void SetInterval(unsigned ms) { timer_->SetInterval(ms); }
    // Reads as visible; writing starts or stops a flight.
    bool FlyEnabled() const { return Visible(); }
    void SetFlyEnabled(bool on);
    TImage* OrgImage = nullptr;
    int OrgX = 0, OrgY = 0, OrgWidth = 0, OrgHeight = 0;
    TControl* MainForm = nullptr;
    int Frame() const { return frame_; }
    // The rectangle of the notice picture at the current frame.
    DecoRect CurrentRect() const;

    void Click() override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;

private:
    void Tick();
    FlyFrames Frames() const { return FlyFrames{StateBefore, StateStatic, StateAfter}; }
    std::unique_ptr<TTimer> timer_;
    std::unique_ptr<TBitmap> background_;
    int frame_ = 0;
};
