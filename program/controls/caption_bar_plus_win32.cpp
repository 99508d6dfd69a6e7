#include "controls/caption_bar_plus_win32.h"

#include "bitmap.h"
#include "controls/bitmap_button.h"
#include "layout.h"

TCaptionBarPlus::TCaptionBarPlus(TComponent* owner) : TCaptionBar(owner) {}

void TCaptionBarPlus::SetBackground(TImage* skin, int x, int y) {
    BkActiv = BkPassiv = skin;
    XBkActiv = XBkPassiv = x;
    YBkActiv = YBkPassiv = y;
    Invalidate();
}

void TCaptionBarPlus::MouseEnter() {
    TCaptionBar::MouseEnter();
    SetActiveState(true);
}

void TCaptionBarPlus::MouseLeave() {
    TCaptionBar::MouseLeave();
    SetActiveState(false);
}

void TCaptionBarPlus::SetActiveState(bool on) {
    active_ = on;
    for (TControl* c : controls_)
        if (dynamic_cast<TBitmapButton*>(c)) c->SetVisible(on);
    Invalidate();
}

void TCaptionBarPlus::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Font()->SetColor(clBlack);
    SetBkMode(canvas->Handle(), TRANSPARENT);
    TImage* skin = active_ ? BkActiv : BkPassiv;
    const int x = active_ ? XBkActiv : XBkPassiv, y = active_ ? YBkActiv : YBkPassiv;
    if (skin && skin->Picture()->Graphic()) {
        TBitmap* bitmap = skin->Picture()->Bitmap();
        canvas->CopyRect(RECT{0, 0, Width(), Height()}, bitmap->Canvas(), Bounds(x, y, Width(), Height()));
    }
    if (active_ ? ShowNameActiv : ShowNamePassiv) canvas->TextOut(0, 0, "      " + Caption());
}

bool TCaptionBarPlus::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "XBkActiv"))
        XBkActiv = v.AsInt();
    else if (SameText(name, "YBkActiv"))
        YBkActiv = v.AsInt();
    else if (SameText(name, "XBkPassiv"))
        XBkPassiv = v.AsInt();
    else if (SameText(name, "YBkPassiv"))
        YBkPassiv = v.AsInt();
    else if (SameText(name, "ShowNameActiv"))
        ShowNameActiv = v.AsBool();
    else if (SameText(name, "ShowNamePassiv"))
        ShowNamePassiv = v.AsBool();
    else
        return TCaptionBar::SetProperty(name, v, reader);
    return true;
}
