// Forms (top-level windows built from layout resources), the screen, and
// the hint window.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4;
enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsStayOnTop };

// A form. The layout resource named after the form's class (an RCDATA
// resource, upper case) is read by InitializeForm, which the form factory
// calls once the object is built: the subclass's constructor publishes its
// handlers (PublishMethod) and fields (BindField) first.
class TForm : public TCustomControl {
public:
    TForm(TComponent* owner, const std::string& layoutName);
    ~TForm() override;

    // Reads the layout, binds fields, calls Loaded on every component and then OnCreate.
    void InitializeForm();
    // Hides the form (OnHide) and raises OnDestroy, then frees its components.
    void BeforeDestruction() override;
    const std::string& LayoutName() const { return layoutName_; }

    // A field of the subclass that receives the component of that name.
    template <class T>
    void BindField(const std::string& name, T*& field) {
        fieldBinders_.push_back({name, [&field](TComponent* c) {
                                     field = dynamic_cast<T*>(c);
                                     return field != nullptr;
                                 }});
    }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }

    // Modal showing: runs until ModalResult is set (Close sets mrCancel) and returns it.
    int ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult r) { modalResult_ = r; }
    bool Modal() const { return modal_; }
    // Asks OnCloseQuery, then OnClose; hides (or ends the modal loop, or the
    // program for the main form) as the close action says.
    void Close();
    // Frees the form from the message loop, after the current message.
    void Release();
    bool Active() const;
    void SetVisible(bool visible) override;

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    // Raises OnPaint.
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    virtual void DoShow();
    virtual void DoHide();

private:
    friend class TApplication;
    friend class TWinControl;
    void PlaceOnShow();
    struct FieldBinder {
        std::string name;
        std::function<bool(TComponent*)> bind;
    };
    std::string layoutName_;
    std::vector<FieldBinder> fieldBinders_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TFormStyle formStyle_ = fsNormal;
    bool keyPreview_ = false;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool placed_ = false;
    bool created_ = false;
};

// Builds a form of class T (constructor T(TComponent* owner)) and reads its layout.
template <class T>
T* NewForm(TComponent* owner) {
    T* form = new T(owner);
    try {
        form->InitializeForm();
    } catch (...) {
        FreeAndNil(form);
        throw;
    }
    return form;
}

// The screen: size, resolution, the cursor shown over every window of the
// program, and the table of screen cursors.
class TScreen : public TComponent {
public:
    TScreen();
    ~TScreen() override;
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;
    // crDefault lets each control show its own cursor.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    // The handle of a screen cursor (the arrow for unknown numbers).
    HCURSOR Cursors(TCursor index);
    // Registers a cursor under a number; the screen owns it from now on.
    void SetCursorHandle(TCursor index, HCURSOR cursor);
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TForm* Forms(int index) const { return forms_.at(index); }
    TForm* ActiveForm() const;
    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

private:
    friend class TForm;
    TCursor cursor_ = crDefault;
    std::map<TCursor, HCURSOR> cursors_;
    std::vector<TForm*> forms_;
};

extern TScreen* Screen;

// The hint window: a top-most popup showing a hint text. Subclasses
// replace the painting and placement (TApplication::SetHintWindowClass).
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    ~THintWindow() override;
    // The screen's pixels under the hint, taken just before it shows; the
    // window's background is erased with them, so a Paint that leaves pixels
    // alone shows what lies underneath (null before the first hint).
    TBitmap* Background() const { return background_.get(); }
    void WndProc(TMessage& message) override;
    // Shows the hint at the rectangle (screen coordinates) without activating it.
    virtual void ActivateHint(RECT rect, const std::string& hint);
    // The size the hint needs.
    virtual RECT CalcHintRect(int maxWidth, const std::string& hint);
    void ReleaseHandle();
    bool IsHintShown() const;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

private:
    void TakeBackground(const RECT& screenRect);
    std::unique_ptr<TBitmap> background_;
};
