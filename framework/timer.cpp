#include "timer.h"

#include "application.h"
#include "layout.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    window_ = std::make_unique<TMessageWindow>([this](UINT msg, WPARAM, LPARAM) {
        if (msg != WM_TIMER) return false;
        try {
            Timer();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
        return true;
    });
    Update();
}

TTimer::~TTimer() {
    if (window_->Handle()) KillTimer(window_->Handle(), 1);
}

void TTimer::Update() {
    const HWND window = window_->Handle();
    if (!window) return;
    KillTimer(window, 1);
    running_ = false;
    if (enabled_ && interval_ > 0 && !(state_ & csLoading)) {
        if (!SetTimer(window, 1, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
        running_ = true;
    }
}

void TTimer::SetEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    Update();
}

void TTimer::SetInterval(unsigned ms) {
    if (interval_ == ms) return;
    interval_ = ms;
    Update();
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(this);
}

bool TTimer::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Enabled"))
        enabled_ = v.AsBool();
    else if (SameText(name, "Interval"))
        interval_ = static_cast<unsigned>(v.AsInt());
    else if (SameText(name, "OnTimer"))
        OnTimer = reader.Handler<TNotifyEvent>(v);
    else
        return TComponent::SetProperty(name, v, reader);
    return true;
}

void TTimer::Loaded() {
    TComponent::Loaded();
    Update();
}
