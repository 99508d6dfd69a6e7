// The built-in file functions over the Win32 file API. They are the initial
// file-access callbacks, and disk storage of bitmaps calls them directly.
#pragma once

#include "volkg.h"

extern "C" {
int KAPI DefaultOpen(const char* name, int flags, int permission);
int KAPI DefaultRead(int handle, void* buffer, int count);
int KAPI DefaultWrite(int handle, const void* buffer, int count);
int KAPI DefaultSeek(int handle, int offset, int origin);
int KAPI DefaultClose(int handle);
}
