#include "io/reader_session.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/rows.h"
#include "io/file_callbacks.h"
#include "io/file_info.h"
#include "io/loading.h"

int ResetStaleBitmapFlags(BitmapRecord* bitmap) {
    if (!bitmap) return K_OK;
    switch (bitmap->FormatCode) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 10:
        case 11:
        case 14:
        case 74:
            break;
        default:
            bitmap->Flags &= ~0x3Fu;
            return K_OK;
    }
    switch (bitmap->BitsPerPixel) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            bitmap->Flags &= ~0x3Fu;
    }
    return K_OK;
}

namespace {

int RowBytes(int width, int bits) { return static_cast<int>((static_cast<long long>(width) * bits + 7) / 8); }

}  // namespace

ReaderSession::~ReaderSession() {
    if (dithering_) K_StopDithering(bitmap_);
    FreeGlobalLocked(row_);
    FreeGlobalLocked(dithered_);
    delete source_;
    if (handle_ >= 0) FileClose(handle_);
}

int ReaderSession::Open(const char* name, BitmapRecord* bitmap, int wantedBits) {
    if (!IsValidDepth(wantedBits)) return K_ERR_BITS;
    if (!bitmap) return K_ERR_ARGUMENT;
    ResetStaleBitmapFlags(bitmap);
    if (!name) return K_ERR_NONAME;
    bitmap_ = bitmap;
    wanted_ = wantedBits;
    entryWidth_ = bitmap->Width;
    entryHeight_ = bitmap->Height;
    entryOrder_ = bitmap->ColorOrder;
    entryFlags_ = bitmap->Flags;
    handle_ = FileOpen(name, kReaderOpenFlags, kReaderPermission);
    if (handle_ < 0) {
        handle_ = -1;
        return K_ERR_OPEN;
    }
    source_ = new (std::nothrow) Source(handle_);
    return source_ ? K_OK : K_ERR_MEMORY;
}

int ReaderSession::SetImage(int width, int height, int bits, int fileColorOrder) {
    if (width <= 0 || height <= 0) return K_ERR_FORMAT;
    // Every row we hand on must fit in a 32-bit image size.
    if (GetPaddedImageSize(width, height, 32) < 0) return K_ERR_FORMAT;
    if (entryWidth_ > 0 && entryHeight_ > 0 && GetPaddedImageSize(entryWidth_, entryHeight_, 32) < 0)
        return K_ERR_FORMAT;
    width_ = width;
    height_ = height;
    bits_ = bits;
    fileOrder_ = fileColorOrder;
    fileRowBytes_ = RowBytes(width, bits);
    if (!(bitmap_->Flags & K_ALLOCATED)) {
        int r = K_InitBitmap(bitmap_, width, height, bits);
        if (r != K_OK) return r;
    }
    if (entryWidth_ > 0 && entryHeight_ > 0 && (entryWidth_ != width || entryHeight_ != height)) {
        int r = resize_.Start(width, height, entryWidth_, entryHeight_);
        if (r != K_OK) return r;
        if (!(bitmap_->Flags & K_ALLOCATED)) {
            int r2 = K_InitBitmap(bitmap_, entryWidth_, entryHeight_, bits);
            if (r2 != K_OK) return r2;
        }
    }
    return K_OK;
}

void SetReaderColors(BitmapRecord* b, int colors, int fileBits) {
    b->Colors = std::clamp(colors, 0, 256);
    if (fileBits <= 8 && IsGreyTable(b->ColorTable, b->Colors))
        b->Flags |= K_GRAY_PALETTE;
    else
        b->Flags &= ~K_GRAY_PALETTE;
    if (fileBits <= 8 && b->Colors > 0) CreateBitmapPalette(b);
}

void ResetDibHeader(BitmapRecord* bitmap, int bits) {
    BITMAPINFOHEADER& h = bitmap->DibHeader;
    std::memset(&h, 0, sizeof h);
    h.biSize = 40;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
}

void ReaderSession::DropTrueColorPalette() {
    BitmapRecord* b = bitmap_;
    if (bits_ > 8 && b->BitsPerPixel > 8 && !(b->Flags & K_FIXED_PALETTE_IN_USE)) {
        b->Colors = 0;
        b->Flags &= ~K_PALETTE_INDEX_MAP;
        if (b->PaletteHandle) DeleteObject(b->PaletteHandle);
        b->PaletteHandle = nullptr;
    }
}

int ReaderSession::BeginRows(RowCallback callback, void* userData) {
    callback_ = callback;
    user_ = userData;
    BitmapRecord* b = bitmap_;
    bool ditherDown = (wanted_ < bits_ && wanted_ <= 8) || (bits_ <= 8 && (entryFlags_ & K_FIXED_PALETTE_IN_USE));
    if (ditherDown) {
        if (b->Flags & K_FILE_PALETTE) {
            b->Flags &= ~K_FIXED_PALETTE_IN_USE;
            FillColorsFromPalette(b);
        }
        int target = std::min(wanted_, 8);
        if (target != 1 && target != 4 && target != 8) target = 8;
        if (K_StartDithering(b, nullptr, 1 << target) != K_OK) return K_ERR_MEMORY;
        dithering_ = true;
        // The bitmap now stores the wanted depth in the fixed palette.
        int width = b->Width, height = b->Height;
        b->BitsPerPixel = target;
        b->BytesPerLine = GetBytesPerLine(width, target);
        b->ImageSize = static_cast<unsigned>(b->BytesPerLine) * static_cast<unsigned>(height);
        b->Colors = 1 << target;
        b->DibHeader.biBitCount = static_cast<WORD>(target);
        b->DibHeader.biSizeImage = b->ImageSize;
        b->DibHeader.biClrUsed = b->Colors;
        SetFixedPalette(b);
        b->Flags |= K_FIXED_PALETTE_IN_USE;
        SetPaletteIndexMap(b);
    }
    int order = entryOrder_;
    swap_ = bits_ > 8 && (order == 0 || order == 1) && fileOrder_ >= 0 && order != fileOrder_;
    if (bits_ > 8 && (order == 0 || order == 1)) b->ColorOrder = order;
    widen_ = !dithering_ && wanted_ == 24 && bits_ > 8 && bits_ != 24;
    if (widen_) {
        // The record stores 24 bits; keep its geometry in step.
        int width = b->Width, height = b->Height;
        if (!(b->Flags & K_ALLOCATED)) {
            int keepOrder = b->ColorOrder;
            BitmapRecord saved = *b;
            K_InitBitmap(b, width, height, 24);
            b->ColorOrder = keepOrder;
            b->ViewPerspective = saved.ViewPerspective;
            b->XResolution = saved.XResolution;
            b->YResolution = saved.YResolution;
            b->FormatCode = saved.FormatCode;
        }
    }
    // Large enough for the file row, the resized row at the file's depth
    // and at 24 bits, and the stored row.
    int resizedWidth = resize_.get() ? resize_.get()->NewWidth : width_;
    int widest = std::max(width_, resizedWidth);
    int bytes = std::max(
        {GetBytesPerLine(widest, bits_ < 8 ? 8 : bits_), GetBytesPerLine(widest, 24), b->BytesPerLine, fileRowBytes_});
    row_ = static_cast<unsigned char*>(AllocGlobalLockedExt(static_cast<size_t>(bytes) + 16, 1));
    if (!row_) return K_ERR_MEMORY;
    if (dithering_) {
        dithered_ = static_cast<unsigned char*>(AllocGlobalLockedExt(static_cast<size_t>(bytes) + 16, 1));
        if (!dithered_) return K_ERR_MEMORY;
    }
    return K_OK;
}

int ReaderSession::DeliverRow(int sourceRow) {
    unsigned char* row = row_;
    int bits = bits_;
    if (swap_) SwapRowRedBlue(row, width_, bits);
    if (widen_) {
        ConvertRowPixelSize(row, width_, bits / 8, 3);
        bits = 24;
    }
    if (!resize_.get()) return Pass(row);
    int width = 0, count = 1;
    K_Resize(row, sourceRow, bits, &width, &count, resize_.get());
    // Rows are repeated or dropped by the count, so that exactly the
    // bitmap's height arrives: the last source row fills what is left.
    const int height = resize_.get()->NewHeight;
    if (sourceRow >= height_ - 1 && delivered_ < height) {
        if (count == 0) {
            // A dropped row was left unscaled: scale it as a kept one.
            ResizeContext kept = *resize_.get();
            kept.YStep = 1;
            K_Resize(row, sourceRow, bits, &width, &count, &kept);
        }
        count = std::max(count, height - delivered_);
    }
    count = std::min(count, height - delivered_);
    for (int i = 0; i < count; ++i) {
        int r = Pass(row);
        if (r != K_OK) return r;
    }
    return K_OK;
}

int ReaderSession::Pass(unsigned char* row) {
    ++delivered_;
    if (dithering_) {
        std::memset(dithered_, 0, bitmap_->BytesPerLine);
        int r = K_DitherLine(bitmap_, row, dithered_);
        if (r != K_OK) return r;
        row = dithered_;
    }
    if (!callback_) return K_OK;
    return callback_(bitmap_, row, 1, user_);
}

namespace {

struct RowStore {
    int next = 0;
    bool accessed = false;  // storage allocated (with the first row) and accessed
};

// Stored row of the n-th delivered row of an interlaced picture: passes
// start at rows 0, 4, 2, 1 and step 8, 8, 4, 2. Every height gets each row
// once.
int InterlacedRow(int n, int height) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        int rows = kStart[pass] < height ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < rows) return kStart[pass] + n * kStep[pass];
        n -= rows;
    }
    return -1;
}

int KAPI StoreRowsInOrder(BitmapRecord* bitmap, unsigned char* rows, int count, void* user) {
    auto* store = static_cast<RowStore*>(user);
    if (!store->accessed) {
        // Storage only once the reader has checked that the file can hold
        // the picture.
        int r = K_AllocateBitmap(bitmap, K_STORAGE_ANY);
        if (r != K_OK) return r;
        K_AccessBitmap(bitmap);
        store->accessed = true;
    }
    if (!(bitmap->Flags & K_INTERLACED) && rows == StoredRowBytes(bitmap, store->next, count)) {
        store->next += count;  // read there directly
        SetRowCache(bitmap, store->next - 1);
        return K_OK;
    }
    for (int i = 0; i < count; ++i, ++store->next) {
        if (store->next >= bitmap->Height) continue;
        int row = (bitmap->Flags & K_INTERLACED) ? InterlacedRow(store->next, bitmap->Height) : store->next;
        int put =
            K_PutBitmapRow(bitmap, rows + static_cast<size_t>(i) * bitmap->BytesPerLine, row, bitmap->BytesPerLine);
        if (put < 0) return put;
    }
    return K_OK;
}

}  // namespace

unsigned char* StoredRowsFor(RowCallback callback, void* user, BitmapRecord* bitmap, int count) {
    if (callback == LoadFileLineCallback) return LoadDestination(static_cast<LoadState*>(user), bitmap, count);
    if (callback != StoreRowsInOrder) return nullptr;
    const auto* store = static_cast<const RowStore*>(user);
    if (!store->accessed || (bitmap->Flags & K_INTERLACED)) return nullptr;
    return StoredRowBytes(bitmap, store->next, count);
}

unsigned char* ReaderSession::DirectRows(int count, int fileRowBytes) {
    if (swap_ || widen_ || resize_.get() || dithering_ || delivered_ == 0 || !callback_ ||
        fileRowBytes != bitmap_->BytesPerLine)
        return nullptr;
    return StoredRowsFor(callback_, user_, bitmap_, count);
}

int ReaderSession::ReadStoredRows(int* row, int height, int fileRowBytes) {
    // Reads of about a megabyte go from the file to storage in one call.
    constexpr int kDirectReadBytes = 1 << 20;
    while (*row < height && fileRowBytes > 0) {
        const int count = std::min(height - *row, std::max(1, kDirectReadBytes / fileRowBytes));
        unsigned char* stored = DirectRows(count, fileRowBytes);
        if (!stored) return K_OK;
        int r = source_->ReadExact(stored, count * fileRowBytes);
        if (r != K_OK) return r;
        for (int i = 0; i < count; ++i, ++*row) {
            r = Pass(stored + static_cast<size_t>(i) * fileRowBytes);
            if (r != K_OK) return r;
        }
    }
    return K_OK;
}

int LoadWholeBitmap(const char* name, BitmapRecord* bitmap, FormatReader reader, int colorOrder) {
    if (!bitmap) return K_ERR_ARGUMENT;
    FileInfoRecord info;
    int result = K_FileInfo(name, &info);
    if (result != K_OK) return result;
    ResetStaleBitmapFlags(bitmap);
    if (bitmap->Flags & K_ALLOCATED) K_FreeBitmap(bitmap);
    result = K_InitBitmap(bitmap, info.Width, info.Height, info.BitsPerPixel);
    if (result != K_OK) return result;
    bitmap->ColorOrder = colorOrder;
    RowStore store;
    result = reader(name, bitmap, StoreRowsInOrder, info.BitsPerPixel, &store);
    if (store.accessed) K_ReleaseBitmap(bitmap);
    // A picture without rows has no storage to give back.
    if (result == K_OK && !store.accessed) result = K_ERR_FORMAT;
    if (result != K_OK) K_FreeBitmap(bitmap);
    return result;
}
