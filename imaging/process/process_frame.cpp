// The shared frame of the image-processing operations.
#include "process/process_frame.h"

#include <cstdint>
#include <cstring>

#include "core/dither.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/status.h"

int CheckProcessBitmap(const BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    return K_OK;
}

SpanProgress::SpanProgress(int first, int last, int steps) : current_(first), steps_(steps > 0 ? steps : 1) {
    quotient_ = (last - first) / steps_;
    remainder_ = (last - first) % steps_;
}

int SpanProgress::Begin() {
    StatusCallback callback = CurrentStatusCallback();
    return callback ? callback(current_) : K_OK;
}

int SpanProgress::Step() {
    current_ += quotient_;
    accumulated_ += remainder_;
    bool report = quotient_ != 0;
    if (accumulated_ >= steps_) {
        ++current_;
        accumulated_ -= steps_;
        report = true;
    }
    StatusCallback callback = CurrentStatusCallback();
    return callback && report ? callback(current_) : K_OK;
}

int ReadBitmapPalette(const BitmapRecord* bitmap, PALETTEENTRY* entries, int* count) {
    HPALETTE palette = PaletteInUse(bitmap);
    int colors = bitmap->Colors;
    if (!palette || colors < 0 || colors > 256) return K_ERR_NOBITMAP;
    int read = colors ? static_cast<int>(GetPaletteEntries(palette, 0, static_cast<UINT>(colors), entries)) : 0;
    if (read != colors) return K_ERR_NOBITMAP;
    *count = colors;
    return K_OK;
}

int WriteBitmapPalette(BitmapRecord* bitmap, const PALETTEENTRY* entries, int count) {
    if (count <= 0) return K_OK;
    if (bitmap->Flags & K_FIXED_PALETTE_IN_USE) {
        // The built-in palette is the same for every record that uses it:
        // the edited colours become a palette of this record's own.
        RGBQUAD table[256];
        for (int i = 0; i < count; ++i) table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        HPALETTE created = CreatePaletteFromColors(table, count);
        if (!created) return K_ERR_MEMORY;
        if (bitmap->PaletteHandle && bitmap->PaletteHandle != bitmap->FixedPaletteHandle)
            DeleteObject(bitmap->PaletteHandle);
        bitmap->PaletteHandle = created;
        bitmap->Flags &= ~K_FIXED_PALETTE_IN_USE;
    } else {
        SetPaletteEntries(bitmap->PaletteHandle, 0, static_cast<UINT>(count), entries);
    }
    for (int i = 0; i < count; ++i) {
        if (entries[i].peRed != entries[i].peGreen || entries[i].peGreen != entries[i].peBlue) {
            bitmap->Flags &= ~K_GRAY_PALETTE;
            break;
        }
    }
    if (!(bitmap->Flags & K_PALETTE_INDEX_MAP)) {
        for (int i = 0; i < count; ++i)
            bitmap->ColorTable[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    }
    return K_OK;
}

unsigned char* LockedRows(const BitmapRecord* bitmap) {
    const unsigned need = K_MEMORY_STORAGE | K_LOCKED;
    if ((bitmap->Flags & need) != need || !bitmap->DataPointer || bitmap->Height < 0 || bitmap->BytesPerLine <= 0)
        return nullptr;
    // Only when every row lies inside the mapped storage.
    if (static_cast<int64_t>(bitmap->Height) * bitmap->BytesPerLine > bitmap->ImageSize) return nullptr;
    return bitmap->DataPointer;
}

int RowTransferResult(int moved, int bytes) {
    if (moved == bytes) return K_OK;
    return moved < 0 ? moved : K_ERR_MEMORY;
}

bool IsFullGreyRamp(const RGBQUAD* table, int colors) {
    if (colors != 256) return false;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& e = table[i];
        if (e.rgbRed != i || e.rgbGreen != i || e.rgbBlue != i) return false;
    }
    return true;
}

WorkRows::WorkRows(BitmapRecord* bitmap) : bitmap_(bitmap), sourceBits_(bitmap->BitsPerPixel) {
    rowBytes_ = GetMaxRowBytes(bitmap->Width, bitmap->BitsPerPixel, bitmap->Width, 24);
    K_InitBitmap(&temp_, bitmap->Width, bitmap->Height, 24);
    temp_.ColorOrder = K_ORDER_BGR;
    temp_.DitheringMethod = 1;
    if (bitmap->BitsPerPixel <= 8) {
        ReadPaletteInUse(bitmap, temp_.ColorTable);
        temp_.Colors = bitmap->Colors < 0 ? 0 : bitmap->Colors > 256 ? 256 : bitmap->Colors;
        if (bitmap->BitsPerPixel == 8 && IsFullGreyRamp(temp_.ColorTable, temp_.Colors))
            sourceBits_ = 0;
        else
            dithering_ = true;
    }
}

WorkRows::~WorkRows() {
    if (started_) K_StopDithering(&temp_);
}

int WorkRows::Begin() {
    if (!dithering_ || started_) return K_OK;
    // Dithered at the bitmap's own depth: a palette of few colours still
    // gets rows of the depth the bitmap stores.
    int rc = StartDitheringExt(&temp_, temp_.ColorTable, temp_.Colors, bitmap_->BitsPerPixel, nullptr);
    if (rc != K_OK) return rc;
    started_ = true;
    return K_OK;
}

void WorkRows::ToWork(unsigned char* row) const {
    K_ConvertBuffer(row, bitmap_->Width, sourceBits_, 24, bitmap_->ColorOrder, K_ORDER_BGR, temp_.ColorTable, nullptr);
}

void WorkRows::FromWork(unsigned char* row) {
    if (started_)
        K_DitherLine(&temp_, row, row);
    else
        K_ConvertBuffer(row, bitmap_->Width, 24, sourceBits_, K_ORDER_BGR, bitmap_->ColorOrder, nullptr,
                        temp_.ColorTable);
    // What is left of the wider work row past the pixels is not stored.
    int bits = bitmap_->BitsPerPixel;
    int used = static_cast<int>((static_cast<int64_t>(bitmap_->Width) * bits + 7) / 8);
    if (used < bitmap_->BytesPerLine) std::memset(row + used, 0, bitmap_->BytesPerLine - used);
    int spare = static_cast<int>(static_cast<int64_t>(used) * 8 - static_cast<int64_t>(bitmap_->Width) * bits);
    if (spare > 0) row[used - 1] &= static_cast<unsigned char>(0xFF << spare);
}

int WorkRows::Read(int y, unsigned char* buffer) {
    int bytes = bitmap_->BytesPerLine;
    int rc = RowTransferResult(K_GetBitmapRow(bitmap_, buffer, y, bytes), bytes);
    if (rc == K_OK) ToWork(buffer);
    return rc;
}

int WorkRows::Write(int y, unsigned char* buffer) {
    FromWork(buffer);
    int bytes = bitmap_->BytesPerLine;
    return RowTransferResult(K_PutBitmapRow(bitmap_, buffer, y, bytes), bytes);
}
