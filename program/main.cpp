// pupetta: a doll dress-up and sewing-pattern program.
#include <windows.h>

#include "app/startup.h"
#include "volkg.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Bound through the import table: the program does not start without the library.
    volatile auto bind = &K_InitBitmap;
    (void)bind;
    return RunProgram();
}
