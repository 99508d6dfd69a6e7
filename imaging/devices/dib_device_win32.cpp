// Device-dependent bitmaps (HBITMAP with an optional HPALETTE) to and from
// bitmap records.
#include <cstdint>
#include <cstring>

#include "core/bitmap.h"
#include "core/display_mode.h"
#include "devices/paint.h"

namespace {

// A device context for the call: the caller's, or the screen's.
class DeviceContext {
public:
    explicit DeviceContext(HDC given) : dc_(given) {
        if (!dc_) {
            dc_ = GetDC(nullptr);
            owned_ = true;
        }
    }
    ~DeviceContext() {
        if (owned_ && dc_) ReleaseDC(nullptr, dc_);
    }
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
    bool owned_ = false;
};

int DepthClass(int depth) {
    if (depth < 2) return 1;
    if (depth <= 4) return 4;
    if (depth < 9) return 8;
    return 24;
}

}  // namespace

extern "C" HBITMAP KAPI K_ConvertToDDB(HDC hdc, BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return nullptr;
    DeviceContext device(hdc);
    if (!device.get()) return nullptr;
    HDC memory = CreateCompatibleDC(device.get());
    if (!memory) return nullptr;
    HBITMAP result = CreateCompatibleBitmap(device.get(), bitmap->Width, bitmap->Height);
    if (!result) {
        DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ oldBitmap = SelectObject(memory, result);
    // Colours, not palette indices, and converted rows where the device needs them.
    unsigned oldMode = DisplayMode;
    K_SetDisplayMode(kIndexedPaint | kDitheredPaint, kDitheredPaint);
    HPALETTE palette = K_CreatePaintPalette(device.get(), bitmap);
    HPALETTE oldPalette = nullptr;
    if (palette) {
        oldPalette = SelectPalette(memory, palette, FALSE);
        RealizePalette(memory);
    }
    RECT whole{0, 0, bitmap->Width, bitmap->Height};
    int painted = PaintBitmapRect(memory, bitmap, nullptr, nullptr, &whole, nullptr, SRCCOPY);
    K_SetDisplayMode(~0, static_cast<int>(oldMode));
    DisplayMode = oldMode;
    if (palette) SelectPalette(memory, oldPalette, FALSE);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    if (palette) DeleteObject(palette);
    if (painted != K_OK) {
        DeleteObject(result);
        return nullptr;
    }
    return result;
}

extern "C" HBITMAP KAPI K_ChangeToDDB(HDC hdc, BitmapRecord* bitmap) {
    HBITMAP result = K_ConvertToDDB(hdc, bitmap);
    if (result) K_FreeBitmap(bitmap);
    return result;
}

extern "C" int KAPI K_ConvertFromDDB(HDC hdc, BitmapRecord* bitmap, HBITMAP hbitmap, HPALETTE hpalette) {
    if (!bitmap) return K_ERR_ARGUMENT;
    BITMAP info;
    if (!hbitmap || GetObjectA(hbitmap, sizeof info, &info) != sizeof info) return K_ERR_ARGUMENT;
    if (info.bmWidth <= 0 || info.bmHeight <= 0) return K_ERR_ARGUMENT;
    int bits = DepthClass(info.bmPlanes * info.bmBitsPixel);
    int colors = bits <= 8 ? 1 << bits : 0;
    uint64_t rowBytes = ((static_cast<uint64_t>(info.bmWidth) * bits + 31) / 32) * 4;
    uint64_t imageSize = rowBytes * info.bmHeight;
    uint64_t total = sizeof(BITMAPINFOHEADER) + 4ull * colors + imageSize;
    if (total > 0x7FFFFFF0u) return K_ERR_MEMORY;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, static_cast<SIZE_T>(total));
    if (!block) return K_ERR_MEMORY;
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return K_ERR_MEMORY;
    }
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(p);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = info.bmWidth;
    header->biHeight = info.bmHeight;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(imageSize);

    DeviceContext device(hdc);
    HPALETTE oldPalette = nullptr;
    if (hpalette && device.get()) {
        oldPalette = SelectPalette(device.get(), hpalette, FALSE);
        RealizePalette(device.get());
    }
    int lines = device.get()
                    ? GetDIBits(device.get(), hbitmap, 0, info.bmHeight, p + sizeof(BITMAPINFOHEADER) + 4 * colors,
                                reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS)
                    : 0;
    if (hpalette && device.get()) SelectPalette(device.get(), oldPalette, FALSE);
    // GetDIBits may rewrite the header; the block is laid out as above.
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biClrUsed = static_cast<DWORD>(colors);
    header->biCompression = BI_RGB;
    GlobalUnlock(block);
    if (lines == 0) {
        GlobalFree(block);
        return K_ERR_ARGUMENT;
    }
    int result = K_ChangeFromDIB(bitmap, block);
    if (result != K_OK) GlobalFree(block);
    return result;
}

extern "C" int KAPI K_ChangeFromDDB(HDC hdc, BitmapRecord* bitmap, HBITMAP hbitmap, HPALETTE hpalette) {
    int result = K_ConvertFromDDB(hdc, bitmap, hbitmap, hpalette);
    if (result == K_OK) {
        DeleteObject(hbitmap);
        if (hpalette) DeleteObject(hpalette);
    }
    return result;
}
