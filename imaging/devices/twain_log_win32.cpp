// The TWAIN trace file, opened and closed for every line.
#include "devices/twain_log.h"

#include <windows.h>

#include <cstdarg>
#include <string>

void TwainLog(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    int length = wvsprintfA(text, format, args);
    va_end(args);
    if (length <= 0) return;
    std::string out;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\n') out += '\r';
        out += text[i];
    }
    char path[MAX_PATH + 16];
    UINT folder = GetWindowsDirectoryA(path, MAX_PATH);
    if (folder == 0 || folder >= MAX_PATH) return;
    lstrcatA(path, "\\RIDAVIZ.IVA");
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    CloseHandle(file);
}
