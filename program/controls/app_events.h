// A component that lets several owners share the application-wide events
// and pushes hint and mouse settings into the application.
#pragma once

#include <string>

#include "application.h"
#include "classes.h"

using TSettingsChangedEvent = std::function<void(TObject* sender, int flag, const std::string& section, int& result)>;
using TPaintIconEvent = std::function<void(TObject* sender, TCanvas* canvas)>;
using TActionEvent = std::function<void(TObject* action, bool& handled)>;

class TAppEvents : public TComponent {
public:
    explicit TAppEvents(TComponent* owner);
    ~TAppEvents() override;

    // Pushes every setting into the application and the mouse.
    void Loaded() override;
    // Every setting and event above by its name (a layout sets them).
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

    bool Chained() const { return chained_; }
    void SetChained(bool on) { chained_ = on; }
    TColor HintColor() const;
    void SetHintColor(TColor colour);
    int HintPause() const;
    void SetHintPause(int ms);
    bool ShowHint() const;
    void SetShowHint(bool on);
    int HintShortPause() const;
    void SetHintShortPause(int ms);
    int HintHidePause() const;
    void SetHintHidePause(int ms);
    bool ShowMainForm() const;
    void SetShowMainForm(bool on);
    bool UpdateFormatSettings() const;
    void SetUpdateFormatSettings(bool on);
    bool UpdateMetricSettings() const;
    void SetUpdateMetricSettings(bool on);
    bool HintShortCuts() const;
    void SetHintShortCuts(bool on);
    int BiDiMode() const;
    void SetBiDiMode(int mode);
    bool MouseDragImmediate() const;
    void SetMouseDragImmediate(bool on);
    int MouseDragThreshold() const;
    void SetMouseDragThreshold(int pixels);
    std::string BiDiKeyboard() const;
    void SetBiDiKeyboard(const std::string& s);
    std::string NonBiDiKeyboard() const;
    void SetNonBiDiKeyboard(const std::string& s);

    TNotifyEvent OnActivate, OnDeactivate, OnHint, OnMinimize, OnRestore, OnActiveControlChange, OnActiveFormChange;
    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    THelpEvent OnHelp;
    TMessageEvent OnMessage;
    TShowHintEvent OnShowHint;
    TShortCutEvent OnShortCut;
    // The framework has no actions: these are kept for the owner and never raised.
    TActionEvent OnActionExecute, OnActionUpdate;
    TSettingsChangedEvent OnSettingsChanged;
    TPaintIconEvent OnPaintIcon;

private:
    bool Running() const { return (ComponentState() & csDesigning) == 0; }
    bool HookMessage(TMessage& message);

    bool chained_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500;
    bool showHint_ = true;
    int hintShortPause_ = 50;
    int hintHidePause_ = 2500;
    bool showMainForm_ = true;
    bool updateFormatSettings_ = true;
    bool updateMetricSettings_ = true;
    bool hintShortCuts_ = true;
    int biDiMode_ = 0;
    bool mouseDragImmediate_ = true;
    int mouseDragThreshold_ = 5;
    std::string biDiKeyboard_, nonBiDiKeyboard_;
};
