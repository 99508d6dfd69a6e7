// Packed DIBs to and from bitmap records.
#include "devices/dib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/rows.h"

namespace {

constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kInfoHeaderSize = 40;
// BITMAPV4HEADER and later hold the colour masks inside the header.
constexpr DWORD kMasksInHeaderSize = 52;
constexpr UINT kDibBlockFlags = GMEM_MOVEABLE | GMEM_DDESHARE;

uint32_t Read32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

int ScreenDpi(int index) {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, index) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// 5-6-5 words to the library's 5-5-5.
void Convert565To555(unsigned char* row, int count) {
    for (int x = 0; x < count; ++x) {
        unsigned v = Read16(row + 2 * x);
        unsigned w = (v & 0xFFC0) >> 1 | (v & 0x1F);
        row[2 * x] = static_cast<unsigned char>(w);
        row[2 * x + 1] = static_cast<unsigned char>(w >> 8);
    }
}

// Colours read from a palette handle of a record.
int ReadColors(HPALETTE palette, RGBQUAD* table, int count) { return GetPaletteColors(palette, table, count); }

}  // namespace

int DibColorCount(const BITMAPINFOHEADER* header) {
    int bits = header->biBitCount;
    if (header->biSize == kCoreHeaderSize) {
        auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(header);
        bits = core->bcBitCount;
        if (bits >= 24) return 0;
        return bits < 16 ? 1 << bits : 0;
    }
    if (header->biClrUsed != 0) return static_cast<int>(std::min<DWORD>(header->biClrUsed, 0x7FFFFFFF));
    switch (bits) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

int DpiFromPelsPerMeter(int pelsPerMeter) {
    return static_cast<int>((static_cast<int64_t>(pelsPerMeter) * 254 + 5000) / 10000);
}
int PelsPerMeterFromDpi(int dpi) { return static_cast<int>((static_cast<int64_t>(dpi) * 10000 + 127) / 254); }

int ParseDibHeader(const void* block, size_t size, DibLayout* out) {
    auto* p = static_cast<const unsigned char*>(block);
    if (!p || (size != 0 && size < 4)) return K_ERR_ARGUMENT;
    DibLayout d;
    uint32_t headerSize = Read32(p);
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;
    int64_t height = 0;
    if (headerSize == kCoreHeaderSize) {
        if (size != 0 && size < kCoreHeaderSize) return K_ERR_ARGUMENT;
        d.width = Read16(p + 4);
        height = Read16(p + 6);
        d.planes = Read16(p + 8);
        d.bits = Read16(p + 10);
        d.entrySize = 3;
    } else {
        // Any header of 40 bytes or more reads as a BITMAPINFOHEADER.
        if (headerSize < kInfoHeaderSize || headerSize > 0x10000) return K_ERR_ARGUMENT;
        if (size != 0 && size < headerSize) return K_ERR_ARGUMENT;
        int32_t w = static_cast<int32_t>(Read32(p + 4));
        int32_t h = static_cast<int32_t>(Read32(p + 8));
        if (w < 0) return K_ERR_ARGUMENT;
        d.width = w;
        height = h;
        d.planes = Read16(p + 12);
        d.bits = Read16(p + 14);
        compression = Read32(p + 16);
        d.xPelsPerMeter = static_cast<int32_t>(Read32(p + 24));
        d.yPelsPerMeter = static_cast<int32_t>(Read32(p + 28));
        colorsUsed = Read32(p + 32);
    }
    if (height < 0) {
        d.topDown = true;
        height = -height;
    }
    if (d.width == 0 || height == 0 || height > 0x7FFFFFFF) return K_ERR_ARGUMENT;
    d.height = static_cast<int>(height);
    if (d.planes != 1) return -91;

    size_t masksBytes = 0;
    if (compression == BI_BITFIELDS && (d.bits == 16 || d.bits == 32)) {
        const unsigned char* masks = p + kInfoHeaderSize;
        if (headerSize < kMasksInHeaderSize) {
            masksBytes = 12;
            if (size != 0 && size < headerSize + masksBytes) return K_ERR_ARGUMENT;
        }
        uint32_t r = Read32(masks), g = Read32(masks + 4), b = Read32(masks + 8);
        if (d.bits == 16) {
            if (r == 0xF800 && g == 0x07E0 && b == 0x001F)
                d.is565 = true;
            else if (!(r == 0x7C00 && g == 0x03E0 && b == 0x001F))
                return -92;
        } else {
            if (r == 0x000000FF && g == 0x0000FF00 && b == 0x00FF0000)
                d.colorOrder = 0;
            else if (!(r == 0x00FF0000 && g == 0x0000FF00 && b == 0x000000FF))
                return -92;
        }
    } else if (compression != BI_RGB) {
        return -92;
    }
    if (d.bits != 1 && d.bits != 4 && d.bits != 8 && d.bits != 16 && d.bits != 24 && d.bits != 32) return -93;
    if (d.bits <= 8) d.colorOrder = 0;

    // Colours: at most 2^bits for palette DIBs; others may carry a table
    // that nothing reads, which is skipped.
    int64_t colors;
    if (headerSize == kCoreHeaderSize)
        colors = d.bits <= 8 ? 1 << d.bits : 0;
    else if (colorsUsed != 0)
        colors = colorsUsed;
    else
        colors = d.bits <= 8 ? 1 << d.bits : 0;
    if (d.bits <= 8 && colors > (1 << d.bits)) return K_ERR_ARGUMENT;
    if (colors > 256) return K_ERR_ARGUMENT;
    d.colors = static_cast<int>(colors);

    d.rowBytes = ((static_cast<uint64_t>(d.width) * d.bits + 31) / 32) * 4;
    uint64_t pixelBytes = static_cast<uint64_t>(d.rowBytes) * d.height;
    d.colorTableOffset = headerSize + masksBytes;
    uint64_t pixelOffset = d.colorTableOffset + static_cast<uint64_t>(d.colors) * d.entrySize;
    if (pixelBytes > 0x7FFFFFF0u) return K_ERR_ARGUMENT;
    if (size != 0 && pixelOffset + pixelBytes > size) return K_ERR_ARGUMENT;
    d.pixelOffset = static_cast<size_t>(pixelOffset);
    d.pixelBytes = static_cast<size_t>(pixelBytes);
    *out = d;
    return K_OK;
}

int StoreDib(BitmapRecord* bitmap, const DibLayout& d, const unsigned char* header, const unsigned char* pixels) {
    int result = K_InitBitmap(bitmap, d.width, d.height, d.bits);
    if (result != K_OK) return result;
    result = K_AllocateBitmap(bitmap, K_STORAGE_ANY);
    if (result != K_OK) return result;

    std::memset(bitmap->ColorTable, 0, sizeof bitmap->ColorTable);
    int colors = d.bits <= 8 ? d.colors : 0;
    const unsigned char* table = header + d.colorTableOffset;
    for (int i = 0; i < colors; ++i) {
        bitmap->ColorTable[i].rgbBlue = table[i * d.entrySize];
        bitmap->ColorTable[i].rgbGreen = table[i * d.entrySize + 1];
        bitmap->ColorTable[i].rgbRed = table[i * d.entrySize + 2];
    }
    bitmap->Colors = colors;
    bitmap->DibHeader.biClrUsed = colors;
    bitmap->ViewPerspective = K_BOTTOM_UP;
    bitmap->ColorOrder = d.bits > 8 ? d.colorOrder : 0;
    bitmap->XResolution = d.xPelsPerMeter > 0 ? DpiFromPelsPerMeter(d.xPelsPerMeter) : ScreenDpi(LOGPIXELSX);
    bitmap->YResolution = d.yPelsPerMeter > 0 ? DpiFromPelsPerMeter(d.yPelsPerMeter) : ScreenDpi(LOGPIXELSY);
    bitmap->DibHeader.biXPelsPerMeter = PelsPerMeterFromDpi(bitmap->XResolution);
    bitmap->DibHeader.biYPelsPerMeter = PelsPerMeterFromDpi(bitmap->YResolution);

    {
        BitmapLock lock(bitmap);
        std::vector<unsigned char> row(d.rowBytes);
        for (int i = 0; i < d.height; ++i) {
            // Row i of the DIB in memory; bottom-up DIBs start with the bottom row.
            int storageRow = d.topDown ? d.height - 1 - i : i;
            std::memcpy(row.data(), pixels + static_cast<size_t>(i) * d.rowBytes, d.rowBytes);
            if (d.is565) Convert565To555(row.data(), d.width);
            int moved = K_PutBitmapRow(bitmap, row.data(), storageRow, bitmap->BytesPerLine);
            if (moved < 0) {
                FreeBitmapIfAllocated(bitmap, 1);
                return moved;
            }
        }
    }
    if (colors > 0) {
        if (IsGreyTable(bitmap->ColorTable, colors)) bitmap->Flags |= K_GRAY_PALETTE;
        CreateBitmapPalette(bitmap);
    }
    return K_OK;
}

int LoadPackedDib(BitmapRecord* bitmap, const void* block, size_t size) {
    if (!bitmap || !block || size == 0) return K_ERR_ARGUMENT;
    DibLayout d;
    int result = ParseDibHeader(block, size, &d);
    if (result != K_OK) return result;
    auto* p = static_cast<const unsigned char*>(block);
    return StoreDib(bitmap, d, p, p + d.pixelOffset);
}

int GetDibColors(const BitmapRecord* bitmap, RGBQUAD* table) {
    int bits = bitmap->BitsPerPixel;
    if (bits > 8) return 0;
    int maximum = 1 << bits;
    int count = bitmap->Colors > 0 && bitmap->Colors <= maximum ? bitmap->Colors : maximum;
    std::memset(table, 0, sizeof(RGBQUAD) * count);
    HPALETTE palette = PaletteInUse(bitmap);
    if (palette) {
        ReadColors(palette, table, count);
    } else if (!(bitmap->Flags & K_PALETTE_INDEX_MAP)) {
        std::memcpy(table, bitmap->ColorTable, sizeof(RGBQUAD) * count);
    } else {
        // An index map without a palette: the fixed palette of the depth.
        int fixedCount = 0;
        const RGBQUAD* fixed = FixedPaletteForDepth(bits, &fixedCount);
        if (fixed) std::memcpy(table, fixed, sizeof(RGBQUAD) * std::min(count, fixedCount));
    }
    for (int i = 0; i < count; ++i) table[i].rgbReserved = 0;
    return count;
}

namespace {

// Builds a packed DIB of a record: 16- and 32-bit records become 24-bit
// DIBs, every DIB is blue-green-red and bottom-up.
HGLOBAL BuildDib(BitmapRecord* bitmap) {
    int bits = bitmap->BitsPerPixel;
    int dibBits = bits == 16 || bits == 32 ? 24 : bits;
    int width = bitmap->Width, height = bitmap->Height;
    if (width <= 0 || height <= 0) return nullptr;
    RGBQUAD colors[256];
    int colorCount = dibBits <= 8 ? GetDibColors(bitmap, colors) : 0;
    uint64_t rowBytes = ((static_cast<uint64_t>(width) * dibBits + 31) / 32) * 4;
    uint64_t imageSize = rowBytes * height;
    uint64_t total = kInfoHeaderSize + 4ull * colorCount + imageSize;
    if (total > 0x7FFFFFF0u) return nullptr;

    HGLOBAL block = GlobalAlloc(kDibBlockFlags | GMEM_ZEROINIT, static_cast<SIZE_T>(total));
    if (!block) return nullptr;
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(p);
    h->biSize = kInfoHeaderSize;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(dibBits);
    h->biCompression = BI_RGB;
    h->biSizeImage = static_cast<DWORD>(imageSize);
    h->biXPelsPerMeter = PelsPerMeterFromDpi(bitmap->XResolution);
    h->biYPelsPerMeter = PelsPerMeterFromDpi(bitmap->YResolution);
    h->biClrUsed = static_cast<DWORD>(colorCount);
    h->biClrImportant = 0;
    std::memcpy(p + kInfoHeaderSize, colors, 4u * colorCount);
    unsigned char* pixels = p + kInfoHeaderSize + 4u * colorCount;

    bool ok = true;
    {
        BitmapLock lock(bitmap);
        size_t work = std::max<size_t>(bitmap->BytesPerLine, static_cast<size_t>(width) * 4 + 4);
        std::vector<unsigned char> row(work);
        bool bottomUp = bitmap->ViewPerspective != K_TOP_DOWN;
        for (int i = 0; i < height && ok; ++i) {
            int storageRow = bottomUp ? i : height - 1 - i;
            if (K_GetBitmapRow(bitmap, row.data(), storageRow, bitmap->BytesPerLine) < 0) {
                ok = false;
                break;
            }
            if (bits == 16 || bits == 32)
                ok = K_ConvertBuffer(row.data(), width, bits, 24, bitmap->ColorOrder == 0 ? 0 : 1, 1, nullptr,
                                     nullptr) == K_OK;
            else if (bits == 24 && bitmap->ColorOrder == 0)
                SwapRowRedBlue(row.data(), width, 24);
            std::memcpy(pixels + i * rowBytes, row.data(), static_cast<size_t>(rowBytes));
        }
    }
    GlobalUnlock(block);
    if (!ok) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

}  // namespace

extern "C" HGLOBAL KAPI K_ConvertToDIB(BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return nullptr;
    return BuildDib(bitmap);
}

extern "C" HGLOBAL KAPI K_ChangeToDIB(BitmapRecord* bitmap) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED) || (bitmap->Flags & K_LOCKED)) return nullptr;
    HGLOBAL block = BuildDib(bitmap);
    if (block) K_FreeBitmap(bitmap);
    return block;
}

extern "C" int KAPI K_ConvertFromDIB(BitmapRecord* bitmap, const BITMAPINFO* header, const void* bits) {
    if (!bitmap || !header || !bits) return K_ERR_ARGUMENT;
    DibLayout d;
    // The caller gives no block size: the header alone is checked.
    int result = ParseDibHeader(header, 0, &d);
    if (result != K_OK) return result;
    result =
        StoreDib(bitmap, d, reinterpret_cast<const unsigned char*>(header), static_cast<const unsigned char*>(bits));
    if (result != K_OK) return result;
    // The record takes 2^bits colours and keeps no colour counts. Only the
    // entries the header holds are read (no read past a short table); the
    // others stay black. StoreDib left the table as an index map: the
    // colours come back from its palette before the longer one is made.
    bitmap->DibHeader.biClrUsed = 0;
    if (d.bits <= 8) {
        bitmap->ColorOrder = K_ORDER_BGR;
        bitmap->Colors = 1 << d.bits;
        FillColorsFromPalette(bitmap);
        CreateBitmapPalette(bitmap);
    }
    return K_OK;
}

extern "C" int KAPI K_ChangeFromDIB(BitmapRecord* bitmap, HGLOBAL dib) {
    if (!bitmap || !dib) return K_ERR_ARGUMENT;
    SIZE_T size = GlobalSize(dib);
    auto* p = static_cast<unsigned char*>(GlobalLock(dib));
    if (!p || size == 0) {
        if (p) GlobalUnlock(dib);
        return K_ERR_ARGUMENT;
    }
    DibLayout d;
    int result = ParseDibHeader(p, size, &d);
    // This takes over uncompressed 1, 4, 8 and 24-bit DIBs only.
    if (result == K_OK &&
        (d.is565 || (d.colorOrder == 0 && d.bits > 8) || (Read32(p) >= kInfoHeaderSize && Read32(p + 16) != BI_RGB)))
        result = -92;
    if (result == K_OK && d.bits != 1 && d.bits != 4 && d.bits != 8 && d.bits != 24) result = -93;
    if (result != K_OK) {
        GlobalUnlock(dib);
        return result;
    }

    // The rows are copied into storage of our own (also on Win32s, where
    // taking the block over would only save memory).
    result = StoreDib(bitmap, d, p, p + d.pixelOffset);
    GlobalUnlock(dib);
    if (result == K_OK) GlobalFree(dib);
    return result;
}
