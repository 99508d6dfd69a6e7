#include "timer.h"

#include "application.h"
#include "layout.h"

namespace {
const char kTimerClass[] = "FwTimer";
}

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_TIMER) {
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (timer) {
      try {
        timer->Timer();
      } catch (...) {
        if (Application) Application->HandleException(timer);
      }
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kTimerClass;
    RegisterClassA(&wc);
    registered = true;
  }
  window_ = CreateWindowExA(0, kTimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Update();
}

TTimer::~TTimer() {
  if (window_) {
    KillTimer(window_, 1);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void TTimer::Update() {
  if (!window_) return;
  KillTimer(window_, 1);
  running_ = false;
  if (enabled_ && interval_ > 0 && !(state_ & csLoading)) {
    if (!SetTimer(window_, 1, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
    running_ = true;
  }
}

void TTimer::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Update();
}

void TTimer::SetInterval(unsigned ms) {
  if (interval_ == ms) return;
  interval_ = ms;
  Update();
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

bool TTimer::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
  if (SameText(name, "Enabled")) enabled_ = v.AsBool();
  else if (SameText(name, "Interval")) interval_ = static_cast<unsigned>(v.AsInt());
  else if (SameText(name, "OnTimer")) OnTimer = reader.Handler<TNotifyEvent>(v);
  else return TComponent::SetProperty(name, v, reader);
  return true;
}

void TTimer::Loaded() {
  TComponent::Loaded();
  Update();
}
