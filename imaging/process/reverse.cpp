// K_ReverseBitmap: every row mirrored left to right in place.
#include "core/rows.h"
#include "process/process_frame.h"

extern "C" int KAPI K_ReverseBitmap(BitmapRecord* bitmap) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    return ProcessRows(bitmap, 0, 100, 0, [&](unsigned char* row, int) { ReverseRow(bitmap, row); });
}
