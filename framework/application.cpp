// The application object: its window, the message loop, errors and hints.
#include "application.h"

#include <algorithm>

#include "printers.h"
#include "thread_sync.h"

TApplication* Application = nullptr;
TMouse* Mouse = nullptr;

namespace {
const char kAppClass[] = "FwApplication";
constexpr UINT_PTR kHintShowTimer = 1, kHintHideTimer = 2;
}  // namespace

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (Application && Application->handle_ == hwnd) {
        try {
            return Application->AppWndProc(msg, w, l);
        } catch (...) {
            Application->HandleException(Application);
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, w, l);
}

TApplication::TApplication() : TComponent(nullptr) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    title_ = ExtractFileName(path);
    auto dot = title_.rfind('.');
    if (dot != std::string::npos) title_.erase(dot);
}

TApplication::~TApplication() {
    // Forms are hidden and destroyed while the application still stands.
    DestroyComponents();
    hintWindow_ = nullptr;
    if (handle_) DestroyWindow(handle_);
    handle_ = nullptr;
}

HINSTANCE TApplication::Instance() const { return GetModuleHandleA(nullptr); }

HWND TApplication::Handle() {
    if (!handle_) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ApplicationWindowProc;
        wc.hInstance = Instance();
        wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kAppClass;
        RegisterClassA(&wc);
        handle_ =
            CreateWindowExA(0, kAppClass, title_.c_str(), WS_POPUP | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, Instance(), nullptr);
        if (!handle_) throw EOutOfResources("Cannot create the application window");
    }
    return handle_;
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_) SetWindowTextA(handle_, title.c_str());
}

void TApplication::Run() {
    Handle();
    if (mainForm_ && showMainForm_) {
        ShowWindow(handle_, SW_SHOWNA);
        mainForm_->SetVisible(true);
    }
    while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    bool handled = false;
    if (OnMessage) {
        try {
            OnMessage(msg, handled);
        } catch (...) {
            HandleException(this);
            handled = true;
        }
    }
    if (!handled && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && OnShortCut) {
        try {
            OnShortCut(static_cast<WORD>(msg.wParam), ShiftStateFromKeyboard(), handled);
        } catch (...) {
            HandleException(this);
            handled = true;
        }
    }
    if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    CheckSynchronize();
    while (ProcessMessage(msg)) {}
}

void TApplication::Idle() {
    bool done = true;
    if (OnIdle) {
        try {
            OnIdle(this, done);
        } catch (...) {
            HandleException(this);
        }
    }
    if (CheckSynchronize()) return;
    if (done) {
        // Wakes for messages and for calls handed over by other threads.
        HANDLE wake = SynchronizeEvent();
        MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT);
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
    CheckSynchronize();
}

bool TApplication::CheckSynchronize() { return RunSynchronizedCalls(); }

void TApplication::Minimize() {
    if (handle_ && IsIconic(handle_)) return;
    minimizedForms_.clear();
    if (Screen) {
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TForm* f = Screen->Forms(i);
            if (f->HandleAllocated() && IsWindowVisible(f->Handle())) {
                minimizedForms_.push_back(f->Handle());
                ShowWindow(f->Handle(), SW_HIDE);
            }
        }
    }
    ShowWindow(Handle(), SW_MINIMIZE);
    if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
    if (handle_ && IsIconic(handle_)) ShowWindow(handle_, SW_RESTORE);
    for (HWND h : minimizedForms_)
        if (IsWindow(h)) ShowWindow(h, SW_SHOW);
    minimizedForms_.clear();
    if (mainForm_ && mainForm_->HandleAllocated()) SetForegroundWindow(mainForm_->Handle());
    if (OnRestore) OnRestore(this);
}

void TApplication::ShowException(const Exception& error) {
    std::string text = error.Message();
    if (!text.empty() && text.back() > '.') text += '.';
    HWND owner = GetActiveWindow();
    ::MessageBoxA(owner ? owner : handle_, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* sender) {
    try {
        throw;
    } catch (EAbort&) {
    } catch (Exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (std::exception& e) {
        Exception wrapped(e.what());
        if (OnException)
            OnException(sender, wrapped);
        else
            ShowException(wrapped);
    } catch (...) {
        Exception wrapped("Unknown error");
        if (OnException)
            OnException(sender, wrapped);
        else
            ShowException(wrapped);
    }
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    HWND owner = GetActiveWindow();
    if (!owner) owner = handle_;
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::HookMainWindow(const TWindowHook& hook, const void* id) { hooks_.push_back({id, hook}); }

void TApplication::UnhookMainWindow(const void* id) {
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [id](auto& h) { return h.first == id; }), hooks_.end());
}

bool TApplication::HelpCommand(WORD command, int data) {
    bool callHelp = true;
    if (OnHelp) return OnHelp(command, data, callHelp);
    return false;
}

LRESULT TApplication::AppWndProc(UINT msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0};
    for (auto& hook : std::vector<std::pair<const void*, TWindowHook>>(hooks_))
        if (hook.second(m)) return m.Result;
    switch (msg) {
        case WM_SYSCOMMAND:
            switch (w & 0xFFF0) {
                case SC_MINIMIZE:
                    Minimize();
                    return 0;
                case SC_RESTORE:
                    Restore();
                    return 0;
            }
            break;
        case WM_ACTIVATEAPP:
            if (w) {
                if (OnActivate) OnActivate(this);
            } else {
                CancelHint();
                if (OnDeactivate) OnDeactivate(this);
            }
            break;
        case WM_TIMER:
            HintTimerExpired(w);
            return 0;
        case WM_CLOSE:
            if (mainForm_) mainForm_->Close();
            return 0;
    }
    return DefWindowProcA(handle_, msg, w, l);
}

// ---- hints

void TApplication::SetShowHint(bool on) {
    if (showHint_ == on) return;
    showHint_ = on;
    if (on) {
        EnsureHintWindow();
    } else {
        CancelHint();
        FreeAndNil(hintWindow_);
    }
}

void TApplication::EnsureHintWindow() {
    if (hintWindow_) return;
    hintWindow_ = hintFactory_ ? hintFactory_(this) : new THintWindow(this);
    hintWindow_->SetColor(hintColor_);
}

void TApplication::SetHintColor(TColor color) {
    hintColor_ = color;
    if (hintWindow_) hintWindow_->SetColor(color);
}

void TApplication::SetHint(const std::string& hint) {
    if (hint_ == hint) return;
    hint_ = hint;
    if (OnHint) OnHint(this);
}

static std::string ShortHint(const std::string& hint) { return hint.substr(0, hint.find('|')); }
static std::string LongHint(const std::string& hint) {
    auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

void TApplication::HintMouseMessage(TControl* control, POINT clientPos) {
    SetHint(control ? LongHint(control->Hint()) : std::string());
    if (!showHint_ || !control) return;
    if (control == hintControl_) return;
    bool wasShown = hintActive_;
    HideHint();
    hintControl_ = control;
    if (control->ShowHint() && !ShortHint(control->Hint()).empty())
        SetTimer(Handle(), kHintShowTimer, wasShown ? hintShortPause_ : hintPause_, nullptr);
}

void TApplication::HintTimerExpired(UINT_PTR id) {
    KillTimer(handle_, id);
    if (id == kHintHideTimer) {
        HideHint();
        return;
    }
    if (id != kHintShowTimer || !hintControl_) return;
    POINT p;
    GetCursorPos(&p);
    ActivateHint(p);
}

void TApplication::ActivateHint(POINT cursorPos) {
    TControl* control = hintControl_;
    if (!control || !showHint_ || !control->Showing()) return;
    THintInfo info;
    info.HintControl = control;
    info.CursorPos = control->ScreenToClient(cursorPos);
    info.CursorRect = control->ClientRect();
    if (!PtInRect(&info.CursorRect, info.CursorPos)) return;
    info.HintPos = POINT{cursorPos.x, cursorPos.y + GetSystemMetrics(SM_CYCURSOR) * 5 / 8};
    info.HintMaxWidth = Screen ? Screen->Width() : 640;
    info.HintColor = hintColor_;
    info.HideTimeout = hintHidePause_;
    info.HintStr = ShortHint(control->Hint());
    bool canShow = true;
    std::string hint = info.HintStr;
    if (OnShowHint) OnShowHint(hint, canShow, info);
    if (!canShow || hint.empty()) return;
    EnsureHintWindow();
    hintWindow_->SetColor(info.HintColor);
    RECT r = hintWindow_->CalcHintRect(info.HintMaxWidth, hint);
    OffsetRect(&r, info.HintPos.x, info.HintPos.y);
    hintWindow_->ActivateHint(r, hint);
    hintActive_ = true;
    hintCursorRect_ = info.CursorRect;
    if (info.HideTimeout > 0) SetTimer(Handle(), kHintHideTimer, info.HideTimeout, nullptr);
}

void TApplication::HideHint() {
    if (handle_) {
        KillTimer(handle_, kHintShowTimer);
        KillTimer(handle_, kHintHideTimer);
    }
    if (hintWindow_ && hintActive_) hintWindow_->ReleaseHandle();
    hintActive_ = false;
}

void TApplication::CancelHint() {
    HideHint();
    hintControl_ = nullptr;
}

void TApplication::ControlHidden(TControl* control) {
    if (hintControl_ == control) CancelHint();
}

void TApplication::ControlDestroyed(TControl* control) {
    if (hintControl_ == control) CancelHint();
    if (control == hintWindow_) hintWindow_ = nullptr;
}

void TApplication::FormDestroyed(TForm* form) {
    if (mainForm_ == form) mainForm_ = nullptr;
}

POINT TMouse::CursorPos() const {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

void InitializeFramework() {
    if (!Screen) Screen = new TScreen;
    if (!Mouse) Mouse = new TMouse;
    if (!Application) Application = new TApplication;
}

void FinalizeFramework() {
    if (Application) {
        TApplication* app = Application;
        app->BeforeDestruction();
        delete app;
        Application = nullptr;
    }
    FreePrinter();
    delete Mouse;
    Mouse = nullptr;
    delete Screen;
    Screen = nullptr;
}
