// Process-wide platform state set at attach.
#pragma once

#include <windows.h>

// True on Win32s or when the version cannot be read: storage then uses
// global memory and temporary files instead of page-file mappings.
extern bool Win32sMode;
extern HINSTANCE LibraryInstance;

// Reads the platform as the attach routine does.
bool DetectWin32sMode();
