#include "settings/reg_file.h"

#include "settings/text_helpers.h"

RegRoot RegRootFromName(std::string_view name) {
    if (name == "HKEY_CLASSES_ROOT") return RegRoot::ClassesRoot;
    if (name == "HKEY_LOCAL_MACHINE") return RegRoot::LocalMachine;
    if (name == "HKEY_USERS") return RegRoot::Users;
    if (name == "HKEY_CURRENT_CONFIG") return RegRoot::CurrentConfig;
    if (name == "HKEY_DYN_DATA") return RegRoot::DynData;
    return RegRoot::CurrentUser;
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

unsigned char RegHexByte(std::string_view word) {
    int high = word.size() > 0 ? HexDigit(word[0]) : 0;
    int low = word.size() > 1 ? HexDigit(word[1]) : 0;
    return static_cast<unsigned char>(high * 16 + low);
}

static void SkipSpaces(std::string& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    s.erase(0, i);
}

static void ApplyKeyLine(std::string s, RegFileSink& sink) {
    s.erase(0, 1);
    if (!s.empty() && s.back() == ']') s.pop_back();
    std::string root = WordAt(1, s, CharSet("\\"));
    s.erase(0, root.size());
    sink.OpenKey(RegRootFromName(root), s);
}

static void ApplyValueLine(std::string s, RegFileSink& sink) {
    const CharSet quote("\"");
    s.erase(0, 1);
    std::string name = WordAt(1, s, quote);
    s.erase(0, name.size() + 1);
    SkipSpaces(s);
    if (s.empty() || s[0] != '=') return;
    s.erase(0, 1);
    SkipSpaces(s);
    if (s.empty()) return;
    if (s[0] == '"') {
        s.erase(0, 1);
        sink.WriteString(name, WordAt(1, s, quote));
    } else if (s.compare(0, 4, "hex:") == 0) {
        s.erase(0, 4);
        const CharSet comma(",");
        int count = CountWords(s, comma);
        std::vector<unsigned char> bytes;
        bytes.reserve(static_cast<size_t>(count));
        for (int i = 1; i <= count; ++i) bytes.push_back(RegHexByte(WordAt(i, s, comma)));
        sink.WriteBinary(name, bytes);
    }
}

void ApplyRegLine(std::string line, RegFileSink& sink) {
    if (line.empty()) return;
    if (line[0] == '[')
        ApplyKeyLine(std::move(line), sink);
    else if (line[0] == '"')
        ApplyValueLine(std::move(line), sink);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

void ApplyRegText(std::string_view text, RegFileSink& sink) {
    for (std::string& line : SplitLines(text)) ApplyRegLine(std::move(line), sink);
}
