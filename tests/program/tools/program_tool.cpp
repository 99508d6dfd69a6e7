// Runs inside another Wine prefix for the program's tests.
//   program_tool import FILE       applies a .reg file with the program's parser
//   program_tool dialog-text PID   prints the texts of the message box that
//                                  process PID (0: any) shows, waiting up to
//                                  20 s for it, and the other visible windows
//                                  of that process; then presses its OK button
//   program_tool close-main PID    waits up to 60 s for the main window (640 x
//                                  480) of process PID (0: any), pressing a key on its
//                                  other windows (the title screen) meanwhile,
//                                  and closes it
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "settings/registry_store.h"

namespace {

struct DialogSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if ((search->pid == 0 || pid == search->pid) && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND window, LPARAM) {
    char cls[64] = {}, text[512] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, text, sizeof text);
    std::printf("child %s id=%d [%s]\n", cls, GetDlgCtrlID(window) & 0xFFFF, text);
    return TRUE;
}

BOOL CALLBACK CountVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((search->pid == 0 || pid == search->pid) && IsWindowVisible(window) && window != search->found) {
        char cls[64] = {}, text[256] = {};
        GetClassNameA(window, cls, sizeof cls);
        GetWindowTextA(window, text, sizeof text);
        std::printf("other %s [%s]\n", cls, text);
    }
    return TRUE;
}

int DialogText(DWORD pid) {
    DialogSearch search{pid, nullptr};
    for (int i = 0; i < 200 && !search.found; ++i) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    if (!search.found) {
        std::printf("no dialog\n");
        return 1;
    }
    char caption[256] = {};
    GetWindowTextA(search.found, caption, sizeof caption);
    std::printf("caption [%s]\n", caption);
    std::printf("icon %d\n", GetDlgItem(search.found, 0x440) != nullptr ? 1 : 0);
    EnumChildWindows(search.found, PrintChild, 0);
    EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&search));
    std::fflush(stdout);
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    return 0;
}

struct MainSearch {
    DWORD pid;
    HWND main;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<MainSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((search->pid != 0 && pid != search->pid) || !IsWindowVisible(window)) return TRUE;
    RECT r{};
    GetWindowRect(window, &r);
    if (r.right - r.left == 640 && r.bottom - r.top == 480) {
        search->main = window;
        return FALSE;
    }
    // The title screen ends on a key once the forms exist.
    if (r.right - r.left > 640) PostMessageA(window, WM_CHAR, 'x', 0);
    return TRUE;
}

int CloseMain(DWORD pid) {
    MainSearch search{pid, nullptr};
    for (int i = 0; i < 600 && !search.main; ++i) {
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
        if (!search.main) Sleep(100);
    }
    if (!search.main) {
        std::printf("no main window\n");
        return 1;
    }
    PostMessageA(search.main, WM_CLOSE, 0, 0);
    std::printf("closed\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "import") == 0) {
        try {
            ImportRegFile(argv[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 2;
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "dialog-text") == 0)
        return DialogText(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    if (argc == 3 && std::strcmp(argv[1], "close-main") == 0)
        return CloseMain(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    std::fprintf(stderr, "usage: program_tool import FILE | dialog-text PID | close-main PID\n");
    return 2;
}
