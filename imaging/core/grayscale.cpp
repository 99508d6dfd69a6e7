// K_GrayScaleBitmap and the frame it shares with the halftones.
#include <algorithm>
#include <cstring>

#include "core/grayscale.h"
#include "core/bitmap.h"
#include "core/dither.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/status.h"

int GrayRowReader::Init(const BitmapRecord* bitmap) {
    bits_ = bitmap->BitsPerPixel;
    order_ = bitmap->ColorOrder;
    width_ = bitmap->Width;
    if (bits_ >= 16) return K_OK;
    HPALETTE palette = PaletteInUse(bitmap);
    int colors = std::clamp(bitmap->Colors, 0, 256);
    RGBQUAD entries[256] = {};
    if (!palette || GetPaletteColors(palette, entries, colors) != colors) return K_ERR_NOBITMAP;
    for (int i = 0; i < colors; ++i)
        table_[i] = static_cast<unsigned char>(GrayLevel(entries[i].rgbRed, entries[i].rgbGreen, entries[i].rgbBlue));
    return K_OK;
}

void GrayRowReader::Read(const unsigned char* row, unsigned char* levels) const {
    switch (bits_) {
        case 1:
            for (int x = 0; x < width_; ++x) levels[x] = table_[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width_; ++x) levels[x] = table_[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
            break;
        case 8:
            for (int x = 0; x < width_; ++x) levels[x] = table_[row[x]];
            break;
        case 16:
            for (int x = 0; x < width_; ++x) {
                int w = row[2 * x] | row[2 * x + 1] << 8;
                int high = Expand5To8((w >> 10) & 31), green = Expand5To8((w >> 5) & 31), low = Expand5To8(w & 31);
                levels[x] = static_cast<unsigned char>(order_ == K_ORDER_BGR ? GrayLevel(high, green, low)
                                                                             : GrayLevel(low, green, high));
            }
            break;
        default: {
            int step = bits_ / 8;
            for (int x = 0; x < width_; ++x) {
                const unsigned char* p = row + x * step;
                levels[x] = static_cast<unsigned char>(order_ == K_ORDER_BGR ? GrayLevel(p[2], p[1], p[0])
                                                                             : GrayLevel(p[0], p[1], p[2]));
            }
            break;
        }
    }
}

namespace {

int ConvertRows(BitmapRecord* source, BitmapRecord* target, const GrayRowReader& reader,
                const GrayRowConverter& convert, unsigned char* sourceRow, unsigned char* levels,
                unsigned char* targetRow) {
    BitmapLock sourceLock(source);
    BitmapLock targetLock(target);
    Progress progress(source->Height);
    int result = progress.Begin();
    for (int r = 0; r < source->Height && result == K_OK; ++r) {
        int got = K_GetBitmapRow(source, sourceRow, r, source->BytesPerLine);
        if (got < 0) return got;
        reader.Read(sourceRow, levels);
        convert(levels, targetRow, r);
        int put = K_PutBitmapRow(target, targetRow, r, target->BytesPerLine);
        if (put < 0) return put;
        result = progress.Step();
    }
    return result;
}

}  // namespace

int ReplaceWithGrayDerived(BitmapRecord* bitmap, int targetBits, const GrayRowConverter& convert) {
    GlobalBuffer temporary(sizeof(BitmapRecord), true);
    if (!temporary) return K_ERR_MEMORY;
    GrayRowReader reader;
    int result = reader.Init(bitmap);
    if (result != K_OK) return result;

    GlobalBuffer sourceRow(bitmap->BytesPerLine, true);
    GlobalBuffer levels(bitmap->Width > 0 ? bitmap->Width : 1);
    auto* derived = reinterpret_cast<BitmapRecord*>(temporary.get());
    if (!sourceRow || !levels || K_InitBitmap(derived, bitmap->Width, bitmap->Height, targetBits) != K_OK ||
        K_AllocateBitmap(derived, K_STORAGE_ANY) != K_OK)
        return K_ERR_MEMORY;
    CopyPlacement(derived, bitmap, true);
    if (targetBits == 8) {
        derived->PaletteHandle = CreateGrayPalette(8);
        derived->Flags |= K_GRAY_PALETTE;
    } else {
        derived->PaletteHandle = CreateFixedPalette(1);
    }
    SetPaletteIndexMap(derived);
    GlobalBuffer targetRow(derived->BytesPerLine, true);
    if (!targetRow || !derived->PaletteHandle) {
        K_FreeBitmap(derived);
        return K_ERR_MEMORY;
    }
    result = ConvertRows(bitmap, derived, reader, convert, sourceRow.get(), levels.get(), targetRow.get());
    if (result != K_OK) {
        K_FreeBitmap(derived);
        return result;
    }
    derived->DitheringMethod = bitmap->DitheringMethod;
    K_FreeBitmap(bitmap);
    *bitmap = *derived;
    return K_OK;
}

extern "C" int KAPI K_GrayScaleBitmap(BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    int width = bitmap->Width;
    return ReplaceWithGrayDerived(bitmap, 8, [width](const unsigned char* levels, unsigned char* target, int) {
        std::memcpy(target, levels, width);
    });
}
