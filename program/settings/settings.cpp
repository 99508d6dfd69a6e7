#include "settings/settings.h"

#include <windows.h>

#include "settings/registry_store.h"

bool BigMemory = false;
std::string CaptionFontName;
std::string CaptionFontFile;
std::string PatternFontName;
std::string PatternFontFile;
bool SmoothDollAnimation = false;

static std::string RunningProgramFolder() {
    std::string name(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);
    }
    size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

bool ReadBigMemory() {
    // Only read: the program never writes this subkey, so it must not make it.
    return ReadRegBoolNoCreate(std::string(ProgramKey) + "\\" + ProgramSubkey, "BigMemory", false);
}

void InitSettings() {
    static bool done = false;
    if (done) return;
    done = true;
    // Opening with create leaves the program key in place from the first start on.
    ReadRegInteger(ProgramKey, "DefaultSlot", -1);
    ProgramFolder = AddTrailingBackslash(RunningProgramFolder());
    BigMemory = ReadBigMemory();
    CaptionFontName = "Zuvi";
    CaptionFontFile = "rirezoz.fon";
    PatternFontName = "Ridided";
    PatternFontFile = "metip___.ttf";
}

bool AddFontFile(const std::string& path) { return AddFontResourceA(path.c_str()) > 0; }

// The system drops a font resource only under the name it was added with,
// so the path given to AddFontFile is the one to remove, TrueType or not.
bool RemoveFontFile(const std::string& path) { return RemoveFontResourceA(path.c_str()) != FALSE; }
