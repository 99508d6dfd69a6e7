#include "core/platform.h"

bool Win32sMode = false;
HINSTANCE LibraryInstance = nullptr;

bool DetectWin32sMode() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return true;
    return info.dwPlatformId == VER_PLATFORM_WIN32s;
}
