// Host commands that the test waits for. Under Wine the started unix
// process cannot be waited for (RunHost may return, and remove its script,
// before the shell has even read it), so here the script stays until the
// command has written its status file, which the test polls.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host.h"

inline int RunHostWaiting(const std::string& command, int timeoutSeconds = 300) {
    static int counter = 0;
    std::string base = TestTempPath("wait-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::string script = base + ".sh", done = base + ".status";
    std::remove(done.c_str());
    WriteFileBytes(script, "#!/bin/sh\n(" + command + ")\necho $? > '" + done + ".part' && mv '" + done + ".part' '" +
                               done + "'\n");
    std::string line = "cmd /c start /unix /bin/sh " + script;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    int result = -1;
    for (int i = 0; i < timeoutSeconds * 20; ++i) {
        std::string status = ReadFileBytes(done);
        if (!status.empty()) {
            result = std::atoi(status.c_str());
            break;
        }
        Sleep(50);
    }
    std::remove(done.c_str());
    std::remove(script.c_str());
    return result;
}
