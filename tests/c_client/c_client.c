/* Builds and frees a record through volkg.dll from C; exits 0 on success. */
#include <stdio.h>

#include "volkg.h"

int main(void) {
    BitmapRecord r;
    if (K_InitBitmap(&r, 33, 7, 4) != K_OK || r.BytesPerLine != 20) return 1;
    if (K_AllocateBitmap(&r, K_STORAGE_ANY) != K_OK) return 2;
    K_AccessBitmap(&r);
    if (!(r.Flags & K_LOCKED) || r.DataPointer == NULL) return 3;
    r.DataPointer[r.ImageSize - 1] = 0x5A;
    K_ReleaseBitmap(&r);
    K_FreeBitmap(&r);
    if (r.Flags != 0) return 4;
    if (K_DefaultDithering(9) != K_ERR_ARGUMENT) return 5;
    printf("c client ok\n");
    return 0;
}
