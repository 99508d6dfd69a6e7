// The switch between the dressed doll and the pattern view: a chain of
// animations where each step starts when the previous one has ended (its
// end is posted back as a message).
#pragma once

#include "controls.h"

// What the sequencer needs of the doll panel.
class TDollAnimation {
public:
    virtual ~TDollAnimation() = default;
    virtual void SetUpAnimation() = 0;
    virtual void FinishAnimation() = 0;
    // Fades out (or hides at once); its end posts WM_DOLL_HIDDEN.
    virtual void StartHiding() = 0;
    // Becomes visible and fades in (or shows at once); its end posts WM_DOLL_SHOWN.
    virtual void StartShowing() = 0;
};

// What the sequencer needs of the pattern view.
class TPatternAnimation {
public:
    virtual ~TPatternAnimation() = default;
    virtual void SetUpAnimation() = 0;
    virtual void FinishAnimation() = 0;
    // Its end posts WM_PATTERNS_OPENED.
    virtual void StartOpening() = 0;
    // Its end posts WM_PATTERNS_CLOSED.
    virtual void StartClosing() = 0;
};

// A zero-size window owned by the main window, which passes it the messages
// WM_SHOW_PATTERNS .. WM_DOLL_SHOWN.
class TShowHide : public TWinControl {
public:
    explicit TShowHide(TComponent* owner);
    ~TShowHide() override;

    TDollAnimation* Models() const { return models_; }
    void SetModels(TDollAnimation* models) { models_ = models; }
    TPatternAnimation* ModelShow() const { return modelShow_; }
    void SetModelShow(TPatternAnimation* view) { modelShow_ = view; }

    // From the main window's creation: patterns not shown, the doll panel
    // and then the pattern view set up.
    void Initialise();
    // From the main window's destruction.
    void Finish();

    bool PatternsShown() const { return patternsShown_; }
    // True while a chain holds the wait cursor.
    bool Waiting() const { return waiting_; }

    void WndProc(TMessage& message) override;
    // Models and ModelShow name components of the form that implement the
    // doll's and the pattern view's animations.
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    void BeginChainWait();
    void EndChainWait();

    TDollAnimation* models_ = nullptr;
    TPatternAnimation* modelShow_ = nullptr;
    bool patternsShown_ = false;
    bool waiting_ = false;
};
