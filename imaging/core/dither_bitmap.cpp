// K_DitherBitmap: a whole bitmap dithered to the fixed palette of a depth.
#include "core/dither.h"
#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/status.h"

void CopyPlacement(BitmapRecord* target, const BitmapRecord* source, bool resolution) {
    target->ViewPerspective = source->ViewPerspective;
    target->FormatCode = source->FormatCode;
    target->ImageOriginX = source->ImageOriginX;
    target->ImageOriginY = source->ImageOriginY;
    target->DisplayRect = source->DisplayRect;
    target->Flags = (target->Flags & ~K_DISPLAY_RECT_VALID) | (source->Flags & K_DISPLAY_RECT_VALID);
    if (resolution) {
        target->XResolution = source->XResolution;
        target->YResolution = source->YResolution;
    }
}

namespace {

// Restores a record's dithering method when the scope ends.
class MethodScope {
public:
    MethodScope(BitmapRecord* bitmap, int method) : bitmap_(bitmap), saved_(bitmap->DitheringMethod) {
        bitmap->DitheringMethod = method;
    }
    ~MethodScope() { bitmap_->DitheringMethod = saved_; }
    MethodScope(const MethodScope&) = delete;
    MethodScope& operator=(const MethodScope&) = delete;

private:
    BitmapRecord* bitmap_;
    int saved_;
};

int DitherRows(BitmapRecord* source, BitmapRecord* target, unsigned char* row) {
    BitmapLock sourceLock(source);
    BitmapLock targetLock(target);
    Progress progress(source->Height);
    int result = progress.Begin();
    for (int r = 0; r < source->Height && result == K_OK; ++r) {
        int got = K_GetBitmapRow(source, row, r, source->BytesPerLine);
        if (got < 0) return got;
        K_DitherLine(source, row, row);
        int put = K_PutBitmapRow(target, row, r, target->BytesPerLine);
        if (put < 0) return put;
        result = progress.Step();
    }
    return result;
}

}  // namespace

// Builds in target the source dithered to the fixed palette of bits.
int DitherToNewBitmap(BitmapRecord* source, BitmapRecord* target, int method, int bits) {
    if (bits > source->BitsPerPixel || (bits != 1 && bits != 4 && bits != 8)) return K_ERR_UNSUPPORTED;
    int result = K_InitBitmap(target, source->Width, source->Height, bits);
    if (result != K_OK) return result;
    result = K_AllocateBitmap(target, K_STORAGE_ANY);
    if (result != K_OK) return result;
    CopyPlacement(target, source, true);
    target->ColorOrder = K_ORDER_BGR;
    SetFixedPalette(target);
    target->Flags |= K_FIXED_PALETTE_IN_USE;
    FillColorsFromPalette(target);

    GlobalBuffer row(GetMaxRowBytes(source->Width, source->BitsPerPixel, target->Width, bits), true);
    if (!row) {
        K_FreeBitmap(target);
        return K_ERR_MEMORY;
    }
    {
        MethodScope scope(source, method);
        result = K_StartDithering(source, target->ColorTable, target->Colors);
    }
    if (result != K_OK) {
        K_FreeBitmap(target);
        return result;
    }
    result = DitherRows(source, target, row.get());
    K_StopDithering(source);
    SetPaletteIndexMap(target);
    if (result != K_OK) K_FreeBitmap(target);
    return result;
}

extern "C" int KAPI K_DitherBitmap(BitmapRecord* bitmap, int method, int bits) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    GlobalBuffer temporary(sizeof(BitmapRecord), true);
    if (!temporary) return K_ERR_MEMORY;
    auto* dithered = reinterpret_cast<BitmapRecord*>(temporary.get());
    int result = DitherToNewBitmap(bitmap, dithered, method, bits);
    if (result != K_OK) return result;
    dithered->DitheringMethod = bitmap->DitheringMethod;
    K_FreeBitmap(bitmap);
    *bitmap = *dithered;
    return K_OK;
}
