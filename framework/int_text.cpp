#include "int_text.h"

#include <climits>

bool ParseInteger(std::string_view text, int& out) {
    size_t i = 0, n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    long long value = 0;
    for (; i < n; ++i) {
        char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        value = value * base + d;
        if (value > 0x100000000LL) return false;
    }
    if (negative) value = -value;
    if (base == 10 && (value > INT_MAX || value < INT_MIN)) return false;
    if (base == 16 && (value > 0xFFFFFFFFLL || value < -0xFFFFFFFFLL)) return false;
    out = static_cast<int>(static_cast<unsigned>(value));
    return true;
}
