#include "layout.h"
#include "stdctrls.h"

namespace {
constexpr UINT kReflectCommand = 0xBC00 + WM_COMMAND;
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    width_ = 121;
    height_ = 21;
    color_ = clWindow;
    brush_.SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClass = "EDIT";
    params.Style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
    params.ExStyle |= WS_EX_CLIENTEDGE;
    if (readOnly_) params.Style |= ES_READONLY;
}

void TEdit::CreateWnd() {
    TWinControl::CreateWnd();
    if (maxLength_ > 0) SendMessageA(hwnd_, EM_LIMITTEXT, maxLength_, 0);
}

std::string TEdit::Text() {
    if (hwnd_) {
        int n = GetWindowTextLengthA(hwnd_);
        std::string text(n + 1, '\0');
        GetWindowTextA(hwnd_, text.data(), n + 1);
        text.resize(n);
        caption_ = text;
    }
    return caption_;
}

void TEdit::SetMaxLength(int n) {
    maxLength_ = n;
    if (hwnd_) SendMessageA(hwnd_, EM_LIMITTEXT, n, 0);
}

void TEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    if (hwnd_) SendMessageA(hwnd_, EM_SETREADONLY, on, 0);
}

void TEdit::WndProc(TMessage& m) {
    if (m.Msg == kReflectCommand) {
        if (HIWORD(m.WParam) == EN_CHANGE) {
            Text();
            if (OnChange) OnChange(this);
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

bool TEdit::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "MaxLength"))
        SetMaxLength(v.AsInt());
    else if (SameText(name, "ReadOnly"))
        SetReadOnly(v.AsBool());
    else if (SameText(name, "OnChange"))
        OnChange = reader.Handler<TNotifyEvent>(v);
    else
        return TWinControl::SetProperty(name, v, reader);
    return true;
}
