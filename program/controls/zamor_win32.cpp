#include "controls/zamor_win32.h"

#include <vector>

#include "bitmap.h"
#include "controls/decoration_steps.h"
#include "layout.h"

TZamorI::TZamorI(TComponent* owner) : TCustomControl(owner) { SetVisible(false); }

void TZamorI::WndProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND) {
        message.Result = 1;
        return;
    }
    TCustomControl::WndProc(message);
}

void TZamorI::Paint() {
    if (!OrgImage || !OrgImage->Picture()->Graphic()) return;
    const DecoRect f = StripFrame(OrgX, OrgY, Width(), Height(), Frame, true);
    Canvas()->CopyRect(RECT{0, 0, Width(), Height()}, OrgImage->Picture()->Bitmap()->Canvas(),
                       Bounds(f.left, f.top, f.width, f.height));
}

bool TZamorI::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "OrgX"))
        OrgX = v.AsInt();
    else if (SameText(name, "OrgY"))
        OrgY = v.AsInt();
    else if (SameText(name, "CountFase"))
        CountFase = v.AsInt();
    else if (SameText(name, "One"))
        One = v.AsBool();
    else if (SameText(name, "ZamorIv"))
        reader.Reference(v, [this](TComponent* c) { ZamorIv = dynamic_cast<TZamorIv*>(c); });
    else
        return TCustomControl::SetProperty(name, v, reader);
    return true;
}

TZamor::TZamor(TComponent* owner) : TComponent(owner), timer_(std::make_unique<TTimer>(nullptr)) {
    timer_->SetEnabled(false);
    timer_->SetInterval(110);
    timer_->OnTimer = [this](TObject*) { Tick(); };
}

TZamor::~TZamor() { timer_->SetEnabled(false); }

bool TZamor::ClickAt(int x, int y, bool dollVisible) {
    std::vector<ZamorSpot> spots;
    for (TZamorI* z : ZamorI) {
        ZamorSpot s;
        s.exists = z != nullptr;
        s.hasSpot = z && z->ZamorIv;
        s.onlyWithDoll = z && z->One;
        if (s.hasSpot) {
            const RECT r = z->ZamorIv->BoundsRect();
            s.spot = DecoRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
        }
        spots.push_back(s);
    }
    const int pick = PickZamor(spots, x, y, dollVisible);
    if (pick < 0) return false;
    Stop();
    playing_ = ZamorI[pick];
    playing_->Frame = 0;
    playing_->Show();
    playing_->BringToFront();
    playing_->Invalidate();
    timer_->SetEnabled(true);
    return true;
}

void TZamor::Tick() {
    if (!playing_) {
        timer_->SetEnabled(false);
        return;
    }
    if (++playing_->Frame >= playing_->CountFase) {
        playing_->Hide();
        Stop();
        return;
    }
    playing_->Invalidate();
}

void TZamor::Stop() {
    if (playing_) playing_->Hide();
    timer_->SetEnabled(false);
    playing_ = nullptr;
}

bool TZamor::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Interval")) {
        SetInterval(static_cast<unsigned>(v.AsInt()));
        return true;
    }
    for (int i = 0; i < 6; ++i)
        if (SameText(name, "ZamorI" + std::to_string(i + 1))) {
            reader.Reference(v, [this, i](TComponent* c) { ZamorI[i] = dynamic_cast<TZamorI*>(c); });
            return true;
        }
    return TComponent::SetProperty(name, v, reader);
}
