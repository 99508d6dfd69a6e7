// What the layers above core add to the library's first attach and last
// detach: the PhotoCD library's binding and the viewer's window class.
#pragma once

#include <windows.h>

void AttachUpperLayers(HINSTANCE instance);
void DetachUpperLayers(HINSTANCE instance);
