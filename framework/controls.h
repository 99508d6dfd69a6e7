// Controls: the visual component, windowed controls over a window handle,
// windowless (graphic) controls painted by their parent, custom controls
// with a canvas, and immediate drag and drop between controls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classes.h"
#include "graphics.h"

class TWinControl;
class TPopupMenu;

// Control styles.
using TControlStyle = unsigned;
constexpr TControlStyle csAcceptsControls = 1, csCaptureMouse = 2, csClickEvents = 4, csSetCaption = 8, csOpaque = 16,
                        csDoubleClicks = 32;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    void SetBoundsRect(const RECT& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
    virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
    int ClientWidth() const {
        RECT r = ClientRect();
        return r.right - r.left;
    }
    int ClientHeight() const {
        RECT r = ClientRect();
        return r.bottom - r.top;
    }
    virtual void SetClientSize(int width, int height) { SetBounds(left_, top_, width, height); }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible itself and every parent up to a form that is shown.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& caption);
    const std::string& Text() const { return caption_; }
    void SetText(const std::string& text) { SetCaption(text); }
    TColor Color() const { return color_; }
    virtual void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool on);
    TFont* Font() { return &font_; }
    void SetFont(TFont* font) { font_.Assign(font); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool on);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const;
    void SetShowHint(bool on) {
        showHint_ = on;
        parentShowHint_ = false;
    }
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool on) { parentShowHint_ = on; }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor cursor);
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode mode) { dragMode_ = mode; }
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }

    // Point conversions between this control's client area and the screen.
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    // Screen position of the client area's top-left corner.
    virtual POINT ClientOrigin() const;

    virtual void Invalidate();
    // Paints now what is invalid.
    virtual void Update();
    void Repaint() {
        Invalidate();
        Update();
    }
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    // Sends a message straight to the control's message handling.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

    // The palette the control shows its pictures with (none by default).
    virtual HPALETTE GetPalette() { return nullptr; }
    // Realises GetPalette() in the control's window (as a background palette
    // unless foreground) and repaints; false when the control has none.
    virtual bool PaletteChanged(bool foreground);

    // Drag and drop. An immediate drag starts at once, otherwise when the
    // pointer has moved by the mouse's drag threshold.
    void BeginDrag(bool immediate, int threshold = -1);
    void EndDrag(bool drop);
    bool Dragging() const;

    // Message handling: the control's window procedure calls this; subclasses
    // handle their messages and pass the rest on.
    virtual void WndProc(TMessage& message);
    // Default handling of a message no handler took.
    virtual void DefaultHandler(TMessage& message);

    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
    TPersistent* GetObjectProperty(const std::string& upperName) override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;
    TNotifyEvent OnResize;

    // Dispatch of input (called by the window procedures; overridable handlers).
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Accept starts true when OnDragOver is set, false otherwise.
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    virtual void DoEndDrag(TObject* target, int x, int y);

    // Called by the parent's window for windowless controls and by mouse
    // routing; point in this control's client coordinates.
    void DispatchMouse(UINT msg, WPARAM keys, int x, int y);

protected:
    friend class TWinControl;
    // Font, colour or hint state inherited from the parent changed.
    virtual void ParentChanged();
    virtual void FontChanged();
    virtual void BoundsChanged() {}
    virtual void VisibleChanged() {}
    void ApplyParentFont();

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    bool visible_ = true, enabled_ = true;
    std::string caption_, hint_;
    TColor color_ = clBtnFace;
    bool parentColor_ = false, parentFont_ = true;
    TFont font_;
    bool showHint_ = false, parentShowHint_ = true;
    TCursor cursor_ = crDefault, dragCursor_ = crDrag;
    TDragMode dragMode_ = dmManual;
    TPopupMenu* popupMenu_ = nullptr;
    TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    bool mouseDown_ = false;
    bool applyingParentFont_ = false;
};

// Window creation parameters, adjustable by subclasses before the window exists.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    // A system window class to wrap ("EDIT", "SCROLLBAR"), or empty for the framework's own.
    std::string SystemClass;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window; made when first needed (its parent's window is made first).
    HWND Handle();
    bool HandleAllocated() const { return hwnd_ != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window (it is made again when needed).
    void DestroyHandle();
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(index); }
    // The topmost visible child control at a client point (windowless ones
    // included), or null.
    TControl* ControlAtPos(POINT p, bool allowDisabled = false) const;

    void SetBounds(int left, int top, int width, int height) override;
    RECT ClientRect() const override;
    POINT ClientOrigin() const override;
    void SetClientSize(int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetCaption(const std::string& caption) override;
    void SetColor(TColor color) override;
    void Invalidate() override;
    void Update() override;
    void SetFocus();
    bool Focused() const;

    // Background brush (the control's colour).
    TBrush* Brush() { return &brush_; }

    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    // Lays out aligned children.
    void Realign();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Child list maintenance (TControl::SetParent calls these).
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void MoveControl(TControl* control, bool toFront);

    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

    // The control whose window this is, or null.
    static TWinControl* FromHandle(HWND hwnd);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Paints the windowless children inside the update region.
    void PaintControls(HDC dc);
    // Paints the window's own face (TCustomControl and forms override).
    virtual void PaintWindow(HDC dc);
    void BoundsChanged() override;
    void FontChanged() override;
    // Key handlers raise the events; return true when the key was eaten.
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(WORD& key, TShiftState shift);

    std::vector<TControl*> controls_;  // back to front
    HWND hwnd_ = nullptr;
    WNDPROC systemProc_ = nullptr;  // window procedure of a wrapped system class
    TBrush brush_;

private:
    friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK FrameworkSubclassProc(HWND, UINT, WPARAM, LPARAM);
    void RouteMouse(TMessage& message);
    void TrackLeave();
    TControl* mouseControl_ = nullptr;  // windowless child under the pointer
    TControl* captureControl_ = nullptr;
    bool tracking_ = false;
    HFONT fontSet_ = nullptr;
};

// The canvas of a control: its window's context, or its parent's for a
// windowless control (offset and clipped to the control).
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : control_(control) {}
    ~TControlCanvas() override;
    void FreeHandle();
    // Uses a context given for painting (WM_PAINT), set up for the control.
    void BeginPaint(HDC dc);
    void EndPaint();

protected:
    void CreateHandle() override;

private:
    TControl* control_;
    HDC ownDC_ = nullptr;
    HWND ownWnd_ = nullptr;
    int savedState_ = 0;
};

// A windowless control drawn by its parent's window.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() { return canvas_.get(); }
    // Called by the parent while it paints; the canvas is set up for this control.
    void PaintInParent(HDC dc);

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control that paints itself on a canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() { return canvas_.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// The control being dragged, or null.
TControl* DragSource();
