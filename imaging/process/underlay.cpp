// K_UnderlayBitmap: a grey copy of a second picture, tiled or stretched,
// laid under the first by adding its grey level around 128.
#include <cstring>

#include "core/bitmap_copy.h"
#include "core/dither.h"
#include "process/process_frame.h"

namespace {

struct GreyCopy {
    BitmapRecord r{};
    ~GreyCopy() { K_FreeBitmap(&r); }
};

}  // namespace

extern "C" int KAPI K_UnderlayBitmap(BitmapRecord* bitmap, BitmapRecord* underlay, int mode) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc == K_OK) rc = CheckProcessBitmap(underlay);
    if (rc != K_OK) return rc;
    if (mode != 0 && mode != 1) return K_ERR_ARGUMENT;
    GreyCopy grey;
    if ((rc = K_CopyBitmap(&grey.r, underlay)) != K_OK) return rc;
    if ((rc = K_GrayScaleBitmap(&grey.r)) != K_OK) return rc;
    if (mode == 1 && (rc = K_SizeBitmap(&grey.r, bitmap->Width, bitmap->Height)) != K_OK) return rc;
    // Grey levels of the copy's indices.
    RGBQUAD levels[256];
    ReadPaletteInUse(&grey.r, levels);
    const int gw = grey.r.Width, gh = grey.r.Height, h = bitmap->Height;
    GlobalBuffer greyRow(static_cast<size_t>(grey.r.BytesPerLine));
    if (!greyRow) return K_ERR_MEMORY;
    BitmapLock lockGrey(&grey.r);
    const int width = bitmap->Width;
    // Both pictures are walked top line first, the underlay from its own top.
    return ProcessWorkRows(bitmap, 0, 100, [&](unsigned char* row, int y) {
        const int line = bitmap->ViewPerspective == K_BOTTOM_UP ? h - 1 - y : y;
        const int g = line % gh, gy = grey.r.ViewPerspective == K_BOTTOM_UP ? gh - 1 - g : g;
        if (K_GetBitmapRow(&grey.r, greyRow.get(), gy, grey.r.BytesPerLine) != grey.r.BytesPerLine) return;
        for (int x = 0; x < width; ++x) {
            const int level = levels[greyRow.get()[x % gw]].rgbRed;
            for (int c = 0; c < 3; ++c) {
                const int v = row[3 * x + c] + level;
                row[3 * x + c] = static_cast<unsigned char>(v <= 128 ? 0 : v - 128 > 255 ? 255 : v - 128);
            }
        }
    });
}
