// The optional PhotoCD access library "pcdlib32.dll", bound at attach.
#pragma once

#include <windows.h>

struct PhotoCDLibrary {
    bool present = false;
    HMODULE module = nullptr;
    FARPROC open, getFormat, getResolution, setResolution, getRotation, close, setTransform, loadImage, getBlock,
        freeBitmap;
};

extern PhotoCDLibrary PhotoCD;

void BindPhotoCDLibrary();
void UnbindPhotoCDLibrary();
