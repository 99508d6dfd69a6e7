// A hidden message-only window that hands the messages posted or sent to it
// to its owner: the timer's WM_TIMER, the media player's MCI notices, a
// timer thread's handed-over ticks. One window class serves them all.
#pragma once

#include <windows.h>

#include <functional>

class TMessageWindow {
public:
    // Answers true for a message it handled; the rest go to DefWindowProc.
    using Handler = std::function<bool(UINT msg, WPARAM w, LPARAM l)>;

    explicit TMessageWindow(Handler handler);
    ~TMessageWindow();
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    HWND Handle() const { return window_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

    Handler handler_;
    HWND window_ = nullptr;
};
