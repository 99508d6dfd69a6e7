// Process-wide platform state set at attach.
#pragma once

#include <windows.h>

// True on Win32s or when the version cannot be read: storage then uses
// global memory and temporary files instead of page-file mappings.
extern bool Win32sMode;
extern HINSTANCE LibraryInstance;

// Reads the platform as the attach routine does.
bool DetectWin32sMode();

// What core needs from the layers above it, which it does not include:
// declared here, defined above (io/upper_layer*.cpp).
// The option block's resolution (0 or less where none is set).
void OptionResolution(int* x, int* y);
// Windows: what the layers above add to the first attach and last detach.
void AttachUpperLayers(HINSTANCE instance);
void DetachUpperLayers(HINSTANCE instance);
