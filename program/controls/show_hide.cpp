#include "controls/show_hide.h"

#include "controls/notifications.h"
#include "controls/wait_cursor.h"
#include "layout.h"

TShowHide::TShowHide(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 0, 0); }

TShowHide::~TShowHide() { EndChainWait(); }

void TShowHide::Initialise() {
    patternsShown_ = false;
    if (models_) models_->SetUpAnimation();
    if (modelShow_) modelShow_->SetUpAnimation();
}

void TShowHide::Finish() {
    if (models_) models_->FinishAnimation();
    if (modelShow_) modelShow_->FinishAnimation();
}

// A chain holds one wait from its first message to its last. A request that
// turns the switch while the other chain still runs keeps that wait instead
// of taking a second one, so the cursor comes back when the last chain ends
// even though the interrupted animation never reports its own end.
void TShowHide::BeginChainWait() {
    if (waiting_) return;
    waiting_ = true;
    BeginWaitCursor();
}

void TShowHide::EndChainWait() {
    if (!waiting_) return;
    waiting_ = false;
    EndWaitCursor();
}

void TShowHide::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_SHOW_PATTERNS:
            if (!patternsShown_) {
                BeginChainWait();
                patternsShown_ = true;
                if (models_)
                    models_->StartHiding();
                else
                    PostMessageA(Handle(), WM_DOLL_HIDDEN, 0, 0);
            }
            return;
        case WM_DOLL_HIDDEN:
            // A late end of a hide that a close request overtook: the doll stays.
            if (patternsShown_) {
                if (modelShow_)
                    modelShow_->StartOpening();
                else
                    PostMessageA(Handle(), WM_PATTERNS_OPENED, 0, 0);
            }
            return;
        case WM_PATTERNS_OPENED:
            if (patternsShown_) EndChainWait();
            return;
        case WM_HIDE_PATTERNS:
            if (patternsShown_) {
                patternsShown_ = false;
                if (modelShow_)
                    modelShow_->StartClosing();
                else
                    PostMessageA(Handle(), WM_PATTERNS_CLOSED, 0, 0);
                BeginChainWait();
            }
            return;
        case WM_PATTERNS_CLOSED:
            if (!patternsShown_) {
                if (models_)
                    models_->StartShowing();
                else
                    PostMessageA(Handle(), WM_DOLL_SHOWN, 0, 0);
            }
            return;
        case WM_DOLL_SHOWN:
            if (!patternsShown_) EndChainWait();
            return;
    }
    TWinControl::WndProc(message);
}

bool TShowHide::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    if (SameText(name, "Models")) {
        reader.Reference(value, [this, line = value.line](TComponent* c) {
            auto* models = dynamic_cast<TDollAnimation*>(c);
            if (!models)
                throw EConvertError("Layout line " + IntToStr(line) + ": " + c->Name() + " is no doll animation");
            SetModels(models);
        });
    } else if (SameText(name, "ModelShow")) {
        reader.Reference(value, [this, line = value.line](TComponent* c) {
            auto* view = dynamic_cast<TPatternAnimation*>(c);
            if (!view)
                throw EConvertError("Layout line " + IntToStr(line) + ": " + c->Name() + " is no pattern animation");
            SetModelShow(view);
        });
    } else {
        return TWinControl::SetProperty(name, value, reader);
    }
    return true;
}
