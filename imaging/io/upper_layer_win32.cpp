// What the layers above core add to the library's attach and detach.
#include "core/platform.h"
#include "formats/photocd_library.h"
#include "process/bitmap_window.h"

void AttachUpperLayers(HINSTANCE instance) {
    BindPhotoCDLibrary();
    RegisterBitmapWindowClass(instance);
}

void DetachUpperLayers(HINSTANCE instance) {
    UnbindPhotoCDLibrary();
    UnregisterBitmapWindowClass(instance);
}
