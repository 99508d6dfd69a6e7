#include "host.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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
    WriteFileBytes(script, "#!/bin/sh\n(" + command + ")\necho $? > '" + status + ".part' && mv '" + status + ".part' '" +
                               status + "'\n");
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
#else
#include <sys/wait.h>

int RunHost(const std::string& command) {
    int r = std::system(command.c_str());
    return (r != -1 && WIFEXITED(r)) ? WEXITSTATUS(r) : -1;
}
#endif

bool HostHasTool(const std::string& program) { return RunHost("command -v " + program + " >/dev/null 2>&1") == 0; }
