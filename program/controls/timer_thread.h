// A timer whose ticks run on a thread of its own. The thread waits while
// the timer is disabled and starts each enabled period with the current
// interval; disabling returns only when no tick is running, so what a tick
// uses may be freed right after.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Something that ticks while enabled: the timer thread here, the timer
// component of the credits panel on Windows. Disabling returns only when no
// tick runs (unless called from a tick).
class TickSource {
public:
    virtual ~TickSource() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual unsigned Interval() const = 0;
    virtual void SetInterval(unsigned ms) = 0;
};

class TTimerThread : public TickSource {
public:
    using Tick = std::function<void()>;
    // An error a tick raised; the thread goes on ticking.
    using ErrorEvent = std::function<void(std::exception_ptr)>;
    explicit TTimerThread(Tick tick, unsigned interval = 1000, ErrorEvent onError = nullptr);
    // Ends and joins the thread; a tick in progress finishes first.
    ~TTimerThread() override;
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    unsigned Interval() const override;
    // Restarts the wait of the current period with the new interval.
    void SetInterval(unsigned ms) override;
    bool Enabled() const override;
    // Disabling from another thread waits for a running tick to end; from a
    // tick itself it only keeps further ticks from starting.
    void SetEnabled(bool on) override;
    // The calling code runs on the timer's thread (inside a tick).
    bool OnTimerThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    // Ticks delivered so far.
    uint64_t TickCount() const;

private:
    void Run();
    Tick tick_;
    ErrorEvent onError_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    unsigned interval_;
    bool enabled_ = false;
    bool terminated_ = false;
    bool inTick_ = false;
    uint64_t period_ = 0;  // bumped by every change that restarts the wait
    uint64_t ticks_ = 0;
    std::thread thread_;  // last: starts after every other member exists
};
