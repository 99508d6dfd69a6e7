// Threads, the hand-off to the GUI thread, and timers.
#include <gtest/gtest.h>

#include <atomic>

#include "application.h"
#include "pump.h"
#include "thread.h"
#include "timer.h"

namespace {

class TCounterThread : public TThread {
public:
    TCounterThread() : TThread(true) {}
    std::atomic<int> ran{0};
    DWORD syncThread = 0;
    int seenAfterSync = -1;
    bool errorSeen = false;
    int shared = 0;

protected:
    void Execute() override {
        ++ran;
        Synchronize([this] {
            syncThread = GetCurrentThreadId();
            Sleep(50);  // the thread must wait for this
            shared = 42;
        });
        seenAfterSync = shared;
        try {
            Synchronize([] { throw EConvertError("from the GUI thread"); });
        } catch (const EConvertError& e) {
            errorSeen = e.Message() == "from the GUI thread";
        }
    }
};

}  // namespace

TEST(Thread, SynchronizeRunsOnTheGuiThreadAndWaits) {
    TCounterThread t;
    Sleep(30);
    EXPECT_EQ(t.ran, 0) << "created suspended";
    t.Resume();
    t.WaitFor();  // keeps handing over calls meanwhile
    EXPECT_EQ(t.ran, 1);
    EXPECT_EQ(t.syncThread, GetCurrentThreadId());
    EXPECT_EQ(t.seenAfterSync, 42);
    EXPECT_TRUE(t.errorSeen);
}

TEST(Thread, HandedOverCallsRunFromTheMessageLoop) {
    std::atomic<bool> done{false};
    class TOne : public TThread {
    public:
        explicit TOne(std::atomic<bool>& d) : TThread(false), done_(d) {}
        DWORD where = 0;

    protected:
        void Execute() override {
            Synchronize([this] { where = GetCurrentThreadId(); });
            done_ = true;
        }
        std::atomic<bool>& done_;
    } t(done);
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 3000));
    EXPECT_EQ(t.where, GetCurrentThreadId());
}

TEST(Timer, TicksWhileEnabledOnly) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(20);
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 3) timer.SetEnabled(false);
    };
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));
    Pump(150);
    EXPECT_EQ(ticks, 3);
}

TEST(Thread, DestroyingAThreadThatHandsCallsOverDoesNotHang) {
    class TBusy : public TThread {
    public:
        TBusy() : TThread(false) {}
        std::atomic<int> calls{0};

    protected:
        void Execute() override {
            while (!Terminated()) Synchronize([this] { ++calls; });
        }
    };
    auto* t = new TBusy;
    EXPECT_TRUE(PumpUntil([t] { return t->calls > 5; }, 3000)) << "the calls run from the message loop";
    delete t;  // the thread may sit in Synchronize right now; a hang here fails by the test's time-out
}
