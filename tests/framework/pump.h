// Lets the message loop run for a while (timers, posted messages, input).
#pragma once

#include <windows.h>

#include "application.h"

inline void Pump(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    do {
        Application->ProcessMessages();
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// Runs the loop until the condition holds or the time is up.
template <class Condition>
bool PumpUntil(Condition done, DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (!done()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        Application->ProcessMessages();
        Sleep(5);
    }
    return true;
}
