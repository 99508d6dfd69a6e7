// The optional PhotoCD access library "pcdlib32.dll", bound at attach
// (photocd_library_win32.cpp). Its ten entry points each answer 0 for
// success; the reader (photocd.cpp) reaches them through PhotoCD, which
// tests fill with stand-ins.
#pragma once

#include <cstdint>

#include <windows.h>

using PcdImage = void*;

// Where a block of rows starts and how many it holds (set by the caller
// before each PCDgetBlock).
struct PcdBlock {
    int16_t firstRow;
    int16_t rowCount;
    int32_t reserved[3];
};

struct PhotoCDLibrary {
    bool present = false;
    HMODULE module = nullptr;
    int(WINAPI* open)(const char* name, PcdImage* image) = nullptr;
    int(WINAPI* getFormat)(PcdImage image, int* format) = nullptr;
    int(WINAPI* getResolution)(PcdImage image, int* step) = nullptr;
    int(WINAPI* setResolution)(PcdImage image, int step) = nullptr;
    int(WINAPI* getRotation)(PcdImage image, int* rotation) = nullptr;
    int(WINAPI* close)(PcdImage image) = nullptr;
    int(WINAPI* setTransform)(PcdImage image, int rotation) = nullptr;
    // A movable block: a 40-byte bitmap information header, its colours,
    // then the rows bottom line first, unpadded.
    int(WINAPI* loadImage)(PcdImage image, PcdBlock* block, HGLOBAL* memory) = nullptr;
    // The block's rows into the buffer, last row first.
    int(WINAPI* getBlock)(PcdImage image, PcdBlock* block, unsigned char* buffer, int rowBytes) = nullptr;
    int(WINAPI* freeBitmap)(HGLOBAL memory) = nullptr;
};

extern PhotoCDLibrary PhotoCD;

void BindPhotoCDLibrary();
void UnbindPhotoCDLibrary();
