#include "controls/bitmap_buttons_win32.h"

#include "application.h"
#include "bitmap.h"
#include "controls/decoration_steps.h"
#include "layout.h"

TItemBitmapButtons::TItemBitmapButtons(TComponent* owner) : TBaseComponent(owner) { SetVisible(false); }

bool TItemBitmapButtons::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Number"))
        Number = v.AsInt();
    else if (SameText(name, "OnLClick"))
        OnLClick = reader.Handler<TNotifyEvent>(v);
    else
        return TBaseComponent::SetProperty(name, v, reader);
    return true;
}

TBitmapButtons::TBitmapButtons(TComponent* owner) : TBaseComponent(owner) {}

void TBitmapButtons::SetState(int state) {
    state_ = state;
    Invalidate();
}

TItemBitmapButtons* TBitmapButtons::ItemAt(int x, int y) const {
    for (TControl* c : controls_) {
        auto* item = dynamic_cast<TItemBitmapButtons*>(c);
        if (!item) continue;
        const RECT r = item->BoundsRect();
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return item;
    }
    return nullptr;
}

void TBitmapButtons::Paint() {
    if (!OrgImage || !OrgImage->Picture()->Graphic()) return;
    const DecoRect f = StripFrame(OrgX, OrgY, Width(), Height(), state_, HV);
    Canvas()->CopyRect(RECT{0, 0, Width(), Height()}, OrgImage->Picture()->Bitmap()->Canvas(),
                       Bounds(f.left, f.top, f.width, f.height));
}

void TBitmapButtons::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    pressed_ = ItemAt(x, y);
    if (!pressed_) return;
    state_ = pressed_->Number;
    BringToFront();
    Invalidate();
}

void TBitmapButtons::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseUp(button, shift, x, y);
    if (button != mbLeft) return;
    TItemBitmapButtons* item = pressed_;
    pressed_ = nullptr;
    state_ = 0;
    SendToBack();
    Invalidate();
    if (item && ItemAt(x, y) == item && item->OnLClick) item->OnLClick(item);
}

void TBitmapButtons::MouseMove(TShiftState shift, int x, int y) {
    TBaseComponent::MouseMove(shift, x, y);
    TItemBitmapButtons* item = ItemAt(x, y);
    SetCursor(item ? 4 : crDefault);
    const std::string hint = item ? item->Hint() : "";
    if (hint != Hint()) {
        SetHint(hint);
        if (Application) Application->CancelHint();
    }
}

bool TBitmapButtons::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "OrgX"))
        OrgX = v.AsInt();
    else if (SameText(name, "OrgY"))
        OrgY = v.AsInt();
    else if (SameText(name, "HV"))
        HV = v.AsBool();
    else if (SameText(name, "State"))
        state_ = v.AsInt();
    else
        return TBaseComponent::SetProperty(name, v, reader);
    return true;
}
