#include "photocd_library.h"

PhotoCDLibrary PhotoCD;

void BindPhotoCDLibrary() {
    PhotoCD = PhotoCDLibrary{};
    OFSTRUCT info{};
    if (OpenFile("pcdlib32.dll", &info, OF_EXIST) == HFILE_ERROR) return;
    HMODULE module = LoadLibraryA("pcdlib32.dll");
    if (reinterpret_cast<UINT_PTR>(module) <= 32) return;
    PhotoCD.module = module;
    PhotoCD.present = true;
    PhotoCD.open = GetProcAddress(module, "PCDopen");
    PhotoCD.getFormat = GetProcAddress(module, "PCDgetFormat");
    PhotoCD.getResolution = GetProcAddress(module, "PCDgetResolution");
    PhotoCD.setResolution = GetProcAddress(module, "PCDsetResolution");
    PhotoCD.getRotation = GetProcAddress(module, "PCDgetRotation");
    PhotoCD.close = GetProcAddress(module, "PCDclose");
    PhotoCD.setTransform = GetProcAddress(module, "PCDsetTransform");
    PhotoCD.loadImage = GetProcAddress(module, "PCDloadImage");
    PhotoCD.getBlock = GetProcAddress(module, "PCDgetBlock");
    PhotoCD.freeBitmap = GetProcAddress(module, "PCDfreeBitmap");
}

void UnbindPhotoCDLibrary() {
    if (PhotoCD.present) FreeLibrary(PhotoCD.module);
    PhotoCD = PhotoCDLibrary{};
}
