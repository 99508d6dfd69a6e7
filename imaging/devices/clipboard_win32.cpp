// The clipboard: records in and out as CF_DIB, CF_BITMAP and CF_PALETTE.
#include "devices/dib.h"
#include "core/palette.h"

namespace {

// Holds the clipboard open for a scope.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != 0) {}
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

// A window's device context (the screen's for a null window) for a scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

int LoadClipboardDib(BitmapRecord* bitmap) {
    HANDLE data = GetClipboardData(CF_DIB);
    if (!data) return 0;
    SIZE_T size = GlobalSize(data);
    const void* block = GlobalLock(data);
    if (!block) return 0;
    // Another program wrote it: LoadPackedDib checks it against its size.
    int result = LoadPackedDib(bitmap, block, size);
    GlobalUnlock(data);
    return result == K_OK ? 1 : 0;
}

int LoadClipboardBitmap(HWND hwnd, BitmapRecord* bitmap) {
    auto hbitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!hbitmap) return 0;
    auto palette =
        static_cast<HPALETTE>(IsClipboardFormatAvailable(CF_PALETTE) ? GetClipboardData(CF_PALETTE) : nullptr);
    HPALETTE systemCopy = palette ? nullptr : CreateSystemPaletteCopy();
    WindowDC dc(hwnd);
    int result =
        dc.get() ? K_ConvertFromDDB(dc.get(), bitmap, hbitmap, palette ? palette : systemCopy) : K_ERR_ARGUMENT;
    if (systemCopy) DeleteObject(systemCopy);
    return result == K_OK ? 1 : 0;
}

}  // namespace

extern "C" int KAPI K_ClipboardReady(void) {
    return IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_BITMAP) ? 1 : 0;
}

extern "C" int KAPI K_CopyFromClipboard(HWND hwnd, BitmapRecord* bitmap) {
    if (!bitmap) return 0;
    OpenedClipboard clipboard(hwnd);
    if (!clipboard.open()) return 0;
    if (IsClipboardFormatAvailable(CF_DIB) && LoadClipboardDib(bitmap)) return 1;
    if (IsClipboardFormatAvailable(CF_BITMAP)) return LoadClipboardBitmap(hwnd, bitmap);
    return 0;
}

extern "C" int KAPI K_CopyToClipboardExt(HWND hwnd, BitmapRecord* bitmap, int flags) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    HPALETTE palette = nullptr;
    HGLOBAL dib = nullptr;
    HBITMAP ddb = nullptr;
    auto releaseMade = [&] {
        if (palette) DeleteObject(palette);
        if (dib) GlobalFree(dib);
        if (ddb) DeleteObject(ddb);
        palette = nullptr;
        dib = nullptr;
        ddb = nullptr;
    };
    if (flags & (K_CLIP_PALETTE | K_CLIP_BITMAP)) {
        WindowDC dc(hwnd);
        if (!dc.get()) return K_ERR_ARGUMENT;
        // A record without colours of its own may have no paint palette.
        if (flags & K_CLIP_PALETTE) palette = K_CreatePaintPalette(dc.get(), bitmap);
        if (flags & K_CLIP_BITMAP) {
            ddb = K_ConvertToDDB(dc.get(), bitmap);
            if (!ddb) {
                releaseMade();
                return K_ERR_MEMORY;
            }
        }
    }
    if (flags & K_CLIP_DIB) {
        dib = K_ConvertToDIB(bitmap);
        if (!dib) {
            releaseMade();
            return K_ERR_MEMORY;
        }
    }
    OpenedClipboard clipboard(hwnd);
    if (!clipboard.open()) {
        releaseMade();
        return K_ERR_ARGUMENT;
    }
    if ((flags & K_CLIP_EMPTY) && !EmptyClipboard()) {
        releaseMade();
        return K_ERR_ARGUMENT;
    }
    // What the clipboard accepted belongs to it; the rest is ours to free.
    bool refused = false;
    if (palette) {
        if (!SetClipboardData(CF_PALETTE, palette))
            refused = true;
        else
            palette = nullptr;
    }
    if (dib && !refused) {
        if (!SetClipboardData(CF_DIB, dib))
            refused = true;
        else
            dib = nullptr;
    }
    if (ddb && !refused) {
        if (!SetClipboardData(CF_BITMAP, ddb))
            refused = true;
        else
            ddb = nullptr;
    }
    releaseMade();
    return refused ? K_ERR_ARGUMENT : K_OK;
}

extern "C" int KAPI K_CopyToClipboard(HWND hwnd, BitmapRecord* bitmap) {
    return K_CopyToClipboardExt(hwnd, bitmap, K_CLIP_EMPTY | K_CLIP_DIB | K_CLIP_BITMAP | K_CLIP_PALETTE) == K_OK ? 1
                                                                                                                  : 0;
}
