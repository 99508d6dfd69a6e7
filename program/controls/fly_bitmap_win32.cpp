#include "controls/fly_bitmap_win32.h"

#include "controls/masked_draw.h"
#include "layout.h"

TMinWindow::TMinWindow(TComponent* owner) : TCustomControl(owner) { SetVisible(false); }

void TMinWindow::WndProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND) {
        message.Result = 1;
        return;
    }
    if (message.Msg == WM_PAINT) {
        ValidateRect(Handle(), nullptr);
        message.Result = 0;
        return;
    }
    TCustomControl::WndProc(message);
}

TFlyBitmap::TFlyBitmap(TComponent* owner)
    : TCustomControl(owner), timer_(std::make_unique<TTimer>(nullptr)), background_(std::make_unique<TBitmap>()) {
    SetControlStyle(ControlStyle() | csOpaque | csAcceptsControls | csClickEvents);
    SetVisible(false);
    timer_->SetEnabled(false);
    timer_->SetInterval(50);
    timer_->OnTimer = [this](TObject*) { Tick(); };
}

TFlyBitmap::~TFlyBitmap() { timer_->SetEnabled(false); }

void TFlyBitmap::SetFlyEnabled(bool on) {
    SetVisible(on);
    BringToFront();
    frame_ = 0;
    timer_->SetEnabled(on);
    if (!on) return;
    // The form's pixels under the notice, red without a form.
    background_->SetPixelFormat(pf24bit);
    background_->SetSize(Width(), Height());
    TCanvas* canvas = background_->Canvas();
    if (auto* form = dynamic_cast<TCustomControl*>(MainForm)) {
        canvas->CopyRect(RECT{0, 0, Width(), Height()}, form->Canvas(), BoundsRect());
    } else {
        canvas->Brush()->SetColor(clRed);
        canvas->FillRect(RECT{0, 0, Width(), Height()});
    }
    Invalidate();
}

void TFlyBitmap::Tick() {
    if (!FlyTick(Frames(), frame_)) {
        SetVisible(false);
        timer_->SetEnabled(false);
    }
    Invalidate();
}

void TFlyBitmap::Click() {
    SetVisible(false);
    timer_->SetEnabled(false);
    TCustomControl::Click();
}

DecoRect TFlyBitmap::CurrentRect() const {
    const DecoRect client{0, 0, Width(), Height()};
    DecoRect w1, w2;
    if (MinWindow1) w1 = DecoRect{MinWindow1->Left(), MinWindow1->Top(), MinWindow1->Width(), MinWindow1->Height()};
    if (MinWindow2) w2 = DecoRect{MinWindow2->Left(), MinWindow2->Top(), MinWindow2->Width(), MinWindow2->Height()};
    return FlyRect(Frames(), frame_, FlyStart(MinWindow1 ? &w1 : nullptr, client),
                   FlyEnd(MinWindow2 ? &w2 : nullptr, client), client);
}

void TFlyBitmap::Paint() {
    const DecoRect r = CurrentRect();
    TBitmap copy;
    copy.Assign(background_.get());
    if (copy.Empty()) {
        copy.SetPixelFormat(pf24bit);
        copy.SetSize(Width(), Height());
    }
    if (OrgImage && OrgImage->Picture()->Graphic() && r.width > 0 && r.height > 0) {
        TBitmap* sprite = OrgImage->Picture()->Bitmap();
        StretchDrawKeyed(*copy.Canvas(), *sprite, clWhite, r.left, r.top, r.width, r.height, OrgX, OrgY, OrgWidth,
                         OrgHeight);
    } else if (!OrgImage) {
        copy.Canvas()->Brush()->SetColor(clBlue);
        copy.Canvas()->FillRect(Bounds(r.left, r.top, r.width, r.height));
    }
    Canvas()->Draw(0, 0, &copy);
}

bool TFlyBitmap::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "StateBefore"))
        StateBefore = v.AsInt();
    else if (SameText(name, "StateStatic"))
        StateStatic = v.AsInt();
    else if (SameText(name, "StateAfter"))
        StateAfter = v.AsInt();
    else if (SameText(name, "Interval"))
        SetInterval(static_cast<unsigned>(v.AsInt()));
    else if (SameText(name, "OrgX"))
        OrgX = v.AsInt();
    else if (SameText(name, "OrgY"))
        OrgY = v.AsInt();
    else if (SameText(name, "OrgWidth"))
        OrgWidth = v.AsInt();
    else if (SameText(name, "OrgHeight"))
        OrgHeight = v.AsInt();
    else if (SameText(name, "MinWindow1"))
        reader.Reference(v, [this](TComponent* c) { MinWindow1 = dynamic_cast<TMinWindow*>(c); });
    else if (SameText(name, "MinWindow2"))
        reader.Reference(v, [this](TComponent* c) { MinWindow2 = dynamic_cast<TMinWindow*>(c); });
    else
        return TCustomControl::SetProperty(name, v, reader);
    return true;
}
