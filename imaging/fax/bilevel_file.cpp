// The bilevel format's entry points: the driver, the one-call loader
// K_DecompressBitmap1Bit and K_SaveFile's writer of format 26.
#include "core/bitmap.h"
#include "core/palette.h"
#include "io/codec_row.h"
#include "io/codec_kit.h"
#include "fax/bilevel_codec.h"

int CodeBitmap1BitFile(const char* name, BitmapRecord* bitmap, int encodeFlag, int subType, int flags,
                       SaveRowCallback callback, void* userData) {
    if (!bitmap) return K_ERR_NOBITMAP;
    if (subType < 0 || subType >= bilevel::kSubTypes) return K_ERR_ARGUMENT;
    if (encodeFlag) return bilevel::EncodeBitmap1BitFile(name, bitmap, subType, flags, callback, userData);
    return bilevel::DecodeBitmap1BitFile(name, bitmap);
}

int SaveBilevelFile(const SaveRequest& request) {
    return CodeBitmap1BitFile(request.name, request.bitmap, 1, request.quality, request.flags, request.callback,
                              request.userData);
}

extern "C" int KAPI K_DecompressBitmap1Bit(const char* name, BitmapRecord* bitmap) {
    FileInfoRecord info;
    if (K_FileInfo(name, &info) != K_OK) return K_ERR_FORMAT;
    if (info.BitsPerPixel != 1) return K_ERR_BITS;
    if (info.FormatCode == kFormatTIFF) return K_LoadTIFBitmap(name, bitmap);
    if (info.FormatCode != kFormatCompressed) return K_ERR_FORMAT;
    if (!bitmap) return K_ERR_NOBITMAP;
    const bool allocated = (bitmap->Flags & K_ALLOCATED) != 0;
    if (!allocated) {
        K_InitBitmap(bitmap, info.Width, info.Height, 1);
        const int r = K_AllocateBitmap(bitmap, K_STORAGE_ANY);
        if (r != K_OK) return r;
    } else if (bitmap->Width != info.Width || bitmap->Height != info.Height || bitmap->BitsPerPixel != 1) {
        // Rows of another size or depth cannot take the file's.
        return K_ERR_ARGUMENT;
    }
    int result;
    {
        BitmapLock lock(bitmap);
        result = CodeBitmap1BitFile(name, bitmap, 0, 0, 0, nullptr, nullptr);
    }
    for (RGBQUAD& entry : bitmap->ColorTable) entry.rgbReserved = 0;
    bitmap->Flags &= ~K_PALETTE_INDEX_MAP;
    if (bitmap->Colors > 0) CreateBitmapPalette(bitmap);
    BITMAPINFOHEADER& dib = bitmap->DibHeader;
    dib.biSize = 40;
    dib.biPlanes = 1;
    dib.biBitCount = 1;
    dib.biCompression = 0;
    dib.biXPelsPerMeter = 0;
    dib.biYPelsPerMeter = 0;
    dib.biClrUsed = 0;
    dib.biClrImportant = 0;
    if (result != K_OK && !allocated) K_FreeBitmap(bitmap);
    return result;
}

namespace {
// The compressed family's probe takes its files.
const LoadEntry kLoads[] = {{kFormatBilevel, nullptr, nullptr, true}};
const SaveEntry kSaves[] = {{kFormatBilevel, SaveBilevelFile, 0, 0, false}};  // the quality is the sub-type
}  // namespace

extern const CodecRow kBilevelRow = {"bilevel", {}, {}, kLoads, kSaves, nullptr};
