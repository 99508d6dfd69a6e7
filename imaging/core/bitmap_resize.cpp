// Nearest-neighbour resizing: K_ResizeBitmap between two records and
// K_SizeBitmap in place.
#include <cstring>

#include "status.h"
#include "bitmap.h"
#include "bitmap_copy.h"
#include "memory.h"
#include "row_converters.h"

namespace {

bool IsAllocated(const BitmapRecord* bitmap) { return bitmap && (bitmap->Flags & K_ALLOCATED); }

// Whole step and remainder step from a source to a destination length;
// equal lengths step by the remainder alone.
void Steps(int source, int destination, int* whole, int* remainder) {
    *whole = source / destination;
    *remainder = source % destination;
    if (destination >= source && *remainder == 0) {
        *whole = 0;
        *remainder = destination;
    }
}

}  // namespace

extern "C" int KAPI K_ResizeBitmap(BitmapRecord* source, BitmapRecord* target) {
    if (!IsAllocated(source) || !IsAllocated(target)) return K_ERR_NOBITMAP;
    // Pixels are copied at the source's depth into rows of the target.
    if (!RecordGeometryIsSound(source) || !RecordGeometryIsSound(target) ||
        source->BitsPerPixel != target->BitsPerPixel)
        return K_ERR_ARGUMENT;
    GlobalBuffer targetRow(static_cast<size_t>(target->BytesPerLine), true);
    if (!targetRow) return K_ERR_MEMORY;
    GlobalBuffer sourceRow(static_cast<size_t>(source->BytesPerLine));
    if (!sourceRow) return K_ERR_MEMORY;

    const int ws = source->Width, hs = source->Height, wd = target->Width, hd = target->Height;
    int qx, rx, qy, ry;
    Steps(ws, wd, &qx, &rx);
    Steps(hs, hd, &qy, &ry);
    const bool mirrored = source->ViewPerspective != target->ViewPerspective;

    BitmapLock lockSource(source);
    BitmapLock lockTarget(target);
    Progress progress(hd);
    int result = progress.Begin();
    int row = 0, remainder = 0, lastRead = -1;
    for (int j = 0; j < hd && result == K_OK; ++j) {
        if (row != lastRead) {
            int moved = K_GetBitmapRow(source, sourceRow.get(), row, source->BytesPerLine);
            if (moved < 0) return moved;
            ResampleRow(source->BitsPerPixel, target->BytesPerLine, 0, qx, 0, rx, sourceRow.get(), targetRow.get(), wd,
                        wd, wd > ws);
            lastRead = row;
        }
        row += qy;
        remainder += ry;
        if (remainder >= hd) {
            remainder -= hd;
            ++row;
        }
        int moved = K_PutBitmapRow(target, targetRow.get(), mirrored ? hd - 1 - j : j, target->BytesPerLine);
        if (moved < 0) return moved;
        result = progress.Step();
    }
    return result;
}

extern "C" int KAPI K_SizeBitmap(BitmapRecord* bitmap, int width, int height) {
    if (!IsAllocated(bitmap)) return K_ERR_ARGUMENT;
    if (width == bitmap->Width && height == bitmap->Height) return K_OK;
    if (width <= 0 || height <= 0) return K_ERR_ARGUMENT;
    GlobalBuffer block(sizeof(BitmapRecord));
    if (!block) return K_ERR_MEMORY;
    auto* resized = reinterpret_cast<BitmapRecord*>(block.get());
    // The new record shares the palettes, which stay with the bitmap.
    int result = CreateBitmapLike(resized, bitmap, width, height, bitmap->BitsPerPixel, kCloneAllocate);
    if (result != K_OK) return result;
    const int cacheOffset = bitmap->RowCacheOffset, cacheIndex = bitmap->RowCacheIndex;
    result = K_ResizeBitmap(bitmap, resized);
    if (result != K_OK) {
        FreeBitmapIfAllocated(resized, 0);
        // Reading rows moved the row cache; the bitmap stays exactly as it was.
        bitmap->RowCacheOffset = cacheOffset;
        bitmap->RowCacheIndex = cacheIndex;
        return result;
    }
    FreeBitmapIfAllocated(bitmap, 0);
    std::memcpy(bitmap, resized, sizeof *bitmap);
    return K_OK;
}
