// Extra Wine prefixes for tests that compare with Wine's own tools or need
// another display: made once from scratch and kept in the test tree.
#pragma once

#include <string>

#include "host.h"

// Unix path of a ready prefix of that name; empty when it cannot be made.
inline std::string ExtraPrefix(const std::string& name) {
    std::string path = TestTempPath("prefix-" + name);
    std::string cmd = "test -f '" + path + "/system.reg' || { WINEPREFIX='" + path +
                      "' WINEARCH=win32 wineboot -i >/dev/null 2>&1; WINEPREFIX='" + path + "' wineserver -w; }";
    if (RunHost(cmd) != 0 || RunHost("test -f '" + path + "/system.reg'") != 0) return {};
    return path;
}

// A shell prefix that runs wine in that prefix.
inline std::string InPrefix(const std::string& prefix, const std::string& display = "") {
    std::string env = "WINEPREFIX='" + prefix + "' WINEARCH=win32 WINEDEBUG=-all ";
    if (!display.empty()) env += "DISPLAY=" + display + " ";
    return env;
}

// Stops the prefix's wine server and the programs still running in it.
inline void StopPrefix(const std::string& prefix) { RunHost("WINEPREFIX='" + prefix + "' wineserver -k 2>/dev/null; true"); }
