// K_ProcessBitmap: one entry point for the common whole-bitmap operations,
// their arguments taken from one record.
#include "process/process_frame.h"

extern "C" int KAPI K_ProcessBitmap(BitmapRecord* bitmap, int operation, const ProcessArguments* arguments) {
    // The called operation checks the bitmap and its own arguments; only
    // a missing argument record is refused here, where one is read.
    const bool needsArguments = operation == 0 || operation == 2 || operation == 4 || operation == 5 || operation == 6;
    if (needsArguments && !arguments) return K_ERR_ARGUMENT;
    switch (operation) {
        case 0:
            return K_RotateBitmap(bitmap, arguments->Angle, arguments->RotateFlag);
        case 1:
            return K_FlipBitmap(bitmap);
        case 2:
            return K_SizeBitmap(bitmap, arguments->Width, arguments->Height);
        case 3:
            return K_ReverseBitmap(bitmap);
        case 4:
            return K_ChangeBitmapIntensity(bitmap, arguments->Intensity);
        case 5:
        case 6:
            if (bitmap) bitmap->DitheringMethod = 3;
            return K_ColorResolution(bitmap, arguments->BitsPerPixel, operation == 5 ? 1 : 2, nullptr, nullptr);
        case 7:
            return K_GrayScaleBitmap(bitmap);
        case 8:
            return K_HalfToneBitmap(bitmap, 1);
        default:
            return K_ERR_ARGUMENT;
    }
}
