#include "controls/masked_draw.h"

#include "bitmap.h"
#include "graphics.h"

COLORREF ToPaletteRgb(TColor colour) { return ColorToRGB(colour) | 0x02000000; }

namespace {

// A memory context with one bitmap selected, both freed on scope exit.
class MemoryContext {
public:
    MemoryContext(HDC compatible, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatible)), bitmap_(bitmap) {
        if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
    }
    MemoryContext(const MemoryContext&) = delete;
    MemoryContext& operator=(const MemoryContext&) = delete;
    ~MemoryContext() {
        if (dc_) {
            if (oldPalette_) SelectPalette(dc_, oldPalette_, TRUE);
            if (old_) SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_) DeleteObject(bitmap_);
    }
    bool ok() const { return dc_ && bitmap_; }
    HDC dc() const { return dc_; }
    void UsePalette(HPALETTE palette, bool background) {
        oldPalette_ = SelectPalette(dc_, palette, background);
        RealizePalette(dc_);
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_ = nullptr;
    HPALETTE oldPalette_ = nullptr;
};

}  // namespace

void MaskedStretchBlt(HDC destDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY, int srcWidth,
                      int srcHeight, TColor transparentColor, HPALETTE palette) {
    if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return;
    MemoryContext mask(destDC, CreateBitmap(srcWidth, srcHeight, 1, 1, nullptr));
    MemoryContext inverse(destDC, CreateBitmap(srcWidth, srcHeight, 1, 1, nullptr));
    MemoryContext composite(destDC, CreateCompatibleBitmap(destDC, width, height));
    MemoryContext copy(destDC, CreateCompatibleBitmap(destDC, srcWidth, srcHeight));
    if (!mask.ok() || !inverse.ok() || !composite.ok() || !copy.ok()) return;

    HPALETTE oldDestPalette = nullptr;
    if (palette) {
        oldDestPalette = SelectPalette(destDC, palette, TRUE);
        RealizePalette(destDC);
        composite.UsePalette(palette, true);
        copy.UsePalette(palette, false);
        mask.UsePalette(palette, false);
    }

    SetMapMode(copy.dc(), GetMapMode(destDC));
    BitBlt(copy.dc(), 0, 0, srcWidth, srcHeight, srcDC, srcX, srcY, SRCCOPY);

    // Pixels of the background colour become white in the mask, others black.
    COLORREF oldBack = SetBkColor(copy.dc(), ToPaletteRgb(transparentColor));
    BitBlt(mask.dc(), 0, 0, srcWidth, srcHeight, copy.dc(), 0, 0, SRCCOPY);
    SetBkColor(copy.dc(), oldBack);
    BitBlt(inverse.dc(), 0, 0, srcWidth, srcHeight, mask.dc(), 0, 0, NOTSRCCOPY);

    // Both stretches drop the same rows and columns, so mask and picture agree.
    SetStretchBltMode(composite.dc(), COLORONCOLOR);
    BitBlt(composite.dc(), 0, 0, width, height, destDC, x, y, SRCCOPY);
    StretchBlt(composite.dc(), 0, 0, width, height, mask.dc(), 0, 0, srcWidth, srcHeight, SRCAND);
    BitBlt(copy.dc(), 0, 0, srcWidth, srcHeight, inverse.dc(), 0, 0, SRCAND);
    StretchBlt(composite.dc(), 0, 0, width, height, copy.dc(), 0, 0, srcWidth, srcHeight, SRCPAINT);

    BitBlt(destDC, x, y, width, height, composite.dc(), 0, 0, SRCCOPY);
    if (oldDestPalette) SelectPalette(destDC, oldDestPalette, TRUE);
}

void StretchDrawKeyed(TCanvas& canvas, TBitmap& bitmap, TColor transparentColor, int x, int y, int width, int height,
                      int srcX, int srcY, int srcWidth, int srcHeight) {
    if (bitmap.Empty()) return;
    if (width < 1) width = bitmap.Width();
    if (height < 1) height = bitmap.Height();
    if (srcWidth < 1 || srcHeight < 1) {
        srcX = srcY = 0;
        srcWidth = bitmap.Width();
        srcHeight = bitmap.Height();
    }
    TCanvas* source = bitmap.Canvas();
    source->Lock();
    // Reading through the canvas must not mark the picture changed.
    TNotifyEvent onChange = std::move(bitmap.OnChange);
    bitmap.OnChange = nullptr;
    try {
        HDC dest = canvas.Handle();
        if (transparentColor == clNone) {
            StretchBlt(dest, x, y, width, height, source->Handle(), srcX, srcY, srcWidth, srcHeight, canvas.CopyMode());
        } else {
            if (bitmap.Monochrome())
                transparentColor = clWhite;
            else {
                if (transparentColor == clDefault) transparentColor = source->Pixels(0, bitmap.Height() - 1);
                SetStretchBltMode(dest, COLORONCOLOR);
            }
            MaskedStretchBlt(dest, x, y, width, height, source->Handle(), srcX, srcY, srcWidth, srcHeight,
                             transparentColor, bitmap.Palette());
        }
    } catch (...) {
        bitmap.OnChange = std::move(onChange);
        source->Unlock();
        throw;
    }
    bitmap.OnChange = std::move(onChange);
    source->Unlock();
}

void DrawKeyed(TCanvas& canvas, int x, int y, TBitmap& bitmap, TColor transparentColor) {
    StretchDrawKeyed(canvas, bitmap, transparentColor, x, y, bitmap.Width(), bitmap.Height(), 0, 0, bitmap.Width(),
                     bitmap.Height());
}
