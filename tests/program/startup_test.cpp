// The program's start on a real display: the first-run import, and the
// colour-depth test on an 8-bit screen.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdlib>
#include <vector>

#include "host.h"
#include "prefix_support.h"
#include "program_fixture.h"
#include "settings/registry_store.h"
#include "app/startup.h"

namespace {

// A copy of the program with its library, its data set (linked) and a
// first-run file of its own.
std::string MakeApp(const std::string& name, const std::string& regText) {
    std::string dir = TestTempPath("app-" + name);
    RunHost("rm -rf '" + dir + "' && cp -rl \"$(dirname '" PUPETTA_EXE "')\" '" + dir + "' && rm -f '" + dir +
            "/Resource/pupetta.reg'");
    WriteFileBytes(dir + "/Resource/pupetta.reg", regText);
    return dir;
}

// Runs a Windows program of the test tree with its arguments and waits for it.
DWORD RunTool(const std::string& arguments) {
    std::string line = "\"" + WinPath(PROGRAM_TOOL_EXE) + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 9999;
    DWORD code = 9998;
    if (WaitForSingleObject(pi.hProcess, 90000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::string RegText(const std::string& marker) {
    return "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Quenvo\\Pupetta]\r\n\"DefaultSlot\"=\"3\"\r\n\"Marker\"=\"" +
           marker + "\"\r\n";
}

DWORD RunProgram(const std::string& dir) {
    std::string line = "\"" + WinPath(dir + "/pupetta.exe") + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Started in its own folder: the loader also looks for DLLs in the
    // current folder, and the test program's has a volkg.dll.
    std::string folder = WinPath(dir);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return 9999;
    DWORD code = 9998;
    // The program runs until its main window is closed; one without its
    // library ends at once.
    if (WaitForSingleObject(pi.hProcess, 3000) == WAIT_TIMEOUT) RunTool("close-main " + std::to_string(pi.dwProcessId));
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 9997);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::string Marker() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    char text[64] = {};
    DWORD size = sizeof text - 1;
    LONG r = RegQueryValueExA(key, "Marker", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? text : "";
}

void SetDefaultSlot(const char* value) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, ProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "DefaultSlot", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
}

void RegDeleteTreeOfProgram() { SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey); }

}  // namespace

TEST(Startup, TheProgramDoesNotStartWithoutTheLibrary) {
    RegDeleteTreeOfProgram();
    std::string app = MakeApp("nolibrary", RegText("one"));
    ASSERT_EQ(RunHost("rm -f '" + app + "/volkg.dll'"), 0);
    EXPECT_NE(RunProgram(app), 0u);
    EXPECT_EQ(Marker(), "") << "nothing of the program ran";
}

TEST(Startup, FirstRunImportsTheRegistryFile) {
    SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
    std::string app = MakeApp("firstrun", RegText("one"));
    ASSERT_EQ(RunProgram(app), 0u);
    EXPECT_EQ(Marker(), "one") << "no DefaultSlot: the file is imported";
    EXPECT_EQ(ReadRegInteger(ProgramKey, "DefaultSlot", -1), 3);

    WriteFileBytes(app + "/Resource/pupetta.reg", RegText("two"));
    ASSERT_EQ(RunProgram(app), 0u);
    EXPECT_EQ(Marker(), "one") << "DefaultSlot 3: not imported again";
    SetDefaultSlot("0");
    ASSERT_EQ(RunProgram(app), 0u);
    EXPECT_EQ(Marker(), "one") << "DefaultSlot 0: not imported again";

    SetDefaultSlot("-1");
    ASSERT_EQ(RunProgram(app), 0u);
    EXPECT_EQ(Marker(), "two") << "a negative DefaultSlot counts as the first run";
    SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
}

// The test command's screen of that depth, or one of our own (its process
// id then goes to pidFile, for the test to stop it).
std::string ScreenOfDepth(int depth, const std::string& pidFile) {
    const char* shared = std::getenv(depth == 8 ? "VOLKG_DISPLAY8" : "VOLKG_DISPLAY16");
    std::string display = shared && *shared ? shared : (depth == 8 ? ":57" : ":58");
    std::string planes = std::to_string(depth);
    std::remove(pidFile.c_str());
    int ok = RunHost("xdpyinfo -display " + display + " >/dev/null 2>&1 || { Xvfb " + display + " -screen 0 800x600x" +
                     planes + " -nolisten tcp >/dev/null 2>&1 & echo $! > '" + pidFile +
                     "'; }; for i in $(seq 50); do xdpyinfo -display " + display +
                     " 2>/dev/null | grep -q 'depth of root window: *" + planes +
                     " planes' && exit 0; sleep 0.1; done; exit 1");
    return ok == 0 ? display : "";
}

void StopScreen(const std::string& pidFile) {
    RunHost("test -s '" + pidFile + "' && kill $(cat '" + pidFile + "') 2>/dev/null; true");
}

TEST(Startup, ScreenDepthDecidesBetweenTheHighColourMessageAndTheStart) {
    std::string prefix = ExtraPrefix("regedit");
    ASSERT_FALSE(prefix.empty());
    std::string pid8 = TestTempPath("xvfb8.pid"), pid16 = TestTempPath("xvfb16.pid");
    std::string display8 = ScreenOfDepth(8, pid8), display16 = ScreenOfDepth(16, pid16);
    ASSERT_FALSE(display8.empty());
    ASSERT_FALSE(display16.empty());
    std::string app = MakeApp("depth", RegText("imported"));
    std::string query = TestTempPath("depth-reg.txt");
    std::string clear = InPrefix(prefix) + kWine + " reg delete 'HKCU\\Software\\Quenvo' /f >/dev/null 2>&1";
    std::string marker =
        InPrefix(prefix) + kWine + " reg query 'HKCU\\Software\\Quenvo\\Pupetta' /v Marker > '" + query + "' 2>&1";

    // 8 bits: the message box and nothing else, before the first-run import.
    RunHost(clear);
    std::string out = TestTempPath("depth8.txt");
    RunHost(InPrefix(prefix, display8) + "timeout 120 " + kWine + " '" + app + "/pupetta.exe' & p=$!; " +
            InPrefix(prefix, display8) + kWine + " '" PROGRAM_TOOL_EXE "' dialog-text 0 > '" + out +
            "'; wait $p; echo \"exit $?\" >> '" + out + "'");
    RunHost(marker);
    std::string report = ReadFileBytes(out), imported8 = ReadFileBytes(query);

    // 16 bits: a normal start, which imports the first-run file; its main window is closed.
    RunHost(clear);
    RunHost(InPrefix(prefix, display16) + "timeout 120 " + kWine + " '" + app + "/pupetta.exe' & p=$!; " +
            InPrefix(prefix, display16) + kWine + " '" PROGRAM_TOOL_EXE "' close-main 0; wait $p");
    RunHost(marker);
    std::string imported16 = ReadFileBytes(query);
    StopPrefix(prefix);
    StopScreen(pid8);
    StopScreen(pid16);

    EXPECT_NE(report.find("caption []"), std::string::npos) << report;
    EXPECT_NE(report.find("[Program need High color]"), std::string::npos) << report;
    EXPECT_NE(report.find("icon 1"), std::string::npos) << report;
    EXPECT_EQ(report.find("other "), std::string::npos) << "no window but the message box:\n" << report;
    EXPECT_NE(report.find("exit 0"), std::string::npos) << report;
    EXPECT_EQ(imported8.find("imported"), std::string::npos) << "the colour test comes before the import";
    EXPECT_NE(imported16.find("imported"), std::string::npos) << imported16;
}

// The main block's first step: the application window gets its caption by
// addition. (The main block's end, where the framework is finalised and
// the forms' hide and destroy handlers store DefaultSlot and Sound, is
// seen on the program itself in the end-to-end tests.)
TEST(Startup, TheMainBlockCaptionsTheApplicationWindowByAddition) {
    EnsureFramework();
    HWND app = Application->Handle();
    DWORD style = static_cast<DWORD>(GetWindowLongA(app, GWL_STYLE));
    AddCaptionToApplicationWindow();
    DWORD captioned = static_cast<DWORD>(GetWindowLongA(app, GWL_STYLE));
    EXPECT_EQ(captioned, style + WS_CAPTION);
    EXPECT_EQ(captioned & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_EQ(captioned & (WS_MAXIMIZE | WS_MINIMIZE), 0u) << std::hex << captioned;
    SetWindowLongA(app, GWL_STYLE, static_cast<LONG>(style));
}
