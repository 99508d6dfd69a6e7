// Forms: top-level windows owned by the application window, read from their
// layout resource, shown normally or modally.
#include <algorithm>

#include "application.h"
#include "forms.h"
#include "layout.h"

TForm::TForm(TComponent* owner, const std::string& layoutName) : TCustomControl(owner), layoutName_(layoutName) {
    visible_ = false;
    left_ = 100;
    top_ = 100;
    width_ = 320;
    height_ = 240;
    parentFont_ = false;
    controlStyle_ |= csAcceptsControls;
    if (Screen) Screen->forms_.push_back(this);
}

TForm::~TForm() {
    if (Screen) {
        auto& forms = Screen->forms_;
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    }
    if (Application) Application->FormDestroyed(this);
    // Owned components go while the form is whole.
    DestroyComponents();
}

void TForm::BeforeDestruction() {
    if (!(state_ & csDestroying)) {
        state_ |= csDestroying;
        if (visible_) {
            try {
                SetVisible(false);
            } catch (...) {
                if (Application) Application->HandleException(this);
            }
        }
        if (created_ && OnDestroy) {
            try {
                OnDestroy(this);
            } catch (...) {
                if (Application) Application->HandleException(this);
            }
        }
    }
    // The components owned by the form go now, while the subclass still exists.
    DestroyComponents();
}

void TForm::InitializeForm() {
    std::string text;
    HINSTANCE instance = Application ? Application->Instance() : GetModuleHandleA(nullptr);
    // The windows are made once the layout has set their styles and bounds.
    if (FindLayoutResource(instance, layoutName_, text)) ReadLayout(this, text, instance);
    Handle();
    for (auto& binder : fieldBinders_) {
        TComponent* c = FindComponent(binder.name);
        if (!c) throw EConvertError("Field " + binder.name + " of " + layoutName_ + " has no component");
        if (!binder.bind(c)) throw EConvertError("Field " + binder.name + " of " + layoutName_ + " has another class");
    }
    for (int i = 0; i < ComponentCount(); ++i) Components(i)->Loaded();
    Loaded();
    created_ = true;
    if (OnCreate) OnCreate(this);
    if (visible_ && hwnd_ && !IsWindowVisible(hwnd_)) {
        visible_ = false;
        SetVisible(true);
    }
}

void TForm::CreateParams(TCreateParams& params) {
    params.Caption = caption_;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (borderStyle_) {
        case bsNone:
            params.Style |= WS_POPUP;
            break;
        case bsSingle:
        case bsToolWindow:
            params.Style |= WS_CAPTION | WS_BORDER;
            break;
        case bsSizeable:
        case bsSizeToolWin:
            params.Style |= WS_CAPTION | WS_THICKFRAME;
            break;
        case bsDialog:
            params.Style |= WS_POPUP | WS_CAPTION | WS_DLGFRAME;
            params.ExStyle |= WS_EX_DLGMODALFRAME;
            break;
    }
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow && borderStyle_ != bsSizeToolWin) {
            if (borderIcons_ & biMinimize) params.Style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize) params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) params.ExStyle |= WS_EX_TOOLWINDOW;
    if (formStyle_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
}

void TForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (formStyle_ == fsStayOnTop && hwnd_)
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (borderStyle_ == style) return;
    borderStyle_ = style;
    if (hwnd_) {
        // Keep the client size the layout asked for.
        RecreateWnd();
    }
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    if (borderIcons_ == icons) return;
    borderIcons_ = icons;
    if (hwnd_) RecreateWnd();
}

void TForm::SetFormStyle(TFormStyle style) {
    formStyle_ = style;
    if (hwnd_)
        SetWindowPos(hwnd_, style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState() const {
    if (hwnd_) {
        if (IsIconic(hwnd_)) return wsMinimized;
        if (IsZoomed(hwnd_)) return wsMaximized;
        if (visible_) return wsNormal;
    }
    return windowState_;
}

void TForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (hwnd_ && visible_)
        ShowWindow(hwnd_, state == wsMaximized ? SW_SHOWMAXIMIZED : state == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TForm::PlaceOnShow() {
    if (placed_) return;
    placed_ = true;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    TForm* main = Application ? Application->MainForm() : nullptr;
    if (position_ == poScreenCenter || (position_ == poMainFormCenter && (!main || main == this)) ||
        (position_ == poOwnerFormCenter && !dynamic_cast<TForm*>(Owner()))) {
        SetBounds((work.right - width_) / 2, (work.bottom - height_) / 2, width_, height_);
    } else if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
        TForm* over = position_ == poMainFormCenter ? main : dynamic_cast<TForm*>(Owner());
        SetBounds(over->Left() + (over->Width() - width_) / 2, over->Top() + (over->Height() - height_) / 2, width_,
                  height_);
    }
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TForm::SetVisible(bool visible) {
    if (visible_ == visible) return;
    if (visible) {
        Handle();
        PlaceOnShow();
        visible_ = true;
        DoShow();
        if (!visible_) return;  // OnShow hid it again
        int cmd = windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                  : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                : SW_SHOW;
        ShowWindow(hwnd_, cmd);
        if (Application && Application->MainForm() == this) SetForegroundWindow(hwnd_);
    } else {
        visible_ = false;
        if (Application) Application->CancelHint();
        if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
        DoHide();
    }
}

bool TForm::Active() const { return hwnd_ && GetActiveWindow() == hwnd_; }

namespace {
struct DisabledWindows {
    HWND keep;
    std::vector<HWND> windows;
};
BOOL CALLBACK DisableOther(HWND hwnd, LPARAM data) {
    auto* d = reinterpret_cast<DisabledWindows*>(data);
    if (hwnd != d->keep && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        d->windows.push_back(hwnd);
        EnableWindow(hwnd, FALSE);
    }
    return TRUE;
}
}  // namespace

int TForm::ShowModal() {
    if (visible_ || !enabled_ || modal_) throw Exception("Cannot make a visible window modal");
    if (Application) Application->CancelHint();
    if (GetCapture()) ReleaseCapture();
    HWND active = GetActiveWindow();
    Handle();
    DisabledWindows disabled{hwnd_, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableOther, reinterpret_cast<LPARAM>(&disabled));
    modal_ = true;
    modalResult_ = mrNone;
    try {
        SetVisible(true);
        SetActiveWindow(hwnd_);
        while (true) {
            Application->HandleMessage();
            if (Application->Terminated()) modalResult_ = mrCancel;
            if (modalResult_ != mrNone) {
                // The result closes the form unless OnCloseQuery or OnClose keep it.
                bool canClose = true;
                if (OnCloseQuery && !Application->Terminated()) OnCloseQuery(this, canClose);
                TCloseAction action = caHide;
                if (canClose && OnClose) OnClose(this, action);
                if (!canClose || action == caNone)
                    modalResult_ = mrNone;
                else
                    break;
            }
            if (!visible_ && modalResult_ == mrNone) modalResult_ = mrCancel;
        }
    } catch (...) {
        for (HWND h : disabled.windows) EnableWindow(h, TRUE);
        modal_ = false;
        if (visible_) SetVisible(false);
        throw;
    }
    for (HWND h : disabled.windows) EnableWindow(h, TRUE);
    if (active && IsWindow(active)) SetActiveWindow(active);
    modal_ = false;
    SetVisible(false);
    return modalResult_;
}

void TForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    bool isMain = Application && Application->MainForm() == this;
    TCloseAction action = isMain ? caFree : caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (isMain) {
        Application->Terminate();
        return;
    }
    switch (action) {
        case caHide:
            SetVisible(false);
            break;
        case caMinimize:
            if (hwnd_) ShowWindow(hwnd_, SW_MINIMIZE);
            break;
        case caFree:
            Release();
            break;
        default:
            break;
    }
}

void TForm::Release() {
    if (hwnd_) PostMessageA(hwnd_, WM_APP + 0x3F00, 0, 0);
}

void TForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TForm::KeyDown(WORD& key, TShiftState shift) { TWinControl::KeyDown(key, shift); }
void TForm::KeyPress(char& key) { TWinControl::KeyPress(key); }
void TForm::KeyUp(WORD& key, TShiftState shift) { TWinControl::KeyUp(key, shift); }

void TForm::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_CLOSE:
            Close();
            m.Result = 0;
            return;
        case WM_ACTIVATE:
            if (LOWORD(m.WParam) == WA_INACTIVE) {
                if (OnDeactivate) OnDeactivate(this);
            } else if (OnActivate) {
                OnActivate(this);
            }
            if (Screen && Screen->OnActiveFormChange) Screen->OnActiveFormChange(Screen);
            break;
        case WM_SYSCOMMAND:
            if ((m.WParam & 0xFFF0) == SC_MINIMIZE && Application && Application->MainForm() == this) {
                Application->Minimize();
                m.Result = 0;
                return;
            }
            break;
        case WM_APP + 0x3F00: {
            TForm* self = this;
            FreeAndNil(self);
            return;
        }
    }
    TCustomControl::WndProc(m);
}

bool TForm::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "BorderStyle"))
        SetBorderStyle(TFormBorderStyle(
            v.AsEnum({"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})));
    else if (SameText(name, "BorderIcons"))
        SetBorderIcons(v.AsSet({"biSystemMenu", "biMinimize", "biMaximize"}));
    else if (SameText(name, "Position"))
        SetPosition(TPosition(
            v.AsEnum({"poDesigned", "poDefault", "poScreenCenter", "poMainFormCenter", "poOwnerFormCenter"})));
    else if (SameText(name, "WindowState"))
        windowState_ = TWindowState(v.AsEnum({"wsNormal", "wsMinimized", "wsMaximized"}));
    else if (SameText(name, "FormStyle"))
        SetFormStyle(TFormStyle(v.AsEnum({"fsNormal", "fsStayOnTop"})));
    else if (SameText(name, "KeyPreview"))
        SetKeyPreview(v.AsBool());
    else if (SameText(name, "OnCreate"))
        OnCreate = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnDestroy"))
        OnDestroy = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnShow"))
        OnShow = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnHide"))
        OnHide = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnActivate"))
        OnActivate = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnDeactivate"))
        OnDeactivate = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnPaint"))
        OnPaint = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnClose"))
        OnClose = reader.Handler<TCloseEvent>(v);
    else if (SameText(name, "OnCloseQuery"))
        OnCloseQuery = reader.Handler<TCloseQueryEvent>(v);
    else if (SameText(name, "Visible")) {
        // A form read as visible is shown once it is complete.
        visible_ = v.AsBool();
    } else
        return TCustomControl::SetProperty(name, v, reader);
    return true;
}
