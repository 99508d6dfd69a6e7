#include "controls/hint_window_new_win32.h"

#include <vector>

#include "application.h"
#include "bitmap.h"
#include "controls/decoration_steps.h"

namespace {
constexpr uint8_t kBaseRed = 72, kBaseGreen = 83, kBaseBlue = 186;
}

THintWindowNew::THintWindowNew(TComponent* owner) : THintWindow(owner) {
    Font()->SetName("Times new Roman");
    Font()->SetStyle(fsBold);
    Font()->SetSize(Screen && Screen->PixelsPerInch() == 96 ? 24 : 20);
    Canvas()->Brush()->SetStyle(bsClear);
}

void THintWindowNew::CreateParams(TCreateParams& params) {
    THintWindow::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_BORDER);
}

void THintWindowNew::Paint() {
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    // The pixels underneath (the window's background) blended with the glow.
    TBitmap glow;
    glow.SetPixelFormat(pf24bit);
    glow.SetSize(w, h);
    if (Background()) glow.Canvas()->Draw(0, 0, Background());
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(glow.ScanLine(y));
        if (!row) break;
        for (int x = 0; x < w; ++x) {
            const double c = GlowWeight(x, y, w, h);
            uint8_t* px = row + 3 * x;  // blue, green, red
            px[0] = GlowChannel(px[0], kBaseBlue, c);
            px[1] = GlowChannel(px[1], kBaseGreen, c);
            px[2] = GlowChannel(px[2], kBaseRed, c);
        }
    }
    Canvas()->Draw(0, 0, &glow);
    // The window was measured at the full size: the text takes its inner half.
    const int size = Font()->Size();
    Canvas()->Font()->Assign(Font());
    Canvas()->Font()->SetSize(size / 2);
    Canvas()->Font()->SetColor(Application ? Application->HintColor() : clInfoText);
    Canvas()->Brush()->SetStyle(bsClear);
    RECT r{w / 4 + 1, h / 4, w - w / 4, h - h / 4};
    Canvas()->DrawText(r, Caption(), DT_NOPREFIX | DT_WORDBREAK);
    Canvas()->Font()->SetSize(size);
}

void THintWindowNew::ActivateHint(RECT rect, const std::string& hint) {
    SetCaption(hint);
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    POINT pointer{};
    GetCursorPos(&pointer);
    const HintPlace p =
        PlaceHint(rect.left, rect.top, w, h, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), pointer.y);
    THintWindow::ActivateHint(RECT{p.left, p.top, p.left + w, p.top + h}, hint);
}
