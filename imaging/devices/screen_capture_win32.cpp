// A rectangle of a device context into a bitmap record.
#include <algorithm>
#include <cstdlib>

#include "core/palette.h"

extern "C" int KAPI K_ScreenCaptureBitmap(HDC hdc, BitmapRecord* bitmap, const RECT* rect) {
    if (!bitmap || !rect) return K_ERR_ARGUMENT;
    int width = rect->right - rect->left;
    int height = std::abs(rect->bottom - rect->top);
    if (width <= 0 || height <= 0) return K_ERR_ARGUMENT;
    HDC screen = hdc ? nullptr : GetDC(nullptr);
    HDC source = hdc ? hdc : screen;
    if (!source) return K_ERR_ARGUMENT;
    HDC memory = CreateCompatibleDC(source);
    if (!memory) {
        if (screen) ReleaseDC(nullptr, screen);
        return K_ERR_ARGUMENT;
    }
    HBITMAP capture = CreateCompatibleBitmap(source, width, height);
    if (!capture) {
        DeleteDC(memory);
        if (screen) ReleaseDC(nullptr, screen);
        return K_ERR_MEMORY;
    }
    HGDIOBJ old = SelectObject(memory, capture);
    BOOL copied = BitBlt(memory, 0, 0, width, height, source, rect->left, std::min(rect->top, rect->bottom), SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    int result = K_ERR_ARGUMENT;
    HPALETTE palette = CreateSystemPaletteCopy();
    if (copied) result = K_ChangeFromDDB(source, bitmap, capture, palette);
    if (result != K_OK) {
        DeleteObject(capture);
        if (palette) DeleteObject(palette);
    }
    if (screen) ReleaseDC(nullptr, screen);
    return result;
}
