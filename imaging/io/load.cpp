// K_LoadFile: identify the file, prepare a work record in the file's own
// format and the target in the wanted one, run the reader, and convert
// every delivered row on its way into the target.
#include <algorithm>
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/rows.h"
#include "io/codecs.h"
#include "io/format_codes.h"
#include "io/loading.h"
#include "io/reader_session.h"

namespace {

// Which row path a load takes, from the target depth T, the file depth F
// and the colour orders.
RowPath ChoosePath(int t, int f, int workOrder, int targetOrder, bool ditherFlag) {
    if (t > 8) {
        if (t != f) return RowPath::Convert;
        return workOrder >= 0 && workOrder != targetOrder ? RowPath::ReorderColors : RowPath::Direct;
    }
    if (ditherFlag) return f < t ? RowPath::DitherUp : RowPath::Dither;
    if (t == f) return RowPath::Direct;
    return f < t ? RowPath::Convert : RowPath::Dither;
}

bool Dithers(RowPath p) { return p == RowPath::Dither || p == RowPath::DitherUp; }

// Releases what a load allocated, in the order the load needs.
struct LoadCleanup {
    LoadState* s;
    bool targetAllocated = false;
    int result = K_OK;
    ~LoadCleanup() {
        if (!s) return;
        if (s->accessed) K_ReleaseBitmap(s->target);
        if (s->ditherStarted) K_StopDithering(&s->work);
        FreeGlobalLocked(s->converted);
        FreeGlobalLocked(s->ditherInput);
        K_FreeBitmap(&s->work);
        if (targetAllocated && result != K_OK) K_FreeBitmap(s->target);
        FreeGlobalLocked(s);
    }
};

int Replay(LoadState* s) {
    BitmapRecord* work = &s->work;
    GlobalBuffer row(static_cast<size_t>(work->BytesPerLine) + 16, true);
    if (!row) return K_ERR_MEMORY;
    K_AccessBitmap(work);
    int result = K_OK;
    for (int y = 0; y < work->Height && result == K_OK; ++y) {
        int got = K_GetBitmapRow(work, row.get(), y, work->BytesPerLine);
        if (got < 0) {
            result = got;
            break;
        }
        result = LoadFileLineCallback(work, row.get(), 1, s);
    }
    K_ReleaseBitmap(work);
    return result;
}

// Whole-image loaders fill the work record themselves.
int LoadWhole(LoadState* s, WholeImageLoader loader, const char* name) {
    int result = loader(name, &s->work);
    if (result != K_OK) return result;
    s->work.Flags &= ~K_INTERLACED;
    return Replay(s);
}

}  // namespace

int DecoderLineCount(int height) {
    if (height <= 32) return 16;
    return std::max(32, (height / 64 + 15) & ~15);
}

unsigned char* LoadDestination(LoadState* s, const BitmapRecord* work, int count) {
    BitmapRecord* target = s->target;
    if (s->path != RowPath::Direct || !s->firstRowDone || !s->lock || s->callback || s->allocatePending ||
        (target->Flags & K_INTERLACED) || work->BytesPerLine != target->BytesPerLine)
        return nullptr;
    return StoredRowBytes(target, s->rowPosition, count);
}

int NextLoadRow(BitmapRecord* target, const unsigned char* rows, int count, LoadState* state) {
    const int bpl = target->BytesPerLine;
    if (!(target->Flags & K_INTERLACED)) {
        int n = std::min(count, target->Height - state->rowPosition);
        if (n > 0 && rows == StoredRowBytes(target, state->rowPosition, n)) {
            SetRowCache(target, state->rowPosition + n - 1);  // read there directly
        } else if (n > 0) {
            int put = K_PutBitmapRow(target, rows, state->rowPosition, n * bpl);
            if (put < 0) return put;
        }
        state->rowPosition += count;
        return K_OK;
    }
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    for (int i = 0; i < count; ++i) {
        if (state->pass < 4 && state->rowPosition < target->Height) {
            int put = K_PutBitmapRow(target, rows + static_cast<size_t>(i) * bpl, state->rowPosition, bpl);
            if (put < 0) return put;
        }
        if (state->pass >= 4) continue;
        state->rowPosition += kStep[state->pass];
        while (state->pass < 4 && state->rowPosition >= target->Height) {
            if (++state->pass < 4) state->rowPosition = kStart[state->pass];
        }
    }
    return K_OK;
}

int KAPI LoadFileLineCallback(BitmapRecord* work, unsigned char* rows, int count, void* user) {
    auto* s = static_cast<LoadState*>(user);
    BitmapRecord* target = s->target;
    // The buffers were sized from the probe: a reader that delivers
    // another geometry is refused rather than overrun.
    if (work->Width != target->Width || work->Height != target->Height || work->BitsPerPixel != s->workBits ||
        work->BytesPerLine != s->workBytesPerLine || count < 0)
        return K_ERR_FORMAT;
    if (s->allocatePending) {
        // Storage only once the reader has checked that the file can hold
        // the picture: a few hundred bytes declaring a huge one get no
        // storage at all.
        s->allocatePending = false;
        int r = K_AllocateBitmap(target, K_STORAGE_ANY);
        if (r != K_OK) return r;
        if (s->lock) {
            K_AccessBitmap(target);
            s->accessed = true;
        }
    }
    if (!s->firstRowDone) {
        target->ViewPerspective = work->ViewPerspective;
        target->Flags = (target->Flags & ~K_INTERLACED) | (work->Flags & K_INTERLACED);
        target->XResolution = work->XResolution;
        target->YResolution = work->YResolution;
        target->Reserved5[0] = work->Reserved5[0];
        target->Reserved5[1] = work->Reserved5[1];
        target->FormatCode = work->FormatCode;
        if (target->BitsPerPixel == 8 && work->BitsPerPixel == 8) {
            if (s->compressed || (work->Flags & K_GRAY_PALETTE))
                target->Flags |= K_GRAY_PALETTE;
            else
                target->Flags &= ~K_GRAY_PALETTE;
        }
    }
    const int t = target->BitsPerPixel, f = work->BitsPerPixel;
    const int width = target->Width;

    if (s->path == RowPath::Direct) {
        if (!s->firstRowDone) {
            s->firstRowDone = true;
            HPALETTE palette = PaletteInUse(work);
            if (palette) {
                if (target->PaletteHandle) DeleteObject(target->PaletteHandle);
                target->PaletteHandle = K_DupPalette(palette);
                target->Flags &= ~K_FIXED_PALETTE_IN_USE;
                if (t <= 8 && work->Colors > 0 && work->Colors <= (1 << t)) {
                    target->Colors = work->Colors;
                    target->DibHeader.biClrUsed = work->Colors;
                }
                SetPaletteIndexMap(target);
            } else if (t <= 8 && work->Colors > 0 && work->Colors <= (1 << t)) {
                // A reader that left its colours in the table only.
                std::memcpy(target->ColorTable, work->ColorTable, sizeof(RGBQUAD) * work->Colors);
                target->Colors = work->Colors;
                target->DibHeader.biClrUsed = work->Colors;
                CreateBitmapPalette(target);
            }
            if (t <= 8) target->Flags = (target->Flags & ~K_FILE_PALETTE) | (work->Flags & K_FILE_PALETTE);
        }
        if (s->lock) {
            int r = NextLoadRow(target, rows, count, s);
            if (r != K_OK) return r;
        }
        return s->callback ? s->callback(target, rows, count, s->userData) : K_OK;
    }

    if (!s->firstRowDone) {
        s->firstRowDone = true;
        if (s->path == RowPath::Convert) {
            std::memset(s->palette, 0, sizeof s->palette);
            HPALETTE palette = PaletteInUse(work);
            if (palette) {
                GetPaletteColors(palette, s->palette, std::clamp(work->Colors, 0, 256));
            } else if (f <= 8) {
                // No handle: the work's own table (never an index map here).
                std::memcpy(s->palette, work->ColorTable, sizeof(RGBQUAD) * std::clamp(work->Colors, 0, 256));
            }
            if (t <= 8) {
                if (target->PaletteHandle) DeleteObject(target->PaletteHandle);
                target->PaletteHandle = CreatePaletteFromColors(s->palette, target->Colors);
                target->Flags &= ~K_FIXED_PALETTE_IN_USE;
                SetPaletteIndexMap(target);
            }
        } else if (Dithers(s->path)) {
            SetFixedPalette(target);
            target->Flags |= K_FIXED_PALETTE_IN_USE;
            int r = K_StartDithering(work, nullptr, target->Colors);
            if (r != K_OK) return r;
            s->ditherStarted = true;
        }
    }
    for (int i = 0; i < count; ++i) {
        const unsigned char* source = rows + static_cast<size_t>(i) * work->BytesPerLine;
        int r = K_OK;
        switch (s->path) {
            case RowPath::ReorderColors:
                std::memcpy(s->converted, source, work->BytesPerLine);
                r = K_ConvertBuffer(s->converted, width, f, t, work->ColorOrder, target->ColorOrder, nullptr, nullptr);
                break;
            case RowPath::Convert:
                std::memcpy(s->converted, source, work->BytesPerLine);
                r = K_ConvertBuffer(s->converted, width, f, t, work->ColorOrder, target->ColorOrder, s->palette,
                                    s->palette);
                break;
            default:  // the ditherers: from the input copy into the converted row
                std::memcpy(s->ditherInput, source, work->BytesPerLine);
                std::memset(s->converted, 0, s->convertedBytes);
                r = K_DitherLine(work, s->ditherInput, s->converted);
                break;
        }
        if (r != K_OK) return r;
        if (s->lock) {
            r = NextLoadRow(target, s->converted, 1, s);
            if (r != K_OK) return r;
        }
        if (s->callback) {
            r = s->callback(target, s->converted, 1, s->userData);
            if (r != K_OK) return r;
        }
    }
    return K_OK;
}

extern "C" int KAPI K_LoadFile(const char* name, BitmapRecord* target, int bitsPerPixel, int colorOrder, int flags,
                               RowCallback callback, void* userData) {
    if (!target) return K_ERR_ARGUMENT;
    FileInfoRecord info;
    int result = K_FileInfo(name, &info);
    if (result != K_OK) return result;

    auto* s = static_cast<LoadState*>(AllocGlobalLockedExt(sizeof(LoadState), 1));
    if (!s) return K_ERR_MEMORY;
    LoadCleanup cleanup{s};
    s->lock = (flags & K_LOAD_LOCK) != 0;
    s->callback = callback;
    s->userData = userData;
    s->target = target;

    const int bpp = IsValidDepth(bitsPerPixel) ? bitsPerPixel : info.BitsPerPixel;
    // Sizes whose rows the readers cannot hand on are not images we load
    // (the readers' own rule, before anything is allocated).
    if (info.Width <= 0 || info.Height <= 0 || GetPaddedImageSize(info.Width, info.Height, limits::kRowBits) < 0) {
        s->lock = false;
        return cleanup.result = K_ERR_FORMAT;
    }
    result = K_InitBitmap(&s->work, info.Width, info.Height, info.BitsPerPixel);
    if (result != K_OK || s->work.ImageSize == 0) {
        s->lock = false;
        return cleanup.result = result != K_OK ? result : K_ERR_FORMAT;
    }
    s->work.ColorOrder = info.ColorOrder;

    int order = colorOrder == 0 || colorOrder == 1 ? colorOrder : info.ColorOrder;
    // A target that holds storage is freed before it is set up again.
    ResetStaleBitmapFlags(target);
    if (target->Flags & K_ALLOCATED) K_FreeBitmap(target);
    result = K_InitBitmap(target, info.Width, info.Height, bpp);
    if (result != K_OK) {
        s->lock = false;
        return cleanup.result = result;
    }
    if (bpp > 8 && (order == 0 || order == 1)) target->ColorOrder = order;

    if (flags & K_LOAD_ALLOCATE) {
        s->allocatePending = true;
        cleanup.targetAllocated = true;
    }
    if (CompressedCodec().setCallbackLine) CompressedCodec().setCallbackLine(DecoderLineCount(info.Height));

    s->path = ChoosePath(bpp, info.BitsPerPixel, s->work.ColorOrder, target->ColorOrder, (flags & K_LOAD_DITHER) != 0);
    s->workBytesPerLine = s->work.BytesPerLine;
    s->workBits = s->work.BitsPerPixel;
    if (s->path != RowPath::Direct) {
        s->convertedBytes = std::max(target->BytesPerLine, s->work.BytesPerLine) + 16;
        s->converted = static_cast<unsigned char*>(AllocGlobalLockedExt(s->convertedBytes, 1));
        if (Dithers(s->path)) {
            s->ditherInputBytes = s->convertedBytes;
            s->ditherInput = static_cast<unsigned char*>(AllocGlobalLockedExt(s->ditherInputBytes, 1));
        }
        if (!s->converted || (Dithers(s->path) && !s->ditherInput)) {
            s->lock = false;
            return cleanup.result = K_ERR_MEMORY;
        }
    }
    if (s->lock && !s->allocatePending) {
        K_AccessBitmap(target);
        s->accessed = true;
    }

    const LoadEntry* entry = FindLoadEntry(info.FormatCode);
    const int workBits = s->work.BitsPerPixel;
    if (!entry) {
        result = K_ERR_UNSUPPORTED;
    } else if (entry->compressed) {
        s->compressed = true;
        const CompressedCodecHooks& codec = CompressedCodec();
        if (workBits == 1) {
            result = codec.decompress1Bit ? codec.decompress1Bit(name, &s->work) : K_ERR_UNSUPPORTED;
            if (result == K_OK) result = Replay(s);
        } else if (!codec.decompress) {
            result = K_ERR_UNSUPPORTED;
        } else if (s->path == RowPath::Dither && bpp == 8) {
            // The decoder dithers to 8 bits itself.
            s->path = RowPath::Direct;
            FreeGlobalLocked(s->converted);
            FreeGlobalLocked(s->ditherInput);
            s->converted = s->ditherInput = nullptr;
            int keep = s->work.ColorOrder;
            K_InitBitmap(&s->work, info.Width, info.Height, 8);
            s->work.ColorOrder = keep;
            s->workBytesPerLine = s->work.BytesPerLine;
            s->workBits = 8;
            result = codec.decompress(name, &s->work, LoadFileLineCallback, 8, s, 4);
        } else {
            result = codec.decompress(name, &s->work, LoadFileLineCallback, workBits, s, 4);
        }
    } else if (entry->wholeImage && (!entry->reader || (flags & K_LOAD_GIF_WHOLE) || s->path == RowPath::Dither)) {
        result = LoadWhole(s, entry->wholeImage, name);
    } else if (entry->reader) {
        result = entry->reader(name, &s->work, LoadFileLineCallback, workBits, s);
    } else {
        result = K_ERR_UNSUPPORTED;
    }
    cleanup.result = result;
    return result;
}

extern "C" int KAPI K_LoadBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder) {
    return K_LoadFile(name, bitmap, bitsPerPixel, colorOrder, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
}
