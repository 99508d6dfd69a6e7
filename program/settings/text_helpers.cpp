#include "settings/text_helpers.h"

#include "int_text.h"

#include <cfenv>
#include <cmath>
#include <limits>

const CharSet BlankSet(" ");
const CharSet CommaSet(",");
const CharSet ParenSet("(");

void TrimInitialBlanks(std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    s.erase(0, i);
}

void StripParentheses(std::string& s) {
    // An empty line has nothing to strip.
    if (!s.empty() && s.front() == '(') s.erase(0, 1);
    if (!s.empty() && s.back() == ')') s.pop_back();
}

static char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool CutPrefix(std::string& s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (UpperAscii(s[i]) != UpperAscii(prefix[i])) return false;
    s.erase(0, prefix.size());
    return true;
}

// Walks the words of s; returns the 1-based start of word n (0 when there
// are fewer) and the number of words seen.
static int WalkWords(int n, std::string_view s, const CharSet& delimiters, int& words) {
    size_t i = 0, length = s.size();
    words = 0;
    while (i < length && words < n) {
        while (i < length && delimiters.Contains(s[i])) ++i;
        if (i < length) ++words;
        if (words == n) return static_cast<int>(i) + 1;
        while (i < length && !delimiters.Contains(s[i])) ++i;
    }
    return 0;
}

int CountWords(std::string_view s, const CharSet& delimiters) {
    int words = 0;
    WalkWords(std::numeric_limits<int>::max(), s, delimiters, words);
    return words;
}

int WordStart(int n, std::string_view s, const CharSet& delimiters) {
    int words = 0;
    return n < 1 ? 0 : WalkWords(n, s, delimiters, words);
}

std::string WordAt(int n, std::string_view s, const CharSet& delimiters) {
    int start = WordStart(n, s, delimiters);
    if (start == 0) return {};
    size_t end = static_cast<size_t>(start) - 1;
    while (end < s.size() && !delimiters.Contains(s[end])) ++end;
    return std::string(s.substr(static_cast<size_t>(start) - 1, end - (static_cast<size_t>(start) - 1)));
}

int ReadInteger(std::string_view text) {
    int value = 0;
    if (!ParseInteger(text, value)) throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

int ReadIntegerDef(std::string_view text, int fallback) {
    int value = 0;
    return ParseInteger(text, value) ? value : fallback;
}

int RoundHalfEven(long double value) {
    if (!std::isfinite(value)) throw std::range_error("Invalid floating point operation");
    // nearbyint follows the current rounding mode: to nearest, ties to even.
    long double r = std::nearbyintl(value);
    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        throw std::range_error("Invalid floating point operation");
    return static_cast<int>(r);
}

int MulRound(int v, double k) { return RoundHalfEven(static_cast<long double>(v) * k); }

int DivRound(int v, double k) { return RoundHalfEven(static_cast<long double>(v) / k); }
