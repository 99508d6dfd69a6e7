// The caption bar of the dialogs: a skin background for each state (mouse
// over it or not), its bitmap buttons shown only while the mouse is over it.
#pragma once

#include "controls/skinned_panels.h"
#include "extctrls.h"

class TCaptionBarPlus : public TCaptionBar {
public:
    explicit TCaptionBarPlus(TComponent* owner);
    TImage* BkActiv = nullptr;
    int XBkActiv = 0, YBkActiv = 0;
    TImage* BkPassiv = nullptr;
    int XBkPassiv = 0, YBkPassiv = 0;
    bool ShowNameActiv = true, ShowNamePassiv = true;
    bool IsActive() const { return active_; }
    // Both backgrounds from one skin picture at one place.
    void SetBackground(TImage* skin, int x, int y);

    void MouseEnter() override;
    void MouseLeave() override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;

private:
    void SetActiveState(bool on);
    bool active_ = false;
};
