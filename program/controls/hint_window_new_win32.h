// The program's hint window: the text in its inner half over a soft
// elliptical glow blended into the pixels underneath.
#pragma once

#include "forms.h"

class THintWindowNew : public THintWindow {
public:
    explicit THintWindowNew(TComponent* owner);
    void ActivateHint(RECT rect, const std::string& hint) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
};
