#include "controls/bitmap_button.h"

#include "bitmap.h"
#include "layout.h"
#include "layout_values.h"

namespace {

// One memory context for all buttons, made with the first and deleted with the last.
HDC sharedDC = nullptr;
int sharedUsers = 0;

POINT Direction(TShadowPosition p) {
    switch (p) {
        case spLeftTop:
            return POINT{-1, -1};
        case spLeftBottom:
            return POINT{-1, 1};
        case spRightTop:
            return POINT{1, -1};
        case spRightBottom:
            break;
    }
    return POINT{1, 1};
}

}  // namespace

TBitmapButton::TBitmapButton(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    if (sharedUsers++ == 0) sharedDC = CreateCompatibleDC(nullptr);
    SetBounds(Left(), Top(), 64, 32);
    SetControlStyle((ControlStyle() & ~csSetCaption) | csOpaque);
    picture_->OnChange = [this](TObject*) { Invalidate(); };
}

TBitmapButton::~TBitmapButton() {
    if (--sharedUsers == 0 && sharedDC) {
        DeleteDC(sharedDC);
        sharedDC = nullptr;
    }
}

int TBitmapButton::SharedContextUsers() { return sharedUsers; }

void TBitmapButton::Resize() {
    if (picture_->Width() > 0 && numBitmaps_ > 0)
        SetBounds(Left(), Top(), picture_->Width() / numBitmaps_, picture_->Height());
}

void TBitmapButton::SetPicture(TPicture* picture) {
    picture_->Assign(picture);
    Resize();
    Invalidate();
}

void TBitmapButton::SetNumBitmaps(int n) {
    if (n != numBitmaps_) {
        numBitmaps_ = n;
        Resize();
    }
    Invalidate();
}

void TBitmapButton::SetState(int state) {
    if (state == state_) return;
    state_ = state;
    if (OnChangeState) OnChangeState(this);
    Repaint();
}

void TBitmapButton::SetPressState(int state) {
    if (state == pressState_) return;
    pressState_ = state;
    if (pressed_) Invalidate();
}

void TBitmapButton::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TGraphicControl::SetCaption(caption);
    Invalidate();
}

#define REPAINT_SETTER(Name, Type, field)   \
    void TBitmapButton::Set##Name(Type v) { \
        if (v == field) return;             \
        field = v;                          \
        Invalidate();                       \
    }
REPAINT_SETTER(TextLeft, int, textLeft_)
REPAINT_SETTER(TextTop, int, textTop_)
REPAINT_SETTER(ShadowColor, TColor, shadowColor_)
REPAINT_SETTER(ShadowPos, TShadowPosition, shadowPos_)
REPAINT_SETTER(ShadowSize, int, shadowSize_)
REPAINT_SETTER(ShadowPressSize, int, shadowPressSize_)
#undef REPAINT_SETTER

void TBitmapButton::SetTransparent(bool on) {
    if (on == transparent_) return;
    transparent_ = on;
    SetControlStyle(on ? ControlStyle() & ~csOpaque : ControlStyle() | csOpaque);
    Invalidate();
}

void TBitmapButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        pressed_ = true;
        if (state_ != pressState_) Repaint();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TBitmapButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        pressed_ = false;
        if (state_ != pressState_) Repaint();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

POINT TBitmapButton::CaptionOrigin(SIZE text) const {
    POINT p{textLeft_ == -1 ? (Width() - text.cx) / 2 : textLeft_,
            textTop_ == -1 ? (Height() - text.cy) / 2 : textTop_};
    if (pressed_) {
        POINT d = Direction(shadowPos_);
        p.x += d.x * pressText_;
        p.y += d.y * pressText_;
    }
    return p;
}

POINT TBitmapButton::ShadowOrigin(SIZE text) const {
    POINT p = CaptionOrigin(text);
    POINT d = Direction(shadowPos_);
    int size = pressed_ ? shadowPressSize_ : shadowSize_;
    return POINT{p.x + d.x * size, p.y + d.y * size};
}

void TBitmapButton::Paint() {
    // Button coordinates on the canvas the parent gives.
    try {
        PaintFace(Canvas()->Handle(), 0, 0);
    } catch (...) {}
}

void TBitmapButton::PaintFace(HDC dc, int left, int top) {
    int w = Width(), h = Height();
    int s = pressed_ ? pressState_ : state_;

    HDC source = nullptr;
    POINT origin{0, 0};
    HGDIOBJ oldShared = nullptr;
    HPALETTE palette = nullptr, oldPalette = nullptr;
    TBitmap* resBitmap = nullptr;
    if (resImage_ && resImage_->Picture()->Graphic()) {
        resBitmap = dynamic_cast<TBitmap*>(resImage_->Picture()->Graphic());
    }
    if (resBitmap) {
        source = resBitmap->Canvas()->Handle();
        origin = POINT{resOrgX_, resOrgY_};
        palette = resBitmap->Palette();
    } else if (picture_->Width() >= 1) {
        if (auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic())) {
            if (HBITMAP handle = bitmap->Handle()) {
                source = sharedDC;
                oldShared = SelectObject(sharedDC, handle);
                palette = bitmap->Palette();
            }
        }
    }
    if (source && palette) {
        oldPalette = SelectPalette(source, palette, FALSE);
        RealizePalette(source);
    }

    TCanvas* canvas = Canvas();
    if (source) {
        if (s < 1) {
            int fx = origin.x + (state_ - 1) * w;
            BitBlt(dc, left + 1, top + 1, w - 1, h - 1, source, fx + 1, origin.y + 1, SRCCOPY);
            canvas->Pen()->SetColor(clBlack);
            canvas->Pen()->SetStyle(psSolid);
            canvas->MoveTo(left, top + h - 1);
            canvas->LineTo(left, top);
            canvas->LineTo(left + w, top);
        } else {
            int fx = origin.x + (s - 1) * w;
            if (!transparent_) {
                BitBlt(dc, left, top, w, h, source, fx, origin.y, SRCCOPY);
            } else {
                HDC scratchDC = CreateCompatibleDC(dc);
                HBITMAP scratch = CreateCompatibleBitmap(dc, w, h);
                HGDIOBJ oldScratch = SelectObject(scratchDC, scratch);
                HDC maskDC = CreateCompatibleDC(dc);
                HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
                HGDIOBJ oldMask = SelectObject(maskDC, mask);
                BitBlt(scratchDC, 0, 0, w, h, dc, left, top, SRCCOPY);
                COLORREF oldBack = SetBkColor(source, RGB(255, 255, 255));
                BitBlt(maskDC, 0, 0, w, h, source, fx, origin.y, SRCCOPY);
                SetBkColor(source, oldBack);
                SetBkColor(scratchDC, RGB(255, 255, 255));
                SetTextColor(scratchDC, RGB(0, 0, 0));
                BitBlt(scratchDC, 0, 0, w, h, maskDC, 0, 0, MERGEPAINT);
                BitBlt(scratchDC, 0, 0, w, h, source, fx, origin.y, SRCAND);
                BitBlt(dc, left, top, w, h, scratchDC, 0, 0, SRCCOPY);
                SelectObject(maskDC, oldMask);
                DeleteObject(mask);
                DeleteDC(maskDC);
                SelectObject(scratchDC, oldScratch);
                DeleteObject(scratch);
                DeleteDC(scratchDC);
            }
        }
    } else if (!transparent_ || (ComponentState() & csDesigning)) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(RECT{left, top, left + w, top + h});
    }
    if (ComponentState() & csDesigning) {
        canvas->Pen()->SetColor(clBlack);
        canvas->Pen()->SetStyle(psDot);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(left, top, left + w, top + h);
        canvas->Pen()->SetStyle(psSolid);
        canvas->Brush()->SetStyle(bsSolid);
    }

    if (!Caption().empty()) {
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsClear);
        SIZE text = canvas->TextExtent(Caption());
        RECT clip{left, top, left + w, top + h};
        POINT shadow = ShadowOrigin(text), caption = CaptionOrigin(text);
        TColor fontColour = canvas->Font()->Color();
        canvas->Font()->SetColor(shadowColor_);
        canvas->TextRect(clip, left + shadow.x, top + shadow.y, Caption());
        canvas->Font()->SetColor(fontColour);
        canvas->TextRect(clip, left + caption.x, top + caption.y, Caption());
        canvas->Brush()->SetStyle(bsSolid);
    }

    if (oldPalette) SelectPalette(source, oldPalette, TRUE);
    if (oldShared) SelectObject(sharedDC, oldShared);
    if (OnPaint) OnPaint(this, canvas, left, top);
}

void TBitmapButton::CopyFrom(TBitmapButton& o) {
    SetAlign(o.Align());
    TGraphicControl::SetCaption(o.Caption());
    SetColor(o.Color());
    SetCursor(o.Cursor());
    SetDragCursor(o.DragCursor());
    SetDragMode(o.DragMode());
    SetFont(o.Font());
    SetHint(o.Hint());
    numBitmaps_ = o.numBitmaps_;
    SetParentFont(o.ParentFont());
    if (!o.ParentShowHint()) SetShowHint(o.ShowHint());
    SetParentShowHint(o.ParentShowHint());
    picture_->Assign(o.picture_.get());
    pressState_ = o.pressState_;
    resImage_ = o.resImage_;
    resOrgX_ = o.resOrgX_;
    resOrgY_ = o.resOrgY_;
    shadowColor_ = o.shadowColor_;
    shadowPos_ = o.shadowPos_;
    shadowSize_ = o.shadowSize_;
    shadowPressSize_ = o.shadowPressSize_;
    state_ = o.state_;
    SetTag(o.Tag());
    textLeft_ = o.textLeft_;
    textTop_ = o.textTop_;
    SetTransparent(o.transparent_);
    SetVisible(o.Visible());
    SetBounds(o.Left(), Top(), o.Width(), o.Height());
    OnClick = o.OnClick;
    OnDblClick = o.OnDblClick;
    OnDragDrop = o.OnDragDrop;
    OnDragOver = o.OnDragOver;
    OnEndDrag = o.OnEndDrag;
    OnMouseDown = o.OnMouseDown;
    OnMouseMove = o.OnMouseMove;
    OnMouseUp = o.OnMouseUp;
    OnMouseEnter = o.OnMouseEnter;
    OnMouseLeave = o.OnMouseLeave;
    Invalidate();
}

bool TBitmapButton::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    std::string n = LowerCase(name);
    if (n == "picture" && value.kind == TLayoutValue::Resource) {
        TBitmap bitmap;
        bitmap.LoadFromResourceName(reader.Instance(), value.text);
        TPicture picture;
        picture.SetGraphic(&bitmap);
        SetPicture(&picture);
    } else if (n == "numbitmaps")
        SetNumBitmaps(value.AsInt());
    else if (n == "state")
        SetState(value.AsInt());
    else if (n == "pressstate")
        SetPressState(value.AsInt());
    else if (n == "presstext")
        SetPressText(value.AsInt());
    else if (n == "textleft")
        SetTextLeft(value.AsInt());
    else if (n == "texttop")
        SetTextTop(value.AsInt());
    else if (n == "shadowcolor")
        SetShadowColor(LayoutColor(value));
    else if (n == "shadowpos")
        SetShadowPos(
            static_cast<TShadowPosition>(value.AsEnum({"spLeftTop", "spLeftBottom", "spRightBottom", "spRightTop"})));
    else if (n == "shadowsize")
        SetShadowSize(value.AsInt());
    else if (n == "shadowpresssize")
        SetShadowPressSize(value.AsInt());
    else if (n == "transparent")
        SetTransparent(value.AsBool());
    else if (n == "resorgx")
        SetResOrgX(value.AsInt());
    else if (n == "resorgy")
        SetResOrgY(value.AsInt());
    else if (n == "resimage")
        reader.Reference(value, [this](TComponent* c) { SetResImage(dynamic_cast<TImage*>(c)); });
    else if (n == "link")
        reader.Reference(value, [this](TComponent* c) { SetLink(c); });
    else if (n == "onpaint")
        OnPaint = reader.Handler<TButtonPaintEvent>(value);
    else if (n == "onchangestate")
        OnChangeState = reader.Handler<TNotifyEvent>(value);
    else
        return TGraphicControl::SetProperty(name, value, reader);
    return true;
}
