// String helpers of the garment-file parsers: trimming, parenthesis
// stripping, keyword prefixes, word splitting over delimiter sets, integer
// conversion and the half-to-even rounding of scaled coordinates.
#pragma once

#include <bitset>
#include <stdexcept>
#include <string>
#include <string_view>

// A set of 8-bit characters.
class CharSet {
public:
    CharSet() = default;
    explicit CharSet(std::string_view chars) {
        for (unsigned char c : chars) bits_.set(c);
    }
    bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }

private:
    std::bitset<256> bits_;
};

// The three sets the parsers use.
extern const CharSet BlankSet;  // " "
extern const CharSet CommaSet;  // ","
extern const CharSet ParenSet;  // "("

// Raised for text that is not a decimal integer: the framework's conversion
// error in the program; the portable tests build without the framework.
#ifdef _WIN32
#include "sysutils.h"
using ConvertError = EConvertError;
#else
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
#endif

// Deletes tabs and blanks from the start of s.
void TrimInitialBlanks(std::string& s);
// Deletes one leading "(" and then one trailing ")".
void StripParentheses(std::string& s);
// Case-insensitive (a-z) comparison of s's start with prefix; cuts it on a match.
bool CutPrefix(std::string& s, std::string_view prefix);

// Words are maximal runs of non-delimiters; positions are 1-based.
int CountWords(std::string_view s, const CharSet& delimiters);
int WordStart(int n, std::string_view s, const CharSet& delimiters);
std::string WordAt(int n, std::string_view s, const CharSet& delimiters);

// The framework's one text-to-integer rule (int_text.h: decimal, or $hex and
// 0x hex); anything else raises ConvertError "'<text>' is not a valid integer value".
int ReadInteger(std::string_view text);
// The same conversion with a fallback instead of the error.
int ReadIntegerDef(std::string_view text, int fallback);

// Round(v * k) and Round(v / k) in extended precision, half to even.
// A result that is not a finite 32-bit value raises std::range_error.
int MulRound(int v, double k);
int DivRound(int v, double k);
// Round half to even of a real value, same range rule.
int RoundHalfEven(long double value);
