// Internal: the queue of calls that other threads hand to the GUI thread.
#pragma once

#include <windows.h>

// Signalled when a call waits; the message loop waits on it beside messages.
HANDLE SynchronizeEvent();
// Runs the waiting calls on the GUI thread; true when there were any.
bool RunSynchronizedCalls();
