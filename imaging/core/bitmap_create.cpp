// New bitmaps: K_CreateBitmap, the clone CreateBitmapLike and the plain
// record copy K_CopyBitmapHandle.
#include <cstring>

#include "core/bitmap.h"
#include "core/bitmap_copy.h"
#include "core/palette.h"

namespace {

constexpr unsigned kContentFlags = K_INTERLACED | K_GRAY_PALETTE | K_OPTIMIZED_PALETTE | K_FIXED_PALETTE_IN_USE |
                                   K_FILE_PALETTE | K_DISPLAY_RECT_VALID | K_PALETTE_INDEX_MAP;

// A duplicate of a handle that exists; false when one could not be made.
bool Duplicate(HPALETTE source, HPALETTE* target) {
    *target = source ? K_DupPalette(source) : nullptr;
    return !source || *target;
}

}  // namespace

bool RecordGeometryIsSound(const BitmapRecord* bitmap) {
    if (!IsValidDepth(bitmap->BitsPerPixel) || bitmap->Width <= 0 || bitmap->Height <= 0) return false;
    if (bitmap->BytesPerLine != GetBytesPerLine(bitmap->Width, bitmap->BitsPerPixel)) return false;
    return static_cast<int64_t>(bitmap->BytesPerLine) * bitmap->Height <= static_cast<int64_t>(bitmap->ImageSize);
}

int CreateBitmapLike(BitmapRecord* target, BitmapRecord* source, int width, int height, int bits, int cloneFlags) {
    if (!target || !source || !(source->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    int result = K_InitBitmap(target, width, height, bits);
    if (result != K_OK) return result;

    target->ViewPerspective = source->ViewPerspective;
    target->DibHeader = source->DibHeader;
    std::memcpy(target->ColorTable, source->ColorTable, sizeof target->ColorTable);
    target->FormatCode = source->FormatCode;
    target->ImageOriginX = source->ImageOriginX;
    target->ImageOriginY = source->ImageOriginY;
    target->DisplayRect = source->DisplayRect;
    target->Flags |= source->Flags & kContentFlags;
    target->XResolution = source->XResolution;
    target->YResolution = source->YResolution;
    // Same depth: the pixels keep their meaning, so do their count of
    // colours and their byte order (RGB-ordered sources stay RGB).
    if (bits == source->BitsPerPixel) {
        target->Colors = source->Colors;
        target->ColorOrder = source->ColorOrder;
    } else {
        target->DibHeader.biClrUsed = static_cast<DWORD>(target->Colors);
    }
    // The header describes the new record, not the one it came from.
    target->DibHeader.biWidth = width;
    target->DibHeader.biHeight = height;
    target->DibHeader.biBitCount = static_cast<WORD>(bits);
    target->DibHeader.biSizeImage = target->ImageSize;

    if (cloneFlags & kCloneAllocate) {
        result = K_AllocateBitmap(target, K_STORAGE_ANY);
        if (result != K_OK) return result;
    }
    if (cloneFlags & kCloneDuplicatePalettes) {
        HPALETTE palette = nullptr, fixed = nullptr;
        if (!Duplicate(source->PaletteHandle, &palette) || !Duplicate(source->FixedPaletteHandle, &fixed)) {
            // A copy without its colours would be reported as a good one.
            if (palette) DeleteObject(palette);
            if (fixed) DeleteObject(fixed);
            FreeBitmapIfAllocated(target, 0);
            return K_ERR_MEMORY;
        }
        target->PaletteHandle = palette;
        target->FixedPaletteHandle = fixed;
    } else {
        target->PaletteHandle = source->PaletteHandle;
        target->FixedPaletteHandle = source->FixedPaletteHandle;
    }
    return K_OK;
}

extern "C" int KAPI K_CreateBitmap(BitmapRecord* bitmap, int kind, int width, int height, int bits, int colorOrder,
                                   const RGBQUAD* palette, int viewPerspective) {
    if (!bitmap) return K_ERR_ARGUMENT;
    int result = K_InitBitmap(bitmap, width, height, bits == 0 ? 8 : bits);
    if (result != K_OK) return result;
    result = K_AllocateBitmap(bitmap, kind);
    if (result != K_OK) return result;

    if (bitmap->BitsPerPixel > 15) {
        bitmap->ColorOrder = colorOrder;
    } else if (bits == 0) {
        bitmap->PaletteHandle = CreateGrayPalette(8);
        bitmap->Flags |= K_GRAY_PALETTE;
        SetPaletteIndexMap(bitmap);
    } else if (palette) {
        bitmap->PaletteHandle = CreatePaletteFromColors(palette, bitmap->Colors);
        SetPaletteIndexMap(bitmap);
    } else {
        SetFixedPalette(bitmap);
        bitmap->Flags |= K_FIXED_PALETTE_IN_USE;
    }
    if (bitmap->BitsPerPixel <= 8 && !bitmap->PaletteHandle && !bitmap->FixedPaletteHandle) {
        // No palette could be made: the bitmap would have no colours.
        K_FreeBitmap(bitmap);
        return K_ERR_MEMORY;
    }
    bitmap->ViewPerspective = viewPerspective;
    return K_OK;
}

extern "C" void KAPI K_CopyBitmapHandle(BitmapRecord* target, const BitmapRecord* source) {
    if (target && source && target != source) std::memcpy(target, source, sizeof *target);
}
