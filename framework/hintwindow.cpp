#include "application.h"
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
