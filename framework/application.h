// The application object: the hidden window that owns the task-bar button,
// the message loop, the forms, hints and the application-wide events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms.h"

// What the hint about to be shown looks like; OnShowHint may change it.
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT HintPos{};  // screen position of the hint window's top-left corner
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    RECT CursorRect{};  // client rectangle of HintControl the hint belongs to
    POINT CursorPos{};  // pointer in HintControl's client coordinates
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    std::string HintStr;
};

using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
using TExceptionEvent = std::function<void(TObject* sender, Exception& error)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
using THelpEvent = std::function<bool(WORD command, int data, bool& callHelp)>;
using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
using TShortCutEvent = std::function<void(WORD key, TShiftState shift, bool& handled)>;
// A hook of the application window: true when the message was handled.
using TWindowHook = std::function<bool(TMessage& message)>;
using THintWindowFactory = std::function<THintWindow*(TComponent* owner)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // The application window (task-bar button), made without a caption.
    HWND Handle();
    HINSTANCE Instance() const;
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    TForm* MainForm() const { return mainForm_; }
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool on) { showMainForm_ = on; }
    bool Terminated() const { return terminated_; }

    // Builds a form of class T owned by the application; the first becomes the main form.
    template <class T>
    void CreateForm(T*& reference) {
        reference = NewForm<T>(this);
        if (!mainForm_) mainForm_ = reference;
    }
    // Shows the main form and runs the message loop until Terminate.
    void Run();
    void Terminate();
    // Handles all waiting messages and returns.
    void ProcessMessages();
    // Waits for one message (or runs idle work) and handles it.
    void HandleMessage();
    void Minimize();
    void Restore();
    // The error display: OnException when set, else a message box (EAbort is silent).
    void HandleException(TObject* sender);
    void ShowException(const Exception& error);
    int MessageBox(const std::string& text, const std::string& caption, UINT flags);
    // Runs GUI-thread work handed over by other threads (TThread::Synchronize).
    bool CheckSynchronize();

    // Hints.
    bool ShowHint() const { return showHint_; }
    // Turning hints on makes a new hint window of the current hint window class.
    void SetShowHint(bool on);
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor color);
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    int HintShortPause() const { return hintShortPause_; }
    void SetHintShortPause(int ms) { hintShortPause_ = ms; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms) { hintHidePause_ = ms; }
    bool HintShortCuts() const { return hintShortCuts_; }
    void SetHintShortCuts(bool on) { hintShortCuts_ = on; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    void CancelHint();
    void ActivateHint(POINT cursorPos);
    THintWindow* HintWindow() const { return hintWindow_; }
    template <class T>
    void SetHintWindowClass() {
        SetHintWindowFactory([](TComponent* o) -> THintWindow* { return new T(o); });
    }
    void SetHintWindowFactory(THintWindowFactory factory) { hintFactory_ = std::move(factory); }

    // Settings kept for the components that push them.
    bool UpdateFormatSettings() const { return updateFormatSettings_; }
    void SetUpdateFormatSettings(bool on) { updateFormatSettings_ = on; }
    bool UpdateMetricSettings() const { return updateMetricSettings_; }
    void SetUpdateMetricSettings(bool on) { updateMetricSettings_ = on; }
    int BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(int mode) { biDiMode_ = mode; }
    const std::string& BiDiKeyboard() const { return biDiKeyboard_; }
    void SetBiDiKeyboard(const std::string& s) { biDiKeyboard_ = s; }
    const std::string& NonBiDiKeyboard() const { return nonBiDiKeyboard_; }
    void SetNonBiDiKeyboard(const std::string& s) { nonBiDiKeyboard_ = s; }

    // Hooks that see every message of the application window first.
    void HookMainWindow(const TWindowHook& hook, const void* id);
    void UnhookMainWindow(const void* id);

    // OnHelp runs for HelpCommand; the result of the handler is returned.
    bool HelpCommand(WORD command, int data);

    TNotifyEvent OnActivate, OnDeactivate, OnMinimize, OnRestore, OnHint;
    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    THelpEvent OnHelp;
    TMessageEvent OnMessage;
    TShowHintEvent OnShowHint;
    TShortCutEvent OnShortCut;

    // Internal: the hint machinery follows the pointer over controls.
    void HintMouseMessage(TControl* control, POINT clientPos);
    void FormDestroyed(TForm* form);
    // A control went away or out of sight: its hint and pointer tracking end.
    void ControlDestroyed(TControl* control);
    void ControlHidden(TControl* control);

private:
    friend LRESULT CALLBACK ApplicationWindowProc(HWND, UINT, WPARAM, LPARAM);
    bool ProcessMessage(MSG& msg);
    void Idle();
    void HintTimerExpired(UINT_PTR id);
    void HideHint();
    void EnsureHintWindow();
    LRESULT AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
    std::string title_;
    TForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500, hintShortPause_ = 50, hintHidePause_ = 2500;
    bool hintShortCuts_ = true, updateFormatSettings_ = true, updateMetricSettings_ = true;
    int biDiMode_ = 0;
    std::string biDiKeyboard_, nonBiDiKeyboard_;
    std::string hint_;
    THintWindow* hintWindow_ = nullptr;
    THintWindowFactory hintFactory_;
    TControl* hintControl_ = nullptr;
    RECT hintCursorRect_{};
    bool hintActive_ = false;
    std::vector<std::pair<const void*, TWindowHook>> hooks_;
    std::vector<HWND> minimizedForms_;
};

extern TApplication* Application;

// Mouse settings for drags.
class TMouse {
public:
    bool DragImmediate() const { return dragImmediate_; }
    void SetDragImmediate(bool on) { dragImmediate_ = on; }
    int DragThreshold() const { return dragThreshold_; }
    void SetDragThreshold(int pixels) { dragThreshold_ = pixels; }
    POINT CursorPos() const;

private:
    bool dragImmediate_ = true;
    int dragThreshold_ = 5;
};

extern TMouse* Mouse;

// Creates Application, Screen and Mouse (once; the program's start calls it
// before anything else of the framework runs).
void InitializeFramework();
// Frees the application (its forms are hidden and destroyed first), the
// screen, the mouse and the printer.
void FinalizeFramework();
