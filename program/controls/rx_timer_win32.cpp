#include "controls/rx_timer_win32.h"

#include <exception>

#include "application.h"
#include "layout.h"
#include "timer.h"

namespace {
constexpr UINT WM_RX_TICK = WM_APP + 1;
constexpr UINT WM_RX_ERROR = WM_APP + 2;

int WindowsPriority(TThreadPriority p) {
    static const int table[] = {
        THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
        THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL};
    return table[p];
}
}  // namespace

bool TRxTimer::Message(UINT msg, WPARAM, LPARAM l) {
    if (msg == WM_RX_TICK) {
        tickPosted_ = false;
        try {
            Tick();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
        return true;
    }
    if (msg == WM_RX_ERROR) {
        // The error a tick raised on the thread, shown on the GUI thread.
        std::unique_ptr<std::exception_ptr> error(reinterpret_cast<std::exception_ptr*>(l));
        try {
            std::rethrow_exception(*error);
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
        return true;
    }
    return false;
}

TRxTimer::TRxTimer(TComponent* owner) : TComponent(owner) {
    window_ = std::make_unique<TMessageWindow>([this](UINT msg, WPARAM w, LPARAM l) { return Message(msg, w, l); });
    HWND window = window_->Handle();
    thread_ =
        std::make_unique<TTimerThread>([this] { ThreadTick(); }, interval_,
                                       [window](std::exception_ptr e) {
                                           auto* copy = new std::exception_ptr(e);
                                           if (!PostMessageA(window, WM_RX_ERROR, 0, reinterpret_cast<LPARAM>(copy)))
                                               delete copy;
                                       });
}

TRxTimer::~TRxTimer() {
    destroying_ = true;
    enabled_ = false;
    thread_.reset();  // ends and joins the thread: no tick reads the handler after
    onTimer_ = nullptr;
    delete windowTimer_;
    windowTimer_ = nullptr;
    if (HWND window = window_->Handle()) {
        // Errors still queued are freed with their messages.
        MSG msg;
        while (PeekMessageA(&msg, window, WM_RX_ERROR, WM_RX_ERROR, PM_REMOVE))
            delete reinterpret_cast<std::exception_ptr*>(msg.lParam);
    }
    window_.reset();
}

void TRxTimer::SetEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    UpdateTimer();
}

void TRxTimer::SetInterval(unsigned ms) {
    if (interval_ == ms) return;
    interval_ = ms;
    UpdateTimer();
}

void TRxTimer::SetThreaded(bool on) {
    if (threaded_ == on) return;
    threaded_ = on;
    UpdateTimer();
}

void TRxTimer::SetThreadPriority(TThreadPriority priority) {
    priority_ = priority;
    if (threaded_) UpdateTimer();
}

void TRxTimer::SetOnTimer(TNotifyEvent handler) {
    // The thread reads the handler: it is changed while no tick runs.
    thread_->SetEnabled(false);
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TRxTimer::UpdateTimer() {
    if (state_ & csLoading) return;
    const bool run = interval_ != 0 && enabled_ && onTimer_;
    if (threaded_) {
        if (windowTimer_) windowTimer_->SetEnabled(false);
        thread_->SetEnabled(false);  // waits for a tick in progress
        thread_->SetInterval(interval_);
        if (run) thread_->SetEnabled(true);
    } else {
        thread_->SetEnabled(false);
        if (!windowTimer_) {
            windowTimer_ = new TTimer(nullptr);
            windowTimer_->SetEnabled(false);
            windowTimer_->OnTimer = [this](TObject*) { Tick(); };
        }
        windowTimer_->SetEnabled(false);
        windowTimer_->SetInterval(interval_);
        // Raises EOutOfResources "Not enough timers available" when none is left.
        if (run) windowTimer_->SetEnabled(true);
    }
}

void TRxTimer::ApplyPriority() {
    const int wanted = WindowsPriority(priority_);
    if (appliedPriority_.exchange(wanted) != wanted) ::SetThreadPriority(GetCurrentThread(), wanted);
}

void TRxTimer::ThreadTick() {
    ApplyPriority();
    if (destroying_ || !enabled_) return;
    if (syncEvent_) {
        // One hand-over waits at a time; the GUI thread runs it later, so a
        // stop on the GUI thread never waits for a tick that waits for it.
        if (!tickPosted_.exchange(true)) PostMessageA(window_->Handle(), WM_RX_TICK, 0, 0);
        return;
    }
    Tick();
}

void TRxTimer::Tick() {
    if (enabled_ && !destroying_ && onTimer_) onTimer_(this);
}

bool TRxTimer::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Enabled"))
        enabled_ = v.AsBool();
    else if (SameText(name, "Interval"))
        interval_ = static_cast<unsigned>(v.AsInt());
    else if (SameText(name, "SyncEvent"))
        syncEvent_ = v.AsBool();
    else if (SameText(name, "Threaded"))
        threaded_ = v.AsBool();
    else if (SameText(name, "ThreadPriority"))
        priority_ = TThreadPriority(
            v.AsEnum({"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"}));
    else if (SameText(name, "OnTimer"))
        onTimer_ = reader.Handler<TNotifyEvent>(v);
    else
        return TComponent::SetProperty(name, v, reader);
    return true;
}

void TRxTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}
