// A timer component: OnTimer runs on the GUI thread every Interval ms while enabled.
#pragma once

#include <memory>

#include "classes.h"
#include "message_window.h"

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
    void Update();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    std::unique_ptr<TMessageWindow> window_;
    bool running_ = false;
};
