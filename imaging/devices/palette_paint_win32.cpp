// The palette to realize before painting a record on a device.
#include "core/display_mode.h"
#include "devices/paint.h"
#include "core/palette.h"

extern "C" HPALETTE KAPI K_CreatePaintPalette(HDC dc, BitmapRecord* bitmap) {
    if (!dc || !bitmap) return nullptr;
    PaintChoice choice = ChoosePaintKind(dc, bitmap);
    if (choice.kind == PaintConvert) return CreateFixedPalette(choice.deviceDepth);
    if (bitmap->BitsPerPixel <= 8) return K_DupPalette(PaletteInUse(bitmap));
    return nullptr;
}
