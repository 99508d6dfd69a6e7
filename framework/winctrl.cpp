// Windowed controls: the window, its procedure, painting of windowless
// children and routing of the mouse to them.
#include <algorithm>

#include "application.h"
#include "controls.h"
#include "drag.h"
#include "layout.h"
#include "menus.h"

LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK FrameworkSubclassProc(HWND, UINT, WPARAM, LPARAM);

namespace {

const char kWindowClass[] = "FwWindow";
const char kControlProp[] = "FwControl";

void RegisterWindowClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FrameworkWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
    done = true;
}

LRESULT Dispatch(TWinControl* control, HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0};
    try {
        if (!HandleDragMessage(control, m)) control->WndProc(m);
    } catch (...) {
        if (Application) Application->HandleException(control);
    }
    return m.Result;
}

}  // namespace

LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(l);
        auto* control = static_cast<TWinControl*>(cs->lpCreateParams);
        SetPropA(hwnd, kControlProp, control);
        control->hwnd_ = hwnd;
    }
    TWinControl* control = TWinControl::FromHandle(hwnd);
    if (!control) return DefWindowProcA(hwnd, msg, w, l);
    if (msg == WM_NCDESTROY) {
        LRESULT r = DefWindowProcA(hwnd, msg, w, l);
        RemovePropA(hwnd, kControlProp);
        control->hwnd_ = nullptr;
        return r;
    }
    return Dispatch(control, hwnd, msg, w, l);
}

LRESULT CALLBACK FrameworkSubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    TWinControl* control = TWinControl::FromHandle(hwnd);
    if (!control) return DefWindowProcA(hwnd, msg, w, l);
    if (msg == WM_NCDESTROY) {
        WNDPROC proc = control->systemProc_;
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
        RemovePropA(hwnd, kControlProp);
        control->hwnd_ = nullptr;
        return CallWindowProcA(proc, hwnd, msg, w, l);
    }
    return Dispatch(control, hwnd, msg, w, l);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<TWinControl*>(GetPropA(hwnd, kControlProp)) : nullptr;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) { brush_.SetColor(color_); }

TWinControl::~TWinControl() {
    // Children leave first, while this object is whole.
    while (!controls_.empty()) controls_.back()->SetParent(nullptr);
    DestroyHandle();
}

HWND TWinControl::Handle() {
    if (!hwnd_) CreateWnd();
    return hwnd_;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = caption_;
    params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (visible_) params.Style |= WS_VISIBLE;
    if (!enabled_) params.Style |= WS_DISABLED;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    if (parent_) params.WndParent = parent_->Handle();
}

void TWinControl::CreateWnd() {
    if (parent_ && !parent_->HandleAllocated()) parent_->Handle();
    if (hwnd_) return;
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.WndParent) throw Exception("Control '" + Name() + "' has no parent window");
    HWND h;
    if (p.SystemClass.empty()) {
        RegisterWindowClass();
        h = CreateWindowExA(p.ExStyle, kWindowClass, p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                            p.WndParent, nullptr, GetModuleHandleA(nullptr), this);
    } else {
        h = CreateWindowExA(p.ExStyle, p.SystemClass.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                            p.WndParent, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (h) {
            SetPropA(h, kControlProp, this);
            hwnd_ = h;
            systemProc_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkSubclassProc)));
        }
    }
    if (!h) throw EOutOfResources("Cannot create the window of '" + Name() + "'");
    hwnd_ = h;
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    // Windowed children made before this window get theirs now, in order.
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->Handle();
}

void TWinControl::DestroyWnd() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void TWinControl::DestroyHandle() {
    if (!hwnd_) return;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd() {
    if (!hwnd_) return;
    DestroyHandle();
    Handle();
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    control->ParentChanged();
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        if (w->hwnd_)
            ::SetParent(w->hwnd_, Handle());
        else if (hwnd_)
            w->Handle();
    } else {
        control->Invalidate();
    }
    if (control->Align() != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end()) return;
    control->Invalidate();
    if (mouseControl_ == control) mouseControl_ = nullptr;
    if (captureControl_ == control) captureControl_ = nullptr;
    controls_.erase(it);
    if (auto* w = dynamic_cast<TWinControl*>(control)) w->DestroyHandle();
    control->parent_ = nullptr;
    if (control->Align() != alNone) Realign();
}

void TWinControl::MoveControl(TControl* control, bool toFront) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end()) return;
    controls_.erase(it);
    if (toFront)
        controls_.push_back(control);
    else
        controls_.insert(controls_.begin(), control);
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        if (w->hwnd_)
            SetWindowPos(w->hwnd_, toFront ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        control->Invalidate();
    }
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (hwnd_) SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    BoundsChanged();
    if (parent_ && align_ != alNone) parent_->Realign();
    if (resized && OnResize) OnResize(this);
}

void TWinControl::BoundsChanged() { Realign(); }

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, width_, height_};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r;
}

POINT TWinControl::ClientOrigin() const {
    if (!hwnd_) return TControl::ClientOrigin();
    POINT p{0, 0};
    ::ClientToScreen(hwnd_, &p);
    return p;
}

void TWinControl::SetClientSize(int width, int height) {
    RECT client = ClientRect();
    SetBounds(left_, top_, width_ + width - (client.right - client.left),
              height_ + height - (client.bottom - client.top));
}

void TWinControl::SetVisible(bool visible) {
    if (visible_ == visible) return;
    TControl::SetVisible(visible);
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
    TControl::SetEnabled(enabled);
    if (hwnd_) EnableWindow(hwnd_, enabled);
}

void TWinControl::SetCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    if (hwnd_) SetWindowTextA(hwnd_, caption.c_str());
    Invalidate();
}

void TWinControl::SetColor(TColor color) {
    TControl::SetColor(color);
    brush_.SetColor(color);
    for (TControl* c : controls_)
        if (c->ParentColor()) c->SetParentColor(true);
}

void TWinControl::FontChanged() {
    if (hwnd_) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
    for (TControl* c : controls_)
        if (c->ParentFont()) c->SetParentFont(true);
    Invalidate();
}

void TWinControl::Invalidate() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
    if (hwnd_) UpdateWindow(hwnd_);
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }
bool TWinControl::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

void TWinControl::Realign() {
    if (controls_.empty()) return;
    RECT area = ClientRect();
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : controls_) {
            if (c->Align() != pass || !c->Visible()) continue;
            int w = c->Width(), h = c->Height();
            switch (pass) {
                case alTop:
                    c->SetBounds(area.left, area.top, area.right - area.left, h);
                    area.top += h;
                    break;
                case alBottom:
                    c->SetBounds(area.left, area.bottom - h, area.right - area.left, h);
                    area.bottom -= h;
                    break;
                case alLeft:
                    c->SetBounds(area.left, area.top, w, area.bottom - area.top);
                    area.left += w;
                    break;
                case alRight:
                    c->SetBounds(area.right - w, area.top, w, area.bottom - area.top);
                    area.right -= w;
                    break;
                default:
                    c->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
                    break;
            }
        }
    }
}

void TWinControl::PaintWindow(HDC dc) {}

void TWinControl::PaintControls(HDC dc) {
    for (TControl* c : controls_) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        RECT r = g->BoundsRect();
        if (!RectVisible(dc, &r)) continue;
        g->PaintInParent(dc);
    }
}

void TWinControl::TrackLeave() {
    if (tracking_ || !hwnd_) return;
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
    if (TrackMouseEvent(&t)) {
        tracking_ = true;
        MouseEnter();
    }
}

void TWinControl::RouteMouse(TMessage& m) {
    POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
    bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
    TControl* target = captureControl_;
    if (!target) target = ControlAtPos(p);
    if (m.Msg == WM_MOUSEMOVE) {
        TrackLeave();
        TControl* under = ControlAtPos(p);
        if (under && dynamic_cast<TWinControl*>(under)) under = nullptr;
        if (under != mouseControl_) {
            TControl* old = mouseControl_;
            mouseControl_ = under;
            if (old) old->MouseLeave();
            if (under) under->MouseEnter();
        }
    }
    if (target && !dynamic_cast<TWinControl*>(target)) {
        if (down && (target->ControlStyle() & csCaptureMouse)) {
            captureControl_ = target;
            SetCapture(hwnd_);
        }
        int x = p.x - target->Left(), y = p.y - target->Top();
        if (up && captureControl_ == target) {
            captureControl_ = nullptr;
            if (GetCapture() == hwnd_ && !DragSource()) ReleaseCapture();
        }
        target->DispatchMouse(m.Msg, m.WParam, x, y);
        return;
    }
    if (down && (controlStyle_ & csCaptureMouse) && !systemProc_) SetCapture(hwnd_);
    if (up && GetCapture() == hwnd_ && !DragSource() && !systemProc_) ReleaseCapture();
    DispatchMouse(m.Msg, m.WParam, p.x, p.y);
    if (systemProc_) DefaultHandler(m);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

// Messages that a parent reflects to the child control they concern.
constexpr UINT kReflectBase = 0xBC00;

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_PAINT: {
            if (systemProc_) break;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            PaintWindow(dc);
            PaintControls(dc);
            EndPaint(hwnd_, &ps);
            m.Result = 0;
            return;
        }
        case WM_ERASEBKGND: {
            if (systemProc_) break;
            if (!(controlStyle_ & csOpaque)) {
                RECT r;
                GetClientRect(hwnd_, &r);
                FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush_.Handle());
            }
            m.Result = 1;
            return;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            RouteMouse(m);
            if (m.Msg == WM_RBUTTONUP && !systemProc_) DefaultHandler(m);  // makes WM_CONTEXTMENU
            return;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (mouseControl_) {
                TControl* old = mouseControl_;
                mouseControl_ = nullptr;
                old->MouseLeave();
            }
            MouseLeave();
            return;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(m.LParam) != hwnd_) captureControl_ = nullptr;
            break;
        case WM_SETCURSOR: {
            if (LOWORD(m.LParam) != HTCLIENT || !Screen) break;
            TCursor c = crDefault;
            if (Screen->Cursor() != crDefault)
                c = Screen->Cursor();
            else {
                POINT p;
                GetCursorPos(&p);
                ::ScreenToClient(hwnd_, &p);
                TControl* under = ControlAtPos(p);
                if (under && !dynamic_cast<TWinControl*>(under)) c = under->Cursor();
                if (c == crDefault && reinterpret_cast<HWND>(m.WParam) == hwnd_) c = cursor_;
            }
            if (c == crDefault) break;
            ::SetCursor(Screen->Cursors(c));
            m.Result = 1;
            return;
        }
        case WM_CONTEXTMENU: {
            POINT sp{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
            if (sp.x == -1 && sp.y == -1) GetCursorPos(&sp);
            POINT p = sp;
            ::ScreenToClient(hwnd_, &p);
            TControl* under = ControlAtPos(p);
            TControl* candidates[2] = {under && !dynamic_cast<TWinControl*>(under) ? under : nullptr, this};
            for (TControl* c : candidates) {
                TPopupMenu* menu = c ? c->PopupMenu() : nullptr;
                if (menu && menu->AutoPopup()) {
                    menu->SetPopupComponent(c);
                    menu->Popup(sp.x, sp.y);
                    m.Result = 0;
                    return;
                }
            }
            break;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            WORD key = static_cast<WORD>(m.WParam);
            KeyDown(key, ShiftStateFromKeyboard());
            if (key == 0) return;
            m.WParam = key;
            break;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            WORD key = static_cast<WORD>(m.WParam);
            KeyUp(key, ShiftStateFromKeyboard());
            if (key == 0) return;
            m.WParam = key;
            break;
        }
        case WM_CHAR: {
            char key = static_cast<char>(m.WParam);
            KeyPress(key);
            if (key == 0) return;
            m.WParam = static_cast<unsigned char>(key);
            break;
        }
        case WM_SETFOCUS:
            if (OnEnter) OnEnter(this);
            break;
        case WM_KILLFOCUS:
            if (OnExit) OnExit(this);
            break;
        case WM_SIZE:
        case WM_MOVE:
            if (hwnd_ && !IsIconic(hwnd_)) {
                RECT r;
                GetWindowRect(hwnd_, &r);
                POINT tl{r.left, r.top};
                if (GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD) ::ScreenToClient(GetParent(hwnd_), &tl);
                bool resized = width_ != r.right - r.left || height_ != r.bottom - r.top;
                left_ = tl.x;
                top_ = tl.y;
                width_ = r.right - r.left;
                height_ = r.bottom - r.top;
                if (resized) {
                    Realign();
                    if (OnResize) OnResize(this);
                }
            }
            break;
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            if (m.LParam) {
                if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(m.LParam))) {
                    if (child != this) {
                        TMessage r{kReflectBase + m.Msg, m.WParam, m.LParam, 0};
                        child->WndProc(r);
                        m.Result = r.Result;
                        if (m.Msg != WM_CTLCOLOREDIT && m.Msg != WM_CTLCOLORSTATIC && m.Msg != WM_CTLCOLORSCROLLBAR)
                            return;
                        if (r.Result) return;
                    }
                }
            }
            break;
    }
    DefaultHandler(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (m.Msg >= kReflectBase && m.Msg < kReflectBase + 0x400) {
        m.Result = 0;
        return;
    }
    if (!hwnd_) {
        m.Result = 0;
        return;
    }
    if (systemProc_)
        m.Result = CallWindowProcA(systemProc_, hwnd_, m.Msg, m.WParam, m.LParam);
    else
        m.Result = DefWindowProcA(hwnd_, m.Msg, m.WParam, m.LParam);
}

bool TWinControl::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "OnKeyDown"))
        OnKeyDown = reader.Handler<TKeyEvent>(v);
    else if (SameText(name, "OnKeyUp"))
        OnKeyUp = reader.Handler<TKeyEvent>(v);
    else if (SameText(name, "OnKeyPress"))
        OnKeyPress = reader.Handler<TKeyPressEvent>(v);
    else if (SameText(name, "OnEnter"))
        OnEnter = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnExit"))
        OnExit = reader.Handler<TNotifyEvent>(v);
    else
        return TControl::SetProperty(name, v, reader);
    return true;
}

// ---- canvases of controls

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::CreateHandle() {
    auto* w = dynamic_cast<TWinControl*>(control_);
    TWinControl* host = w ? w : control_->Parent();
    if (!host) return;
    ownWnd_ = host->Handle();
    ownDC_ = GetDCEx(ownWnd_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | (w ? 0 : DCX_PARENTCLIP));
    if (!ownDC_) return;
    if (!w) {
        // A windowless control draws in its own rectangle of the parent.
        SetViewportOrgEx(ownDC_, control_->Left(), control_->Top(), nullptr);
        IntersectClipRect(ownDC_, 0, 0, control_->Width(), control_->Height());
    }
    SetHandle(ownDC_);
}

void TControlCanvas::FreeHandle() {
    if (savedState_) return;
    if (!ownDC_) return;
    DetachHandle();
    ReleaseDC(ownWnd_, ownDC_);
    ownDC_ = nullptr;
    ownWnd_ = nullptr;
}

void TControlCanvas::BeginPaint(HDC dc) {
    FreeHandle();
    savedState_ = SaveDC(dc);
    if (!dynamic_cast<TWinControl*>(control_)) {
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + control_->Left(), org.y + control_->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, control_->Width(), control_->Height());
    }
    SetHandle(dc);
}

void TControlCanvas::EndPaint() {
    HDC dc = HandleAllocated() ? Handle() : nullptr;
    DetachHandle();
    if (dc && savedState_) RestoreDC(dc, savedState_);
    savedState_ = 0;
}

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() { canvas_.reset(); }

void TGraphicControl::PaintInParent(HDC dc) {
    canvas_->Lock();
    canvas_->BeginPaint(dc);
    canvas_->Font()->Assign(Font());
    try {
        Paint();
    } catch (...) {
        canvas_->EndPaint();
        canvas_->Unlock();
        throw;
    }
    canvas_->EndPaint();
    canvas_->Unlock();
}

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() { canvas_->FreeHandle(); }

void TCustomControl::PaintWindow(HDC dc) {
    canvas_->Lock();
    canvas_->BeginPaint(dc);
    canvas_->Font()->Assign(Font());
    canvas_->Brush()->SetColor(Color());
    try {
        Paint();
    } catch (...) {
        canvas_->EndPaint();
        canvas_->Unlock();
        throw;
    }
    canvas_->EndPaint();
    canvas_->Unlock();
}
