// Small rectangle helpers.
#pragma once

#include <windows.h>

// Edges included on all four sides.
inline bool RectContainsPoint(POINT p, const RECT& r) {
    return r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}
inline int RectWidth(const RECT& r) { return r.right - r.left; }
inline int RectHeight(const RECT& r) { return r.bottom - r.top; }
inline int LargerOf(int a, int b) { return a > b ? a : b; }
