#include "layout.h"
#include "stdctrls.h"

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
    width_ = 185;
    height_ = 41;
    controlStyle_ |= csAcceptsControls | csOpaque;
}

static void DrawBevel(HDC dc, RECT& r, TPanelBevel bevel, int width) {
    if (bevel == bvNone) return;
    HBRUSH light = CreateSolidBrush(ColorToRGB(clBtnHighlight));
    HBRUSH dark = CreateSolidBrush(ColorToRGB(clBtnShadow));
    HBRUSH topLeft = bevel == bvRaised ? light : dark, bottomRight = bevel == bvRaised ? dark : light;
    for (int i = 0; i < width; ++i) {
        RECT t{r.left, r.top, r.right, r.top + 1}, l{r.left, r.top, r.left + 1, r.bottom};
        RECT b{r.left, r.bottom - 1, r.right, r.bottom}, rr{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &t, topLeft);
        FillRect(dc, &l, topLeft);
        FillRect(dc, &b, bottomRight);
        FillRect(dc, &rr, bottomRight);
        InflateRect(&r, -1, -1);
    }
    DeleteObject(light);
    DeleteObject(dark);
}

void TPanel::Paint() {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    DrawBevel(c->Handle(), r, bevelOuter_, bevelWidth_);
    InflateRect(&r, -borderWidth_, -borderWidth_);
    DrawBevel(c->Handle(), r, bevelInner_, bevelWidth_);
    if (!caption_.empty()) {
        c->Brush()->SetStyle(bsClear);
        c->Font()->Assign(Font());
        UINT align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
        c->DrawText(r, caption_, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

bool TPanel::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "BevelOuter"))
        SetBevelOuter(TPanelBevel(v.AsEnum({"bvNone", "bvLowered", "bvRaised"})));
    else if (SameText(name, "BevelInner"))
        SetBevelInner(TPanelBevel(v.AsEnum({"bvNone", "bvLowered", "bvRaised"})));
    else if (SameText(name, "BevelWidth"))
        SetBevelWidth(v.AsInt());
    else if (SameText(name, "BorderWidth"))
        SetBorderWidth(v.AsInt());
    else if (SameText(name, "Alignment"))
        SetAlignment(TAlignment(v.AsEnum({"taLeftJustify", "taRightJustify", "taCenter"})));
    else
        return TCustomControl::SetProperty(name, v, reader);
    return true;
}
