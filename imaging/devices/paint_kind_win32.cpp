// The paint-kind decision for a real device: its depth from GetDeviceCaps.
#include "devices/paint.h"

PaintChoice ChoosePaintKind(HDC dc, const BitmapRecord* bitmap) {
    int depth =
        ClassifyDeviceDepth(GetDeviceCaps(dc, TECHNOLOGY), GetDeviceCaps(dc, BITSPIXEL), GetDeviceCaps(dc, PLANES));
    return {depth, ChoosePaintKindForDepth(depth, bitmap)};
}
