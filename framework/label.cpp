#include "layout.h"
#include "stdctrls.h"

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 17;
    controlStyle_ &= ~csCaptureMouse;
}

void TLabel::SetCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    AdjustSize();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::AdjustSize() {
    if (!autoSize_ || (state_ & csLoading)) return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    RECT r{0, 0, wordWrap_ ? width_ : 0, 0};
    DrawTextA(dc, caption_.empty() ? " " : caption_.c_str(), -1, &r,
              DT_CALCRECT | DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int w = wordWrap_ ? width_ : r.right;
    int left = left_;
    if (!wordWrap_ && alignment_ == taRightJustify)
        left = left_ + width_ - w;
    else if (!wordWrap_ && alignment_ == taCenter)
        left = left_ + (width_ - w) / 2;
    SetBounds(left, top_, w, r.bottom);
}

void TLabel::Paint() {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    if (!transparent_) {
        c->Brush()->SetColor(Color());
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    UINT align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    c->DrawText(r, caption_, align | DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE));
}

bool TLabel::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Alignment"))
        SetAlignment(TAlignment(v.AsEnum({"taLeftJustify", "taRightJustify", "taCenter"})));
    else if (SameText(name, "Transparent"))
        SetTransparent(v.AsBool());
    else if (SameText(name, "AutoSize"))
        autoSize_ = v.AsBool();
    else if (SameText(name, "WordWrap"))
        wordWrap_ = v.AsBool();
    else
        return TGraphicControl::SetProperty(name, v, reader);
    return true;
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustSize();
}
