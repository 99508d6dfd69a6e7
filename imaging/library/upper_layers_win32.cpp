// What the layers above core add to the library's attach and detach.
#include "library/upper_layers.h"

#include "devices/bitmap_window.h"
#include "formats/photocd_library.h"

void AttachUpperLayers(HINSTANCE instance) {
    BindPhotoCDLibrary();
    RegisterBitmapWindowClass(instance);
}

void DetachUpperLayers(HINSTANCE instance) {
    UnbindPhotoCDLibrary();
    UnregisterBitmapWindowClass(instance);
}
