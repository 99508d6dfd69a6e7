#include <gtest/gtest.h>

#include <atomic>

#include "controls/rx_timer_win32.h"
#include "forms_win32_fixture.h"

namespace {

TEST(RxTimerWindow, ThreadedTicksRunOnTheTimersThreadOrAreHandedOver) {
    EnsureForms();
    const DWORD gui = GetCurrentThreadId();
    for (bool sync : {false, true}) {
        SCOPED_TRACE(sync ? "sync event" : "on the thread");
        TRxTimer timer(nullptr);
        std::atomic<int> ticks{0}, onGui{0};
        timer.SetInterval(1);
        timer.SetSyncEvent(sync);
        timer.SetOnTimer([&](TObject*) {
            ++ticks;
            if (GetCurrentThreadId() == gui) ++onGui;
        });
        EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }, 60000));
        timer.SetEnabled(false);
        Pump(20);
        const int stopped = ticks;
        Pump(50);
        EXPECT_EQ(ticks, stopped) << "no tick while disabled";
        EXPECT_EQ(onGui == ticks, sync);
    }
}

TEST(RxTimerWindow, WindowTimerWhenNotThreaded) {
    EnsureForms();
    TRxTimer timer(nullptr);
    int ticks = 0;
    timer.SetThreaded(false);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 60000));
    timer.SetInterval(0);
    const int stopped = ticks;
    Pump(60);
    EXPECT_EQ(ticks, stopped) << "interval 0 stops it";
}

}  // namespace
