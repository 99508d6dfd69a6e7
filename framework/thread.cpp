// Threads and the hand-off of calls to the GUI thread.
#include "thread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "thread_sync.h"

namespace {

struct PendingCall {
    const std::function<void()>* call;
    std::exception_ptr error;
    bool done = false;
};

std::mutex queueLock;
std::condition_variable callDone;
std::deque<PendingCall*> queue;
DWORD mainThread = GetCurrentThreadId();

}  // namespace

HANDLE SynchronizeEvent() {
    static HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

bool RunSynchronizedCalls() {
    bool any = false;
    while (true) {
        PendingCall* call;
        {
            std::lock_guard<std::mutex> hold(queueLock);
            if (queue.empty()) break;
            call = queue.front();
            queue.pop_front();
        }
        any = true;
        try {
            (*call->call)();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> hold(queueLock);
            call->done = true;
        }
        callDone.notify_all();
    }
    return any;
}

DWORD TThread::MainThreadID() { return mainThread; }

void TThread::Synchronize(const std::function<void()>& call) {
    if (GetCurrentThreadId() == mainThread) {
        call();
        return;
    }
    PendingCall pending{&call, nullptr, false};
    {
        std::lock_guard<std::mutex> hold(queueLock);
        queue.push_back(&pending);
    }
    SetEvent(SynchronizeEvent());
    std::unique_lock<std::mutex> hold(queueLock);
    callDone.wait(hold, [&] { return pending.done; });
    if (pending.error) std::rethrow_exception(pending.error);
}

TThread::TThread(bool createSuspended) {
    suspended_ = createSuspended;
    handle_ = CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id_);
    if (!handle_) throw EOutOfResources("Thread creation error");
    if (!createSuspended) ResumeThread(handle_);
}

TThread::~TThread() {
    if (handle_ && GetCurrentThreadId() != id_ && !finished_) {
        Terminate();
        while (suspended_) Resume();
        WaitFor();  // on the GUI thread this keeps serving the thread's hand-offs
    }
    if (handle_) CloseHandle(handle_);
}

DWORD WINAPI TThread::ThreadProc(void* self) {
    auto* t = static_cast<TThread*>(self);
    try {
        t->Execute();
    } catch (...) {
        // An error ends the thread; it is not carried to another thread.
    }
    bool freeIt = t->freeOnTerminate_;
    int result = t->returnValue_;
    if (t->OnTerminate) {
        try {
            Synchronize([t] { t->OnTerminate(t); });
        } catch (...) {}
    }
    t->finished_ = true;
    if (freeIt) delete t;
    return static_cast<DWORD>(result);
}

void TThread::Resume() {
    DWORD previous = ResumeThread(handle_);
    if (previous <= 1) suspended_ = false;
}

void TThread::Suspend() {
    suspended_ = true;
    SuspendThread(handle_);
}

int TThread::WaitFor() {
    if (GetCurrentThreadId() == mainThread) {
        // Calls handed over by the thread keep running while we wait.
        while (true) {
            HANDLE waits[2] = {handle_, SynchronizeEvent()};
            DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (r == WAIT_OBJECT_0) break;
            RunSynchronizedCalls();
        }
    } else {
        WaitForSingleObject(handle_, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeThread(handle_, &code);
    return static_cast<int>(code);
}

TThreadPriority TThread::Priority() const {
    switch (GetThreadPriority(handle_)) {
        case THREAD_PRIORITY_IDLE:
            return tpIdle;
        case THREAD_PRIORITY_LOWEST:
            return tpLowest;
        case THREAD_PRIORITY_BELOW_NORMAL:
            return tpLower;
        case THREAD_PRIORITY_ABOVE_NORMAL:
            return tpHigher;
        case THREAD_PRIORITY_HIGHEST:
            return tpHighest;
        case THREAD_PRIORITY_TIME_CRITICAL:
            return tpTimeCritical;
        default:
            return tpNormal;
    }
}

void TThread::SetPriority(TThreadPriority priority) {
    static const int values[] = {
        THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
        THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL};
    SetThreadPriority(handle_, values[priority]);
}
