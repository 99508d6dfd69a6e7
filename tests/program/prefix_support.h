// Extra Wine prefixes for tests that compare with Wine's own tools or need
// another display: made once from scratch and kept in the test tree.
#pragma once

#include <string>

#include "host.h"

// The loader and prefix kind of this build's flavour: with 32-bit Wine
// installed, plain "wine" starts even 64-bit programs under the 32-bit loader,
// and a win32 prefix refuses 64-bit programs.
#ifdef _WIN64
inline const std::string kWine = "/usr/lib/wine/wine64";
inline const std::string kWineArch = "win64";
#else
inline const std::string kWine = "wine";
inline const std::string kWineArch = "win32";
#endif

// Unix path of a ready prefix of that name; empty when it cannot be made.
inline std::string ExtraPrefix(const std::string& name) {
    std::string path = TestTempPath("prefix-" + name);
    std::string env = "WINEPREFIX='" + path + "' WINEARCH=" + kWineArch + " ";
    // A prefix of the other kind, left by the other flavour's tests, is made anew.
    std::string cmd = "if test -f '" + path + "/system.reg' && ! grep -q '^#arch=" + kWineArch + "' '" + path +
                      "/system.reg'; then WINEPREFIX='" + path + "' wineserver -k 2>/dev/null; rm -rf '" + path +
                      "'; fi; test -f '" + path + "/system.reg' || { " + env + kWine +
                      " wineboot -i >/dev/null 2>&1; " + env + "wineserver -w; }";
    if (RunHost(cmd) != 0 || RunHost("test -f '" + path + "/system.reg'") != 0) return {};
    return path;
}

// Environment words that run a command in that prefix ("<InPrefix> " + kWine + " ...").
inline std::string InPrefix(const std::string& prefix, const std::string& display = "") {
    std::string env = "WINEPREFIX='" + prefix + "' WINEARCH=" + kWineArch + " WINEDEBUG=-all ";
    if (!display.empty()) env += "DISPLAY=" + display + " ";
    return env;
}

// Stops the prefix's wine server and the programs still running in it.
inline void StopPrefix(const std::string& prefix) {
    RunHost("WINEPREFIX='" + prefix + "' wineserver -k 2>/dev/null; true");
}
