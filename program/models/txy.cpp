#include "models/txy.h"

#include <cstdlib>

#include "settings/text_helpers.h"

TXY::TXY(std::string text) {
    StripParentheses(text);
    X = ReadInteger(WordAt(1, text, CommaSet));
    Y = ReadInteger(WordAt(2, text, CommaSet));
}

std::string TXY::ToText() const {
    std::string text = "(" + std::to_string(X) + "," + std::to_string(Y) + ")";
    return Selected ? "*" + text + "*" : text;
}

bool TXY::IsNear(int x, int y) const {
    return std::llabs(static_cast<long long>(X) - x) < 2 && std::llabs(static_cast<long long>(Y) - y) < 2;
}

int TXY::ScreenX(double k) const { return MulRound(X, k); }
int TXY::ScreenY(double k) const { return MulRound(Y, k); }

TXY TXY::Mirrored(const TXY& a, const TXY& b) const {
    long long dy = std::llabs(static_cast<long long>(a.Y) - b.Y);
    long long dx = std::llabs(static_cast<long long>(a.X) - b.X);
    if (dy < dx) return TXY(X, 2 * a.Y - Y);
    return TXY(2 * a.X - X, Y);
}

void TXY::ScaleX(double k) { X = MulRound(X, k); }
void TXY::ScaleY(double k) { Y = MulRound(Y, k); }
