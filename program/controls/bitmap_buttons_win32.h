// A strip of picture buttons drawn from one sprite row or column: invisible
// items mark the hit areas and carry hints; pressing one shows its frame.
#pragma once

#include "controls/base_component.h"
#include "extctrls.h"

class TItemBitmapButtons : public TBaseComponent {
public:
    explicit TItemBitmapButtons(TComponent* owner);
    int Number = 0;         // the frame shown while pressed
    TNotifyEvent OnLClick;  // released inside the item
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
};

class TBitmapButtons : public TBaseComponent {
public:
    explicit TBitmapButtons(TComponent* owner);
    TImage* OrgImage = nullptr;
    int OrgX = 0, OrgY = 0;
    bool HV = false;  // frames side by side
    int State() const { return state_; }
    void SetState(int state);
    // The item whose bounds hold the point, or null.
    TItemBitmapButtons* ItemAt(int x, int y) const;
    TItemBitmapButtons* PressedItem() const { return pressed_; }

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;

private:
    int state_ = 0;
    TItemBitmapButtons* pressed_ = nullptr;
};
