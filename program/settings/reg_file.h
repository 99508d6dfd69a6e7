// The first-run registry file: a text file of key lines "[ROOT\path]" and
// value lines "name"="text" or "name"=hex:0a,ff. Only the first character
// of a line decides what it is; everything else is ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

// Receives what the lines ask for, in file order.
class RegFileSink {
public:
    virtual ~RegFileSink() = default;
    // path is the key line after the root name, usually starting with "\".
    virtual void OpenKey(RegRoot root, const std::string& path) = 0;
    virtual void WriteString(const std::string& name, const std::string& text) = 0;
    virtual void WriteBinary(const std::string& name, const std::vector<unsigned char>& bytes) = 0;
};

// Exact, case-sensitive root names; any other selects CurrentUser.
RegRoot RegRootFromName(std::string_view name);
// The byte of a hex word: its first two characters, anything but a hex
// digit (or a missing second character) counting as 0.
unsigned char RegHexByte(std::string_view word);

void ApplyRegLine(std::string line, RegFileSink& sink);
// Lines end at LF, CR or CR LF.
std::vector<std::string> SplitLines(std::string_view text);
void ApplyRegText(std::string_view text, RegFileSink& sink);
