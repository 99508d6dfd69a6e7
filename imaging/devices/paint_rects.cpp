// Rectangle helpers of painting, printing and the viewer window (portable,
// so the viewer's layout is tested natively).
#include <algorithm>

#include "devices/paint.h"

int MulDivRound(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long a = value, b = numerator, c = denominator;
    if (c < 0) a = -a, c = -c;
    long long product = a * b;
    long long r = (product >= 0 ? product + c / 2 : product - c / 2) / c;
    return r > 2147483647LL || r < -2147483647LL ? -1 : static_cast<int>(r);
}

void FitRectToAspect(RECT* rect, int numerator, int denominator) {
    if (!rect || numerator == 0 || denominator == 0) return;
    int width = rect->right - rect->left;
    int height = rect->bottom - rect->top;
    int newWidth = MulDivRound(height < 0 ? -height : height, numerator, denominator);
    int newHeight = height;
    if (newWidth > width) {
        newWidth = width;
        newHeight = MulDivRound(width, denominator, numerator);
    }
    rect->right = rect->left + newWidth;
    rect->bottom = rect->top + newHeight;
}

int IntersectRects(RECT* out, const RECT* a, const RECT* b) {
    RECT r;
    r.left = std::max(a->left, b->left);
    r.top = std::max(a->top, b->top);
    r.right = std::min(a->right, b->right);
    r.bottom = std::min(a->bottom, b->bottom);
    *out = r;
    return r.left < r.right && r.top < r.bottom ? 1 : 0;
}

RECT PlacementRect(const BitmapRecord* bitmap) {
    RECT r;
    r.left = bitmap->DisplayRect.left - bitmap->ImageOriginX;
    r.top = bitmap->DisplayRect.top - bitmap->ImageOriginY;
    if (bitmap->Flags & K_DISPLAY_RECT_VALID) {
        r.right = bitmap->DisplayRect.right - bitmap->ImageOriginX;
        r.bottom = bitmap->DisplayRect.bottom - bitmap->ImageOriginY;
    } else {
        r.right = r.left + bitmap->Width;
        r.bottom = r.top + bitmap->Height;
    }
    return r;
}
