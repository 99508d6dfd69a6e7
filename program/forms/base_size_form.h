// The pattern print form's base: the scale factors the description views
// read (see controls/form_links.h), on a skinned dialog like the program's
// other dialogs.
#pragma once

#include <string>

#include "forms/skinned_dialog_win32.h"
#include "rtf/rtf_scale_source.h"

// The pattern print form's scale factors of the doll's measurements.
class TBaseSizeForm : public TSkinnedDialog, public RtfScaleSource {
public:
    TBaseSizeForm(TComponent* owner, const std::string& layoutName) : TSkinnedDialog(owner, layoutName) {}
    long double ScaleX() override { return 0; }
    long double ScaleY() override { return 0; }
};
