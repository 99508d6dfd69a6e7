// The screen of the native build: there is none. GetDC fails as it does on
// Windows without a display, and the other calls answer for no device.
#include <windows.h>

extern "C" {

HDC WINAPI GetDC(HWND) { return nullptr; }

int WINAPI ReleaseDC(HWND, HDC) { return 0; }

int WINAPI GetDeviceCaps(HDC, int) { return 0; }

UINT WINAPI GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }

}  // extern "C"
