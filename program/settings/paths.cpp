#include "settings/paths.h"

std::string ProgramFolder;

bool IsAbsolutePath(const std::string& text) {
    if (text.size() < 2) return false;
    return text[1] == ':' || (text[0] == '\\' && text[1] == '\\');
}

std::string AddTrailingBackslash(const std::string& text) {
    if (!text.empty() && text.back() == '\\') return text;
    return text + '\\';
}

std::string ProgramFilePath(const std::string& relative) { return ProgramFolder + relative; }

std::string ResolveProgramPath(const std::string& name) { return IsAbsolutePath(name) ? name : ProgramFolder + name; }
