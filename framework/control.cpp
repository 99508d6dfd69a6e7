// The visual component: bounds, visibility, font and colour inheritance,
// hints, cursors and mouse input.
#include "application.h"
#include "controls.h"
#include "drag.h"
#include "layout.h"
#include "layout_values.h"
#include "menus.h"

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this](TObject*) {
        if (!applyingParentFont_) parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    DragControlDestroyed(this);
    if (Application) Application->ControlDestroyed(this);
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw Exception("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged();
    Invalidate();
    if (parent_ && align_ != alNone) parent_->Realign();
    if (resized && OnResize) OnResize(this);
}

void TControl::SetAlign(TAlign align) {
    if (align_ == align) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (!visible && parent_ && Application) Application->ControlHidden(this);
    VisibleChanged();
    if (parent_) {
        HWND h = parent_->HandleAllocated() ? parent_->Handle() : nullptr;
        if (h) {
            RECT r = BoundsRect();
            InvalidateRect(h, &r, TRUE);
        }
        if (align_ != alNone) parent_->Realign();
    }
}

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Invalidate();
}

void TControl::SetCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    Invalidate();
}

void TControl::SetColor(TColor color) {
    if (color_ == color && !parentColor_) return;
    color_ = color;
    parentColor_ = false;
    Invalidate();
}

void TControl::SetParentColor(bool on) {
    parentColor_ = on;
    if (on && parent_) {
        color_ = parent_->Color();
        Invalidate();
    }
}

void TControl::SetParentFont(bool on) {
    parentFont_ = on;
    if (on) ApplyParentFont();
}

void TControl::ApplyParentFont() {
    if (!parent_ || !parentFont_) return;
    applyingParentFont_ = true;
    font_.Assign(parent_->Font());
    applyingParentFont_ = false;
}

void TControl::ParentChanged() {
    if (parentColor_ && parent_) color_ = parent_->Color();
    ApplyParentFont();
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetHint(const std::string& hint) { hint_ = hint; }

bool TControl::ShowHint() const {
    if (parentShowHint_ && parent_) return parent_->ShowHint();
    return showHint_;
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor_ == cursor) return;
    cursor_ = cursor;
    // Shown at once when the pointer is over this control.
    POINT p;
    if (Screen && Showing() && GetCursorPos(&p)) {
        POINT c = ScreenToClient(p);
        RECT r = ClientRect();
        if (PtInRect(&r, c) && !Dragging() && Screen->Cursor() == crDefault) {
            HWND h = WindowFromPoint(p);
            if (h) SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        }
    }
}

POINT TControl::ClientOrigin() const {
    POINT origin = parent_ ? parent_->ClientOrigin() : POINT{0, 0};
    origin.x += left_;
    origin.y += top_;
    return origin;
}

POINT TControl::ClientToScreen(POINT p) const {
    POINT o = ClientOrigin();
    return POINT{p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) const {
    POINT o = ClientOrigin();
    return POINT{p.x - o.x, p.y - o.y};
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->HandleAllocated()) return;
    RECT r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

bool TControl::PaletteChanged(bool foreground) {
    HPALETTE palette = GetPalette();
    TWinControl* window = dynamic_cast<TWinControl*>(this);
    if (!window) window = parent_;
    if (!palette || !window || !window->HandleAllocated()) return false;
    HWND hwnd = window->Handle();
    HDC dc = GetDC(hwnd);
    HPALETTE old = SelectPalette(dc, palette, foreground ? FALSE : TRUE);
    bool changed = RealizePalette(dc) != 0;
    SelectPalette(dc, old, TRUE);
    ReleaseDC(hwnd, dc);
    if (changed) Invalidate();
    return true;
}

void TControl::BringToFront() {
    if (parent_) parent_->MoveControl(this, true);
}

void TControl::SendToBack() {
    if (parent_) parent_->MoveControl(this, false);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
        case WM_MOUSEMOVE:
            DispatchMouse(message.Msg, message.WParam, static_cast<short>(LOWORD(message.LParam)),
                          static_cast<short>(HIWORD(message.LParam)));
            return;
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) { message.Result = 0; }

void TControl::DispatchMouse(UINT msg, WPARAM keys, int x, int y) {
    TShiftState shift = ShiftStateFromMouse(keys);
    switch (msg) {
        case WM_MOUSEMOVE:
            if (Application) Application->HintMouseMessage(this, POINT{x, y});
            if (!Dragging()) MouseMove(shift, x, y);
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (Application) Application->CancelHint();
            mouseDown_ = true;
            if (msg == WM_LBUTTONDBLCLK) {
                shift |= ssDouble;
                if (controlStyle_ & csDoubleClicks) DblClick();
            }
            if (dragMode_ == dmAutomatic && msg == WM_LBUTTONDOWN) {
                BeginDrag(Mouse ? Mouse->DragImmediate() : true, -1);
            }
            MouseDown(mbLeft, shift, x, y);
            return;
        case WM_LBUTTONUP: {
            RECT r = ClientRect();
            POINT p{x, y};
            bool click = mouseDown_ && PtInRect(&r, p);
            mouseDown_ = false;
            if (click && (controlStyle_ & csClickEvents)) Click();
            MouseUp(mbLeft, shift, x, y);
            return;
        }
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            if (Application) Application->CancelHint();
            MouseDown(mbRight, shift | (msg == WM_RBUTTONDBLCLK ? ssDouble : 0), x, y);
            return;
        case WM_RBUTTONUP:
            MouseUp(mbRight, shift, x, y);
            return;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            MouseDown(mbMiddle, shift | (msg == WM_MBUTTONDBLCLK ? ssDouble : 0), x, y);
            return;
        case WM_MBUTTONUP:
            MouseUp(mbMiddle, shift, x, y);
            return;
    }
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}
void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
    if (Application) Application->ControlHidden(this);
    if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}
void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}
void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

TPersistent* TControl::GetObjectProperty(const std::string& upperName) {
    if (upperName == "FONT") return &font_;
    return TComponent::GetObjectProperty(upperName);
}

bool TControl::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Left"))
        SetLeft(v.AsInt());
    else if (SameText(name, "Top"))
        SetTop(v.AsInt());
    else if (SameText(name, "Width"))
        SetWidth(v.AsInt());
    else if (SameText(name, "Height"))
        SetHeight(v.AsInt());
    else if (SameText(name, "Bounds")) {
        if (v.kind != TLayoutValue::Number || v.numbers.size() != 4) throw EConvertError("Bounds needs four numbers");
        SetBounds(int(v.numbers[0]), int(v.numbers[1]), int(v.numbers[2]), int(v.numbers[3]));
    } else if (SameText(name, "ClientWidth"))
        SetClientSize(v.AsInt(), ClientHeight());
    else if (SameText(name, "ClientHeight"))
        SetClientSize(ClientWidth(), v.AsInt());
    else if (SameText(name, "Visible"))
        SetVisible(v.AsBool());
    else if (SameText(name, "Enabled"))
        SetEnabled(v.AsBool());
    else if (SameText(name, "Caption") || SameText(name, "Text"))
        SetCaption(v.AsString());
    else if (SameText(name, "Color"))
        SetColor(LayoutColor(v));
    else if (SameText(name, "ParentColor"))
        SetParentColor(v.AsBool());
    else if (SameText(name, "ParentFont"))
        SetParentFont(v.AsBool());
    else if (SameText(name.substr(0, 5), "Font."))
        SetFontProperty(font_, name.substr(5), v);
    else if (SameText(name, "Hint"))
        SetHint(v.AsString());
    else if (SameText(name, "ShowHint"))
        SetShowHint(v.AsBool());
    else if (SameText(name, "ParentShowHint"))
        SetParentShowHint(v.AsBool());
    else if (SameText(name, "Cursor"))
        SetCursor(LayoutCursor(v));
    else if (SameText(name, "DragCursor"))
        SetDragCursor(LayoutCursor(v));
    else if (SameText(name, "DragMode"))
        SetDragMode(TDragMode(v.AsEnum({"dmManual", "dmAutomatic"})));
    else if (SameText(name, "Align"))
        SetAlign(TAlign(v.AsEnum({"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})));
    else if (SameText(name, "PopupMenu"))
        reader.Reference(v, [this](TComponent* c) {
            auto* menu = dynamic_cast<TPopupMenu*>(c);
            if (!menu) throw EConvertError(c->Name() + " is not a popup menu");
            SetPopupMenu(menu);
        });
    else if (SameText(name, "OnClick"))
        OnClick = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnDblClick"))
        OnDblClick = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnMouseDown"))
        OnMouseDown = reader.Handler<TMouseEvent>(v);
    else if (SameText(name, "OnMouseMove"))
        OnMouseMove = reader.Handler<TMouseMoveEvent>(v);
    else if (SameText(name, "OnMouseUp"))
        OnMouseUp = reader.Handler<TMouseEvent>(v);
    else if (SameText(name, "OnMouseEnter"))
        OnMouseEnter = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnMouseLeave"))
        OnMouseLeave = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnDragOver"))
        OnDragOver = reader.Handler<TDragOverEvent>(v);
    else if (SameText(name, "OnDragDrop"))
        OnDragDrop = reader.Handler<TDragDropEvent>(v);
    else if (SameText(name, "OnEndDrag"))
        OnEndDrag = reader.Handler<TEndDragEvent>(v);
    else if (SameText(name, "OnResize"))
        OnResize = reader.Handler<TNotifyEvent>(v);
    else
        return TComponent::SetProperty(name, v, reader);
    return true;
}
