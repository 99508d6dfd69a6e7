#include "host.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

// CTest gives each test its own folder, so that suites of one program run
// side by side without sharing file names; run by hand, the common one.
std::string TestTempPath(const std::string& name) {
    static const std::string folder = [] {
        const char* own = std::getenv("VOLKG_TEST_TMP_DIR");
        if (!own || !*own) return std::string(VOLKG_TEST_TMP);
        std::error_code ignored;
        std::filesystem::create_directories(own, ignored);
        return std::string(own);
    }();
    return folder + "/" + name;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

#ifdef _WIN32
namespace {

// A name no other run of a host command shares: process ids repeat across
// Wine servers, so the clock goes into it too.
std::string UniqueBase(const std::string& prefix) {
    static int counter = 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "-" +
           std::to_string(now.QuadPart);
}

// Waits for the status file that the command's runner writes last.
int AwaitStatus(const std::string& status) {
    std::string code;
    for (int waited = 0; waited < 600 * 200; ++waited) {  // ten minutes at most
        if (GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES) {
            code = ReadFileBytes(status);
            break;
        }
        Sleep(5);
    }
    std::remove(status.c_str());
    return code.empty() ? -1 : std::atoi(code.c_str());
}

// scripts/wine-run watches a spool folder beside every test program and runs
// each script put there as a unix command: quick, without starting Windows
// programs for it.
int RunThroughSpool(const std::string& spool, const std::string& command) {
    const std::string base = UniqueBase(spool + "/host"), status = base + ".status";
    WriteFileBytes(base + ".part", command + "\n");
    if (!MoveFileA((base + ".part").c_str(), (base + ".sh").c_str())) return -1;
    return AwaitStatus(status);
}

// Run by hand: Wine starts unix programs with "start /unix", which does not
// wait for them to end, so the wrapper script writes the exit status last.
int RunThroughStart(const std::string& command) {
    const std::string base = UniqueBase(TestTempPath("host")), script = base + ".sh", status = base + ".status";
    std::remove(status.c_str());
    WriteFileBytes(script, "#!/bin/sh\n(" + command + ")\necho $? > '" + status + ".part' && mv '" + status +
                               ".part' '" + status + "'\n");
    std::string line = "cmd /c start /wait /unix /bin/sh " + script;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    int code = AwaitStatus(status);
    std::remove(script.c_str());
    return code;
}

}  // namespace

int RunHost(const std::string& command) {
    const char* spool = std::getenv("VOLKG_HOST_SPOOL");
    return spool && *spool ? RunThroughSpool(spool, command) : RunThroughStart(command);
}
namespace {

// One row of the system's handle list (its extended form, the same on
// every Windows since XP and under Wine).
struct SystemHandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTrace;
    USHORT objectType;
    ULONG attributes;
    ULONG reserved;
};
struct SystemHandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandleEntry entries[1];
};

constexpr int kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

int HandlesHeld() {
    using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        LONG status =
            query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusInfoLengthMismatch && buffer.size() < (size_t{1} << 28)) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
            continue;
        }
        if (status != 0) return -1;
        break;
    }
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    const size_t fits = (buffer.size() - offsetof(SystemHandleList, entries)) / sizeof(SystemHandleEntry);
    const ULONG_PTR self = GetCurrentProcessId();
    int held = 0;
    for (size_t i = 0; i < list->count && i < fits; ++i)
        if (list->entries[i].processId == self) ++held;
    return held;
}
#else
#include <sys/wait.h>
#include <windows.h>

int RunHost(const std::string& command) {
    int r = std::system(command.c_str());
    return (r != -1 && WIFEXITED(r)) ? WEXITSTATUS(r) : -1;
}

int HandlesHeld() {
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<int>(count) : -1;
}
#endif

bool HostHasTool(const std::string& program) { return RunHost("command -v " + program + " >/dev/null 2>&1") == 0; }
