// Row work of the bilevel format.
#include "fax/bilevel_rows.h"

#include <cstring>

namespace bilevel {

int FindColour(const uint8_t* row, int from, int colour, int width) {
    if (from >= width) return width;
    const uint8_t skip = colour ? 0x00 : 0xFF;  // bytes without the colour
    int x = from;
    // The rest of the first byte.
    while ((x & 7) != 0) {
        if (x >= width) return width;
        if (Pixel(row, x) == colour) return x;
        ++x;
    }
    const int bytes = (width + 7) >> 3;
    int i = x >> 3;
    while (i < bytes && row[i] == skip) ++i;
    if (i >= bytes) return width;
    const uint8_t v = colour ? row[i] : static_cast<uint8_t>(~row[i]);
    x = i * 8;
    for (uint8_t mask = 0x80; !(v & mask); mask >>= 1) ++x;
    return x < width ? x : width;
}

void SetSpan(uint8_t* row, int from, int to) {
    if (from >= to) return;
    int first = from >> 3, last = (to - 1) >> 3;
    const uint8_t head = static_cast<uint8_t>(0xFF >> (from & 7));
    const uint8_t tail = static_cast<uint8_t>(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
        row[first] |= head & tail;
        return;
    }
    row[first] |= head;
    if (last > first + 1) std::memset(row + first + 1, 0xFF, static_cast<size_t>(last - first - 1));
    row[last] |= tail;
}

int FindB1(const uint8_t* above, int a0, int c, bool rowStart, int width) {
    const int s = rowStart ? 0 : a0 + 1;
    if (s >= width) return width;
    const int before = s == 0 ? 1 : Pixel(above, s - 1);
    // Past a run of the other colour that began before s: its start is no change after a0.
    const int p = before != c ? FindColour(above, s, c, width) : s;
    return FindColour(above, p, !c, width);
}

void SmoothRow(uint8_t* c, const uint8_t* a, const uint8_t* b, int width) {
    for (int x = 19; x < width - 19; x += 2) {
        auto C = [&](int i) { return Pixel(c, i); };
        auto A = [&](int i) { return Pixel(a, i); };
        auto B = [&](int i) { return Pixel(b, i); };
        // Two pixels at x and x + 1.
        if (C(x - 1) == 1 && !(C(x) == 1 && C(x + 1) == 1) && (C(x + 2) == 1 || C(x + 3) == 1)) {
            if ((B(x - 1) == 0 && B(x) == 0 && B(x + 1) == 0 && A(x) == 1 && A(x + 1) == 1) ||
                (A(x - 1) == 0 && A(x) == 0 && A(x + 1) == 0 && B(x) == 1 && B(x + 1) == 1)) {
                SetPixel(c, x, 1);
                SetPixel(c, x + 1, 1);
            }
        } else if (C(x - 1) == 0 && !(C(x + 2) == 1 && C(x + 3) == 1) && (C(x) == 1 || C(x + 1) == 1)) {
            if ((A(x) == 0 && A(x + 1) == 0 && B(x - 1) == 1 && B(x) == 1 && B(x + 1) == 1) ||
                (B(x) == 0 && B(x + 1) == 0 && A(x - 1) == 1 && A(x) == 1 && A(x + 1) == 1)) {
                SetPixel(c, x, 0);
                SetPixel(c, x + 1, 0);
            }
        }
        // One pixel at x.
        if (C(x) == 1 && A(x) == 0 && B(x) == 0) {
            if ((C(x - 1) == 1 && (A(x - 1) == 1 || B(x - 1) == 1) && !(C(x + 1) == 1 && C(x + 2) == 1)) ||
                (C(x + 1) == 1 && (A(x + 1) == 1 || B(x + 1) == 1) && !(C(x - 1) == 1 && C(x - 2) == 1)))
                SetPixel(c, x, 0);
        } else if (C(x) == 0 && A(x) == 1 && B(x) == 1) {
            if (C(x - 1) == 0 && !(A(x - 1) == 1 && B(x - 1) == 1) && (C(x + 1) == 1 || C(x + 2) == 1))
                SetPixel(c, x, 1);
            else if (C(x + 1) == 0 && !(A(x + 1) == 1 && B(x + 1) == 1) && (C(x - 1) == 1 || C(x - 2) == 1))
                SetPixel(c, x, 1);
        }
    }
}

bool MayLeaveOut(const uint8_t* c, const uint8_t* a, const uint8_t* b, int width) {
    bool examined = false;
    // Groups x - 1 .. x + 2, up to the first x at or past width - 19 (and inside the row).
    for (int x = 19; x + 2 < width; x += 4) {
        examined = true;
        bool cClear = true, aSet = true, bSet = true;
        for (int i = x - 1; i <= x + 2; ++i) {
            cClear = cClear && Pixel(c, i) == 0;
            aSet = aSet && Pixel(a, i) == 1;
            bSet = bSet && Pixel(b, i) == 1;
        }
        if (cClear && (aSet || bSet)) return false;
        if (x >= width - 19) break;
    }
    // A row too narrow to examine is kept.
    return examined;
}

namespace {

void SmoothInterpolatedPixel(uint8_t* r, const uint8_t* a, const uint8_t* b, int x) {
    if (Pixel(a, x - 1) || Pixel(a, x) || Pixel(a, x + 1)) return;
    const bool bothSides = Pixel(b, x - 1) && Pixel(b, x + 1);
    if (!bothSides) {
        SetPixel(r, x, 0);
    } else if ((!Pixel(b, x - 2) && !Pixel(a, x + 2)) || (!Pixel(b, x + 2) && !Pixel(a, x - 2))) {
        SetPixel(r, x, 0);
    }
    if (!Pixel(b, x - 3)) SetPixel(r, x - 1, 0);
    if (!Pixel(b, x + 3)) SetPixel(r, x + 1, 0);
}

}  // namespace

void RebuildRow(uint8_t* r, const uint8_t* u, const uint8_t* d, int width) {
    std::memset(r, 0xFF, static_cast<size_t>((width + 7) >> 3));
    for (int x = 0; x < width; ++x) {
        if ((x < 3 || x >= width - 3) && !Pixel(u, x) && !Pixel(d, x)) SetPixel(r, x, 0);
    }
    for (int x = 3; x <= width - 4; ++x) {
        const int up = Pixel(u, x), down = Pixel(d, x);
        if (up == down) {
            if (!up) SetPixel(r, x, 0);
        } else {
            SmoothInterpolatedPixel(r, u, d, x);
            SmoothInterpolatedPixel(r, d, u, x);
        }
    }
}

}  // namespace bilevel
