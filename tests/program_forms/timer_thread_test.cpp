#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "controls/timer_thread.h"

namespace {

using namespace std::chrono_literals;

// Polls until the condition holds; false after a generous time (the
// tests run side by side on a busy machine).
template <class F>
bool Eventually(F condition) {
    for (int i = 0; i < 6000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

TEST(TimerThread, TicksOnlyWhileEnabled) {
    std::atomic<int> ticks{0};
    std::atomic<bool> onThread{true};
    TTimerThread* self = nullptr;
    TTimerThread timer(
        [&] {
            ++ticks;
            if (!self->OnTimerThread()) onThread = false;
        },
        1);
    self = &timer;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks, 0) << "created disabled";
    timer.SetEnabled(true);
    ASSERT_TRUE(Eventually([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    const int stopped = ticks;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks, stopped);
    EXPECT_TRUE(onThread);
    EXPECT_FALSE(timer.OnTimerThread());
    // Enabled again it ticks again.
    timer.SetEnabled(true);
    ASSERT_TRUE(Eventually([&] { return ticks > stopped; }));
}

TEST(TimerThread, ResumesWithTheCurrentInterval) {
    std::atomic<int> ticks{0};
    TTimerThread timer([&] { ++ticks; }, 3600000);
    timer.SetEnabled(true);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks, 0);
    // The hour-long wait is cut short by the new interval.
    timer.SetInterval(1);
    ASSERT_TRUE(Eventually([&] { return ticks >= 2; }));
    EXPECT_EQ(timer.Interval(), 1u);
}

// A tick held until another thread lets it go: disabling and destroying
// must wait for it, so that whatever it uses can be freed right after.
struct HeldTick {
    std::atomic<bool> started{false}, release{false}, finished{false};
    void operator()() {
        started = true;
        while (!release) std::this_thread::sleep_for(1ms);
        finished = true;
    }
    std::thread ReleaseLater() {
        return std::thread([this] {
            std::this_thread::sleep_for(100ms);
            release = true;
        });
    }
};

TEST(TimerThread, DisablingAndDestroyingWaitForTheRunningTick) {
    {
        HeldTick held;
        TTimerThread timer([&] { held(); }, 1);
        timer.SetEnabled(true);
        ASSERT_TRUE(Eventually([&] { return bool(held.started); }));
        std::thread releaser = held.ReleaseLater();
        timer.SetEnabled(false);
        EXPECT_TRUE(held.finished);
        releaser.join();
    }
    {
        auto held = std::make_unique<HeldTick>();
        auto timer = std::make_unique<TTimerThread>([h = held.get()] { (*h)(); }, 1);
        timer->SetEnabled(true);
        ASSERT_TRUE(Eventually([&] { return bool(held->started); }));
        std::thread releaser = held->ReleaseLater();
        timer.reset();  // joined
        EXPECT_TRUE(held->finished);
        releaser.join();
        held.reset();  // nothing of the timer can reach it now
    }
}

TEST(TimerThread, ATickMayDisableItsOwnTimer) {
    std::atomic<int> ticks{0};
    TTimerThread* self = nullptr;
    TTimerThread timer(
        [&] {
            ++ticks;
            self->SetEnabled(false);
        },
        1);
    self = &timer;
    timer.SetEnabled(true);
    ASSERT_TRUE(Eventually([&] { return !timer.Enabled(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks, 1);
}

TEST(TimerThread, AnErrorOfATickIsReportedAndTickingGoesOn) {
    std::atomic<int> ticks{0}, errors{0};
    TTimerThread timer(
        [&] {
            if (++ticks == 1) throw std::runtime_error("first");
        },
        1,
        [&](std::exception_ptr e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::runtime_error& error) {
                if (std::string(error.what()) == "first") ++errors;
            }
        });
    timer.SetEnabled(true);
    ASSERT_TRUE(Eventually([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    EXPECT_EQ(errors, 1);
}

}  // namespace
