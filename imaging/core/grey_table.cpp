#include "core/palette.h"

namespace {
BYTE RampLevel(int i, int count) { return static_cast<BYTE>(count > 1 ? i * 255 / (count - 1) : 0); }
}  // namespace

void FillGreyRamp(RGBQUAD* table, int count) {
    for (int i = 0; i < count; ++i) {
        BYTE v = RampLevel(i, count);
        table[i] = RGBQUAD{v, v, v, 0};
    }
}

bool IsGreyTable(const RGBQUAD* table, int count) {
    for (int i = 0; i < count; ++i)
        if (table[i].rgbRed != table[i].rgbGreen || table[i].rgbGreen != table[i].rgbBlue) return false;
    return true;
}

bool IsGreyRamp(const RGBQUAD* table, int count) {
    for (int i = 0; i < count; ++i) {
        BYTE v = RampLevel(i, count);
        if (table[i].rgbRed != v || table[i].rgbGreen != v || table[i].rgbBlue != v) return false;
    }
    return true;
}
