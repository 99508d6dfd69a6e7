// Rectangle helpers of painting, printing and the viewer window.
#include <algorithm>

#include "paint.h"

void FitRectToAspect(RECT* rect, int numerator, int denominator) {
    if (!rect || numerator == 0 || denominator == 0) return;
    int width = rect->right - rect->left;
    int height = rect->bottom - rect->top;
    int newWidth = MulDiv(height < 0 ? -height : height, numerator, denominator);
    int newHeight = height;
    if (newWidth > width) {
        newWidth = width;
        newHeight = MulDiv(width, denominator, numerator);
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
