#include "controls/paint_scroll_bar.h"

#include "layout.h"

void TPaintScrollBar::WndProc(TMessage& message) {
    if (message.Msg == WM_PAINT && OnPaint) {
        OnPaint(this);
        // The handler paints through its own context: the window must still
        // be marked painted, or WM_PAINT would come back at once.
        ValidateRect(Handle(), nullptr);
        message.Result = 0;
        return;
    }
    if (message.Msg == WM_ERASEBKGND && OnErase) {
        OnErase(this);
        message.Result = 1;
        return;
    }
    TScrollBar::WndProc(message);
}

bool TPaintScrollBar::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    std::string n = LowerCase(name);
    if (n == "onpaint")
        OnPaint = reader.Handler<TNotifyEvent>(value);
    else if (n == "onerase")
        OnErase = reader.Handler<TNotifyEvent>(value);
    else
        return TScrollBar::SetProperty(name, value, reader);
    return true;
}
