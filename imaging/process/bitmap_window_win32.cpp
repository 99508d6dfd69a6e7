#include "bitmap_window.h"

const char kBitmapWindowClass[] = "VIVADARERU";

ATOM RegisterBitmapWindowClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = BitmapWindowProc;
    wc.cbWndExtra = 4;  // the handle of the window's data block
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kBitmapWindowClass;
    return RegisterClassA(&wc);
}

BOOL UnregisterBitmapWindowClass(HINSTANCE instance) { return UnregisterClassA(kBitmapWindowClass, instance); }

// The viewer's messages are handled as the viewer grows; until then the
// window behaves as a plain child window.
LRESULT CALLBACK BitmapWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
