// A value of a layout line and the reading of layout text line by line,
// without windows or components: portable, so that it is also tested and
// fuzzed natively. layout.h builds forms from it.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "sysutils.h"

struct TLayoutValue {
    enum Kind { Number, String, Identifier, List, Resource } kind = Number;
    std::vector<long long> numbers;  // Number: one or more
    std::string text;                // String (ANSI), Identifier, Resource name
    std::vector<std::string> items;  // List of identifiers
    int line = 0;

    // Raise EConvertError when the value is of another kind.
    int AsInt() const;
    bool AsBool() const;
    const std::string& AsString() const;
    const std::string& AsIdent() const;
    // One of the given names; its index.
    int AsEnum(std::initializer_list<const char*> names) const;
    // A set over the given names: bit i for names[i].
    unsigned AsSet(std::initializer_list<const char*> names) const;
};

// One meaningful line of a layout text.
struct TLayoutLine {
    enum Kind { Object, Property, End } kind = End;
    int line = 0;
    std::string className, name;  // Object: class and component name; Property: name
    TLayoutValue value;           // Property: the value (strings still UTF-8)
};

// Raises EConvertError "Layout line <n>: <what>".
[[noreturn]] void LayoutFail(int line, const std::string& what);

// The next line of a layout text from pos on, comments and blank lines
// passed over; false at the end. The line is checked on its own (value
// parsed, names made of identifier characters), raising EConvertError with
// its number; nesting (objects and their ends) is the reader's to check.
// lineNo counts the lines read so far.
bool NextLayoutLine(const std::string& text, size_t& pos, int& lineNo, TLayoutLine& out);
