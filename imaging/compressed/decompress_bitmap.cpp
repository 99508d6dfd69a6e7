// K_DecompressBitmap: a compressed-format or JPEG file decoded into a new
// bitmap of the picture's size.
#include <vector>

#include "core/bitmap.h"
#include "core/pixel_format.h"
#include "volkg.h"

namespace {

struct RowStore {
    int next = 0;
    std::vector<unsigned char> row;
};

// Stores rows from row 0 down; 16-bit bitmaps receive 24-bit rows from
// the decoder and get them as 5-5-5 words.
int KAPI DecompressBitmapRow(BitmapRecord* bitmap, unsigned char* rows, int count, void* user) {
    auto* store = static_cast<RowStore*>(user);
    const int bits = bitmap->BitsPerPixel;
    const int stride = bits == 16 ? (bitmap->Width * 3 + 3) & ~3 : bitmap->BytesPerLine;
    for (int i = 0; i < count; ++i) {
        unsigned char* row = rows + static_cast<size_t>(i) * stride;
        if (bits == 16) {
            store->row.assign(rows + static_cast<size_t>(i) * stride, rows + static_cast<size_t>(i) * stride + stride);
            store->row.resize(static_cast<size_t>(bitmap->BytesPerLine) + static_cast<size_t>(bitmap->Width) * 3 + 4);
            ConvertRowPixelSize(store->row.data(), bitmap->Width, 3, 2);
            row = store->row.data();
        }
        int put = K_PutBitmapRow(bitmap, row, store->next, bitmap->BytesPerLine);
        if (put < 1) return put;
        ++store->next;
    }
    return K_OK;
}

}  // namespace

extern "C" int KAPI K_DecompressBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    if (!bitmap) return K_ERR_ARGUMENT;
    if (bitsPerPixel != 24 && bitsPerPixel != 16 && bitsPerPixel != 8) return K_ERR_BITS;
    FreeBitmapIfAllocated(bitmap, 1);
    FileInfoRecord info;
    int result = K_FileInfo(name, &info);
    if (result != K_OK) return result;
    result = K_InitBitmap(bitmap, info.Width, info.Height, bitsPerPixel);
    if (result != K_OK) return result;
    result = K_AllocateBitmap(bitmap, K_STORAGE_ANY);
    if (result != K_OK) return result;
    K_AccessBitmap(bitmap);
    bitmap->ColorOrder = K_ORDER_BGR;
    RowStore store;
    result = K_DecompressFile(name, bitmap, DecompressBitmapRow, bitsPerPixel, &store, 4);
    K_ReleaseBitmap(bitmap);
    return result;
}
