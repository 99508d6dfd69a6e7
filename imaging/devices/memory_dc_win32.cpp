// A memory device context whose bitmap is a DIB section over the record's
// own pixels, so that GDI draws into the record in place.
#include <cstring>

#include "core/bitmap.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/platform.h"
#include "core/rows.h"

namespace {

using CreateDibSectionFunction = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);

struct SectionInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

}  // namespace

extern "C" HDC KAPI K_CreateVolkDC(BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return nullptr;
    // Only a page-file mapping can be a section: disk storage and the
    // global blocks of Win32s have none.
    if (!(bitmap->Flags & K_MEMORY_STORAGE) || Win32sMode || !bitmap->StorageHandle) return nullptr;
    HMODULE gdi = GetModuleHandleA("GDI32");
    auto createSection = gdi ? reinterpret_cast<CreateDibSectionFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(gdi, "CreateDIBSection")))
                             : nullptr;
    if (!createSection) return nullptr;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    if (screen) ReleaseDC(nullptr, screen);
    if (!memory) return nullptr;

    SectionInfo info;
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = bitmap->Width;
    info.header.biHeight = bitmap->Height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitmap->BitsPerPixel);
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(bitmap->Height) * static_cast<DWORD>(bitmap->BytesPerLine);
    if (bitmap->BitsPerPixel <= 8 && bitmap->Colors > 0) {
        int count = bitmap->Colors > 256 ? 256 : bitmap->Colors;
        if (K_GetBitmapColors(bitmap, 0, count, info.colors) != K_OK) {
            DeleteDC(memory);
            return nullptr;
        }
        info.header.biClrUsed = static_cast<DWORD>(count);
    }
    // The section is bottom-up: a top-down record is turned over first.
    if (bitmap->ViewPerspective != K_BOTTOM_UP) {
        int flipped = K_FlipBitmap(bitmap);
        if (flipped != K_OK) {
            DeleteDC(memory);
            return nullptr;
        }
        bitmap->ViewPerspective = K_BOTTOM_UP;
    }
    // The section's pixels are blue-green-red: a record stored red-green-blue
    // is reordered first, so that GDI's red is red to K_GetPixelColor too.
    if (bitmap->BitsPerPixel > 8 && bitmap->ColorOrder == K_ORDER_RGB) {
        BitmapLock lock(bitmap);
        unsigned char* rows = StoredRowBytes(bitmap, 0, bitmap->Height);
        if (!rows) {
            DeleteDC(memory);
            return nullptr;
        }
        for (int y = 0; y < bitmap->Height; ++y)
            SwapRowRedBlue(rows + static_cast<size_t>(y) * bitmap->BytesPerLine, bitmap->Width, bitmap->BitsPerPixel);
        bitmap->ColorOrder = K_ORDER_BGR;
    }
    void* bits = nullptr;
    HBITMAP section = createSection(memory, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                    bitmap->StorageHandle, 0);
    if (!section) {
        DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ previous = SelectObject(memory, section);
    if (previous) DeleteObject(previous);
    return memory;
}

extern "C" int KAPI K_DeleteVolkDC(HDC hdc) {
    if (!hdc) return 0;
    HBITMAP placeholder = CreateBitmap(1, 1, 1, 1, nullptr);
    HGDIOBJ section = placeholder ? SelectObject(hdc, placeholder) : nullptr;
    if (section) DeleteObject(section);
    int result = DeleteDC(hdc);
    if (placeholder) DeleteObject(placeholder);
    return result;
}
