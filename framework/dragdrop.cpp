// Drag and drop between controls. The window of the source holds the mouse
// capture; every move asks the control under the pointer whether it accepts
// the source, and the cursor shows the source's drag cursor or "no drop".
#include <cstdlib>

#include "application.h"
#include "controls.h"
#include "drag.h"

namespace {

struct DragState {
    TControl* source = nullptr;
    HWND captureWindow = nullptr;
    bool started = false;
    POINT start{};
    int threshold = 0;
    TControl* target = nullptr;
    bool accepted = false;
    bool ending = false;
};

DragState drag;

// The control under a screen point: the deepest windowed control of the
// framework, then its topmost windowless child there.
TControl* ControlAtScreen(POINT p) {
    HWND h = WindowFromPoint(p);
    TWinControl* w = nullptr;
    while (h && !(w = TWinControl::FromHandle(h))) h = GetParent(h);
    if (!w) return nullptr;
    POINT c = w->ScreenToClient(p);
    if (TControl* child = w->ControlAtPos(c)) {
        if (!dynamic_cast<TWinControl*>(child)) return child;
    }
    return w;
}

void ShowDragCursor() {
    if (!Screen) return;
    TCursor c = drag.accepted ? drag.source->DragCursor() : crNoDrop;
    SetCursor(Screen->Cursors(c));
}

void DragTo(POINT screen) {
    TControl* target = ControlAtScreen(screen);
    if (target != drag.target) {
        if (drag.target) {
            bool ignored = false;
            POINT c = drag.target->ScreenToClient(screen);
            drag.target->DragOver(drag.source, c.x, c.y, dsDragLeave, ignored);
        }
        drag.target = target;
        drag.accepted = false;
        if (target) {
            POINT c = target->ScreenToClient(screen);
            target->DragOver(drag.source, c.x, c.y, dsDragEnter, drag.accepted);
        }
    } else if (target) {
        POINT c = target->ScreenToClient(screen);
        target->DragOver(drag.source, c.x, c.y, dsDragMove, drag.accepted);
    }
    ShowDragCursor();
}

void Finish(bool drop, POINT screen) {
    if (!drag.source || drag.ending) return;
    drag.ending = true;
    TControl* source = drag.source;
    TControl* target = drop && drag.started && drag.accepted ? drag.target : nullptr;
    bool started = drag.started;
    HWND capture = drag.captureWindow;
    drag = DragState{};
    drag.ending = true;
    if (started) {
        if (target) {
            POINT c = target->ScreenToClient(screen);
            target->DragDrop(source, c.x, c.y);
        }
        POINT c = target ? target->ScreenToClient(screen) : source->ScreenToClient(screen);
        source->DoEndDrag(target, c.x, c.y);
    }
    drag.ending = false;
    // The button-up that ended the drag still reaches the source afterwards.
    (void)capture;
}

}  // namespace

TControl* DragSource() { return drag.source; }

void DragControlDestroyed(TControl* control) {
    if (drag.source == control) {
        HWND capture = drag.captureWindow;
        drag = DragState{};
        if (GetCapture() == capture) ReleaseCapture();
    } else if (drag.target == control) {
        drag.target = nullptr;
        drag.accepted = false;
    }
}

bool TControl::Dragging() const { return drag.source == this; }

void TControl::SetDragCursor(TCursor cursor) {
    dragCursor_ = cursor;
    if (drag.source == this && drag.started) ShowDragCursor();
}

void TControl::BeginDrag(bool immediate, int threshold) {
    if (drag.source) return;
    TWinControl* window = dynamic_cast<TWinControl*>(this);
    if (!window) window = Parent();
    if (!window) return;
    drag.source = this;
    drag.captureWindow = window->Handle();
    drag.started = immediate;
    drag.threshold = threshold >= 0 ? threshold : (Mouse ? Mouse->DragThreshold() : 5);
    GetCursorPos(&drag.start);
    if (Application) Application->CancelHint();
    SetCapture(drag.captureWindow);
    if (immediate) DragTo(drag.start);
}

void TControl::EndDrag(bool drop) {
    if (drag.source != this) return;
    POINT p;
    GetCursorPos(&p);
    Finish(drop, p);
}

bool HandleDragMessage(TWinControl* window, TMessage& m) {
    if (!drag.source || drag.ending) return false;
    switch (m.Msg) {
        case WM_MOUSEMOVE: {
            POINT p;
            GetCursorPos(&p);
            if (!drag.started) {
                if (std::abs(p.x - drag.start.x) < drag.threshold && std::abs(p.y - drag.start.y) < drag.threshold)
                    return false;
                drag.started = true;
            }
            DragTo(p);
            m.Result = 0;
            return true;
        }
        case WM_LBUTTONUP: {
            POINT p;
            GetCursorPos(&p);
            if (drag.started) DragTo(p);
            Finish(true, p);
            return false;  // the control still gets its button-up
        }
        case WM_RBUTTONDOWN:
        case WM_CANCELMODE: {
            POINT p;
            GetCursorPos(&p);
            Finish(false, p);
            return false;
        }
        case WM_KEYDOWN:
            if (m.WParam == VK_ESCAPE) {
                POINT p;
                GetCursorPos(&p);
                Finish(false, p);
                m.Result = 0;
                return true;
            }
            return false;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(m.LParam) != drag.captureWindow) {
                POINT p;
                GetCursorPos(&p);
                Finish(false, p);
            }
            return false;
        case WM_SETCURSOR:
            if (drag.started) {
                ShowDragCursor();
                m.Result = 1;
                return true;
            }
            return false;
    }
    return false;
}
