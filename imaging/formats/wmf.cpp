// Windows metafiles: the probe, the size rule, the plain record walk, and
// the writer, which stores the picture as one device-independent bitmap
// record. Loading draws through GDI (wmf_win32.cpp).
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/raster_formats.h"
#include "formats/wmf_metafile.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"

namespace {

// A plain metafile's header: type 1 (in memory) or 2 (on disk), 9 words, version 0x0300.
bool PlainHeader(const unsigned char* h) { return Le16(h) == 1 && Le16(h + 2) == 9 && Le16(h + 4) == 0x0300; }

// Plain metafiles at most this large in each direction are drawn at their
// own size; larger ones are scaled into the box.
constexpr unsigned kNaturalLimit = 2000;

int RoundUp4(int64_t v) { return static_cast<int>((v + 3) & ~int64_t(3)); }

// The extent is drawn at its own size or scaled into the box.
void PlainSize(unsigned w, unsigned h, int boxWidth, int boxHeight, WmfMeasure* m) {
    // Without an extent in either direction there is nothing to scale by.
    if (w == 0 || h == 0) return;
    m->windowX = w;
    m->windowY = h;
    m->naturalWidth = RoundUp4(w);
    m->naturalHeight = static_cast<int>(h);
    if (w <= kNaturalLimit && h <= kNaturalLimit) {
        m->width = m->naturalWidth;
        m->height = static_cast<int>(h);
        return;
    }
    const int64_t o = int64_t(boxWidth) * h / w;
    if (boxHeight < o) {
        m->width = RoundUp4(int64_t(boxHeight) * w / h);
        m->height = boxHeight;
    } else {
        m->width = boxWidth;
        m->height = static_cast<int>(o);
    }
}

void PlaceableSize(const PlaceableBox& box, int boxWidth, int boxHeight, WmfMeasure* m) {
    const int nw = box.right - box.left + 1, nh = box.bottom - box.top + 1;
    // An empty or turned-over box has no aspect to keep.
    if (nw <= 0 || nh <= 0) return;
    m->naturalWidth = nw;
    m->naturalHeight = nh;
    int64_t width = boxWidth, height = int64_t(boxWidth) * nh / nw;
    if (height > boxHeight) {
        height = boxHeight;
        width = int64_t(boxHeight) * nw / nh;
    }
    m->width = static_cast<int>(width);
    m->height = static_cast<int>(height);
}

}  // namespace

int FindWindowExtent(const unsigned char* records, size_t size, unsigned* x, unsigned* y) {
    size_t at = 0;
    while (at <= size && size - at >= 6) {
        const uint32_t words = static_cast<uint32_t>(Le32(records + at));
        const int function = Le16(records + at + 4);
        if (function == kMetaEof) return 0;
        // Every record holds its size and function: 3 words at least. A
        // smaller size would never move the walk on.
        if (words < 3 || words > (size - at) / 2) return 0;
        if (function == kMetaSetWindowExt) {
            if (words < 5) return 0;
            *y = static_cast<unsigned>(Le16(records + at + 6));
            *x = static_cast<unsigned>(Le16(records + at + 8));
            return 1;
        }
        at += size_t(words) * 2;
    }
    return 0;
}

int ReadMetafileBytes(int handle, std::vector<unsigned char>* bytes) {
    if (FileSeek(handle, 0, 0) != 0) return K_ERR_SEEK;
    Source in(handle, 32768);
    unsigned char head[kPlaceableHeader];
    int r = in.ReadExact(head, 4);
    if (r != K_OK) return r;
    const int start = static_cast<uint32_t>(Le32(head)) == kPlaceableKey ? kPlaceableHeader : 0;
    if ((r = in.SeekTo(start)) != K_OK) return r;
    unsigned char header[kMetaHeader];
    if ((r = in.ReadExact(header, kMetaHeader)) != K_OK) return r;
    if (!PlainHeader(header)) return K_ERR_FORMAT;
    const uint32_t words = static_cast<uint32_t>(Le32(header + 6));
    // GDI takes the metafile by its byte count: exactly the size the header
    // states, which must hold the header and be in the file.
    if (words < kMetaHeader / 2) return K_ERR_FORMAT;
    if (in.Require(int64_t(words) * 2 - kMetaHeader) != K_OK) return K_ERR_READ;
    try {
        bytes->assign(size_t(words) * 2, 0);
    } catch (...) {
        return K_ERR_MEMORY;
    }
    std::memcpy(bytes->data(), header, kMetaHeader);
    return in.ReadExact(bytes->data() + kMetaHeader, static_cast<int>(bytes->size() - kMetaHeader));
}

int MeasureMetafile(int handle, int boxWidth, int boxHeight, WmfMeasure* m) {
    *m = WmfMeasure{};
    if (FileSeek(handle, 0, 0) != 0) return K_ERR_SEEK;
    Source in(handle, 32768);
    unsigned char h[kPlaceableHeader];
    int r = in.ReadExact(h, kPlaceableHeader);
    if (r != K_OK) return r;
    if (static_cast<uint32_t>(Le32(h)) == kPlaceableKey) {
        m->placeable = true;
        m->box = PlaceableBox{static_cast<int16_t>(Le16(h + 6)), static_cast<int16_t>(Le16(h + 8)),
                              static_cast<int16_t>(Le16(h + 10)), static_cast<int16_t>(Le16(h + 12))};
        PlaceableSize(m->box, boxWidth, boxHeight, m);
        return K_OK;
    }
    // The walk reads the records as the header counts them, up to the
    // file's end.
    std::vector<unsigned char> bytes;
    if (ReadMetafileBytes(handle, &bytes) != K_OK) {
        // A header that overstates its size: walk what the file holds.
        if (FileSeek(handle, 0, 0) != 0) return K_ERR_SEEK;
        Source rest(handle, 32768);
        // Metafiles are drawing commands: 64 MB is far beyond any we know.
        const int64_t length = std::min<int64_t>(rest.End(), 1 << 26);
        if (length < kMetaHeader) return K_ERR_READ;
        bytes.resize(static_cast<size_t>(length));
        if ((r = rest.ReadExact(bytes.data(), static_cast<int>(length))) != K_OK) return r;
    }
    unsigned w = 0, hgt = 0;
    if (bytes.size() > kMetaHeader &&
        FindWindowExtent(bytes.data() + kMetaHeader, bytes.size() - kMetaHeader, &w, &hgt))
        PlainSize(w, hgt, boxWidth, boxHeight, m);
    return K_OK;
}

int MeasureWMF(int handle, int* naturalWidth, int* naturalHeight, int* width, int* height, int* bitsPerPixel,
               int boxWidth, int boxHeight) {
    WmfMeasure m;
    const int r = MeasureMetafile(handle, boxWidth, boxHeight, &m);
    *naturalWidth = m.naturalWidth;
    *naturalHeight = m.naturalHeight;
    *width = m.width;
    *height = m.height;
    *bitsPerPixel = 24;
    return r;
}

WmfMapping MappingFor(const WmfMeasure& m) {
    WmfMapping map;
    if (m.placeable) {
        // The box from its left top corner over its own extent, wherever it
        // lies (not only where it straddles 0).
        map.isotropic = true;
        map.originX = m.box.left;
        map.originY = m.box.top;
        map.extentX = m.box.right - m.box.left;
        map.extentY = m.box.bottom - m.box.top;
    } else if (unsigned(m.width) != m.windowX || unsigned(m.height) != m.windowY) {
        // Drawn at another size than its own extent (rounded up or scaled).
        map.isotropic = true;
        map.extentX = m.naturalWidth;
        map.extentY = m.naturalHeight;
    }
    return map;
}

void ScreenSize(int* width, int* height) {
    constexpr int kHorzRes = 8, kVertRes = 10;  // GetDeviceCaps indices
    HDC screen = GetDC(nullptr);
    *width = screen ? GetDeviceCaps(screen, kHorzRes) : 0;
    *height = screen ? GetDeviceCaps(screen, kVertRes) : 0;
    if (screen) ReleaseDC(nullptr, screen);
}

int ReadWMFInfo(int handle, const unsigned char* header, int headerCount, FileInfoRecord* info) {
    if (headerCount < kMetaHeader) return 0;
    if (!PlainHeader(header) && static_cast<uint32_t>(Le32(header)) != kPlaceableKey) return 0;
    int boxWidth = 0, boxHeight = 0;
    ScreenSize(&boxWidth, &boxHeight);
    WmfMeasure m;
    if (MeasureMetafile(handle, boxWidth, boxHeight, &m) != K_OK) return 0;
    // The order K_LoadWMFBitmap plays into (GDI's DIB section): a load
    // that asks for red first is then reordered, not handed BGR rows.
    FillFileInfo(info, {.format = kFormatWMF,
                        .width = m.width,
                        .height = m.height,
                        .bitsPerPixel = 24,
                        .viewPerspective = K_BOTTOM_UP,
                        .colorOrder = K_ORDER_BGR,
                        .compression = "None"});
    return 1;
}

int ProbeWMF(const ProbeInput& input, FileInfoRecord* info) {
    return ReadWMFInfo(input.handle, input.header, input.headerCount, info);
}

namespace {

// Record writer over the buffered output.
struct RecordOut {
    Output& out;
    void Begin(uint32_t words, int function) {
        out.U32LE(words);
        out.U16LE(static_cast<unsigned>(function));
    }
    void Words(std::initializer_list<int> values) {
        for (int v : values) out.U16LE(static_cast<unsigned>(v) & 0xFFFF);
    }
};

}  // namespace

// Sizes and extents are 16-bit fields of the records; the DIB is blue first.
const SaveLimits kLimits = {DepthSet(8, 24), 0x7FFF, 0x7FFF, true};

int SaveWMFFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    SaveWriter writer(request.bitmap, bits, SaveFlags(request, kLimits), request.callback, request.userData);
    if ((r = BeginWithin(writer, kLimits)) != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    const int colors = bits == 8 ? std::clamp(writer.Target().Colors, 0, 256) : 0;
    const int64_t bytesPerLine = (int64_t(width) * bits + 31) / 32 * 4;
    const int64_t dibWords = bytesPerLine / 2 * height + int64_t(colors) * 2 + 32;
    const int64_t paletteWords = colors ? (int64_t(colors) * 2 + 5) + 4 + 3 : 0;
    const int64_t totalWords = kMetaHeader / 2 + 4 + 5 + 5 + 5 + paletteWords + dibWords + 3;
    if (totalWords * 2 > 0x7FFFFFFF) return K_ERR_SIZE;

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    RecordOut rec{out};
    // Header: type 1, 9 words, version 3.0, total size, objects, largest record, no parameters.
    rec.Words({1, 9, 0x0300});
    out.U32LE(static_cast<uint32_t>(totalWords));
    rec.Words({colors ? 1 : 0});
    out.U32LE(static_cast<uint32_t>(std::max<int64_t>(dibWords, colors ? colors * 2 + 5 : 0)));
    rec.Words({0});

    rec.Begin(4, kMetaSetMapMode);
    rec.Words({1});  // MM_TEXT
    rec.Begin(5, kMetaSetViewportExt);
    rec.Words({height, width});
    rec.Begin(5, kMetaSetWindowExt);
    rec.Words({height, width});
    rec.Begin(5, kMetaSetWindowOrg);
    rec.Words({0, 0});
    unsigned char table[4 * 256];
    if (colors) {
        rec.Begin(static_cast<uint32_t>(colors * 2 + 5), kMetaCreatePalette);
        rec.Words({0x0300, colors});
        writer.ColorTableBytes(table, colors, ColorBytes::RGB);
        for (int i = 0; i < colors; ++i) {
            out.Write(table + 3 * i, 3);
            out.Byte(0);
        }
        rec.Begin(4, kMetaSelectPalette);
        rec.Words({0});
        rec.Begin(3, kMetaRealizePalette);
    }
    rec.Begin(static_cast<uint32_t>(dibWords), kMetaSetDIBToDevice);
    // Colour use, scan count, first scan, source y and x, height, width, destination y and x.
    rec.Words({0, height, 0, 0, 0, height, width, 0, 0});
    unsigned char info[40] = {};
    PutLe32(info, 40);
    PutLe32(info + 4, static_cast<uint32_t>(width));
    PutLe32(info + 8, static_cast<uint32_t>(height));
    PutLe16(info + 12, 1);
    PutLe16(info + 14, bits);
    PutLe32(info + 20, static_cast<uint32_t>(bytesPerLine * height));
    PutLe32(info + 32, static_cast<uint32_t>(colors));
    PutLe32(info + 36, static_cast<uint32_t>(colors));
    out.Write(info, 40);
    if (colors) {
        writer.ColorTableBytes(table, colors, ColorBytes::BGRX);
        out.Write(table, 4 * colors);
    }
    // Rows bottom line first, each padded to 4 bytes.
    const int rowBytes = static_cast<int>(bytesPerLine);
    const int dataBytes = static_cast<int>((int64_t(width) * bits + 7) / 8);
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromBottom(y)) != K_OK) return r;
        out.Write(writer.Row(), dataBytes);
        out.Zeros(rowBytes - dataBytes);
    }
    rec.Begin(3, kMetaEof);
    return out.Finish();
}

extern "C" int KAPI K_SaveWMFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatWMF, bitsPerPixel, 0, K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{100, false, ProbeWMF}};
#ifdef _WIN32
const LoadEntry kLoads[] = {{kFormatWMF, nullptr, WmfWholeImage, false}};  // drawn by GDI
#else
const LoadEntry kLoads[] = {{kFormatWMF, nullptr, nullptr, false}};  // no GDI natively
#endif
const SaveEntry kSaves[] = {{kFormatWMF, SaveWMFFile, 0, 0, false}};
}  // namespace

extern const CodecRow kWMFRow = {"metafile", kProbes, {}, kLoads, kSaves, &kLimits};
