#include "application.h"
#include "forms.h"

#include <algorithm>
#include <iterator>

TScreen* Screen = nullptr;

TScreen::TScreen() : TComponent(nullptr) {}

TScreen::~TScreen() {
    for (auto& [index, cursor] : cursors_) DestroyCursor(cursor);
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

int TScreen::PixelsPerInch() const {
    HDC dc = GetDC(nullptr);
    int ppi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return ppi;
}

void TScreen::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (cursor == crDefault) {
        // Each window shows its own cursor again.
        POINT p;
        GetCursorPos(&p);
        HWND h = WindowFromPoint(p);
        if (h) SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    } else {
        ::SetCursor(Cursors(cursor));
    }
}

namespace {

// The drag cursor: an arrow with a small sheet below it ('#' black, '.'
// white, blank transparent); the system has none of its own.
HCURSOR MakeDragCursor() {
    static const char* const shape[] = {
        "#",
        "##",
        "#.#",
        "#..#",
        "#...#",
        "#....#",
        "#.....#",
        "#......#",
        "#.......#",
        "#........#",
        "#.....#####",
        "#..#..#",
        "#.# #..#",
        "##  #..#",
        "#    #..#",
        "      #..#",
        "       ##",
        "",
        "  ##########",
        "  #........#",
        "  #........#",
        "  #........#",
        "  #........#",
        "  ##########",
    };
    const int size = 32, rowBytes = size / 8;
    BYTE andMask[size * rowBytes], xorMask[size * rowBytes];
    std::fill(std::begin(andMask), std::end(andMask), 0xFF);
    std::fill(std::begin(xorMask), std::end(xorMask), 0x00);
    for (int y = 0; y < static_cast<int>(sizeof shape / sizeof shape[0]); ++y)
        for (int x = 0; shape[y][x]; ++x) {
            if (shape[y][x] == ' ') continue;
            BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            andMask[y * rowBytes + x / 8] &= static_cast<BYTE>(~bit);
            if (shape[y][x] == '.') xorMask[y * rowBytes + x / 8] |= bit;
        }
    return CreateCursor(GetModuleHandleA(nullptr), 0, 0, size, size, andMask, xorMask);
}

}  // namespace

HCURSOR TScreen::Cursors(TCursor index) {
    auto it = cursors_.find(index);
    if (it != cursors_.end()) return it->second;
    if (index == crDrag) {
        HCURSOR drag = MakeDragCursor();
        if (drag) cursors_[crDrag] = drag;
        return drag ? drag : LoadCursorA(nullptr, IDC_ARROW);
    }
    LPCSTR id = IDC_ARROW;
    switch (index) {
        case crNone:
            return nullptr;
        case crCross:
            id = IDC_CROSS;
            break;
        case crIBeam:
            id = IDC_IBEAM;
            break;
        case crSizeNESW:
            id = IDC_SIZENESW;
            break;
        case crSizeNS:
            id = IDC_SIZENS;
            break;
        case crSizeNWSE:
            id = IDC_SIZENWSE;
            break;
        case crSizeWE:
            id = IDC_SIZEWE;
            break;
        case crUpArrow:
            id = IDC_UPARROW;
            break;
        case crHourGlass:
            id = IDC_WAIT;
            break;
        case crNoDrop:
        case crNo:
            id = IDC_NO;
            break;
        case crAppStart:
            id = IDC_APPSTARTING;
            break;
        case crHelp:
            id = IDC_HELP;
            break;
        case crHandPoint:
            id = IDC_HAND;
            break;
        case crSizeAll:
            id = IDC_SIZEALL;
            break;
        default:
            break;
    }
    return LoadCursorA(nullptr, id);
}

void TScreen::SetCursorHandle(TCursor index, HCURSOR cursor) {
    auto it = cursors_.find(index);
    if (it != cursors_.end()) {
        if (it->second == cursor) return;
        DestroyCursor(it->second);
    }
    if (cursor)
        cursors_[index] = cursor;
    else
        cursors_.erase(index);
}

TForm* TScreen::ActiveForm() const {
    HWND active = GetActiveWindow();
    for (TForm* f : forms_)
        if (f->HandleAllocated() && f->Handle() == active) return f;
    return nullptr;
}
