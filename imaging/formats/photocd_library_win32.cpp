#include "formats/photocd_library.h"

namespace {

template <typename F>
void Fetch(HMODULE module, const char* name, F* entry) {
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void BindPhotoCDLibrary() {
    PhotoCD = PhotoCDLibrary{};
    OFSTRUCT info{};
    if (OpenFile("pcdlib32.dll", &info, OF_EXIST) == HFILE_ERROR) return;
    HMODULE module = LoadLibraryA("pcdlib32.dll");
    if (reinterpret_cast<UINT_PTR>(module) <= 32) return;
    PhotoCDLibrary lib;
    lib.module = module;
    Fetch(module, "PCDopen", &lib.open);
    Fetch(module, "PCDgetFormat", &lib.getFormat);
    Fetch(module, "PCDgetResolution", &lib.getResolution);
    Fetch(module, "PCDsetResolution", &lib.setResolution);
    Fetch(module, "PCDgetRotation", &lib.getRotation);
    Fetch(module, "PCDclose", &lib.close);
    Fetch(module, "PCDsetTransform", &lib.setTransform);
    Fetch(module, "PCDloadImage", &lib.loadImage);
    Fetch(module, "PCDgetBlock", &lib.getBlock);
    Fetch(module, "PCDfreeBitmap", &lib.freeBitmap);
    // A library without every entry point would be called through null.
    if (!lib.open || !lib.getFormat || !lib.getResolution || !lib.setResolution || !lib.getRotation || !lib.close ||
        !lib.setTransform || !lib.loadImage || !lib.getBlock || !lib.freeBitmap) {
        FreeLibrary(module);
        return;
    }
    lib.present = true;
    PhotoCD = lib;
}

void UnbindPhotoCDLibrary() {
    if (PhotoCD.present) FreeLibrary(PhotoCD.module);
    PhotoCD = PhotoCDLibrary{};
}
