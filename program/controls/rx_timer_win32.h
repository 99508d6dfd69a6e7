// A timer component whose ticks come from a thread of its own (threaded)
// or from a window timer of the GUI thread. With SyncEvent a threaded tick
// is handed to the GUI thread, which runs it when it next handles messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "classes.h"
#include "controls/timer_thread.h"
#include "message_window.h"
#include "thread.h"

class TTimer;

class TRxTimer : public TComponent, public TickSource {
public:
    explicit TRxTimer(TComponent* owner);
    ~TRxTimer() override;

    bool Enabled() const override { return enabled_; }
    // Disabling returns only when no tick runs on the timer's thread.
    void SetEnabled(bool on) override;
    unsigned Interval() const override { return interval_; }
    void SetInterval(unsigned ms) override;
    bool SyncEvent() const { return syncEvent_; }
    void SetSyncEvent(bool on) { syncEvent_ = on; }
    bool Threaded() const { return threaded_; }
    void SetThreaded(bool on);
    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority priority);
    void SetOnTimer(TNotifyEvent handler);
    const TNotifyEvent& OnTimer() const { return onTimer_; }

    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
    void Loaded() override;

    // Runs OnTimer when enabled, set and not being destroyed.
    void Tick();

private:
    bool Message(UINT msg, WPARAM w, LPARAM l);
    void UpdateTimer();
    void ThreadTick();
    void ApplyPriority();

    std::atomic<bool> enabled_{true};
    unsigned interval_ = 1000;
    std::atomic<bool> syncEvent_{true};
    bool threaded_ = true;
    TThreadPriority priority_ = tpNormal;
    std::atomic<int> appliedPriority_{-1};
    std::atomic<bool> destroying_{false};
    std::atomic<bool> tickPosted_{false};
    TNotifyEvent onTimer_;
    std::unique_ptr<TMessageWindow> window_;  // receives handed-over ticks and errors
    TTimer* windowTimer_ = nullptr;
    std::unique_ptr<TTimerThread> thread_;
};
