// Printing records: placed and scaled through the band painter, or handed
// to the printer driver whole, on the caller's device context or on a
// one-page job of the default printer.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/bitmap.h"
#include "devices/dib.h"
#include "core/display_mode.h"
#include "core/memory.h"
#include "devices/paint.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/status.h"

namespace {

// The device context that K_PrintBitmap keeps between calls.
HDC CurrentPrintDC = nullptr;

// The default printer of the profile ("name,driver,port"), opened as a job
// of one page; null when there is none or it cannot start.
HDC OpenDefaultPrinterJob() {
    char device[81] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    char* driver = std::strchr(device, ',');
    if (!driver) return nullptr;
    *driver++ = '\0';
    char* port = std::strchr(driver, ',');
    if (port) *port++ = '\0';
    HDC hdc = CreateDCA(driver, device, port, nullptr);
    if (!hdc) return nullptr;
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "";
    if (StartDocA(hdc, &doc) < 1) {
        DeleteDC(hdc);
        return nullptr;
    }
    StartPage(hdc);
    return hdc;
}

// The end of every print. A finished job returns K_PRINT_DONE, never the
// deleted handle; a failed print aborts a job of the library and ends the
// caller's when end is asked for.
HDC FinishPrint(HDC hdc, bool ownJob, int end, bool ok) {
    if (ok && !end) return hdc;
    if (!ok && ownJob) {
        AbortDoc(hdc);
        DeleteDC(hdc);
        return nullptr;
    }
    if (!end) return nullptr;
    bool page = EndPage(hdc) >= 1;
    bool doc = EndDoc(hdc) >= 1;
    DeleteDC(hdc);
    return ok && page && doc ? K_PRINT_DONE : nullptr;
}

// The paint palette selected and realised for a scope.
class PaintPaletteScope {
public:
    PaintPaletteScope(HDC hdc, BitmapRecord* bitmap) : hdc_(hdc), palette_(K_CreatePaintPalette(hdc, bitmap)) {
        if (palette_) {
            old_ = SelectPalette(hdc_, palette_, FALSE);
            RealizePalette(hdc_);
        }
    }
    ~PaintPaletteScope() {
        if (!palette_) return;
        SelectPalette(hdc_, old_, FALSE);
        RealizePalette(hdc_);
        DeleteObject(palette_);
    }
    PaintPaletteScope(const PaintPaletteScope&) = delete;
    PaintPaletteScope& operator=(const PaintPaletteScope&) = delete;

private:
    HDC hdc_;
    HPALETTE palette_;
    HPALETTE old_ = nullptr;
};

// Colour printers get the rows as they are; a one-bit printer an ordered,
// clustered-dot rendering. NUMCOLORS is -1 on devices above 8 bits, so the
// depth decides.
bool IsMonochrome(HDC hdc) { return GetDeviceCaps(hdc, BITSPIXEL) * GetDeviceCaps(hdc, PLANES) < 2; }

// The picture rectangle: the given size, the missing side from the bitmap's
// aspect, or the page fitted; centred on an axis whose position is 0.
RECT PictureRect(HDC hdc, const BitmapRecord* bitmap, int x, int y, int width, int height, const RECT& page) {
    RECT picture{0, 0, width, height};
    if (width == 0 && height == 0) {
        picture = RECT{0, 0, GetDeviceCaps(hdc, HORZRES) - 1, GetDeviceCaps(hdc, VERTRES) - 1};
        FitRectToAspect(&picture, bitmap->Width, bitmap->Height);
    } else if (width == 0) {
        picture.right = MulDiv(bitmap->Width, height, bitmap->Height);
    } else if (height == 0) {
        picture.bottom = MulDiv(bitmap->Height, width, bitmap->Width);
    }
    int w = picture.right - picture.left, h = picture.bottom - picture.top;
    int left = x != 0 ? x : page.left + (page.right - page.left - w) / 2;
    int top = y != 0 ? y : page.top + (std::abs(page.bottom - page.top) - std::abs(h)) / 2;
    return RECT{left, top, left + w, top + h};
}

int PaintPicture(HDC hdc, BitmapRecord* bitmap, const RECT& picture, const RECT& page) {
    StatusCallback status = CurrentStatusCallback();
    // The page is a clip, so a picture larger than the page keeps its scale.
    if (!status) return PaintBitmapRect(hdc, bitmap, nullptr, nullptr, &picture, &page, SRCCOPY);
    RECT visible;
    if (!IntersectRects(&visible, &picture, &page)) return K_OK;
    Progress progress(visible.bottom - visible.top);
    int result = progress.Begin();
    for (int row = visible.top; row < visible.bottom && result == K_OK; ++row) {
        RECT line{visible.left, row, visible.right, row + 1};
        result = PaintBitmapRect(hdc, bitmap, nullptr, nullptr, &picture, &line, SRCCOPY);
        if (result == K_OK) result = progress.Step();
    }
    return result;
}

HDC PrintExt(HDC hdc, BitmapRecord* bitmap, int x, int y, int width, int height, int end, bool ownJob) {
    if (bitmap && !(bitmap->Flags & K_ALLOCATED)) bitmap = nullptr;
    if (!hdc) {
        hdc = OpenDefaultPrinterJob();
        if (!hdc) return nullptr;
        ownJob = true;
    }
    if (!bitmap) return FinishPrint(hdc, ownJob, end, true);
    const RECT page{1, 1, GetDeviceCaps(hdc, HORZRES), GetDeviceCaps(hdc, VERTRES)};
    RECT picture = PictureRect(hdc, bitmap, x, y, width, height, page);
    // A picture of no size would print nothing and claim success.
    if (picture.right <= picture.left || picture.bottom <= picture.top) return FinishPrint(hdc, ownJob, end, false);
    int result;
    {
        PaintPaletteScope palette(hdc, bitmap);
        unsigned savedMode = DisplayMode;
        if (IsMonochrome(hdc))
            K_SetDisplayMode(kOrderedDither | kIndexedPaint | kClusteredMatrix, kOrderedDither | kClusteredMatrix);
        else
            K_SetDisplayMode(kDitheredPaint, 0);
        result = PaintPicture(hdc, bitmap, picture, page);
        DisplayMode = savedMode;
    }
    return FinishPrint(hdc, ownJob, end, result == K_OK);
}

// The rows of a bitmap as StretchDIBits takes them: bottom-up, blue first.
// The caller's storage is used as it is when it already has that layout,
// else a copy is made, so the caller's bitmap is never changed.
class DibRows {
public:
    explicit DibRows(BitmapRecord* bitmap) : bitmap_(bitmap), lock_(bitmap) {
        const bool swap = bitmap->BitsPerPixel == 24 && bitmap->ColorOrder == K_ORDER_RGB;
        if (bitmap->ViewPerspective != K_TOP_DOWN && !swap && bitmap->DataPointer) {
            rows_ = bitmap->DataPointer;
            return;
        }
        const size_t line = static_cast<size_t>(bitmap->BytesPerLine);
        copy_ = std::make_unique<GlobalBuffer>(line * bitmap->Height);
        if (!*copy_) return;
        for (int y = 0; y < bitmap->Height; ++y) {
            // DIB row y counts from the bottom of the picture.
            int storageRow = bitmap->ViewPerspective == K_TOP_DOWN ? bitmap->Height - 1 - y : y;
            unsigned char* out = copy_->get() + line * y;
            if (K_GetBitmapRow(bitmap, out, storageRow, bitmap->BytesPerLine) < 0) return;
            if (swap) SwapRowRedBlue(out, bitmap->Width, 24);
        }
        rows_ = copy_->get();
    }
    const unsigned char* get() const { return rows_; }

private:
    BitmapRecord* bitmap_;
    BitmapLock lock_;
    std::unique_ptr<GlobalBuffer> copy_;
    const unsigned char* rows_ = nullptr;
};

}  // namespace

extern "C" HDC KAPI K_PrintBitmapExt(HDC hdc, BitmapRecord* bitmap, int x, int y, int width, int height, int end) {
    return PrintExt(hdc, bitmap, x, y, width, height, end, false);
}

extern "C" HDC KAPI K_PrintBitmap(BitmapRecord* bitmap, int x, int y, int width, int height, int end) {
    // The job of earlier calls belongs to the library: a failure aborts it
    // rather than leaving it open with no one to end it.
    HDC result = PrintExt(CurrentPrintDC, bitmap, x, y, width, height, end, true);
    CurrentPrintDC = end ? nullptr : result;
    return result;
}

extern "C" HDC KAPI K_PrintBitmapFast(HDC hdc, BitmapRecord* bitmap, int x, int y, int width, int height, int end) {
    if (bitmap && (bitmap->Flags & K_ALLOCATED) &&
        ((bitmap->Flags & K_DISK_STORAGE) || bitmap->BitsPerPixel == 16 || bitmap->BitsPerPixel == 32))
        return K_PrintBitmapExt(hdc, bitmap, x, y, width, height, end);
    if (bitmap && !(bitmap->Flags & K_ALLOCATED)) bitmap = nullptr;
    bool ownJob = false;
    if (!hdc) {
        hdc = OpenDefaultPrinterJob();
        if (!hdc) return nullptr;
        ownJob = true;
    }
    if (!bitmap) return FinishPrint(hdc, ownJob, end, true);
    // The driver gets no defaults here: a picture of no size is refused.
    if (width <= 0 || height <= 0) return FinishPrint(hdc, ownJob, end, false);

    GlobalBuffer header(sizeof(PaintHeader), true);
    if (!header) return FinishPrint(hdc, ownJob, end, false);
    auto* info = reinterpret_cast<PaintHeader*>(header.get());
    info->header.biSize = sizeof(BITMAPINFOHEADER);
    info->header.biWidth = bitmap->Width;
    info->header.biHeight = bitmap->Height;
    info->header.biPlanes = 1;
    info->header.biBitCount = static_cast<WORD>(bitmap->BitsPerPixel);
    info->header.biCompression = BI_RGB;
    info->header.biSizeImage = static_cast<DWORD>(bitmap->BytesPerLine) * bitmap->Height;
    bool ok;
    {
        std::unique_ptr<PaintPaletteScope> palette;
        if (bitmap->BitsPerPixel <= 8) {
            palette = std::make_unique<PaintPaletteScope>(hdc, bitmap);
            info->header.biClrUsed = static_cast<DWORD>(GetDibColors(bitmap, info->colors));
        }
        DibRows rows(bitmap);
        ok = rows.get() != nullptr;
        if (ok) {
            int lines = StretchDIBits(hdc, x, y, width, height, 0, 0, bitmap->Width, bitmap->Height, rows.get(),
                                      reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, SRCCOPY);
            ok = lines != 0 && lines != static_cast<int>(GDI_ERROR);
        }
    }
    return FinishPrint(hdc, ownJob, end, ok);
}
