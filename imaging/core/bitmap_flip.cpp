// K_FlipBitmap: the stored rows end for end.
#include "core/status.h"
#include "core/bitmap.h"
#include "core/bitmap_copy.h"
#include "core/memory.h"

extern "C" int KAPI K_FlipBitmap(BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (!RecordGeometryIsSound(bitmap)) return K_ERR_ARGUMENT;
    const int bytes = bitmap->BytesPerLine;
    GlobalBuffer low(static_cast<size_t>(bytes));
    if (!low) return K_ERR_MEMORY;
    GlobalBuffer high(static_cast<size_t>(bytes));
    if (!high) return K_ERR_MEMORY;

    BitmapLock lock(bitmap);
    // A single row has no pair to exchange; Progress counts it as one step.
    Progress progress(bitmap->Height / 2);
    int result = progress.Begin();
    for (int i = 0, j = bitmap->Height - 1; i < j && result == K_OK; ++i, --j) {
        int moved = K_GetBitmapRow(bitmap, low.get(), i, bytes);
        if (moved >= 0) moved = K_GetBitmapRow(bitmap, high.get(), j, bytes);
        if (moved >= 0) moved = K_PutBitmapRow(bitmap, high.get(), i, bytes);
        if (moved >= 0) moved = K_PutBitmapRow(bitmap, low.get(), j, bytes);
        if (moved < 0) return moved;
        result = progress.Step();
    }
    return result;
}
