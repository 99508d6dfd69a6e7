// A timer component: OnTimer runs on the GUI thread every Interval ms while enabled.
#pragma once

#include "classes.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  TNotifyEvent OnTimer;
  bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
  void Loaded() override;

 protected:
  virtual void Timer();

 private:
  friend LRESULT CALLBACK TimerWindowProc(HWND, UINT, WPARAM, LPARAM);
  void Update();
  bool enabled_ = true;
  unsigned interval_ = 1000;
  HWND window_ = nullptr;
  bool running_ = false;
};
