// Threads: Execute runs on a thread of its own; Synchronize hands a call to
// the GUI thread and waits until it has run there.
#pragma once

#include <windows.h>

#include <functional>

#include "classes.h"

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
public:
    explicit TThread(bool createSuspended);
    // Terminates and waits (unless FreeOnTerminate runs the deletion from the thread).
    ~TThread() override;

    void Resume();
    void Suspend();
    bool Suspended() const { return suspended_; }
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Waits until Execute has returned; the thread's return value.
    int WaitFor();
    bool FreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool on) { freeOnTerminate_ = on; }
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);
    HANDLE Handle() const { return handle_; }
    DWORD ThreadID() const { return id_; }
    bool Finished() const { return finished_; }
    int ReturnValue() const { return returnValue_; }
    void SetReturnValue(int v) { returnValue_ = v; }
    // Raised on the GUI thread when Execute has ended.
    TNotifyEvent OnTerminate;

    // Runs the call on the GUI thread and waits; on the GUI thread it runs at once.
    // An exception raised by the call is raised again here.
    static void Synchronize(const std::function<void()>& call);
    // The thread whose Application runs the message loop.
    static DWORD MainThreadID();

protected:
    virtual void Execute() = 0;

private:
    static DWORD WINAPI ThreadProc(void* self);
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
    volatile bool terminated_ = false;
    volatile bool suspended_ = false;
    volatile bool finished_ = false;
    bool freeOnTerminate_ = false;
    int returnValue_ = 0;
};
