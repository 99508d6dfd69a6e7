#include "io/save_writer.h"

#include <algorithm>
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/rows.h"
#include "io/file_callbacks.h"

int SaveWriterBegin(BitmapRecord* source, BitmapRecord** target, int targetBits, int* flags, unsigned char** row) {
    *target = nullptr;
    *row = nullptr;
    const int sourceBits = source->BitsPerPixel;
    // The fixed palette is chosen when asked for, or when the target is
    // shallower than the source; otherwise a palette picture keeps its own
    // colours (no dithering at flags 0).
    if (targetBits <= 8 && targetBits < sourceBits) *flags |= K_SAVE_FIXED_PALETTE;

    auto* t = static_cast<BitmapRecord*>(AllocGlobalLockedExt(sizeof(BitmapRecord), 1));
    if (!t) return K_ERR_MEMORY;
    int r = K_InitBitmap(t, source->Width, source->Height, targetBits);
    if (r != K_OK && targetBits != 0) {
        FreeGlobalLocked(t);
        return r;
    }
    if (targetBits == 0) {
        // 8-bit grey rows.
        K_InitBitmap(t, source->Width, source->Height, 8);
    }
    t->XResolution = source->XResolution;
    t->YResolution = source->YResolution;
    std::memset(t->ColorTable, 0, sizeof t->ColorTable);
    int bytes = std::max(source->BytesPerLine, t->BytesPerLine) + 16;
    unsigned char* buffer = static_cast<unsigned char*>(AllocGlobalLockedExt(bytes, 1));
    if (!buffer) {
        FreeGlobalLocked(t);
        return K_ERR_MEMORY;
    }
    t->ColorOrder = (*flags & kSaveStoresBGR) ? 1 : 0;

    if (*flags & kSaveGrayTarget) {
        t->PaletteHandle = CreateGrayPalette(t->BitsPerPixel);
        GetPaletteColors(t->PaletteHandle, t->ColorTable, t->Colors);
        t->Flags |= K_GRAY_PALETTE;
    } else if ((*flags & K_SAVE_FIXED_PALETTE) && t->BitsPerPixel <= 8) {
        int count = 0;
        const RGBQUAD* fixed = FixedPaletteForDepth(t->BitsPerPixel, &count);
        std::memcpy(t->ColorTable, fixed, sizeof(RGBQUAD) * count);
        t->Colors = count;
        t->FixedPaletteHandle = CreatePaletteFromColors(fixed, count);
        t->Flags |= K_FIXED_PALETTE_IN_USE;
    } else if (t->BitsPerPixel <= 8 && sourceBits <= 8) {
        int count = std::clamp(source->Colors, 0, 256);
        std::memcpy(t->ColorTable, source->ColorTable, sizeof(RGBQUAD) * count);
        t->Colors = count;
    }

    bool sourceFixed = (source->Flags & K_FIXED_PALETTE_IN_USE) != 0;
    if (t->BitsPerPixel <= 8 && !(*flags & kSaveGrayTarget) &&
        (targetBits < sourceBits || ((*flags & K_SAVE_FIXED_PALETTE) && !sourceFixed))) {
        r = K_StartDithering(source, t->ColorTable, t->Colors);
        if (r != K_OK) {
            FreeGlobalLocked(buffer);
            K_FreeBitmap(t);
            FreeGlobalLocked(t);
            return r == K_ERR_MEMORY ? r : K_ERR_MEMORY;
        }
        *flags |= kSaveDithering;
    } else if (targetBits != sourceBits || (sourceBits > 8 && t->ColorOrder != source->ColorOrder) ||
               (*flags & kSaveGrayTarget)) {
        *flags |= kSaveConverting;
    }
    *target = t;
    *row = buffer;
    return K_OK;
}

int SaveWriterGetRows(BitmapRecord* source, BitmapRecord* target, unsigned char* out, int row, int count, int flags,
                      SaveRowCallback callback, void* userData) {
    const bool dithering = (flags & kSaveDithering) && !(flags & kSaveGrayTarget);
    std::optional<GlobalBuffer> temporary;
    unsigned char* buffer = out;
    if (dithering) {
        temporary.emplace(std::max(source->BytesPerLine, target->BytesPerLine) + 16, true);
        if (!*temporary) return K_ERR_MEMORY;
        buffer = temporary->get();
    }
    if (callback) {
        int r = callback(source, buffer, row, 1, userData);
        if (r != K_OK) return r;
    } else {
        int got = K_GetBitmapRow(source, buffer, row, source->BytesPerLine);
        if (got < source->BytesPerLine) return 0;
    }
    if (flags & kSaveGrayTarget) {
        return K_ConvertBuffer(buffer, source->Width, source->BitsPerPixel, 0, source->ColorOrder, target->ColorOrder,
                               source->ColorTable, target->ColorTable) == K_OK
                   ? K_OK
                   : K_ERR_ARGUMENT;
    }
    if (flags & kSaveConverting) {
        int r = K_ConvertBuffer(buffer, source->Width, source->BitsPerPixel, target->BitsPerPixel, source->ColorOrder,
                                target->ColorOrder, source->ColorTable, target->ColorTable);
        return r == K_OK ? K_OK : r;
    }
    if (flags & kSaveDithering) {
        std::memset(out, 0, target->BytesPerLine);
        return K_DitherLine(source, buffer, out);
    }
    return K_OK;
}

void SaveWriterEnd(BitmapRecord* source, BitmapRecord** target, int* flags, unsigned char** row) {
    if (*flags & kSaveDithering) K_StopDithering(source);
    if (*target) {
        K_FreeBitmap(*target);
        FreeGlobalLocked(*target);
        *target = nullptr;
    }
    FreeGlobalLocked(*row);
    *row = nullptr;
    *flags &= 0xFF;
}

SaveWriter::SaveWriter(BitmapRecord* source, int targetBits, int flags, SaveRowCallback callback, void* userData)
    : source_(source), bits_(targetBits), flags_(flags), callback_(callback), user_(userData) {}

int SaveWriter::Begin() {
    if (source_->BitsPerPixel <= 8) colors_.emplace(source_);
    return SaveWriterBegin(source_, &target_, bits_, &flags_, &row_);
}

int SaveWriter::WriteRows(Output& out, int rowBytes, bool bottomFirst) {
    const int height = source_->Height;
    const int stride = source_->BytesPerLine;
    // Stored rows serve as they are when nothing converts them and no
    // callback supplies them.
    const bool asStored = !callback_ && !(flags_ & (kSaveDithering | kSaveConverting | kSaveGrayTarget)) &&
                          rowBytes > 0 && rowBytes <= stride;
    const unsigned char* stored = asStored ? StoredRowBytes(source_, 0, height) : nullptr;
    const bool storedBottomFirst = source_->ViewPerspective != K_TOP_DOWN;
    if (stored && bottomFirst == storedBottomFirst && rowBytes == stride) return out.Write(stored, stride * height);
    for (int y = 0; y < height; ++y) {
        // File row y is stored row y when both run the same way.
        const int storedRow = bottomFirst == storedBottomFirst ? y : height - 1 - y;
        const unsigned char* row = row_;
        if (stored) {
            row = stored + static_cast<size_t>(storedRow) * stride;
        } else {
            const int r = GetRow(storedRow);
            if (r != K_OK) return r;
        }
        if (out.Write(row, rowBytes) != K_OK) break;
    }
    return out.status();
}

SaveWriter::~SaveWriter() {
    if (target_ || row_) SaveWriterEnd(source_, &target_, &flags_, &row_);
}
