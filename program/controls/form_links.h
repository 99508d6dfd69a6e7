// The forms the controls reach without knowing them: the main window through
// the operations its components need, and the pattern print form through the
// scale factors of its measurements. The forms derive from these and set the
// pointers when they are made.
#pragma once

#include <string>

#include "forms.h"
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

// The one main window; null until it is created.
extern TBaseViewerForm* MainViewerForm;
// The pattern print form, whose measurements scale the descriptions; null
// until it is created.
extern RtfScaleSource* SizeForm;
