// The library's attach and detach: process-wide set-up at the first process
// attach, take-down at the last detach.
#include <windows.h>

#include "core/platform.h"
#include "library/upper_layers.h"
#include "volkg.h"

namespace {

int g_attachCount = 0;

}  // namespace

int AttachCount() { return g_attachCount; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            if (g_attachCount == 0) {
                Win32sMode = DetectWin32sMode();
                LibraryInstance = instance;
                AttachUpperLayers(instance);
                K_Create1BitTable();
            }
            ++g_attachCount;
            break;
        case DLL_PROCESS_DETACH:
            if (g_attachCount-- == 1) {
                DetachUpperLayers(instance);
            }
            break;
        default:
            break;
    }
    return TRUE;
}
