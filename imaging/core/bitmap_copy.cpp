// Copies of stored rows: K_CopyBitmapData, K_CopyBitmap, K_CopyBitmapRect.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/bitmap.h"
#include "core/bitmap_copy.h"
#include "core/memory.h"

namespace {

bool IsAllocated(const BitmapRecord* bitmap) { return bitmap && (bitmap->Flags & K_ALLOCATED); }

// The rectangle lies inside the source and holds at least one pixel.
bool RectangleFits(const BitmapRecord* source, int left, int top, int width, int height) {
    return left >= 0 && top >= 0 && width > 0 && height > 0 && left <= source->Width - width &&
           top <= source->Height - height;
}

// Moves a run of bytes left by shift bits (1..7): each byte takes the top
// bits of the next, the last one is filled with zeros.
void ShiftBytesLeft(unsigned char* bytes, int count, int shift) {
    for (int i = 0; i < count; ++i) {
        int next = i + 1 < count ? bytes[i + 1] : 0;
        bytes[i] = static_cast<unsigned char>((bytes[i] << shift) | (next >> (8 - shift)));
    }
}

// Clears the bits of a row past its last pixel, up to byte `used`.
void ClearPastPixels(unsigned char* row, int64_t pixelBits, int used) {
    int full = static_cast<int>(pixelBits / 8), rest = static_cast<int>(pixelBits % 8);
    if (rest) row[full++] &= static_cast<unsigned char>(0xFF << (8 - rest));
    if (used > full) std::memset(row + full, 0, static_cast<size_t>(used - full));
}

}  // namespace

extern "C" int KAPI K_CopyBitmapData(BitmapRecord* target, BitmapRecord* source) {
    if (!IsAllocated(target) || !IsAllocated(source)) return K_ERR_NOBITMAP;
    // Stored rows move as they are: the target must take rows of the same
    // size and at least as many of them.
    if (!RecordGeometryIsSound(source) || !RecordGeometryIsSound(target) ||
        target->BytesPerLine != source->BytesPerLine || target->Height < source->Height)
        return K_ERR_ARGUMENT;
    GlobalBuffer row(static_cast<size_t>(source->BytesPerLine));
    if (!row) return K_ERR_MEMORY;
    BitmapLock lockSource(source);
    BitmapLock lockTarget(target);
    for (int r = 0; r < source->Height; ++r) {
        int moved = K_GetBitmapRow(source, row.get(), r, source->BytesPerLine);
        if (moved < 0) return moved;
        moved = K_PutBitmapRow(target, row.get(), r, target->BytesPerLine);
        if (moved < 0) return moved;
    }
    return K_OK;
}

extern "C" int KAPI K_CopyBitmap(BitmapRecord* target, BitmapRecord* source) {
    if (!IsAllocated(source) || !target) return K_ERR_NOBITMAP;
    if (target == source) return K_ERR_ARGUMENT;
    int result = CreateBitmapLike(target, source, source->Width, source->Height, source->BitsPerPixel,
                                  kCloneAllocate | kCloneDuplicatePalettes);
    if (result != K_OK) return result;
    result = K_CopyBitmapData(target, source);
    if (result != K_OK) K_FreeBitmap(target);
    return result;
}

extern "C" int KAPI K_CopyBitmapRect(BitmapRecord* target, BitmapRecord* source, int left, int top, int width,
                                     int height) {
    if (!IsAllocated(source) || !target) return K_ERR_NOBITMAP;
    if (target == source || !RecordGeometryIsSound(source) || !RectangleFits(source, left, top, width, height))
        return K_ERR_ARGUMENT;
    const int bits = source->BitsPerPixel;
    int result = CreateBitmapLike(target, source, width, height, bits, kCloneAllocate | kCloneDuplicatePalettes);
    if (result != K_OK) return result;

    // The first pixel of a row may sit inside a byte at 1 and 4 bits.
    int shift = bits == 1 ? left % 8 : (bits == 4 && (left & 1)) ? 4 : 0;
    int bytes = static_cast<int>((shift + static_cast<int64_t>(width) * bits + 7) / 8);
    GlobalBuffer row(static_cast<size_t>(std::max(bytes, target->BytesPerLine)), true);
    if (!row) {
        K_FreeBitmap(target);
        return K_ERR_MEMORY;
    }
    {
        BitmapLock lockSource(source);
        BitmapLock lockTarget(target);
        for (int i = 0; i < height && result == K_OK; ++i) {
            int moved = K_GetBitmapRowCol(source, row.get(), top + i, left, bytes);
            if (moved < 0) {
                result = moved;
                break;
            }
            if (shift) ShiftBytesLeft(row.get(), bytes, shift);
            ClearPastPixels(row.get(), static_cast<int64_t>(width) * bits, bytes);
            moved = K_PutBitmapRow(target, row.get(), i, target->BytesPerLine);
            if (moved < 0) result = moved;
        }
    }
    if (result != K_OK) K_FreeBitmap(target);
    return result;
}
