// The bitmap viewer window class "VIVADARERU".
#pragma once

#include <windows.h>

extern const char kBitmapWindowClass[];

ATOM RegisterBitmapWindowClass(HINSTANCE instance);
BOOL UnregisterBitmapWindowClass(HINSTANCE instance);
LRESULT CALLBACK BitmapWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
