// Row access to bitmap storage, in memory or in the temporary file, through
// the record's row cache.
#include <cstdint>
#include <cstring>

#include "core/bitmap.h"
#include "core/file_access.h"
#include "core/rows.h"

namespace {

int FileHandle(const BitmapRecord* bitmap) { return FileAccessHandle(bitmap->StorageHandle); }

// Bytes of storage that hold rows; the record's own fields may disagree
// after a caller changed them, so the smaller figure bounds every access.
int64_t StorageEnd(const BitmapRecord* bitmap) {
    int64_t rows = static_cast<int64_t>(bitmap->Height) * bitmap->BytesPerLine;
    return rows < bitmap->ImageSize ? rows : static_cast<int64_t>(bitmap->ImageSize);
}

// Moves the row cache to a row and returns its offset. The offset of a
// row is always row * BytesPerLine (one step up or down from the cached
// row, or a jump), so it is set outright: a cache left stale or corrupt by
// a caller cannot lead anywhere but the row itself, and no sum on the old
// value can overflow.
int64_t PositionRow(BitmapRecord* bitmap, int row) {
    int64_t offset = static_cast<int64_t>(row) * bitmap->BytesPerLine;
    bitmap->RowCacheOffset = static_cast<int>(offset);
    bitmap->RowCacheIndex = row;
    return offset;
}

// Refuses positions outside the rows; clips the byte count to the storage.
// Returns the storage offset of the first byte, or a negative code.
int64_t CheckAndPosition(BitmapRecord* bitmap, int row, int column, int* bytes) {
    if (!bitmap) return K_ERR_NOBITMAP;
    if (!(bitmap->Flags & (K_MEMORY_STORAGE | K_DISK_STORAGE))) return K_ERR_MEMORY;
    if (row < 0 || row >= bitmap->Height || column < 0 || column >= bitmap->Width || *bytes < 0 ||
        bitmap->BytesPerLine <= 0)
        return K_ERR_ARGUMENT;
    int columnOffset = ColumnByteOffset(column, bitmap->BitsPerPixel);
    if (columnOffset < 0 || columnOffset >= bitmap->BytesPerLine) return K_ERR_ARGUMENT;
    int64_t start = static_cast<int64_t>(row) * bitmap->BytesPerLine + columnOffset;
    int64_t end = StorageEnd(bitmap);
    if (start >= end) return K_ERR_ARGUMENT;
    if (*bytes > end - start) *bytes = static_cast<int>(end - start);
    PositionRow(bitmap, row);
    return start;
}

int ReadAt(BitmapRecord* bitmap, void* buffer, int64_t offset, int bytes) {
    if (bitmap->Flags & K_MEMORY_STORAGE) {
        // Memory rows move only while the record is locked.
        if (!(bitmap->Flags & K_LOCKED) || !bitmap->DataPointer) return K_ERR_MEMORY;
        std::memcpy(buffer, bitmap->DataPointer + offset, bytes);
        return bytes;
    }
    int file = FileHandle(bitmap);
    if (DefaultSeek(file, static_cast<int>(offset), 0) != offset) return K_ERR_SEEK;
    int got = DefaultRead(file, buffer, bytes);
    return got < 0 ? K_ERR_READ : got;
}

int WriteAt(BitmapRecord* bitmap, const void* buffer, int64_t offset, int bytes) {
    if (bitmap->Flags & K_MEMORY_STORAGE) {
        if (!(bitmap->Flags & K_LOCKED) || !bitmap->DataPointer) return K_ERR_MEMORY;
        std::memcpy(bitmap->DataPointer + offset, buffer, bytes);
        return bytes;
    }
    int file = FileHandle(bitmap);
    if (DefaultSeek(file, static_cast<int>(offset), 0) != offset) return K_ERR_SEEK;
    // A short write (a full disk) is a failure, not a shorter row.
    int put = DefaultWrite(file, buffer, bytes);
    return put != bytes ? K_ERR_WRITE : put;
}

}  // namespace

unsigned char* StoredRowBytes(const BitmapRecord* bitmap, int first, int count) {
    const unsigned need = K_MEMORY_STORAGE | K_LOCKED;
    if (!bitmap || (bitmap->Flags & need) != need || !bitmap->DataPointer || bitmap->BytesPerLine <= 0) return nullptr;
    if (first < 0 || count < 0 || first > bitmap->Height - count) return nullptr;
    if (static_cast<int64_t>(first + count) * bitmap->BytesPerLine > StorageEnd(bitmap)) return nullptr;
    return bitmap->DataPointer + static_cast<size_t>(first) * bitmap->BytesPerLine;
}

void SetRowCache(BitmapRecord* bitmap, int row) { PositionRow(bitmap, row); }

int ColumnByteOffset(int x, int bits) {
    switch (bits) {
        case 1:
            return x >> 3;
        case 4:
            return x >> 1;
        case 8:
            return x;
        case 16:
            return 2 * x;
        case 24:
            return 3 * x;
        case 32:
            return 4 * x;
        default:
            return -1;
    }
}

extern "C" int KAPI K_GetBitmapRowCol(BitmapRecord* bitmap, void* buffer, int row, int column, int bytes) {
    int64_t start = CheckAndPosition(bitmap, row, column, &bytes);
    if (start < 0) return static_cast<int>(start);
    if (bytes == 0) return 0;
    if (!buffer) return K_ERR_ARGUMENT;
    return ReadAt(bitmap, buffer, start, bytes);
}

extern "C" int KAPI K_PutBitmapRowCol(BitmapRecord* bitmap, const void* buffer, int row, int column, int bytes) {
    int64_t start = CheckAndPosition(bitmap, row, column, &bytes);
    if (start < 0) return static_cast<int>(start);
    if (bytes == 0) return 0;
    if (!buffer) return K_ERR_ARGUMENT;
    return WriteAt(bitmap, buffer, start, bytes);
}

extern "C" int KAPI K_GetBitmapRow(BitmapRecord* bitmap, void* buffer, int row, int bytes) {
    return K_GetBitmapRowCol(bitmap, buffer, row, 0, bytes);
}

extern "C" int KAPI K_PutBitmapRow(BitmapRecord* bitmap, const void* buffer, int row, int bytes) {
    return K_PutBitmapRowCol(bitmap, buffer, row, 0, bytes);
}

int GetBitmapPixelBytes(BitmapRecord* bitmap, unsigned char* out, int row, int x) {
    if (!bitmap) return K_ERR_NOBITMAP;
    int size = bitmap->BitsPerPixel > 8 ? bitmap->BitsPerPixel / 8 : 1;
    int bytes = size;
    int64_t start = CheckAndPosition(bitmap, row, x, &bytes);
    if (start < 0) return static_cast<int>(start);
    int got = ReadAt(bitmap, out, start, bytes);
    if (got < 0) return got;
    return got == size ? K_OK : K_ERR_READ;
}

int PutBitmapColumn(BitmapRecord* bitmap, const unsigned char* entries, int x, int count, int fromBottom) {
    if (!bitmap) return K_ERR_NOBITMAP;
    if (!(bitmap->Flags & (K_MEMORY_STORAGE | K_DISK_STORAGE))) return K_ERR_MEMORY;
    if (!entries || count < 0 || count > bitmap->Height || x < 0 || x >= bitmap->Width) return K_ERR_ARGUMENT;
    const int size = (bitmap->BitsPerPixel + 7) / 8;
    for (int i = 0; i < count; ++i) {
        int row = fromBottom ? count - 1 - i : i;
        int bytes = size;
        int64_t start = CheckAndPosition(bitmap, row, x, &bytes);
        if (start < 0) return static_cast<int>(start);
        int put = WriteAt(bitmap, entries + static_cast<size_t>(i) * size, start, bytes);
        if (put < 0) return put;
        if (put != size) return K_ERR_WRITE;
    }
    return K_OK;
}
