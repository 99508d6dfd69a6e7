// Palette handles of bitmap records and the exported palette operations.
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"

namespace {

int ClampColors(int colors) { return colors < 0 ? 0 : colors > 256 ? 256 : colors; }

void DeletePalette(HPALETTE palette) {
    if (palette) DeleteObject(palette);
}

}  // namespace

HPALETTE PaletteInUse(const BitmapRecord* bitmap) {
    return (bitmap->Flags & K_FIXED_PALETTE_IN_USE) ? bitmap->FixedPaletteHandle : bitmap->PaletteHandle;
}

int SetPaletteIndexMap(BitmapRecord* bitmap) {
    for (int i = 0; i < 256; ++i) {
        uint32_t v = static_cast<uint32_t>(i);
        std::memcpy(&bitmap->ColorTable[i], &v, sizeof v);
    }
    bitmap->Flags |= K_PALETTE_INDEX_MAP;
    return 0;
}

int GetPaletteColors(HPALETTE palette, RGBQUAD* table, int count) {
    if (!palette || !table || count <= 0) return 0;
    if (count > 256) count = 256;
    PALETTEENTRY entries[256];
    int n = static_cast<int>(GetPaletteEntries(palette, 0, static_cast<UINT>(count), entries));
    if (n < 0 || n > count) n = 0;
    for (int i = 0; i < n; ++i) table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    return n;
}

int PaletteEqualsTable(HPALETTE palette, const RGBQUAD* table, int count) {
    if (count > 256) count = 256;
    if (count <= 0) return 1;
    // No palette, or one shorter than the table, is not the table: a record
    // so taken for the fixed palette would be painted unconverted.
    if (!palette || !table) return 0;
    PALETTEENTRY entries[256];
    int n = static_cast<int>(GetPaletteEntries(palette, 0, static_cast<UINT>(count), entries));
    if (n < count) return 0;
    for (int i = 0; i < count; ++i) {
        if (entries[i].peRed != table[i].rgbRed || entries[i].peGreen != table[i].rgbGreen ||
            entries[i].peBlue != table[i].rgbBlue)
            return 0;
    }
    return 1;
}

int FillColorsFromPalette(BitmapRecord* bitmap) {
    if (bitmap->BitsPerPixel > 8) return 0;
    HPALETTE palette = PaletteInUse(bitmap);
    if (!palette) return 0;
    int colors = ClampColors(bitmap->Colors);
    PALETTEENTRY entries[256];
    int n = colors ? static_cast<int>(GetPaletteEntries(palette, 0, static_cast<UINT>(colors), entries)) : 0;
    if (n < 0 || n > colors) n = 0;
    // Entries the palette does not yield are black, as the rest of the table.
    for (int i = 0; i < 256; ++i) {
        RGBQUAD& slot = bitmap->ColorTable[i];
        if (i < n) {
            slot.rgbBlue = entries[i].peBlue;
            slot.rgbGreen = entries[i].peGreen;
            slot.rgbRed = entries[i].peRed;
        } else {
            slot.rgbBlue = slot.rgbGreen = slot.rgbRed = 0;
        }
    }
    bitmap->Flags &= ~K_PALETTE_INDEX_MAP;
    return 1;
}

int SetFixedPalette(BitmapRecord* bitmap) {
    const RGBQUAD* fixed = FixedPaletteOfSize(bitmap->Colors);
    if (!fixed) return 0;
    std::memcpy(bitmap->ColorTable, fixed, bitmap->Colors * sizeof(RGBQUAD));
    bitmap->FixedPaletteHandle = CreatePaletteFromColors(fixed, bitmap->Colors);
    SetPaletteIndexMap(bitmap);
    return 1;
}

int CreateBitmapPalette(BitmapRecord* bitmap) {
    DeletePalette(bitmap->PaletteHandle);
    bitmap->PaletteHandle = CreatePaletteFromColors(bitmap->ColorTable, ClampColors(bitmap->Colors));
    SetPaletteIndexMap(bitmap);
    return 1;
}

int GetGrayPaletteOrder(const BitmapRecord* bitmap) {
    if (bitmap->BitsPerPixel > 8) return 0;
    HPALETTE palette = PaletteInUse(bitmap);
    int n = bitmap->Colors;
    // One entry is no ramp (and would divide by zero below).
    if (!palette || n < 2 || n > 256) return 0;
    RGBQUAD table[256];
    if (GetPaletteColors(palette, table, n) < n) return 0;
    int step = 255 / (n - 1);
    bool descending = table[0].rgbRed != 0;
    unsigned char expected = descending ? 255 : 0;
    for (int i = 0; i < n; ++i) {
        if (table[i].rgbRed != expected || table[i].rgbBlue != expected) return 0;
        expected = static_cast<unsigned char>(descending ? expected - step : expected + step);
    }
    return descending ? 2 : 1;
}

PaletteColorsScope::PaletteColorsScope(BitmapRecord* bitmap) : bitmap_(bitmap) {
    if (bitmap->BitsPerPixel <= 8 && (bitmap->Flags & K_PALETTE_INDEX_MAP)) {
        FillColorsFromPalette(bitmap);
        restore_ = true;
    }
}

PaletteColorsScope::~PaletteColorsScope() {
    if (restore_) SetPaletteIndexMap(bitmap_);
}

namespace {

// Checks shared by K_GetBitmapColors and K_PutBitmapColors.
int CheckColorRange(const BitmapRecord* bitmap, int first, int count, const void* table) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (!table || first < 0 || count < 0 || bitmap->BitsPerPixel > 8) return K_ERR_ARGUMENT;
    if (bitmap->Colors < 0 || bitmap->Colors > 256 || first > bitmap->Colors - count) return K_ERR_ARGUMENT;
    return K_OK;
}

}  // namespace

extern "C" int KAPI K_GetBitmapColors(BitmapRecord* bitmap, int first, int count, RGBQUAD* table) {
    int check = CheckColorRange(bitmap, first, count, table);
    if (check != K_OK) return check;
    RGBQUAD work[256] = {};
    GetPaletteColors(PaletteInUse(bitmap), work, bitmap->Colors);
    for (int i = 0; i < count; ++i) {
        const RGBQUAD& e = work[first + i];
        table[i] = RGBQUAD{e.rgbBlue, e.rgbGreen, e.rgbRed, 0};
    }
    return K_OK;
}

extern "C" int KAPI K_PutBitmapColors(BitmapRecord* bitmap, int first, int count, const RGBQUAD* table) {
    int check = CheckColorRange(bitmap, first, count, table);
    if (check != K_OK) return check;
    RGBQUAD work[256] = {};
    GetPaletteColors(PaletteInUse(bitmap), work, bitmap->Colors);
    for (int i = 0; i < count; ++i) work[first + i] = table[i];

    HPALETTE created = CreatePaletteFromColors(work, bitmap->Colors);
    // Both old handles go: the one in use is replaced and the other would
    // otherwise be forgotten with its field.
    if (bitmap->FixedPaletteHandle != bitmap->PaletteHandle) DeletePalette(bitmap->FixedPaletteHandle);
    DeletePalette(bitmap->PaletteHandle);

    int size = bitmap->BitsPerPixel == 1 ? 2 : bitmap->BitsPerPixel == 4 ? 16 : bitmap->BitsPerPixel == 8 ? 256 : 0;
    const RGBQUAD* fixed = FixedPaletteOfSize(size);
    if (fixed && std::memcmp(work, fixed, size * sizeof(RGBQUAD)) == 0) {
        bitmap->FixedPaletteHandle = created;
        bitmap->PaletteHandle = nullptr;
        bitmap->Flags = (bitmap->Flags | K_FIXED_PALETTE_IN_USE) & ~K_FILE_PALETTE;
    } else {
        bitmap->PaletteHandle = created;
        bitmap->FixedPaletteHandle = nullptr;
        bitmap->Flags = (bitmap->Flags & ~K_FIXED_PALETTE_IN_USE) | K_FILE_PALETTE;
    }
    SetPaletteIndexMap(bitmap);
    return K_OK;
}

extern "C" HPALETTE KAPI K_DupPalette(HPALETTE palette) {
    if (!palette) return nullptr;
    WORD count = 0;
    if (GetObjectA(palette, sizeof count, &count) == 0 || count == 0) return nullptr;
    size_t bytes = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count;
    GlobalBuffer buffer(bytes, true);
    if (!buffer) return nullptr;
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.get());
    lp->palVersion = 0x300;
    lp->palNumEntries = count;
    UINT got = GetPaletteEntries(palette, 0, count, lp->palPalEntry);
    if (got < count) lp->palNumEntries = static_cast<WORD>(got);
    if (lp->palNumEntries == 0) return nullptr;
    for (UINT i = 0; i < lp->palNumEntries; ++i) lp->palPalEntry[i].peFlags = 0;
    return CreatePalette(lp);
}
