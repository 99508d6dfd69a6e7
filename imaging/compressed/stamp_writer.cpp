// K_CompressBitmapWithStamp: the bitmap shrunk into a thumbnail of 8 or 24
// bits, which K_CompressBitmap's writer stores after the own format's header
// or as the JFIF head's JFXX segment.
#include <cstring>
#include <vector>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "compressed/compress_buffer.h"
#include "jpeg/compressed_header.h"
#include "io/heap_record.h"
#include "volkg.h"

namespace {

struct StampRows {
    BitmapRecord* record;
    int bits;  // of the stamp as stored: 8 or 24
    std::vector<unsigned char> row;
};

// Stamp row y, top row first: palette indices, or blue, green, red.
int StampRow(int y, uint8_t* out, void* context) {
    auto* s = static_cast<StampRows*>(context);
    BitmapRecord* r = s->record;
    const int stored = r->ViewPerspective == K_BOTTOM_UP ? r->Height - 1 - y : y;
    int moved = K_GetBitmapRow(r, s->row.data(), stored, r->BytesPerLine);
    if (moved <= 0) return moved;
    if (moved < r->BytesPerLine) return K_ERR_WRITE;
    const int width = r->Width;
    if (r->BitsPerPixel != s->bits || (s->bits == 24 && r->ColorOrder != K_ORDER_BGR)) {
        int result = K_ConvertBuffer(s->row.data(), width, r->BitsPerPixel, s->bits, r->ColorOrder, K_ORDER_BGR,
                                     r->ColorTable, r->ColorTable);
        if (result != K_OK) return result;
    }
    std::memcpy(out, s->row.data(), static_cast<size_t>(width) * (s->bits / 8));
    return K_OK;
}

}  // namespace

extern "C" int KAPI K_CompressBitmapWithStamp(BitmapRecord* bitmap, const char* name, int variant, int quality,
                                              int stampWidth, int stampHeight, int stampBits, int dither) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (stampWidth < kStampMinWidth || stampWidth > kStampMaxSide || stampHeight < 1 || stampHeight > kStampMaxSide)
        return K_ERR_SIZE;
    if (stampBits != 8 && stampBits != 24) return K_ERR_ARGUMENT;

    HeapRecord stamp;
    if (!stamp.get()) return K_ERR_MEMORY;
    BitmapRecord* s = stamp.get();
    int result = K_InitBitmap(s, stampWidth, stampHeight, bitmap->BitsPerPixel);
    if (result == K_OK) result = K_AllocateBitmap(s, K_STORAGE_ANY);
    if (result != K_OK) return result;
    s->ColorOrder = bitmap->ColorOrder;
    s->ViewPerspective = K_TOP_DOWN;
    if (bitmap->BitsPerPixel <= 8) {
        PaletteColorsScope colours(bitmap);  // the slots may hold the index map
        std::memcpy(s->ColorTable, bitmap->ColorTable, sizeof s->ColorTable);
        s->Colors = bitmap->Colors;
        s->Flags |= bitmap->Flags & K_GRAY_PALETTE;
    }
    result = K_ResizeBitmap(bitmap, s);
    if (result != K_OK) return result;

    if (stampBits == 8 && s->BitsPerPixel > 8) {
        if (dither == 1) {
            result = K_DitherBitmap(s, 3, 8);
        } else {
            HeapRecord optimized;
            if (!optimized.get()) return K_ERR_MEMORY;
            result = K_OptimizeBitmap(s, optimized.get(), 0, 256);
            if (result == K_OK) {
                K_FreeBitmap(s);
                K_CopyBitmapHandle(s, optimized.get());
                std::memset(optimized.get(), 0, sizeof(BitmapRecord));  // its storage now belongs to the stamp
            }
        }
        if (result != K_OK) return result;
    }

    // Locked for the whole save: the row source reads it row by row.
    BitmapLock lock(s);
    StampRows rows{s, stampBits, std::vector<unsigned char>(static_cast<size_t>(stampWidth) * 4 + 16)};
    uint8_t palette[kStampPaletteSize] = {};
    if (stampBits == 8) {
        PaletteColorsScope colours(s);  // the optimized copy's slots hold its index map
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = s->ColorTable[i].rgbRed;
            palette[3 * i + 1] = s->ColorTable[i].rgbGreen;
            palette[3 * i + 2] = s->ColorTable[i].rgbBlue;
        }
    }
    StampSource source;
    source.width = stampWidth;
    source.height = stampHeight;
    source.bits = stampBits;
    source.palette = palette;
    source.row = StampRow;
    source.context = &rows;
    SetCompressStamp(&source);
    result = K_CompressBitmap(bitmap, name, variant, quality, 0);
    SetCompressStamp(nullptr);
    return result;
}
