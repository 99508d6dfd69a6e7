// The exported painters: a record, or rows of it that the caller holds, on
// a device context.
#include <cstdlib>

#include "devices/paint.h"

extern "C" int KAPI K_PaintDC(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip,
                              const RECT* destination, const RECT* destinationClip, DWORD rasterOp) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (!hdc || !destination) return K_ERR_ARGUMENT;
    return PaintBitmapRect(hdc, bitmap, source, sourceClip, destination, destinationClip, rasterOp);
}

// Rows the caller holds go through the band painters too, so that the
// destination's left edge, the clip and the row order of a top-down
// bitmap are honoured on every path.
extern "C" int KAPI K_PaintDCBuffer(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip,
                                    const RECT* destination, const RECT* destinationClip, DWORD rasterOp,
                                    const unsigned char* rows, int firstRow, int rowCount) {
    if (!bitmap || !rows) return K_ERR_NOBITMAP;
    if (!hdc || !destination) return K_ERR_ARGUMENT;
    if (rowCount <= 0) return K_OK;
    PaintRows held{rows, firstRow, rowCount};
    return PaintBitmapRect(hdc, bitmap, source, sourceClip, destination, destinationClip, rasterOp, &held);
}

extern "C" int KAPI K_PaintDevice(int, HDC hdc, BitmapRecord* bitmap, const RECT* destinationClip, int, int) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (!hdc) return K_ERR_ARGUMENT;
    RECT placement = PlacementRect(bitmap);
    return PaintBitmapRect(hdc, bitmap, nullptr, nullptr, &placement, destinationClip, SRCCOPY);
}

extern "C" int KAPI K_PaintBuffer(int, HDC hdc, BitmapRecord* bitmap, const unsigned char* rows,
                                  const RECT* destinationClip, int, int) {
    if (!bitmap || !rows) return K_ERR_NOBITMAP;
    if (!hdc || !destinationClip) return K_ERR_ARGUMENT;
    RECT placement = PlacementRect(bitmap);
    int rowCount = std::abs(destinationClip->bottom - destinationClip->top);
    int firstRow = bitmap->Height + placement.top - destinationClip->top - rowCount;
    // The rows are bottom-up for the length of the call.
    int perspective = bitmap->ViewPerspective;
    bitmap->ViewPerspective = K_BOTTOM_UP;
    int result =
        K_PaintDCBuffer(hdc, bitmap, nullptr, nullptr, &placement, destinationClip, SRCCOPY, rows, firstRow, rowCount);
    bitmap->ViewPerspective = perspective;
    return result;
}
