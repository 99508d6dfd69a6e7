// Host commands from the framework tests. Under this Wine "start /wait
// /unix" returns before the unix program has ended, so the command's own
// script leaves its exit status in a file that is polled here.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host.h"

inline int RunHostWait(const std::string& command, int timeoutSeconds = 120) {
  static int serial = 0;
  std::string base = TestTempPath("fw-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
  std::string script = base + ".sh", status = base + ".rc";
  std::remove(status.c_str());
  WriteFileBytes(script, "#!/bin/sh\n(" + command + ")\nrc=$?\necho $rc > '" + status + ".tmp'\nmv '" + status +
                             ".tmp' '" + status + "'\n");
  std::string line = "cmd /c start /unix /bin/sh " + script;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  int rc = -1;
  for (int i = 0; i < timeoutSeconds * 100; ++i) {
    std::string text = ReadFileBytes(status);
    if (!text.empty()) {
      rc = std::atoi(text.c_str());
      break;
    }
    Sleep(10);
  }
  std::remove(status.c_str());
  std::remove(script.c_str());
  return rc;
}

inline bool HostTool(const std::string& program) {
  return RunHostWait("command -v " + program + " >/dev/null 2>&1") == 0;
}
