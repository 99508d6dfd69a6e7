// Click-started frame animations on the main window's background: hot
// spots (TZamorIv), the animations over them (TZamorI) and the controller
// that starts the first one a click hits (TZamor).
#pragma once

#include <memory>

#include "classes.h"
#include "controls.h"
#include "extctrls.h"
#include "timer.h"

class TZamorIv : public TGraphicControl {
public:
    explicit TZamorIv(TComponent* owner) : TGraphicControl(owner) { SetVisible(false); }
};

class TZamorI : public TCustomControl {
public:
    explicit TZamorI(TComponent* owner);
    TImage* OrgImage = nullptr;
    int OrgX = 0, OrgY = 0;
    int CountFase = 0;
    bool One = false;  // only while the doll panel shows
    TZamorIv* ZamorIv = nullptr;
    int Frame = 0;

    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
};

class TZamor : public TComponent {
public:
    explicit TZamor(TComponent* owner);
    ~TZamor() override;
    TZamorI* ZamorI[6] = {};
    unsigned Interval() const { return timer_->Interval(); }
    void SetInterval(unsigned ms) { timer_->SetInterval(ms); }
    TZamorI* Playing() const { return playing_; }
    // A click on the background at a form point; true when an animation started.
    bool ClickAt(int x, int y, bool dollVisible);
    void Stop();

    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    void Tick();
    std::unique_ptr<TTimer> timer_;
    TZamorI* playing_ = nullptr;
};
