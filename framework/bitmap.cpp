// Bitmaps. Pixels live in a DIB section (or a device bitmap); conversions
// go through 32-bit rows read with GetDIBits, so their results do not depend
// on the display.
#include "bitmap.h"

#include "streams.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

DibInfo MakeInfo(int width, int height, int bitCount) {
    DibInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;  // bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitCount);
    info.header.biCompression = BI_RGB;
    return info;
}

// The device bitmap or DIB section as 32-bit rows, top row first.
std::vector<DWORD> ReadPixels32(HBITMAP bitmap, int width, int height) {
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    DibInfo info = MakeInfo(width, -height, 32);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return pixels;
}

// Colour table of a DIB section (count entries), empty for other bitmaps.
std::vector<RGBQUAD> ColourTable(HBITMAP bitmap) {
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof ds, &ds) != sizeof ds || ds.dsBmih.biBitCount > 8) return {};
    std::vector<RGBQUAD> table(1u << ds.dsBmih.biBitCount);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    UINT n = GetDIBColorTable(dc, 0, static_cast<UINT>(table.size()), table.data());
    SelectObject(dc, old);
    DeleteDC(dc);
    table.resize(n);
    return table;
}

std::vector<RGBQUAD> PaletteColours(HPALETTE palette) {
    std::vector<RGBQUAD> out;
    if (!palette) return out;
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(palette, 0, 256, entries);
    for (UINT i = 0; i < n; ++i) out.push_back(RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    return out;
}

// 256 colours: a 6x6x6 cube, then greys; black and white included.
std::vector<RGBQUAD> DefaultColours256() {
    std::vector<RGBQUAD> out;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                out.push_back(
                    RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(r * 51), 0});
    for (int i = 0; out.size() < 256; ++i) {
        BYTE v = static_cast<BYTE>(8 + i * 10);
        out.push_back(RGBQUAD{v, v, v, 0});
    }
    return out;
}

std::vector<RGBQUAD> VgaColours16() {
    static const DWORD rgb[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                                  0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    std::vector<RGBQUAD> out;
    for (DWORD c : rgb) out.push_back(RGBQUAD{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0});
    return out;
}

int NearestIndex(const std::vector<RGBQUAD>& table, DWORD bgra) {
    int best = 0;
    long bestDistance = -1;
    int b = bgra & 0xFF, g = (bgra >> 8) & 0xFF, r = (bgra >> 16) & 0xFF;
    for (size_t i = 0; i < table.size(); ++i) {
        long db = table[i].rgbBlue - b, dg = table[i].rgbGreen - g, dr = table[i].rgbRed - r;
        long d = db * db + dg * dg + dr * dr;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return best;
}

HPALETTE PaletteFromColours(const std::vector<RGBQUAD>& table) {
    if (table.empty()) return nullptr;
    std::vector<BYTE> block(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    return CreatePalette(lp);
}

HPALETTE CopyPalette(HPALETTE palette) { return PaletteFromColours(PaletteColours(palette)); }

int StrideOf(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// Writes 32-bit rows (top first) into a new DIB section of the bit count.
HBITMAP WritePixels(const std::vector<DWORD>& pixels, int width, int height, int bitCount,
                    const std::vector<RGBQUAD>& table) {
    void* bits = nullptr;
    HBITMAP out = CreateDIBSectionOf(width, height, bitCount, table.data(), static_cast<int>(table.size()), &bits);
    if (!out) return nullptr;
    int stride = StrideOf(width, bitCount);
    std::map<DWORD, int> cache;
    for (int y = 0; y < height; ++y) {
        BYTE* row = static_cast<BYTE*>(bits) + static_cast<size_t>(height - 1 - y) * stride;
        const DWORD* src = pixels.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            DWORD p = src[x] & 0xFFFFFF;
            switch (bitCount) {
                case 32:
                    reinterpret_cast<DWORD*>(row)[x] = p;
                    break;
                case 24:
                    row[x * 3] = BYTE(p);
                    row[x * 3 + 1] = BYTE(p >> 8);
                    row[x * 3 + 2] = BYTE(p >> 16);
                    break;
                case 1:
                    // White stays white, every other colour becomes black.
                    if (p == 0xFFFFFF) row[x >> 3] |= BYTE(0x80 >> (x & 7));
                    break;
                default: {
                    auto it = cache.find(p);
                    int index = it != cache.end() ? it->second : (cache[p] = NearestIndex(table, p));
                    if (bitCount == 8)
                        row[x] = BYTE(index);
                    else
                        row[x >> 1] |= BYTE((x & 1) ? index : index << 4);
                }
            }
        }
    }
    return out;
}

}  // namespace

HBITMAP CreateDIBSectionOf(int width, int height, int bitCount, const RGBQUAD* colours, int colourCount, void** bits) {
    DibInfo info = MakeInfo(width, height, bitCount);
    if (bitCount <= 8) {
        int n = colourCount < (1 << bitCount) ? colourCount : (1 << bitCount);
        if (n > 0 && colours) std::memcpy(info.colours, colours, n * sizeof(RGBQUAD));
        info.header.biClrUsed = n > 0 ? n : 0;
    }
    void* p = nullptr;
    HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &p, nullptr, 0);
    if (bm && p) std::memset(p, 0, static_cast<size_t>(StrideOf(width, bitCount)) * (height < 0 ? -height : height));
    if (bits) *bits = p;
    return bm;
}

// ---- the canvas of a bitmap

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
    if (!bitmap_->handle_) bitmap_->SetSize(1, 1);  // drawing on an empty bitmap needs pixels to hold
    memDC_ = CreateCompatibleDC(nullptr);
    oldBitmap_ = SelectObject(memDC_, bitmap_->handle_);
    if (bitmap_->palette_) {
        oldPalette_ = SelectPalette(memDC_, bitmap_->palette_, TRUE);
        RealizePalette(memDC_);
    }
    SetHandle(memDC_);
}

void TBitmapCanvas::FreeContext() {
    if (!memDC_) return;
    DetachHandle();
    if (oldPalette_) SelectPalette(memDC_, oldPalette_, TRUE);
    SelectObject(memDC_, oldBitmap_);
    DeleteDC(memDC_);
    memDC_ = nullptr;
    oldBitmap_ = nullptr;
    oldPalette_ = nullptr;
}

// ---- the bitmap

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    canvas_.reset();
    FreeImage();
    if (palette_) DeleteObject(palette_);
}

void TBitmap::FreeImage() {
    if (canvas_) canvas_->FreeContext();
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    width_ = height_ = 0;
}

void TBitmap::ReplaceImage(HBITMAP bitmap, bool dib) {
    FreeImage();
    handle_ = bitmap;
    handleType_ = dib ? bmDIB : bmDDB;
    BITMAP bm{};
    if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
    }
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(this);
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return canvas_.get();
}

HBITMAP TBitmap::Handle() {
    if (canvas_) canvas_->FreeContext();
    GdiFlush();
    return handle_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    if (bitmap == handle_) return;
    DIBSECTION ds{};
    bool dib = bitmap && GetObjectA(bitmap, sizeof ds, &ds) == sizeof ds;
    ReplaceImage(bitmap, dib);
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    if (canvas_) canvas_->FreeContext();
    HBITMAP h = handle_;
    handle_ = nullptr;
    width_ = height_ = 0;
    return h;
}

void TBitmap::SetPalette(HPALETTE palette) {
    if (palette == palette_) return;
    if (canvas_) canvas_->FreeContext();
    if (palette_) DeleteObject(palette_);
    palette_ = palette;
    // A DIB of up to 8 bits takes the palette's colours as its colour table.
    if (palette_ && handle_ && handleType_ == bmDIB) {
        DIBSECTION ds{};
        if (GetObjectA(handle_, sizeof ds, &ds) == sizeof ds && ds.dsBmih.biBitCount <= 8) {
            std::vector<RGBQUAD> table = PaletteColours(palette_);
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, handle_);
            SetDIBColorTable(dc, 0, static_cast<UINT>(table.size()), table.data());
            SelectObject(dc, old);
            DeleteDC(dc);
        }
    }
    Changed();
}

HPALETTE TBitmap::ReleasePalette() {
    if (canvas_) canvas_->FreeContext();
    HPALETTE p = palette_;
    palette_ = nullptr;
    return p;
}

TPixelFormat TBitmap::PixelFormat() const {
    if (!handle_ || handleType_ == bmDDB) return pfDevice;
    DIBSECTION ds{};
    if (GetObjectA(handle_, sizeof ds, &ds) != sizeof ds) return pfDevice;
    switch (ds.dsBmih.biBitCount) {
        case 1:
            return pf1bit;
        case 4:
            return pf4bit;
        case 8:
            return pf8bit;
        case 16:
            return pf16bit;
        case 24:
            return pf24bit;
        case 32:
            return pf32bit;
    }
    return pfCustom;
}

static int BitCountOf(TPixelFormat format) {
    switch (format) {
        case pf1bit:
            return 1;
        case pf4bit:
            return 4;
        case pf8bit:
            return 8;
        case pf32bit:
            return 32;
        default:
            return 24;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == PixelFormat() && handle_) return;
    int w = width_, h = height_;
    if (format == pfDevice) {
        pendingBitCount_ = 0;
        SetHandleType(bmDDB);
        return;
    }
    int bitCount = BitCountOf(format);
    std::vector<RGBQUAD> table;
    if (bitCount == 1)
        table = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    else if (bitCount == 4)
        table = VgaColours16();
    else if (bitCount == 8) {
        table = palette_ ? PaletteColours(palette_) : ColourTable(handle_);
        if (table.size() < 2) table = DefaultColours256();
    }
    pendingBitCount_ = bitCount;
    if (!handle_ || w == 0 || h == 0) return;
    std::vector<DWORD> pixels = ReadPixels32(Handle(), w, h);
    HBITMAP out = WritePixels(pixels, w, h, bitCount, table);
    if (!out) throw EOutOfResources("Out of system resources");
    ReplaceImage(out, true);
    if (bitCount <= 8 && bitCount > 1 && !palette_) palette_ = PaletteFromColours(table);
    if (bitCount > 8 && palette_) {
        DeleteObject(palette_);
        palette_ = nullptr;
    }
    Changed();
}

void TBitmap::SetMonochrome(bool on) {
    if (on == Monochrome()) return;
    SetPixelFormat(on ? pf1bit : pfDevice);
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
    if (type == handleType_ && handle_) return;
    handleType_ = type;
    if (!handle_) return;
    int w = width_, h = height_;
    if (type == bmDDB) {
        HDC screen = GetDC(nullptr);
        HBITMAP out = CreateCompatibleBitmap(screen, w, h);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, out);
        std::vector<DWORD> pixels = ReadPixels32(Handle(), w, h);
        DibInfo info = MakeInfo(w, -h, 32);
        SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                          DIB_RGB_COLORS);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        ReplaceImage(out, false);
    } else {
        std::vector<DWORD> pixels = ReadPixels32(Handle(), w, h);
        ReplaceImage(WritePixels(pixels, w, h, 24, {}), true);
    }
    Changed();
}

void TBitmap::SetSize(int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (width == width_ && height == height_ && handle_) return;
    if (width == 0 || height == 0) {
        FreeImage();
        Changed();
        return;
    }
    int bitCount = pendingBitCount_;
    std::vector<RGBQUAD> table;
    if (handle_) {
        DIBSECTION ds{};
        if (handleType_ == bmDIB && GetObjectA(handle_, sizeof ds, &ds) == sizeof ds) {
            bitCount = ds.dsBmih.biBitCount;
            table = ColourTable(handle_);
        } else {
            bitCount = 0;  // device bitmap
        }
    }
    HBITMAP out;
    if (bitCount == 0) {
        HDC screen = GetDC(nullptr);
        out = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
    } else {
        if (bitCount <= 8 && table.empty()) {
            table = bitCount == 1 ? std::vector<RGBQUAD>{{0, 0, 0, 0}, {255, 255, 255, 0}}
                                  : (bitCount == 4 ? VgaColours16()
                                                   : (palette_ ? PaletteColours(palette_) : DefaultColours256()));
        }
        out = CreateDIBSectionOf(width, height, bitCount, table.data(), static_cast<int>(table.size()));
    }
    if (!out) throw EOutOfResources("Out of system resources");
    // New pixels are white; the old ones that fit are kept.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, out);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    if (handle_) {
        HDC src = CreateCompatibleDC(nullptr);
        HBITMAP h = Handle();
        HGDIOBJ oldSrc = SelectObject(src, h);
        BitBlt(dc, 0, 0, width, height, src, 0, 0, SRCCOPY);
        SelectObject(src, oldSrc);
        DeleteDC(src);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReplaceImage(out, bitCount != 0);
    Changed();
}

void* TBitmap::ScanLine(int row) {
    if (!handle_ || handleType_ != bmDIB || row < 0 || row >= height_) return nullptr;
    DIBSECTION ds{};
    if (GetObjectA(handle_, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return nullptr;
    GdiFlush();
    int stride = ds.dsBm.bmWidthBytes;
    int line = ds.dsBmih.biHeight > 0 ? height_ - 1 - row : row;
    return static_cast<BYTE*>(ds.dsBm.bmBits) + static_cast<size_t>(line) * stride;
}

TColor TBitmap::TransparentColor() {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clDefault;
    return Canvas()->Pixels(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::Clear() {
    FreeImage();
    if (palette_) DeleteObject(palette_);
    palette_ = nullptr;
    Changed();
}

void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (source == this) return;
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        HPALETTE palette = CopyPalette(b->palette_);
        HBITMAP copy = nullptr;
        bool dib = b->handleType_ == bmDIB;
        if (b->handle_) {
            HBITMAP src = b->Handle();
            if (dib) {
                DIBSECTION ds{};
                GetObjectA(src, sizeof ds, &ds);
                std::vector<RGBQUAD> table = ColourTable(src);
                void* bits = nullptr;
                copy = CreateDIBSectionOf(b->width_, b->height_, ds.dsBmih.biBitCount, table.data(),
                                          static_cast<int>(table.size()), &bits);
                if (copy && bits && ds.dsBm.bmBits) {
                    GdiFlush();
                    std::memcpy(bits, ds.dsBm.bmBits, static_cast<size_t>(ds.dsBm.bmWidthBytes) * b->height_);
                }
            } else {
                copy = static_cast<HBITMAP>(CopyImage(src, IMAGE_BITMAP, 0, 0, 0));
            }
        }
        ReplaceImage(copy, dib);
        if (palette_) DeleteObject(palette_);
        palette_ = palette;
        pendingBitCount_ = b->pendingBitCount_;
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        TGraphic::SetTransparent(b->Transparent());
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(source)) {
        // Any other picture: drawn onto a 24-bit bitmap of its size.
        FreeImage();
        if (palette_) DeleteObject(palette_);
        palette_ = CopyPalette(g->Palette());
        pendingBitCount_ = 24;
        if (!g->Empty()) {
            SetSize(g->Width(), g->Height());
            Canvas()->StretchDraw(RECT{0, 0, g->Width(), g->Height()}, g);
        }
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas* canvas, const RECT& rect) {
    if (Empty()) return;
    HDC dest = canvas->Handle();
    HDC src = Canvas()->Handle();
    HPALETTE oldPalette = nullptr;
    if (palette_) {
        oldPalette = SelectPalette(dest, palette_, TRUE);
        RealizePalette(dest);
    }
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (Transparent()) {
        // Mask of the transparent colour (white where transparent), then
        // dest ^= src, dest &= mask, dest ^= src.
        COLORREF key = ColorToRGB(TransparentColor());
        HDC maskDC = CreateCompatibleDC(nullptr);
        HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
        HGDIOBJ oldMask = SelectObject(maskDC, mask);
        COLORREF oldBk = SetBkColor(src, key);
        BitBlt(maskDC, 0, 0, width_, height_, src, 0, 0, SRCCOPY);
        SetBkColor(src, oldBk);
        COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
        COLORREF oldDestBk = SetBkColor(dest, RGB(255, 255, 255));
        StretchBlt(dest, rect.left, rect.top, w, h, src, 0, 0, width_, height_, SRCINVERT);
        StretchBlt(dest, rect.left, rect.top, w, h, maskDC, 0, 0, width_, height_, SRCAND);
        StretchBlt(dest, rect.left, rect.top, w, h, src, 0, 0, width_, height_, SRCINVERT);
        SetTextColor(dest, oldText);
        SetBkColor(dest, oldDestBk);
        SelectObject(maskDC, oldMask);
        DeleteObject(mask);
        DeleteDC(maskDC);
    } else {
        StretchBlt(dest, rect.left, rect.top, w, h, src, 0, 0, width_, height_, canvas->CopyMode());
    }
    if (oldPalette) SelectPalette(dest, oldPalette, TRUE);
}

// ---- files

void TBitmap::LoadFromFile(const std::string& fileName) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!f) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    std::vector<BYTE> data;
    BYTE buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) data.insert(data.end(), buffer, buffer + got);
    LoadFromMemory(data.data(), data.size());
}

namespace {

template <class T>
T Get(const BYTE* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[noreturn]] void BadBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

}  // namespace

void TBitmap::LoadFromMemory(const void* data, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    if (size < 14 + 12 || p[0] != 'B' || p[1] != 'M') BadBitmap();
    DWORD offBits = Get<DWORD>(p + 10);
    DWORD headerSize = Get<DWORD>(p + 14);
    if (headerSize != 12 && (headerSize < 40 || headerSize > size - 14)) BadBitmap();
    // Everything is checked against the file's length before GDI sees it.
    DibInfo info{};
    int width, height, bitCount, colourBytes;
    DWORD compression = BI_RGB, coloursUsed = 0;
    std::vector<RGBQUAD> table;
    const BYTE* h = p + 14;
    size_t tableAt = 14 + headerSize;
    if (headerSize == 12) {
        width = Get<WORD>(h + 4);
        height = Get<WORD>(h + 6);
        bitCount = Get<WORD>(h + 10);
        colourBytes = 3;
    } else {
        width = Get<LONG>(h + 4);
        height = Get<LONG>(h + 8);
        bitCount = Get<WORD>(h + 14);
        compression = Get<DWORD>(h + 16);
        coloursUsed = Get<DWORD>(h + 32);
        colourBytes = 4;
        if (compression == BI_BITFIELDS && headerSize == 40) tableAt += 12;  // the three masks
    }
    if (width <= 0 || height == 0 || height < -32768 || width > 32768 || height > 32768) BadBitmap();
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        BadBitmap();
    if (compression != BI_RGB && !(compression == BI_RLE8 && bitCount == 8) &&
        !(compression == BI_RLE4 && bitCount == 4) &&
        !(compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))
        BadBitmap();
    int rows = height < 0 ? -height : height;
    if (static_cast<unsigned long long>(width) * rows > 64ull * 1024 * 1024) BadBitmap();
    if (bitCount <= 8) {
        DWORD n = coloursUsed ? coloursUsed : (1u << bitCount);
        if (n > (1u << bitCount)) BadBitmap();
        if (tableAt + static_cast<size_t>(n) * colourBytes > size) BadBitmap();
        for (DWORD i = 0; i < n; ++i) {
            const BYTE* c = p + tableAt + i * colourBytes;
            table.push_back(RGBQUAD{c[0], c[1], c[2], 0});
        }
    }
    if (offBits == 0) offBits = static_cast<DWORD>(tableAt + table.size() * colourBytes);
    if (offBits >= size) BadBitmap();
    size_t available = size - offBits;
    size_t needed = static_cast<size_t>(StrideOf(width, bitCount)) * rows;
    if ((compression == BI_RGB || compression == BI_BITFIELDS) && available < needed) BadBitmap();

    // A Windows 3 description of the source for SetDIBits.
    std::vector<BYTE> source(sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD) + 256 * sizeof(RGBQUAD));
    auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(source.data());
    bi->biSize = sizeof(BITMAPINFOHEADER);
    bi->biWidth = width;
    bi->biHeight = height;
    bi->biPlanes = 1;
    bi->biBitCount = static_cast<WORD>(bitCount);
    bi->biCompression = compression;
    bi->biSizeImage = compression == BI_RLE8 || compression == BI_RLE4 ? static_cast<DWORD>(available) : 0;
    bi->biClrUsed = static_cast<DWORD>(table.size());
    BYTE* after = source.data() + sizeof(BITMAPINFOHEADER);
    if (compression == BI_BITFIELDS) {
        if (14 + 40 + 12 > size) BadBitmap();
        std::memcpy(after, p + 14 + 40, 12);
    } else if (!table.empty()) {
        std::memcpy(after, table.data(), table.size() * sizeof(RGBQUAD));
    }
    int targetBits = bitCount == 16 ? 32 : bitCount;
    void* bits = nullptr;
    HBITMAP out = CreateDIBSectionOf(width, rows, targetBits, table.data(), static_cast<int>(table.size()), &bits);
    if (!out) throw EOutOfResources("Out of system resources");
    HDC dc = GetDC(nullptr);
    int done = SetDIBits(dc, out, 0, rows, p + offBits, reinterpret_cast<BITMAPINFO*>(source.data()), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (done == 0) {
        DeleteObject(out);
        BadBitmap();
    }
    ReplaceImage(out, true);
    if (palette_) DeleteObject(palette_);
    palette_ = bitCount <= 8 ? PaletteFromColours(table) : nullptr;
    Changed();
}

void TBitmap::LoadFromStream(TStream* stream) {
    std::vector<unsigned char> bytes = ReadRest(stream);
    LoadFromMemory(bytes.data(), bytes.size());
}

void TBitmap::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

void TBitmap::SaveToStream(TStream* stream) {
    if (Empty()) throw EInvalidGraphic("Bitmap is empty");
    HBITMAP h = Handle();
    int bitCount = 24;
    std::vector<RGBQUAD> table;
    if (handleType_ == bmDIB) {
        DIBSECTION ds{};
        GetObjectA(h, sizeof ds, &ds);
        bitCount = ds.dsBmih.biBitCount == 16 ? 24 : ds.dsBmih.biBitCount;
        if (bitCount <= 8) table = ColourTable(h);
    }
    DibInfo info = MakeInfo(width_, height_, bitCount);
    info.header.biClrUsed = static_cast<DWORD>(table.size());
    if (!table.empty()) std::memcpy(info.colours, table.data(), table.size() * sizeof(RGBQUAD));
    size_t imageSize = static_cast<size_t>(StrideOf(width_, bitCount)) * height_;
    std::vector<BYTE> pixels(imageSize);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, h, 0, height_, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (bitCount <= 8) {  // GetDIBits may rewrite the table; keep ours
        info.header.biClrUsed = static_cast<DWORD>(table.size());
        std::memcpy(info.colours, table.data(), table.size() * sizeof(RGBQUAD));
    }
    info.header.biSizeImage = static_cast<DWORD>(imageSize);
    DWORD tableBytes = static_cast<DWORD>(table.size() * sizeof(RGBQUAD));
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER) + tableBytes;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(imageSize);
    stream->WriteBuffer(&fh, sizeof fh);
    stream->WriteBuffer(&info.header, sizeof info.header);
    stream->WriteBuffer(info.colours, static_cast<int>(tableBytes));
    stream->WriteBuffer(pixels.data(), static_cast<int>(imageSize));
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    HBITMAP bm = static_cast<HBITMAP>(LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bm) throw EFOpenError("Resource " + name + " not found");
    ReplaceImage(bm, true);
    if (palette_) DeleteObject(palette_);
    std::vector<RGBQUAD> table = ColourTable(bm);
    palette_ = table.empty() ? nullptr : PaletteFromColours(table);
    Changed();
}

void TBitmap::LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) {
    if (format != CF_BITMAP || !data) throw EInvalidGraphic("Unsupported clipboard format");
    BITMAP bm{};
    if (!GetObjectA(data, sizeof bm, &bm)) throw EInvalidGraphic("Unsupported clipboard format");
    std::vector<DWORD> pixels = ReadPixels32(static_cast<HBITMAP>(data), bm.bmWidth, bm.bmHeight);
    ReplaceImage(WritePixels(pixels, bm.bmWidth, bm.bmHeight, 24, {}), true);
    if (palette_) DeleteObject(palette_);
    palette_ = CopyPalette(palette);
    Changed();
}

void TBitmap::SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) {
    format = CF_BITMAP;
    data = Empty() ? nullptr : CopyImage(Handle(), IMAGE_BITMAP, 0, 0, 0);
    palette = CopyPalette(palette_);
}
