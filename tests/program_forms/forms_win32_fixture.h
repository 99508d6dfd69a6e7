// Set-up of the forms' Windows tests: the framework and the program's
// controls once per process, and a program folder of the test's own under
// the build's temporary folder (what ResolveProgramPath resolves against).
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "application.h"
#include "controls/skinned_registry.h"
#include "host.h"
#include "program_fixture.h"
#include "pump.h"
#include "settings/paths.h"

inline void EnsureForms() {
    EnsureFramework();
    static bool registered = false;
    if (!registered) RegisterProgramControls();
    registered = true;
}

// A fresh program folder with a Resource folder; ProgramFolder points at it
// until the object goes.
struct ProgramFolderFixture {
    std::string saved = ProgramFolder;
    std::string unixDir;
    explicit ProgramFolderFixture(const std::string& name) {
        EnsureForms();
        unixDir = TestTempPath("forms_" + name);
        std::error_code ec;
        std::filesystem::remove_all(unixDir, ec);
        std::filesystem::create_directories(unixDir + "/Resource/Help", ec);
        ProgramFolder = WinPath(unixDir) + "\\";
    }
    ~ProgramFolderFixture() { ProgramFolder = saved; }
    void Write(const std::string& relative, const std::string& bytes) {
        WriteFileBytes(unixDir + "/" + relative, bytes);
    }
};
