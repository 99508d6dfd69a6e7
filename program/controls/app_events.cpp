#include "controls/app_events.h"

#include <algorithm>
#include <vector>

#include "layout.h"
#include "layout_values.h"

namespace {

// The live components in order of creation, and the application's and
// screen's own handlers as they were before the first one came.
class TAppEventList {
public:
    void Add(TAppEvents* events) {
        if (items_.empty()) Install();
        items_.push_back(events);
    }
    void Remove(TAppEvents* events) {
        items_.erase(std::remove(items_.begin(), items_.end(), events), items_.end());
        if (items_.empty()) Uninstall();
    }

private:
    bool Alive(TAppEvents* events) const { return std::find(items_.begin(), items_.end(), events) != items_.end(); }

    // Walks from the latest component to the first; call returns true to
    // stop the walk. The saved handler runs when the walk reaches the end.
    template <class Call, class Saved>
    bool Walk(Call call, Saved saved) {
        std::vector<TAppEvents*> snapshot = items_;
        for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
            if (!Alive(*it)) continue;
            if (call(*it)) return false;
            if (!(*it)->Chained()) return false;
        }
        saved();
        return true;
    }

    template <class Member>
    void Notify(Member member, TObject* sender, TNotifyEvent& saved) {
        Walk(
            [&](TAppEvents* e) {
                if (e->*member) (e->*member)(sender);
                return false;
            },
            [&] {
                if (saved) saved(sender);
            });
    }

    void Install() {
        saved_.OnActivate = Application->OnActivate;
        saved_.OnDeactivate = Application->OnDeactivate;
        saved_.OnException = Application->OnException;
        saved_.OnIdle = Application->OnIdle;
        saved_.OnHelp = Application->OnHelp;
        saved_.OnHint = Application->OnHint;
        saved_.OnMessage = Application->OnMessage;
        saved_.OnMinimize = Application->OnMinimize;
        saved_.OnRestore = Application->OnRestore;
        saved_.OnShowHint = Application->OnShowHint;
        saved_.OnShortCut = Application->OnShortCut;
        saved_.OnActiveControlChange = Screen->OnActiveControlChange;
        saved_.OnActiveFormChange = Screen->OnActiveFormChange;

        Application->OnActivate = [this](TObject* s) { Notify(&TAppEvents::OnActivate, s, saved_.OnActivate); };
        Application->OnDeactivate = [this](TObject* s) { Notify(&TAppEvents::OnDeactivate, s, saved_.OnDeactivate); };
        Application->OnHint = [this](TObject* s) { Notify(&TAppEvents::OnHint, s, saved_.OnHint); };
        Application->OnMinimize = [this](TObject* s) { Notify(&TAppEvents::OnMinimize, s, saved_.OnMinimize); };
        Application->OnRestore = [this](TObject* s) { Notify(&TAppEvents::OnRestore, s, saved_.OnRestore); };
        Screen->OnActiveControlChange = [this](TObject* s) {
            Notify(&TAppEvents::OnActiveControlChange, s, saved_.OnActiveControlChange);
        };
        Screen->OnActiveFormChange = [this](TObject* s) {
            Notify(&TAppEvents::OnActiveFormChange, s, saved_.OnActiveFormChange);
        };
        Application->OnException = [this](TObject* sender, Exception& error) {
            bool ran = false;
            Walk(
                [&](TAppEvents* e) {
                    if (e->OnException) {
                        e->OnException(sender, error);
                        ran = true;
                    }
                    return false;
                },
                [&] {
                    if (saved_.OnException) {
                        saved_.OnException(sender, error);
                        ran = true;
                    }
                });
            if (!ran) Application->ShowException(error);
        };
        Application->OnIdle = [this](TObject* sender, bool& done) {
            Walk(
                [&](TAppEvents* e) {
                    if (e->OnIdle) e->OnIdle(sender, done);
                    return false;
                },
                [&] {
                    if (saved_.OnIdle) saved_.OnIdle(sender, done);
                });
        };
        Application->OnHelp = [this](WORD command, int data, bool& callHelp) {
            bool result = false;
            Walk(
                [&](TAppEvents* e) {
                    if (e->OnHelp) result = e->OnHelp(command, data, callHelp);
                    return false;
                },
                [&] {
                    if (saved_.OnHelp) result = saved_.OnHelp(command, data, callHelp);
                });
            return result;
        };
        Application->OnMessage = [this](MSG& msg, bool& handled) {
            Walk(
                [&](TAppEvents* e) {
                    if (e->OnMessage) e->OnMessage(msg, handled);
                    return handled;
                },
                [&] {
                    if (saved_.OnMessage) saved_.OnMessage(msg, handled);
                });
        };
        Application->OnShortCut = [this](WORD key, TShiftState shift, bool& handled) {
            Walk(
                [&](TAppEvents* e) {
                    if (e->OnShortCut) e->OnShortCut(key, shift, handled);
                    return handled;
                },
                [&] {
                    if (saved_.OnShortCut) saved_.OnShortCut(key, shift, handled);
                });
        };
        Application->OnShowHint = [this](std::string& hint, bool& canShow, THintInfo& info) {
            Walk(
                [&](TAppEvents* e) {
                    if (e->OnShowHint) e->OnShowHint(hint, canShow, info);
                    return false;
                },
                [&] {
                    if (saved_.OnShowHint) saved_.OnShowHint(hint, canShow, info);
                });
        };
    }

    void Uninstall() {
        Application->OnActivate = saved_.OnActivate;
        Application->OnDeactivate = saved_.OnDeactivate;
        Application->OnException = saved_.OnException;
        Application->OnIdle = saved_.OnIdle;
        Application->OnHelp = saved_.OnHelp;
        Application->OnHint = saved_.OnHint;
        Application->OnMessage = saved_.OnMessage;
        Application->OnMinimize = saved_.OnMinimize;
        Application->OnRestore = saved_.OnRestore;
        Application->OnShowHint = saved_.OnShowHint;
        Application->OnShortCut = saved_.OnShortCut;
        Screen->OnActiveControlChange = saved_.OnActiveControlChange;
        Screen->OnActiveFormChange = saved_.OnActiveFormChange;
        saved_ = Saved{};
    }

    struct Saved {
        TNotifyEvent OnActivate, OnDeactivate, OnHint, OnMinimize, OnRestore, OnActiveControlChange, OnActiveFormChange;
        TExceptionEvent OnException;
        TIdleEvent OnIdle;
        THelpEvent OnHelp;
        TMessageEvent OnMessage;
        TShowHintEvent OnShowHint;
        TShortCutEvent OnShortCut;
    } saved_;
    std::vector<TAppEvents*> items_;
};

// Made with the first component; lives until the program ends.
TAppEventList& EventList() {
    static TAppEventList list;
    return list;
}

}  // namespace

TAppEvents::TAppEvents(TComponent* owner) : TComponent(owner) {
    EventList().Add(this);
    if (Running()) Application->HookMainWindow([this](TMessage& m) { return HookMessage(m); }, this);
}

TAppEvents::~TAppEvents() {
    if (Application) Application->UnhookMainWindow(this);
    EventList().Remove(this);
}

bool TAppEvents::HookMessage(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
            if (OnPaintIcon && IsIconic(Application->Handle())) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(Application->Handle(), &ps);
                TCanvas canvas;
                canvas.SetHandle(dc);
                canvas.Brush()->SetColor(clBackground);
                RECT r;
                GetClientRect(Application->Handle(), &r);
                canvas.FillRect(r);
                OnPaintIcon(this, &canvas);
                canvas.SetHandle(nullptr);
                EndPaint(Application->Handle(), &ps);
                message.Result = 0;
                return true;
            }
            break;
        case WM_SETTINGCHANGE:
            if (OnSettingsChanged) {
                try {
                    // The application's own handling of the message goes on after this.
                    int result = 0;
                    const char* section = reinterpret_cast<const char*>(message.LParam);
                    OnSettingsChanged(this, static_cast<int>(message.WParam), section ? section : "", result);
                } catch (...) {
                    Application->HandleException(this);
                }
            }
            break;
    }
    return false;
}

void TAppEvents::Loaded() {
    TComponent::Loaded();
    if (!Running()) return;
    Application->SetHintColor(hintColor_);
    Application->SetHintPause(hintPause_);
    Application->SetShowHint(showHint_);
    Application->SetHintShortPause(hintShortPause_);
    Application->SetHintHidePause(hintHidePause_);
    Application->SetShowMainForm(showMainForm_);
    Application->SetUpdateFormatSettings(updateFormatSettings_);
    Application->SetUpdateMetricSettings(updateMetricSettings_);
    Application->SetHintShortCuts(hintShortCuts_);
    Application->SetBiDiMode(biDiMode_);
    Mouse->SetDragImmediate(mouseDragImmediate_);
    Mouse->SetDragThreshold(mouseDragThreshold_);
    Application->SetBiDiKeyboard(biDiKeyboard_);
    Application->SetNonBiDiKeyboard(nonBiDiKeyboard_);
}

// Setters store the value and, at run time, write it through at once;
// getters read the live value at run time.
#define APP_SETTING(Type, Name, field, liveGet, liveSet)                  \
    Type TAppEvents::Name() const { return Running() ? liveGet : field; } \
    void TAppEvents::Set##Name(Type value) {                              \
        field = value;                                                    \
        if (Running()) liveSet;                                           \
    }

APP_SETTING(TColor, HintColor, hintColor_, Application->HintColor(), Application->SetHintColor(value))
APP_SETTING(int, HintPause, hintPause_, Application->HintPause(), Application->SetHintPause(value))
APP_SETTING(bool, ShowHint, showHint_, Application->ShowHint(), Application->SetShowHint(value))
APP_SETTING(int, HintShortPause, hintShortPause_, Application->HintShortPause(), Application->SetHintShortPause(value))
APP_SETTING(int, HintHidePause, hintHidePause_, Application->HintHidePause(), Application->SetHintHidePause(value))
APP_SETTING(bool, ShowMainForm, showMainForm_, Application->ShowMainForm(), Application->SetShowMainForm(value))
APP_SETTING(bool, UpdateFormatSettings, updateFormatSettings_, Application->UpdateFormatSettings(),
            Application->SetUpdateFormatSettings(value))
APP_SETTING(bool, UpdateMetricSettings, updateMetricSettings_, Application->UpdateMetricSettings(),
            Application->SetUpdateMetricSettings(value))
APP_SETTING(bool, HintShortCuts, hintShortCuts_, Application->HintShortCuts(), Application->SetHintShortCuts(value))
APP_SETTING(int, BiDiMode, biDiMode_, Application->BiDiMode(), Application->SetBiDiMode(value))
APP_SETTING(bool, MouseDragImmediate, mouseDragImmediate_, Mouse->DragImmediate(), Mouse->SetDragImmediate(value))
APP_SETTING(int, MouseDragThreshold, mouseDragThreshold_, Mouse->DragThreshold(), Mouse->SetDragThreshold(value))

std::string TAppEvents::BiDiKeyboard() const { return Running() ? Application->BiDiKeyboard() : biDiKeyboard_; }
void TAppEvents::SetBiDiKeyboard(const std::string& s) {
    biDiKeyboard_ = s;
    if (Running()) Application->SetBiDiKeyboard(s);
}
std::string TAppEvents::NonBiDiKeyboard() const {
    return Running() ? Application->NonBiDiKeyboard() : nonBiDiKeyboard_;
}
void TAppEvents::SetNonBiDiKeyboard(const std::string& s) {
    nonBiDiKeyboard_ = s;
    if (Running()) Application->SetNonBiDiKeyboard(s);
}

bool TAppEvents::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    auto is = [&name](const char* n) { return SameText(name, n); };
    if (is("Chained"))
        SetChained(value.AsBool());
    else if (is("HintColor"))
        SetHintColor(LayoutColor(value));
    else if (is("HintPause"))
        SetHintPause(value.AsInt());
    else if (is("ShowHint"))
        SetShowHint(value.AsBool());
    else if (is("HintShortPause"))
        SetHintShortPause(value.AsInt());
    else if (is("HintHidePause"))
        SetHintHidePause(value.AsInt());
    else if (is("ShowMainForm"))
        SetShowMainForm(value.AsBool());
    else if (is("UpdateFormatSettings"))
        SetUpdateFormatSettings(value.AsBool());
    else if (is("UpdateMetricSettings"))
        SetUpdateMetricSettings(value.AsBool());
    else if (is("HintShortCuts"))
        SetHintShortCuts(value.AsBool());
    else if (is("BiDiMode"))
        SetBiDiMode(
            value.kind == TLayoutValue::Number
                ? value.AsInt()
                : value.AsEnum({"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}));
    else if (is("MouseDragImmediate"))
        SetMouseDragImmediate(value.AsBool());
    else if (is("MouseDragThreshold"))
        SetMouseDragThreshold(value.AsInt());
    else if (is("BiDiKeyboard"))
        SetBiDiKeyboard(value.AsString());
    else if (is("NonBiDiKeyboard"))
        SetNonBiDiKeyboard(value.AsString());
    else if (is("OnActivate"))
        OnActivate = reader.Handler<TNotifyEvent>(value);
    else if (is("OnDeactivate"))
        OnDeactivate = reader.Handler<TNotifyEvent>(value);
    else if (is("OnHint"))
        OnHint = reader.Handler<TNotifyEvent>(value);
    else if (is("OnMinimize"))
        OnMinimize = reader.Handler<TNotifyEvent>(value);
    else if (is("OnRestore"))
        OnRestore = reader.Handler<TNotifyEvent>(value);
    else if (is("OnActiveControlChange"))
        OnActiveControlChange = reader.Handler<TNotifyEvent>(value);
    else if (is("OnActiveFormChange"))
        OnActiveFormChange = reader.Handler<TNotifyEvent>(value);
    else if (is("OnException"))
        OnException = reader.Handler<TExceptionEvent>(value);
    else if (is("OnIdle"))
        OnIdle = reader.Handler<TIdleEvent>(value);
    else if (is("OnHelp"))
        OnHelp = reader.Handler<THelpEvent>(value);
    else if (is("OnMessage"))
        OnMessage = reader.Handler<TMessageEvent>(value);
    else if (is("OnShowHint"))
        OnShowHint = reader.Handler<TShowHintEvent>(value);
    else if (is("OnShortCut"))
        OnShortCut = reader.Handler<TShortCutEvent>(value);
    else if (is("OnActionExecute"))
        OnActionExecute = reader.Handler<TActionEvent>(value);
    else if (is("OnActionUpdate"))
        OnActionUpdate = reader.Handler<TActionEvent>(value);
    else if (is("OnSettingsChanged"))
        OnSettingsChanged = reader.Handler<TSettingsChangedEvent>(value);
    else if (is("OnPaintIcon"))
        OnPaintIcon = reader.Handler<TPaintIconEvent>(value);
    else
        return TComponent::SetProperty(name, value, reader);
    return true;
}
