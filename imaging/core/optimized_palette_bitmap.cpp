// K_OptimizeBitmap and the user match tables.
#include <cstring>

#include "core/dither.h"
#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/status.h"

namespace {

uint32_t* g_userMatchTable = nullptr;

// Progress of an optimization: 0, 30 once the palette is built, then the
// other 70 over the rows with the remainder carried.
class OptimizeProgress {
public:
    explicit OptimizeProgress(int rows) : callback_(CurrentStatusCallback()), rows_(rows > 0 ? rows : 1) {}
    int Report(int percent) {
        if (!callback_ || percent == last_) return K_OK;
        last_ = percent;
        return callback_(percent);
    }
    int Row() {
        percent_ += 70 / rows_;
        remainder_ += 70 % rows_;
        if (remainder_ >= rows_) {
            ++percent_;
            remainder_ -= rows_;
        }
        return Report(percent_);
    }

private:
    StatusCallback callback_;
    int rows_;
    int last_ = -1;
    int percent_ = 30;
    int remainder_ = 0;
};

// Rows are dithered in place, or into a second row when the target has more
// bits than the source (a 1 or 4-bit picture of few colours).
int OptimizeRows(BitmapRecord* source, BitmapRecord* target, unsigned char* row, unsigned char* out,
                 OptimizeProgress& progress) {
    BitmapLock sourceLock(source);
    BitmapLock targetLock(target);
    for (int r = 0; r < source->Height; ++r) {
        int got = K_GetBitmapRow(source, row, r, source->BytesPerLine);
        if (got < 0) return got;
        K_DitherLine(source, row, out);
        int put = K_PutBitmapRow(target, out, r, target->BytesPerLine);
        if (put < 0) return put;
        int result = progress.Row();
        if (result != K_OK) return result;
    }
    return K_OK;
}

// Builds the optimized copy of source in target (a zeroed record).
int OptimizeInto(BitmapRecord* source, BitmapRecord* target, int method, int colors) {
    int bits = colors <= 2 ? 1 : colors <= 16 ? 4 : 8;
    int result = K_InitBitmap(target, source->Width, source->Height, bits);
    if (result != K_OK) return result;
    result = K_AllocateBitmap(target, K_STORAGE_ANY);
    if (result != K_OK) return result;
    target->ColorOrder = K_ORDER_BGR;
    CopyPlacement(target, source, true);
    std::memset(target->ColorTable, 0, sizeof target->ColorTable);

    OptimizeProgress progress(source->Height);
    uint32_t* table = nullptr;
    result = progress.Report(0);
    if (result == K_OK) result = BuildOptimizedPalette(source, target->ColorTable, colors, &table);
    if (result == K_OK) result = progress.Report(30);
    size_t rowBytes = GetMaxRowBytes(source->Width, source->BitsPerPixel, target->Width, bits);
    GlobalBuffer row(rowBytes, true), second(bits > source->BitsPerPixel ? rowBytes : 0, true);
    unsigned char* out = bits > source->BitsPerPixel ? second.get() : row.get();
    if (result == K_OK && (!row || !out)) result = K_ERR_MEMORY;
    if (result == K_OK) {
        target->PaletteHandle = CreatePaletteFromColors(target->ColorTable, target->Colors);
        target->Flags |= K_OPTIMIZED_PALETTE;
        if (!target->PaletteHandle) result = K_ERR_MEMORY;
    }
    if (result == K_OK) {
        int saved = source->DitheringMethod;
        source->DitheringMethod = method;
        result = StartDitheringExt(source, target->ColorTable, colors, bits, table);
        source->DitheringMethod = saved;
    }
    if (result == K_OK) {
        result = OptimizeRows(source, target, row.get(), out, progress);
        K_StopDithering(source);
    }
    SetPaletteIndexMap(target);
    FreeGlobalLocked(table);
    if (result != K_OK) K_FreeBitmap(target);
    return result;
}

}  // namespace

uint32_t* CurrentUserMatchTable() { return g_userMatchTable; }

extern "C" int KAPI K_OptimizeBitmap(BitmapRecord* source, BitmapRecord* target, int method, int colors) {
    if (colors < 1 || colors > 256) return K_ERR_UNSUPPORTED;
    if (!source || !(source->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (!target) return K_ERR_ARGUMENT;
    // Built aside, so that a failure or a stop leaves the target as it was.
    GlobalBuffer temporary(sizeof(BitmapRecord), true);
    if (!temporary) return K_ERR_MEMORY;
    auto* optimized = reinterpret_cast<BitmapRecord*>(temporary.get());
    int result = OptimizeInto(source, optimized, method, colors);
    if (result != K_OK) return result;
    if (target == source) {
        optimized->DitheringMethod = source->DitheringMethod;
        K_FreeBitmap(source);
    }
    *target = *optimized;
    return K_OK;
}

extern "C" unsigned int* KAPI K_CreateUserMatchTable(const RGBQUAD* palette, int count) {
    if (!palette || count < 1 || count > 256) return nullptr;
    auto* table = static_cast<uint32_t*>(AllocGlobalLocked(kMatchCells * sizeof(uint32_t)));
    if (!table) return nullptr;
    for (int i = 0; i < kMatchCells; ++i) {
        int r = (i >> 10) & 31, g = (i >> 5) & 31, b = i & 31;
        table[i] = 1u + MatchPaletteColor(palette, count, r << 3, g << 3, b << 3);
    }
    return reinterpret_cast<unsigned int*>(table);
}

extern "C" unsigned int* KAPI K_SetUserMatchTable(unsigned int* table) {
    unsigned int* previous = reinterpret_cast<unsigned int*>(g_userMatchTable);
    g_userMatchTable = reinterpret_cast<uint32_t*>(table);
    return previous;
}

extern "C" int KAPI K_FreeUserMatchTable(unsigned int* table) {
    if (!table) return K_OK;
    // A freed table must not stay the process table.
    if (reinterpret_cast<uint32_t*>(table) == g_userMatchTable) g_userMatchTable = nullptr;
    FreeGlobalLocked(table);
    return K_OK;
}
