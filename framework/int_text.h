// The one text-to-integer rule of the framework and the program: leading
// blanks, an optional sign, then decimal digits (within int) or hexadecimal
// ones after "$" or "0x" (within 32 bits, taken as a signed int). Nothing may
// follow. Portable: the program's native build uses it too.
#pragma once

#include <string_view>

bool ParseInteger(std::string_view text, int& out);
