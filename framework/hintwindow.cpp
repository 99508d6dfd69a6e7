#include "application.h"
#include "bitmap.h"
#include "forms.h"

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    visible_ = false;
    color_ = clInfoBk;
    brush_.SetColor(clInfoBk);
    parentFont_ = false;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font_.SetHandle(CreateFontIndirectA(&metrics.lfStatusFont));
    font_.SetColor(clInfoText);
}

THintWindow::~THintWindow() = default;

void THintWindow::TakeBackground(const RECT& r) {
    auto shot = std::make_unique<TBitmap>();
    shot->SetPixelFormat(pf24bit);
    shot->SetSize(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(shot->Canvas()->Handle(), 0, 0, shot->Width(), shot->Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    background_ = std::move(shot);
}

void THintWindow::WndProc(TMessage& m) {
    if (m.Msg == WM_ERASEBKGND && background_) {
        BitBlt(reinterpret_cast<HDC>(m.WParam), 0, 0, background_->Width(), background_->Height(),
               background_->Canvas()->Handle(), 0, 0, SRCCOPY);
        m.Result = 1;
        return;
    }
    TCustomControl::WndProc(m);
}

void THintWindow::CreateParams(TCreateParams& params) {
    params.Caption = caption_;
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = Application ? Application->Handle() : nullptr;
}

RECT THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
    RECT r{0, 0, maxWidth, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    DrawTextA(dc, hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    r.right += 6;
    r.bottom += 2;
    return r;
}

void THintWindow::ActivateHint(RECT rect, const std::string& hint) {
    caption_ = hint;
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (rect.left + w > sw) rect.left = sw - w;
    if (rect.top + h > sh) rect.top = sh - h;
    if (rect.left < 0) rect.left = 0;
    if (rect.top < 0) rect.top = 0;
    // What lies under the hint, without the hint itself.
    if (hwnd_ && IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
    TakeBackground(RECT{rect.left, rect.top, rect.left + w, rect.top + h});
    SetBounds(rect.left, rect.top, w, h);
    SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, w, h, SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    visible_ = true;
    Invalidate();
    Update();
}

bool THintWindow::IsHintShown() const { return hwnd_ && IsWindowVisible(hwnd_); }

void THintWindow::ReleaseHandle() {
    visible_ = false;
    DestroyHandle();
}

void THintWindow::Paint() {
    RECT r = ClientRect();
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->Font()->Assign(Font());
    r.left += 2;
    r.top += 1;
    Canvas()->DrawText(r, caption_, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
