// Layout text read line by line: comments, values and names.
#include <cctype>

#include "layout_value.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// Cuts a comment that is not inside a string.
std::string StripComment(const std::string& line) {
    bool inString = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (inString && line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            inString = !inString;
        else if (!inString && line[i] == '#')
            return line.substr(0, i);
    }
    return line;
}

size_t FindEquals(const std::string& line) {
    bool inString = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (inString && line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            inString = !inString;
        else if (!inString && line[i] == '=')
            return i;
    }
    return std::string::npos;
}

long long ParseNumber(const std::string& word, int line) {
    if (word.empty()) LayoutFail(line, "number expected");
    size_t i = 0;
    bool negative = false;
    if (word[0] == '-' || word[0] == '+') {
        negative = word[0] == '-';
        i = 1;
    }
    int base = 10;
    if (i < word.size() && word[i] == '$') {
        base = 16;
        ++i;
    }
    if (i >= word.size()) LayoutFail(line, "number expected: " + word);
    long long v = 0;
    for (; i < word.size(); ++i) {
        int c = std::tolower(static_cast<unsigned char>(word[i])), d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            LayoutFail(line, "bad number: " + word);
        v = v * base + d;
        if (v > 0xFFFFFFFFLL) LayoutFail(line, "number out of range: " + word);
    }
    return negative ? -v : v;
}

TLayoutValue ParseValue(const std::string& text, int line) {
    TLayoutValue v;
    v.line = line;
    if (text.empty()) LayoutFail(line, "value expected");
    if (text[0] == '"') {
        v.kind = TLayoutValue::String;
        std::string out;
        size_t i = 1;
        for (; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                char e = text[++i];
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            } else {
                out += text[i];
            }
        }
        if (i >= text.size()) LayoutFail(line, "unterminated string");
        if (!Trim(text.substr(i + 1)).empty()) LayoutFail(line, "text after the string");
        v.text = out;
    } else if (text[0] == '[') {
        v.kind = TLayoutValue::List;
        size_t close = text.find(']');
        if (close == std::string::npos || !Trim(text.substr(close + 1)).empty()) LayoutFail(line, "unterminated list");
        std::string inner = text.substr(1, close - 1);
        size_t start = 0;
        while (start <= inner.size()) {
            size_t comma = inner.find(',', start);
            std::string item =
                Trim(inner.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (!item.empty())
                v.items.push_back(item);
            else if (comma != std::string::npos)
                LayoutFail(line, "empty list item");
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    } else if (text[0] == '@') {
        v.kind = TLayoutValue::Resource;
        v.text = Trim(text.substr(1));
        if (v.text.empty()) LayoutFail(line, "resource name expected");
    } else if (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '+' ||
               text[0] == '$') {
        v.kind = TLayoutValue::Number;
        size_t i = 0;
        while (i < text.size()) {
            size_t e = text.find_first_of(" \t", i);
            std::string word = text.substr(i, e == std::string::npos ? std::string::npos : e - i);
            v.numbers.push_back(ParseNumber(word, line));
            if (e == std::string::npos) break;
            i = text.find_first_not_of(" \t", e);
            if (i == std::string::npos) break;
        }
    } else {
        v.kind = TLayoutValue::Identifier;
        for (char c : text)
            if (!IsIdentChar(c)) LayoutFail(line, "bad identifier: " + text);
        v.text = text;
    }
    return v;
}

std::string LinePrefix(int line) { return "Layout line " + std::to_string(line) + ": "; }

}  // namespace

void LayoutFail(int line, const std::string& what) { throw EConvertError(LinePrefix(line) + what); }

// ---- values

int TLayoutValue::AsInt() const {
    if (kind != Number || numbers.size() != 1) throw EConvertError(LinePrefix(line) + "number expected");
    return static_cast<int>(numbers[0]);
}

bool TLayoutValue::AsBool() const {
    if (kind == Identifier) {
        std::string t = Lower(text);
        if (t == "true") return true;
        if (t == "false") return false;
    }
    throw EConvertError(LinePrefix(line) + "true or false expected");
}

const std::string& TLayoutValue::AsString() const {
    if (kind != String) throw EConvertError(LinePrefix(line) + "string expected");
    return text;
}

const std::string& TLayoutValue::AsIdent() const {
    if (kind != Identifier) throw EConvertError(LinePrefix(line) + "name expected");
    return text;
}

int TLayoutValue::AsEnum(std::initializer_list<const char*> names) const {
    const std::string& t = AsIdent();
    int i = 0;
    for (const char* n : names) {
        if (Lower(t) == Lower(n)) return i;
        ++i;
    }
    throw EConvertError(LinePrefix(line) + "unknown value " + t);
}

unsigned TLayoutValue::AsSet(std::initializer_list<const char*> names) const {
    if (kind != List) throw EConvertError(LinePrefix(line) + "list expected");
    unsigned bits = 0;
    for (auto& item : items) {
        int i = 0;
        bool found = false;
        for (const char* n : names) {
            if (Lower(item) == Lower(n)) {
                bits |= 1u << i;
                found = true;
            }
            ++i;
        }
        if (!found) throw EConvertError(LinePrefix(line) + "unknown value " + item);
    }
    return bits;
}

// ---- lines

bool NextLayoutLine(const std::string& text, size_t& pos, int& lineNo, TLayoutLine& out) {
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() + 1 : nl + 1;
        ++lineNo;
        std::string line = Trim(StripComment(raw));
        if (line.empty()) continue;
        out = TLayoutLine{};
        out.line = lineNo;
        if (line == "end") {
            out.kind = TLayoutLine::End;
            return true;
        }
        size_t eq = FindEquals(line);
        if (eq != std::string::npos) {
            out.kind = TLayoutLine::Property;
            out.name = Trim(line.substr(0, eq));
            out.value = ParseValue(Trim(line.substr(eq + 1)), lineNo);
            return true;
        }
        // An object line: class and name.
        size_t space = line.find_first_of(" \t");
        if (space == std::string::npos) LayoutFail(lineNo, "object line needs a class and a name");
        out.kind = TLayoutLine::Object;
        out.className = line.substr(0, space);
        out.name = Trim(line.substr(space));
        for (char c : out.name)
            if (!IsIdentChar(c)) LayoutFail(lineNo, "bad component name " + out.name);
        return true;
    }
    return false;
}
