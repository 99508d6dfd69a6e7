// K_ColorResBitmap and K_ColorResolution: a bitmap at another colour
// resolution, with an optimized, fixed or caller's palette, stored or
// streamed to a row callback.
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "core/dither.h"
#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/status.h"

namespace {

constexpr int kFlagFixed = 0x01;
constexpr int kFlagOrderBgr = 0x04;
constexpr int kFlagSystem = 0x08;
constexpr int kFlagUser = 0x10;
constexpr int kFlagUserTable = 0x30;

inline bool IsFreeSlot(const RGBQUAD& e) { return (e.rgbReserved & 3) == 2; }

bool ValidChoice(int bits, int choice) {
    if (bits > 8) return choice == 0 || choice == kFlagOrderBgr;
    return choice == 0 || choice == 2 || choice == kFlagSystem || choice == 10 || choice == kFlagFixed ||
           choice == kFlagUser || choice == kFlagUserTable;
}

// Everything one conversion holds, released on every way out.
struct ColorResJob {
    BitmapRecord* caller = nullptr;  // the caller's source record
    void* callerState = nullptr;     // its dithering state, if it had one
    BitmapRecord source{};           // the source as it was (the caller's may be the target)
    BitmapRecord* target = nullptr;
    BitmapRecord scratch{};  // the target when only the callback gets rows
    bool sameRecord = false;
    bool dithered = false;
    bool ditherStarted = false;
    uint32_t* builtTable = nullptr;  // owned
    uint32_t* matchTable = nullptr;  // built or the process table
    RGBQUAD callerPalette[256] = {};
    int callerCount = 0;
    RGBQUAD sourcePalette[256] = {};
    int bits = 0;
    int choice = 0;
    int method = 0;
    int entryCacheOffset = 0, entryCacheIndex = 0;

    ~ColorResJob() {
        StopDithering();
        FreeGlobalLocked(builtTable);
    }

    // Stops the conversion's dithering; a state the caller had hung on the
    // source stays where it was.
    void StopDithering() {
        if (!ditherStarted) return;
        K_StopDithering(&source);
        source.DitherStatePointer = callerState;
        ditherStarted = false;
    }

    // A failure: the target's storage goes, the caller's source comes back
    // as it was, with the row cache the rows read have moved put back (as
    // K_SizeBitmap does).
    int Fail(int code) {
        StopDithering();
        K_FreeBitmap(target);
        if (sameRecord) {
            *caller = source;
            caller->RowCacheOffset = entryCacheOffset;
            caller->RowCacheIndex = entryCacheIndex;
        }
        return code;
    }
};

// Chooses the target palette of a 1, 4 or 8-bit conversion.
int SetUpPalette(ColorResJob& job) {
    BitmapRecord* target = job.target;
    const BitmapRecord& source = job.source;
    int choice = job.choice;
    if (choice == kFlagFixed) {
        int count = 0;
        const RGBQUAD* fixed = FixedPaletteForDepth(job.bits, &count);
        std::memcpy(target->ColorTable, fixed, count * sizeof(RGBQUAD));
        target->FixedPaletteHandle = CreateFixedPalette(job.bits);
        target->Flags |= K_FIXED_PALETTE_IN_USE;
        job.dithered = true;
        return target->FixedPaletteHandle ? K_OK : K_ERR_MEMORY;
    }
    if (choice == kFlagUser || choice == kFlagUserTable) {
        std::memcpy(target->ColorTable, job.callerPalette, job.callerCount * sizeof(RGBQUAD));
        // The record describes the palette it was given.
        target->Colors = job.callerCount;
        target->DibHeader.biClrUsed = static_cast<DWORD>(job.callerCount);
        target->PaletteHandle = CreatePaletteFromColors(job.callerPalette, job.callerCount);
        if (choice == kFlagUserTable) job.matchTable = CurrentUserMatchTable();
        job.dithered = true;
        return target->PaletteHandle ? K_OK : K_ERR_MEMORY;
    }

    // Optimized: every slot free, the screen's static colours and the
    // caller's fixed entries in place, the free slots filled from the picture.
    int colors = target->Colors;
    RGBQUAD work[256];
    std::memset(work, 2, sizeof work);
    if (choice & kFlagSystem) GetSystemPaletteSplit(work, colors);
    for (int i = 0; i < job.callerCount; ++i)
        if (!IsFreeSlot(job.callerPalette[i])) work[i] = job.callerPalette[i];
    int slots[256];
    int free = 0;
    for (int i = 0; i < colors; ++i)
        if (IsFreeSlot(work[i])) slots[free++] = i;
    bool leading = free > 0 && slots[free - 1] == free - 1;
    job.dithered = job.bits < source.BitsPerPixel || free < source.Colors || !leading;
    if (free > 0) {
        RGBQUAD built[256];
        int result = BuildOptimizedPalette(&job.source, built, free, leading ? &job.builtTable : nullptr);
        if (result != K_OK) return result;
        for (int k = 0; k < free; ++k) work[slots[k]] = built[k];
        job.matchTable = job.builtTable;
    }
    std::memcpy(target->ColorTable, work, colors * sizeof(RGBQUAD));
    target->PaletteHandle = CreatePaletteFromColors(work, colors);
    target->Flags |= K_OPTIMIZED_PALETTE;
    return target->PaletteHandle ? K_OK : K_ERR_MEMORY;
}

int ConvertRows(ColorResJob& job, RowCallback rowCallback, void* userData) {
    BitmapRecord* source = &job.source;
    BitmapRecord* target = job.target;
    bool store = target != &job.scratch;
    int width = source->Width;
    int rowBytes = GetMaxRowBytes(width, source->BitsPerPixel, width, job.bits);
    GlobalBuffer in(rowBytes, true), out(rowBytes, true);
    if (!in || !out) return K_ERR_MEMORY;

    BitmapLock sourceLock(source);
    std::optional<BitmapLock> targetLock;
    if (store) targetLock.emplace(target);
    Progress progress(source->Height);
    int result = progress.Begin();
    for (int r = 0; r < source->Height && result == K_OK; ++r) {
        int got = K_GetBitmapRow(source, in.get(), r, source->BytesPerLine);
        if (got < 0) return got;
        unsigned char* row = in.get();
        if (job.dithered) {
            K_DitherLine(source, in.get(), out.get());
            row = out.get();
        } else {
            K_ConvertBuffer(row, width, source->BitsPerPixel, job.bits, source->ColorOrder, target->ColorOrder,
                            job.sourcePalette, target->ColorTable);
        }
        if (rowCallback) {
            result = rowCallback(target, row, 1, userData);
            if (result != K_OK) return result;
        }
        if (store) {
            int put = K_PutBitmapRow(target, row, r, target->BytesPerLine);
            if (put < 0) return put;
        }
        result = progress.Step();
    }
    return result;
}

}  // namespace

extern "C" int KAPI K_ColorResBitmap(BitmapRecord* source, BitmapRecord* target, int bits, int flags,
                                     const RGBQUAD* palette, int count, RowCallback rowCallback, void* userData) {
    if (!source || !(source->Flags & K_ALLOCATED) || !IsValidDepth(bits) || !IsValidDepth(source->BitsPerPixel))
        return K_ERR_ARGUMENT;
    int choice = flags & 0x3F;
    int method = (flags >> 16) & 0xFF;
    if (!ValidChoice(bits, choice) || method > 7 || count < 0) return K_ERR_ARGUMENT;
    if (bits <= 8 && (count == 0 || count > 1 << bits)) count = 1 << bits;
    bool callerPalette = choice == kFlagUser || choice == kFlagUserTable;
    if (callerPalette && !palette) return K_ERR_ARGUMENT;

    std::unique_ptr<ColorResJob> job(new (std::nothrow) ColorResJob);
    if (!job) return K_ERR_MEMORY;
    job->caller = source;
    job->callerState = source->DitherStatePointer;
    job->source = *source;
    job->entryCacheOffset = source->RowCacheOffset;
    job->entryCacheIndex = source->RowCacheIndex;
    job->bits = bits;
    job->choice = choice;
    job->method = method;
    job->sameRecord = target == source;
    job->target = target ? target : &job->scratch;
    // Read before the target (which may be the source) is cleared.
    if (palette && bits <= 8) {
        job->callerCount = count;
        std::memcpy(job->callerPalette, palette, count * sizeof(RGBQUAD));
    }
    if (source->BitsPerPixel <= 8) ReadPaletteInUse(source, job->sourcePalette);

    BitmapRecord* out = job->target;
    int result = K_InitBitmap(out, source->Width, source->Height, bits);
    if (result != K_OK) return job->Fail(result);
    CopyPlacement(out, &job->source, true);
    if (job->sameRecord) out->DitheringMethod = job->source.DitheringMethod;
    if (bits > 8) {
        out->ColorOrder = choice == kFlagOrderBgr ? K_ORDER_BGR : K_ORDER_RGB;
    } else {
        result = SetUpPalette(*job);
        if (result != K_OK) return job->Fail(result);
    }
    if (target) {
        result = K_AllocateBitmap(out, K_STORAGE_ANY);
        if (result != K_OK) return job->Fail(result);
    }
    if (job->dithered) {
        const RGBQUAD* ditherPalette = callerPalette ? job->callerPalette : out->ColorTable;
        int ditherCount = callerPalette ? job->callerCount : out->Colors;
        int saved = job->source.DitheringMethod;
        job->source.DitheringMethod = method;
        result = StartDitheringExt(&job->source, ditherPalette, ditherCount, bits, job->matchTable);
        job->source.DitheringMethod = saved;
        if (result != K_OK) return job->Fail(result);
        job->ditherStarted = true;
    }

    result = ConvertRows(*job, rowCallback, userData);
    job->StopDithering();
    if (result != K_OK) return job->Fail(result);

    if (bits <= 8) SetPaletteIndexMap(out);
    if (!target) K_FreeBitmap(out);
    // The old storage and palettes of a record converted in place.
    if (job->sameRecord) K_FreeBitmap(&job->source);
    return K_OK;
}

extern "C" int KAPI K_ColorResolution(BitmapRecord* bitmap, int bits, int flags, RowCallback rowCallback,
                                      void* userData) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    int withMethod = (flags & ~0xFF0000) | (bitmap->DitheringMethod & 0xFF) << 16;
    const RGBQUAD* palette = (flags & kFlagUser) ? bitmap->ColorTable : nullptr;
    return K_ColorResBitmap(bitmap, bitmap, bits, withMethod, palette, 0, rowCallback, userData);
}
