// Version information: the native build reports a Windows NT platform.
#include <windows.h>

#include <cstring>

extern "C" BOOL WINAPI GetVersionExA(OSVERSIONINFOA* info) {
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return FALSE;
    std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, sizeof(OSVERSIONINFOA) - sizeof(DWORD));
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 1;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}
