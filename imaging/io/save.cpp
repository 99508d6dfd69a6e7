// K_SaveFile and the calls on top of it: K_SaveBitmap, K_ConvertFile and
// K_FileConvert.
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "io/codecs.h"
#include "io/file_info.h"
#include "io/format_codes.h"
#include "io/heap_record.h"
#include "io/options.h"

namespace {

bool GreyCopyFormat(int format, int bpp) {
    if (format == kFormatEPS) return true;
    if (bpp != 8) return false;
    return format == kFormatCompressed || format == kFormatCompressedGrey || format == kFormatJPEG ||
           format == kFormatCompressed3 || format == kFormatCompressed5;
}

}  // namespace

extern "C" int KAPI K_SaveFile(const char* name, BitmapRecord* bitmap, int format, int bitsPerPixel, int quality,
                               int flags, SaveRowCallback callback, void* userData) {
    if (!bitmap) return K_ERR_NOBITMAP;
    int bpp = bitsPerPixel == 0 ? bitmap->BitsPerPixel : bitsPerPixel;
    int addPage = (flags & K_SAVE_ADD_PAGE) || CurrentOptions().PageNumber > 1 ? 1 : 0;
    const SaveEntry* entry = FindSaveEntry(format);
    if (!entry) return K_ERR_UNSUPPORTED;
    if (entry->onlyBits && bpp != entry->onlyBits) return K_ERR_BITS;
    if (!entry->writer) return K_ERR_UNSUPPORTED;

    HeapRecord copy;
    BitmapRecord* saved = bitmap;
    if (!callback) {
        if (!(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
        if (!copy.get()) return K_ERR_MEMORY;
        int result = K_OK;
        if (format == kFormatFax || format == kFormatFax2) {
            const auto normalize = CompressedCodec().normalizeFax;
            result = normalize ? normalize(bitmap, copy.get()) : K_ERR_UNSUPPORTED;
            saved = copy.get();
        } else if (GreyCopyFormat(format, bpp)) {
            result = K_CopyBitmap(copy.get(), bitmap);
            if (result == K_OK) result = K_GrayScaleBitmap(copy.get());
            saved = copy.get();
            // The EPS writer stores 8-bit grey, the depth of the grey copy.
            if (format == kFormatEPS) bpp = 8;
        } else if (bpp != bitmap->BitsPerPixel ||
                   ((flags & K_SAVE_FIXED_PALETTE) && !(bitmap->Flags & K_FIXED_PALETTE_IN_USE))) {
            int kind = bpp > 8                              ? K_COLORRES_BGR
                       : (flags & K_SAVE_OPTIMIZED_PALETTE) ? (K_COLORRES_METHOD(1) | 0x02)
                                                            : (K_COLORRES_METHOD(1) | K_COLORRES_FIXED);
            result = K_ColorResBitmap(bitmap, copy.get(), bpp, kind, nullptr, 0, nullptr, nullptr);
            saved = copy.get();
        }
        if (result != K_OK) return result;
    }

    int wasLocked = 0;
    if (!callback) wasLocked = AccessBitmapIfNeeded(saved);
    SaveRequest request{name, saved, bpp, format, entry->variant, addPage, quality, flags & 0xFF, callback, userData};
    int result = entry->writer(request);
    if (!callback) ReleaseBitmapIfNeeded(saved, wasLocked);
    return result;
}

extern "C" int KAPI K_SaveBitmap(const char* name, BitmapRecord* bitmap, int format, int bitsPerPixel, int quality) {
    if (!bitmap) return K_ERR_NOBITMAP;
    HeapRecord spare;
    if (!spare.get()) return K_ERR_MEMORY;
    int bpp = bitsPerPixel == 0 ? bitmap->BitsPerPixel : bitsPerPixel;
    BitmapRecord* saved = bitmap;
    if (format == kFormatMacPaint && (bitmap->Width != 576 || bitmap->Height != 720)) {
        int result = K_CopyBitmap(spare.get(), bitmap);
        if (result == K_OK) result = K_SizeBitmap(spare.get(), 576, 720);
        if (result != K_OK) return result;
        saved = spare.get();
    }
    int flags = bpp == saved->BitsPerPixel || bpp > 4 ? K_SAVE_OPTIMIZED_PALETTE : K_SAVE_FIXED_PALETTE;
    return K_SaveFile(name, saved, format, bpp, quality, flags, nullptr, nullptr);
}

extern "C" int KAPI K_ConvertFile(const char* source, const char* target, int format, int bitsPerPixel, int quality,
                                  int width, int height) {
    HeapRecord record;
    if (!record.get()) return K_ERR_MEMORY;
    if (width == 0 && height == 0) {
        FileInfoRecord info;
        int result = K_FileInfo(source, &info);
        if (result != K_OK) return result;
        const SaveEntry* entry = FindSaveEntry(format);
        const int variant = entry && entry->compressed ? entry->variant : -1;
        const CompressedCodecHooks& codec = CompressedCodec();
        if (info.BitsPerPixel == 24 && variant >= 0) {
            if (info.FormatCode == kFormatTIFF && codec.compressTIF)
                return codec.compressTIF(source, target, variant, quality, 0);
            if (info.FormatCode == kFormatTGA && codec.compressTGA)
                return codec.compressTGA(source, target, variant, quality, 0, 0);
            if (info.FormatCode == kFormatBMP && codec.compressBMP)
                return codec.compressBMP(source, target, variant, quality, 0);
        }
    }
    int result = K_LoadFile(source, record.get(), 0, 0, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
    if (result != K_OK) return result;
    if (width != 0 && height != 0 && (width != record.get()->Width || height != record.get()->Height)) {
        result = K_SizeBitmap(record.get(), width, height);
        if (result != K_OK) return result;
    }
    return K_SaveBitmap(target, record.get(), format, bitsPerPixel, quality);
}

extern "C" int KAPI K_FileConvert(const char* source, const char* target, int format, int width, int height,
                                  int bitsPerPixel, int quality) {
    HeapRecord record;
    if (!record.get()) return K_ERR_MEMORY;
    K_InitBitmap(record.get(), 0, 0, 0);
    int result = K_LoadBitmap(source, record.get(), 0, 1);
    if (result != K_OK) return result;
    if (width != 0 && height != 0 && (width != record.get()->Width || height != record.get()->Height)) {
        result = K_SizeBitmap(record.get(), width, height);
        if (result != K_OK) return result;
    }
    return K_SaveBitmap(target, record.get(), format, bitsPerPixel, quality);
}
