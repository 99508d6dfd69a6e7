// Internal helpers around BitmapRecord shared by every part of the library.
#pragma once

#include <cstdint>

#include "volkg.h"

// Process default copied into every new record.
extern int DefaultDitheringMethod;
// The resolution new records take; 0 or less gives 150 dots per inch. Set by
// the option block whenever its resolution changes.
void SetDefaultResolution(int x, int y);

// Stored row size; -27 for an unsupported depth.
int GetBytesPerLine(int width, int bitsPerPixel);
// Rows padded to 4 bytes; -1 when the size does not fit in 32 bits.
int64_t GetPaddedImageSize(int width, int height, int bitsPerPixel);
bool IsValidDepth(int bitsPerPixel);

// Lock a record for a loop unless the caller already holds it locked.
int AccessBitmapIfNeeded(BitmapRecord* bitmap);
void ReleaseBitmapIfNeeded(BitmapRecord* bitmap, int wasLocked);
// Frees an allocated record; with deletePalettes 0 the palettes survive.
int FreeBitmapIfAllocated(BitmapRecord* bitmap, int deletePalettes);

// Temporary files of disk storage.
HANDLE CreateStorageFile(const char* name, int flags);
int MakeStorageFileName(char* buffer);

// Locks a record for a scope, as the pair above.
class BitmapLock {
public:
    explicit BitmapLock(BitmapRecord* bitmap) : bitmap_(bitmap), was_(AccessBitmapIfNeeded(bitmap)) {}
    ~BitmapLock() { ReleaseBitmapIfNeeded(bitmap_, was_); }
    BitmapLock(const BitmapLock&) = delete;
    BitmapLock& operator=(const BitmapLock&) = delete;

private:
    BitmapRecord* bitmap_;
    int was_;
};
