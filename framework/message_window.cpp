#include "message_window.h"

namespace {
const char kMessageWindowClass[] = "FwMessageWindow";
}

LRESULT CALLBACK TMessageWindow::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<TMessageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && self->handler_ && self->handler_(msg, w, l)) return 0;
    return DefWindowProcA(hwnd, msg, w, l);
}

TMessageWindow::TMessageWindow(Handler handler) : handler_(std::move(handler)) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kMessageWindowClass;
        RegisterClassA(&wc);
        registered = true;
    }
    window_ = CreateWindowExA(0, kMessageWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TMessageWindow::~TMessageWindow() {
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}
