#include "controls/timer_thread.h"

#include <chrono>

TTimerThread::TTimerThread(Tick tick, unsigned interval, ErrorEvent onError)
    : tick_(std::move(tick)), onError_(std::move(onError)), interval_(interval), thread_([this] { Run(); }) {}

TTimerThread::~TTimerThread() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        terminated_ = true;
        ++period_;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

unsigned TTimerThread::Interval() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return interval_;
}

void TTimerThread::SetInterval(unsigned ms) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (interval_ == ms) return;
        interval_ = ms;
        ++period_;
    }
    changed_.notify_all();
}

bool TTimerThread::Enabled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return enabled_;
}

void TTimerThread::SetEnabled(bool on) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (enabled_ != on) {
        enabled_ = on;
        ++period_;
        changed_.notify_all();
    }
    if (!on && !OnTimerThread()) changed_.wait(lock, [this] { return !inTick_; });
}

uint64_t TTimerThread::TickCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ticks_;
}

void TTimerThread::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!terminated_) {
        if (!enabled_ || interval_ == 0) {
            changed_.wait(lock);
            continue;
        }
        const uint64_t period = period_;
        const auto wait = std::chrono::milliseconds(interval_);
        // Any change (disable, new interval, end) cuts the sleep short.
        if (changed_.wait_for(lock, wait, [&] { return period_ != period; })) continue;
        inTick_ = true;
        ++ticks_;
        lock.unlock();
        try {
            tick_();
        } catch (...) {
            if (onError_) onError_(std::current_exception());
        }
        lock.lock();
        inTick_ = false;
        changed_.notify_all();
    }
}
