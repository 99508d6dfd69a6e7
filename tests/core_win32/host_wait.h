// Runs a host command and waits for it: under this Wine "start /wait /unix"
// returns before the unix program ends, so RunHost alone may read no status.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host.h"

inline int RunHostAndWait(const std::string& command, int timeoutSeconds = 120) {
    static int counter = 0;
    std::string marker = TestTempPath("wait-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::remove(marker.c_str());
    RunHost("(" + command + "); echo $? > '" + marker + ".part' && mv '" + marker + ".part' '" + marker + "'");
    for (int i = 0; i < timeoutSeconds * 20; ++i) {
        std::string code = ReadFileBytes(marker);
        if (!code.empty()) {
            std::remove(marker.c_str());
            return std::atoi(code.c_str());
        }
        Sleep(50);
    }
    return -1;
}
