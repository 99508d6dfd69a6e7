// The program's link files (".url" in the Resource folder): the second
// line, after its first four characters ("URL="), is a web or mail link
// that the shell opens.
#pragma once

#include <functional>
#include <string>

// The link of a link file's text, or "" when its second line holds no
// "http:" or "mailto:" (case-sensitive) after the first four characters.
std::string LinkTarget(const std::string& fileText);

// Opens a link in a normal window (SW_SHOWNORMAL): the shell's browser or
// mail program must show itself.
constexpr int LinkShowCommand = 1;
using LinkLauncher = std::function<void(const std::string& target, int showCommand)>;
// Reads the file and launches its link; false when the file is missing or
// holds none.
bool OpenLinkFile(const std::string& path, const LinkLauncher& launch);
