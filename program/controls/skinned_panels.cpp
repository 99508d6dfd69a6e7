#include "controls/skinned_panels.h"

#include "bitmap.h"
#include "forms.h"
#include "layout.h"

TDrawPanel::TDrawPanel(TComponent* owner) : TPanel(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this](TObject*) { Invalidate(); };
    Invalidate();
}

TDrawPanel::~TDrawPanel() = default;

void TDrawPanel::SetPicture(TPicture* picture) {
    picture_->Assign(picture);
    Invalidate();
}

HPALETTE TDrawPanel::GetPalette() {
    // The graphic itself: asking the picture for a bitmap would replace a
    // picture of another class.
    try {
        TGraphic* graphic = picture_->Graphic();
        return graphic ? graphic->Palette() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

bool TDrawPanel::PaletteChanged(bool foreground) {
    if (!Visible() || !HandleAllocated()) return false;
    HPALETTE palette = GetPalette();
    if (!palette) return false;
    HDC dc = GetDC(Handle());
    HPALETTE old = SelectPalette(dc, palette, !foreground);
    if (RealizePalette(dc) != 0) Invalidate();
    SelectPalette(dc, old, TRUE);
    ReleaseDC(Handle(), dc);
    return true;
}

void TDrawPanel::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_ERASEBKGND:
            if (OnErase) OnErase(this);
            message.Result = 1;
            return;
        case WM_PALETTECHANGED:
            message.Result = PaletteChanged(false) ? 1 : 0;
            Invalidate();
            return;
    }
    TPanel::WndProc(message);
}

void TDrawPanel::Paint() {
    if (OnPaint && !(ComponentState() & csDesigning)) {
        OnPaint(this);
        return;
    }
    if (picture_->Width() > 0 && picture_->Height() > 0)
        PaintTiled();
    else
        TPanel::Paint();
}

int TDrawPanel::CaptionLeftEdge() const {
    int edge = 0;
    for (TControl* c : controls_)
        if (c->Left() + c->Width() < Width() / 2 && c->Left() + c->Width() > edge) edge = c->Left() + c->Width();
    return edge;
}

int TDrawPanel::CaptionRightEdge() const {
    int edge = Width();
    for (TControl* c : controls_)
        if (c->Left() > Width() / 2 && c->Left() < edge) edge = c->Left();
    return edge;
}

void TDrawPanel::PaintTiled() {
    TCanvas* canvas = Canvas();
    HDC dc = canvas->Handle();
    HPALETTE palette = GetPalette();
    HPALETTE old = nullptr;
    if (palette) {
        old = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    TGraphic* graphic = picture_->Graphic();
    int pw = picture_->Width(), ph = picture_->Height();
    for (int row = 0; row <= Height() / ph; ++row)
        for (int column = 0; column <= Width() / pw; ++column) canvas->Draw(column * pw, row * ph, graphic);

    if (!Caption().empty()) {
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsClear);
        SetBkMode(dc, TRANSPARENT);
        int left = CaptionLeftEdge(), right = CaptionRightEdge();
        SIZE text = canvas->TextExtent(Caption());
        int y = Height() / 2 - text.cy / 2;
        int x;
        switch (Alignment()) {
            case taLeftJustify:
                x = left + 2;
                break;
            case taRightJustify:
                x = right - text.cx - 2;
                break;
            default:
                x = left + (right - left) / 2 - text.cx / 2;
                break;
        }
        canvas->TextOut(x, y, Caption());
        canvas->Brush()->SetStyle(bsSolid);
    }
    if (old) SelectPalette(dc, old, TRUE);
}

bool TDrawPanel::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    if (LowerCase(name) == "picture" && value.kind == TLayoutValue::Resource) {
        TBitmap bitmap;
        bitmap.LoadFromResourceName(reader.Instance(), value.text);
        picture_->SetGraphic(&bitmap);
        return true;
    }
    if (LowerCase(name) == "onpaint") {
        OnPaint = reader.Handler<TNotifyEvent>(value);
        return true;
    }
    if (LowerCase(name) == "onerase") {
        OnErase = reader.Handler<TNotifyEvent>(value);
        return true;
    }
    return TPanel::SetProperty(name, value, reader);
}

void TCaptionBar::WndProc(TMessage& message) {
    auto* form = dynamic_cast<TForm*>(Owner());
    POINT p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
    // A press on a button of the bar is the button's, not a move.
    if (form && message.Msg == WM_LBUTTONDOWN && !ControlAtPos(p)) {
        // The system moves the form with the mouse from here on.
        ReleaseCapture();
        SendMessageA(form->Handle(), WM_SYSCOMMAND, 0xF012, MAKELPARAM(p.x, p.y));
        message.Result = 0;
        return;
    }
    if (form && message.Msg == WM_LBUTTONDBLCLK) {
        if (form->BorderIcons() & biMaximize)
            form->SetWindowState(form->WindowState() == wsMaximized ? wsNormal : wsMaximized);
        message.Result = 0;
        return;
    }
    TDrawPanel::WndProc(message);
}
