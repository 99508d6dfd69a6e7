#include "layout.h"
#include "stdctrls.h"

namespace {
constexpr UINT kReflectHScroll = 0xBC00 + WM_HSCROLL, kReflectVScroll = 0xBC00 + WM_VSCROLL;
}

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
    width_ = 121;
    height_ = GetSystemMetrics(SM_CYHSCROLL);
}

void TScrollBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClass = "SCROLLBAR";
    params.Style |= kind_ == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
    TWinControl::CreateWnd();
    Sync();
}

void TScrollBar::Sync() {
    if (!hwnd_) return;
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, min_, max_, static_cast<UINT>(pageSize_), position_, 0};
    SetScrollInfo(hwnd_, SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind kind) {
    if (kind_ == kind) return;
    kind_ = kind;
    if (!(state_ & csLoading)) SetBounds(left_, top_, height_, width_);
    RecreateWnd();
}

void TScrollBar::SetPageSize(int v) {
    pageSize_ = v < 0 ? 0 : v;
    SetParams(position_, min_, max_);
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) max = min;
    int top = max - (pageSize_ > 1 ? pageSize_ - 1 : 0);
    if (top < min) top = min;
    if (position < min) position = min;
    if (position > top) position = top;
    bool moved = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    Sync();
    if (moved && OnChange) OnChange(this);
}

void TScrollBar::Scroll(int code, int trackPos) {
    TScrollCode sc;
    int pos = position_;
    switch (code) {
        case SB_LINEUP:
            sc = scLineUp;
            pos -= smallChange_;
            break;
        case SB_LINEDOWN:
            sc = scLineDown;
            pos += smallChange_;
            break;
        case SB_PAGEUP:
            sc = scPageUp;
            pos -= largeChange_;
            break;
        case SB_PAGEDOWN:
            sc = scPageDown;
            pos += largeChange_;
            break;
        case SB_THUMBPOSITION:
            sc = scPosition;
            pos = trackPos;
            break;
        case SB_THUMBTRACK:
            sc = scTrack;
            pos = trackPos;
            break;
        case SB_TOP:
            sc = scTop;
            pos = min_;
            break;
        case SB_BOTTOM:
            sc = scBottom;
            pos = max_;
            break;
        default:
            sc = scEndScroll;
            break;
    }
    if (OnScroll) OnScroll(this, sc, pos);
    SetPosition(pos);
}

void TScrollBar::WndProc(TMessage& m) {
    if (m.Msg == kReflectHScroll || m.Msg == kReflectVScroll) {
        SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd_, SB_CTL, &si);
        Scroll(LOWORD(m.WParam), si.nTrackPos);
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

bool TScrollBar::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Kind")) {
        kind_ = TScrollBarKind(v.AsEnum({"sbHorizontal", "sbVertical"}));
        RecreateWnd();
    } else if (SameText(name, "Min"))
        SetMin(v.AsInt());
    else if (SameText(name, "Max"))
        SetMax(v.AsInt());
    else if (SameText(name, "Position"))
        SetPosition(v.AsInt());
    else if (SameText(name, "PageSize"))
        SetPageSize(v.AsInt());
    else if (SameText(name, "SmallChange"))
        SetSmallChange(v.AsInt());
    else if (SameText(name, "LargeChange"))
        SetLargeChange(v.AsInt());
    else if (SameText(name, "OnChange"))
        OnChange = reader.Handler<TNotifyEvent>(v);
    else if (SameText(name, "OnScroll"))
        OnScroll = reader.Handler<TScrollEvent>(v);
    else
        return TWinControl::SetProperty(name, v, reader);
    return true;
}
