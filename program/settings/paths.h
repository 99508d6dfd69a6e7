// Where the program's files are: everything it opens is resolved against
// the folder of the running program file.
#pragma once

#include <string>

// Folder of the running program, always ending in a backslash (set by
// InitSettings).
extern std::string ProgramFolder;

// "X:..." or "\\...".
bool IsAbsolutePath(const std::string& text);
std::string AddTrailingBackslash(const std::string& text);
// ProgramFolder + relative, always.
std::string ProgramFilePath(const std::string& relative);
// The name itself when absolute, else ProgramFolder + name.
std::string ResolveProgramPath(const std::string& name);
