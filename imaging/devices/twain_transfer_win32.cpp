// Image transfers from a TWAIN source: native DIBs and buffered memory
// strips, page by page into the caller's bitmap.
#include <algorithm>
#include <cstring>
#include <memory>

#include "core/bitmap.h"
#include "devices/dib.h"
#include "core/memory.h"
#include "core/palette.h"
#include "devices/twain_connection.h"
#include "devices/twain_log.h"

namespace {

// The source sent compressed strips, which this library does not decode.
constexpr int kCompressedStrips = -92;

// A page is built in a record of its own and replaces the caller's picture
// only when it is complete, so a failed page leaves the last one and no
// page's storage is lost.
struct PageRecord {
    BitmapRecord b{};
    ~PageRecord() {
        if (b.Flags & K_ALLOCATED) K_FreeBitmap(&b);
    }
    void MoveTo(BitmapRecord* target) {
        if (target->Flags & K_ALLOCATED) K_FreeBitmap(target);
        *target = b;
        std::memset(&b, 0, sizeof b);
    }
};

int GetNativeImage(TwainConnection* c, BitmapRecord* bitmap) {
    TwainLog("GetNativeImage(" TWAIN_PTR ", " TWAIN_PTR ")\n", c, bitmap);
    // The DIB's handle, pointer-sized on 64-bit Windows.
    TW_HANDLE handle = nullptr;
    TW_UINT16 rc = c->Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    int result;
    if (rc == TWRC_CANCEL) {
        result = K_ERR_TWAIN_CANCEL;
    } else if (rc != TWRC_XFERDONE) {
        result = TranslateTwainError(c, true);
    } else if (!handle) {
        result = K_ERR_NOBITMAP;
    } else {
        HGLOBAL dib = handle;
        // The block's own size bounds what its header claims.
        const void* p = GlobalLock(dib);
        result = p ? LoadPackedDib(bitmap, p, GlobalSize(dib)) : K_ERR_MEMORY;
        if (p) GlobalUnlock(dib);
        GlobalFree(dib);
    }
    TwainLog("GetNativeImage returns %d\n", result);
    return result;
}

int Fix32Whole(TW_FIX32 f) { return f.Whole; }
int Fix32Times(TW_FIX32 a, TW_FIX32 b) {
    // Whole part times whole plus fraction times whole / 65536.
    return a.Whole * b.Whole + static_cast<int>((static_cast<long long>(a.Frac) * b.Whole) >> 16);
}

// A strip that lies inside the bitmap and inside the buffer it came in.
bool StripFits(const TW_IMAGEMEMXFER& x, const BitmapRecord* b, TW_UINT32 bufferLength, TW_UINT32 rowBytes) {
    const unsigned long long right = static_cast<unsigned long long>(x.XOffset) + x.Columns;
    const unsigned long long bottom = static_cast<unsigned long long>(x.YOffset) + x.Rows;
    if (right > static_cast<unsigned>(b->Width) || bottom > static_cast<unsigned>(b->Height)) return false;
    if (rowBytes > x.BytesPerRow && x.Rows > 0) return false;
    if (x.Rows > 0 && static_cast<unsigned long long>(x.BytesPerRow) * (x.Rows - 1) + rowBytes > bufferLength)
        return false;
    // Rows below 8 bits start on a byte.
    return static_cast<unsigned long long>(x.XOffset) * b->BitsPerPixel % 8 == 0;
}

int StoreStrip(const TW_IMAGEMEMXFER& x, BitmapRecord* b, unsigned char* buffer, TW_UINT32 bufferLength) {
    const TW_UINT32 rowBytes =
        static_cast<TW_UINT32>((static_cast<unsigned long long>(x.Columns) * b->BitsPerPixel + 7) / 8);
    if (!StripFits(x, b, bufferLength, rowBytes)) return K_ERR_TWAIN;
    for (TW_UINT32 i = 0; i < x.Rows; ++i) {
        unsigned char* row = buffer + static_cast<size_t>(x.BytesPerRow) * i;
        if (b->BitsPerPixel > 8)
            K_ConvertBuffer(row, static_cast<int>(x.Columns), b->BitsPerPixel, b->BitsPerPixel, K_ORDER_RGB,
                            b->ColorOrder, nullptr, nullptr);
        int put = K_PutBitmapRowCol(b, row, static_cast<int>(x.YOffset + i), static_cast<int>(x.XOffset),
                                    static_cast<int>(rowBytes));
        if (put < 0) return put;
    }
    return K_OK;
}

// The palette of a 4- or 8-bit page: a grey ramp, or the source's palette.
int TakePalette(TwainConnection* c, BitmapRecord* b, int pixelType) {
    if (b->FixedPaletteHandle) {
        DeleteObject(b->FixedPaletteHandle);
        b->FixedPaletteHandle = nullptr;
    }
    b->Flags &= ~K_FIXED_PALETTE_IN_USE;
    const int levels = 1 << b->BitsPerPixel;
    std::memset(b->ColorTable, 0, sizeof b->ColorTable);
    if (pixelType == TWPT_GRAY) {
        for (int i = 0; i < levels; ++i) {
            auto v = static_cast<BYTE>(i * (256 / levels));
            b->ColorTable[i] = RGBQUAD{v, v, v, 0};
        }
    } else {
        TW_PALETTE8 palette{};
        if (c->Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette) != TWRC_SUCCESS) return TranslateTwainError(c, true);
        const int count = std::min<int>(palette.NumColors, 256);
        for (int i = 0; i < count; ++i) {
            const TW_ELEMENT8& e = palette.Colors[i];
            if (e.Index >= levels) continue;
            BYTE r = e.Channel1, g = e.Channel2, bl = e.Channel3;
            if (palette.PaletteType == TWPA_CMY) r = 255 - r, g = 255 - g, bl = 255 - bl;
            b->ColorTable[e.Index] = RGBQUAD{bl, g, r, 0};
        }
    }
    b->Colors = levels;
    CreateBitmapPalette(b);
    b->Flags |= K_FILE_PALETTE;
    return K_OK;
}

int TakeBilevelPalette(TwainConnection* c, BitmapRecord* b) {
    TwainLog("GetCurPixelFlavor(" TWAIN_PTR ")\n", c);
    long flavor = -1;
    if (GetCurrentCapability(c, ICAP_PIXELFLAVOR, &flavor) != K_OK) flavor = -1;
    TwainLog("GetCurPixelFlavor returns %d\n", static_cast<int>(flavor));
    if (flavor != TWPF_VANILLA) return K_OK;
    // Vanilla: 0 is the lightest shade.
    b->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
    b->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
    b->Colors = 2;
    CreateBitmapPalette(b);
    if (b->FixedPaletteHandle) {
        DeleteObject(b->FixedPaletteHandle);
        b->FixedPaletteHandle = nullptr;
    }
    b->Flags = (b->Flags & ~K_FIXED_PALETTE_IN_USE) | K_FILE_PALETTE;
    return K_OK;
}

int Strips(TwainConnection* c, BitmapRecord* b, const TW_SETUPMEMXFER& setup) {
    // The buffer: the preferred size, at least a row, quartered until it can
    // be had but never below the source's minimum or a row.
    const TW_UINT32 row = static_cast<TW_UINT32>(b->BytesPerLine);
    const TW_UINT32 floor = std::max(setup.MinBufSize, row);
    TW_UINT32 size = std::max((setup.Preferred + 3) & ~3u, row);
    auto buffer = std::make_unique<GlobalBuffer>(size);
    while (!*buffer && size / 4 >= floor) {
        size = std::max(((size / 4) + 3) & ~3u, floor);
        buffer = std::make_unique<GlobalBuffer>(size);
    }
    if (!*buffer) return K_ERR_MEMORY;
    BitmapLock lock(b);
    for (;;) {
        TW_IMAGEMEMXFER x;
        std::memset(&x, 0xFF, sizeof x);
        x.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        x.Memory.Length = size;
        x.Memory.TheMem = buffer->get();
        TW_UINT16 rc = c->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x);
        TwainLog("return DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET = %u\n", rc);
        if (rc == TWRC_CANCEL) return K_ERR_TWAIN_CANCEL;
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return TranslateTwainError(c, true);
        if (x.Compression != 0) return kCompressedStrips;
        int stored = StoreStrip(x, b, buffer->get(), size);
        if (stored != K_OK) return stored;
        if (rc == TWRC_XFERDONE) return K_OK;
    }
}

int GetBufferedImage(TwainConnection* c, BitmapRecord* bitmap, TW_IMAGEINFO* info) {
    TwainLog("GetBufferedImage(" TWAIN_PTR ", " TWAIN_PTR ", " TWAIN_PTR ")\n", c, bitmap, info);
    TW_SETUPMEMXFER setup{};
    TW_IMAGELAYOUT layout{};
    TW_UINT16 rc = c->Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    TwainLog("return DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET = %u\n", rc);
    if (rc == TWRC_SUCCESS) {
        rc = c->Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, info);
        TwainLog("return DG_IMAGE, DAT_IMAGEINFO, MSG_GET = %u\n", rc);
    }
    if (rc == TWRC_SUCCESS) {
        rc = c->Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout);
        TwainLog("return DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET = %u\n", rc);
    }
    int result = K_OK;
    if (rc != TWRC_SUCCESS) result = TranslateTwainError(c, true);
    if (result == K_OK) {
        int width = info->ImageWidth, height = info->ImageLength;
        if (width == -1)
            width =
                Fix32Times(layout.Frame.Right, info->XResolution) - Fix32Times(layout.Frame.Left, info->XResolution);
        if (height == -1)
            height =
                Fix32Times(layout.Frame.Bottom, info->YResolution) - Fix32Times(layout.Frame.Top, info->YResolution);
        const int bits = info->BitsPerPixel;
        TwainLog("K_CreateBitmap(" TWAIN_PTR ", %d, %u, %u, %u, %u, " TWAIN_PTR ", %u)\n", bitmap, K_STORAGE_ANY, width,
                 height, bits, K_ORDER_BGR, static_cast<void*>(nullptr), K_TOP_DOWN);
        result = K_CreateBitmap(bitmap, K_STORAGE_ANY, width, height, bits, K_ORDER_BGR, nullptr, K_TOP_DOWN);
        TwainLog("K_CreateBitmap return %d\n", result);
    }
    if (result == K_OK) {
        bitmap->XResolution = Fix32Whole(info->XResolution);
        bitmap->YResolution = Fix32Whole(info->YResolution);
        result = Strips(c, bitmap, setup);
    }
    if (result == K_OK && (bitmap->BitsPerPixel == 4 || bitmap->BitsPerPixel == 8))
        result = TakePalette(c, bitmap, info->PixelType);
    if (result == K_OK && bitmap->BitsPerPixel == 1) result = TakeBilevelPalette(c, bitmap);
    TwainLog("GetBufferedImage returns %d\n", result);
    return result;
}

// Ends the transfer of the page and tells how many are pending (0 when the
// source cannot say).
int EndTransfer(TwainConnection* c) {
    TW_PENDINGXFERS pending{};
    if (c->Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) return 0;
    return pending.Count;
}

// Drops pages still pending, so that the source can be disabled.
void ResetTransfers(TwainConnection* c) {
    TW_PENDINGXFERS pending{};
    c->Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}

}  // namespace

int TransferImage(TwainConnection* c, BitmapRecord* bitmap) {
    TwainLog("TransferImage(" TWAIN_PTR ", " TWAIN_PTR ")\n", c, bitmap);
    TwainLog("GetCurImageCount(" TWAIN_PTR ")\n", c);
    long pages = -1;
    if (GetCurrentCapability(c, CAP_XFERCOUNT, &pages) != K_OK) pages = -1;
    TwainLog("GetCurImageCount returns %d\n", static_cast<int>(pages));
    TW_IMAGEINFO info{};
    int result = K_OK;
    int transferred = 0;
    if (pages == 0) {
        // Nothing to transfer is not an acquisition.
        result = K_ERR_TWAIN_CANCEL;
    } else if (c->Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) {
        result = TranslateTwainError(c, true);
    }
    bool pending = true;
    while (result == K_OK && pending) {
        PageRecord page;
        result = (c->flags & K_TWAIN_NATIVE) ? GetNativeImage(c, &page.b) : GetBufferedImage(c, &page.b, &info);
        if (result != K_OK) {
            // A cancelled or failed page is ended too: the source may be
            // in either transfer state.
            pending = EndTransfer(c) > 0;
            break;
        }
        page.MoveTo(bitmap);
        ++transferred;
        if (c->callback) result = c->callback(bitmap, c->userData);
        pending = EndTransfer(c) > 0;
        // Without a callback one page is taken.
        if (!c->callback) break;
        if (pages != -1 && --pages == 0) break;
    }
    if (pending) ResetTransfers(c);
    if (result == K_OK && transferred == 0) result = K_ERR_TWAIN_CANCEL;
    TwainLog("TransferImage returns %d\n", result);
    return result;
}
