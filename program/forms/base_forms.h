// Abstract forms through which the program's components reach the main
// window and the pattern print form without knowing them.
#pragma once

#include <string>

#include "forms.h"
#include "forms/skinned_dialog_win32.h"
#include "rtf/rtf_scale_source.h"

class TClassModels;

// The main window's operations that its components need.
class TBaseViewerForm : public TForm {
public:
    TBaseViewerForm(TComponent* owner, const std::string& layoutName) : TForm(owner, layoutName) {}
    // Click handler of the show-patterns button.
    virtual void bShowModelClick(TObject* sender) {}
    // Is the point (doll panel client coordinates) over the show-patterns button?
    virtual bool IsOverShowButton(int x, int y) { return false; }
    virtual bool IsPatternViewVisible() { return false; }
    // The category a click on a preview never makes current; null for none.
    virtual TClassModels* ExcludedCategory() { return nullptr; }
    // Runs before the pattern view opens.
    virtual void AnimationHook() {}
};

// The pattern print form's scale factors of the doll's measurements; a
// skinned dialog like the program's other dialogs.
class TBaseSizeForm : public TSkinnedDialog, public RtfScaleSource {
public:
    TBaseSizeForm(TComponent* owner, const std::string& layoutName) : TSkinnedDialog(owner, layoutName) {}
    long double ScaleX() override { return 0; }
    long double ScaleY() override { return 0; }
};
