// The built-in file functions over the Win32 file API. They are the initial
// file-access callbacks, and disk storage of bitmaps calls them directly.
#pragma once

#include <cstdint>

#include "volkg.h"

extern "C" {
int KAPI DefaultOpen(const char* name, int flags, int permission);
int KAPI DefaultRead(int handle, void* buffer, int count);
int KAPI DefaultWrite(int handle, const void* buffer, int count);
int KAPI DefaultSeek(int handle, int offset, int origin);
int KAPI DefaultClose(int handle);
}

// A kernel file handle as the int of the file functions, and back. Kernel
// handles keep within 32 bits on 64-bit Windows too (the upper half is the
// sign extension of the lower), as the native port's do, so the int holds
// the whole handle; one that would not fit gives -1, the failed handle.
inline int FileAccessHandle(HANDLE file) {
    intptr_t value = reinterpret_cast<intptr_t>(file);
    if (file == INVALID_HANDLE_VALUE || value < 0 || value > INT32_MAX) return -1;
    return static_cast<int>(value);
}

inline HANDLE KernelHandle(int handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }
