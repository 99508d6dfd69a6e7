// Runs a host command and waits for it. Under this Wine "start /wait /unix"
// returns before the unix program ends, so RunHost may read no status or
// remove its script before the shell opens it; here the script stays until
// the command has written its status.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host.h"

inline int RunHostAndWait(const std::string& command, int timeoutSeconds = 120) {
    static int counter = 0;
    std::string base = TestTempPath("wait-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::string script = base + ".sh", status = base + ".status";
    std::remove(status.c_str());
    WriteFileBytes(script, "#!/bin/sh\n(" + command + ")\necho $? > '" + status + ".part' && mv '" + status + ".part' '" + status + "'\n");
    std::string line = "cmd /c start /unix /bin/sh " + script;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    int result = -1;
    for (int i = 0; i < timeoutSeconds * 20; ++i) {
        std::string code = ReadFileBytes(status);
        if (!code.empty()) {
            result = std::atoi(code.c_str());
            break;
        }
        Sleep(50);
    }
    std::remove(status.c_str());
    std::remove(script.c_str());
    return result;
}
