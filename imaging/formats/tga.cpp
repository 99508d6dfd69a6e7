// Truevision TGA: colour-mapped, true-colour and grey images, raw or
// run-length coded (image types 1-3 and 9-11).
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "core/pixel_format.h"
#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kHeaderSize = 18;

struct TgaHeader {
    int idLength, mapType, imageType, firstEntry, mapLength, entrySize, originX, originY, width, height, depth,
        descriptor;
    bool RunLength() const { return imageType > 8; }
    int BaseType() const { return imageType & 7; }
    bool ColorMapped() const { return mapType == 1 && mapLength > 0 && depth <= 8; }
    int MapBytes() const { return mapType == 0 && mapLength == 0 ? 0 : mapLength * ((entrySize + 7) / 8); }
    bool TopDown() const { return (descriptor & 0x30) == 0x20; }
    int FileOrder() const { return ColorMapped() ? K_ORDER_RGB : K_ORDER_BGR; }
};

TgaHeader ParseHeader(const unsigned char* h) {
    TgaHeader t;
    t.idLength = h[0];
    t.mapType = h[1];
    t.imageType = h[2];
    t.firstEntry = Le16(h + 3);
    t.mapLength = Le16(h + 5);
    t.entrySize = h[7];
    t.originX = Le16(h + 8);
    t.originY = Le16(h + 10);
    t.width = Le16(h + 12);
    t.height = Le16(h + 14);
    t.depth = h[16];
    t.descriptor = h[17];
    return t;
}

// Widest image of each depth whose rows stay under the row limit.
int MaxWidth(int depth) {
    return depth == 8 || depth == 16 || depth == 24 || depth == 32 ? limits::kTgaRowBytes / (depth / 8) : 0;
}

// A grey file stores one byte per pixel; other depths would be read as
// colour words, so they are refused instead.
bool SupportedLayout(const TgaHeader& t) {
    if (t.width <= 0 || t.height <= 0 || t.width > MaxWidth(t.depth)) return false;
    if (t.BaseType() == 3 && t.depth != 8) return false;
    return true;
}

// One colour-map entry of 15, 16, 24 or 32 bits into blue, green, red.
RGBQUAD MapEntry(const unsigned char* p, int entrySize) {
    RGBQUAD q{};
    if (entrySize >= 24) {
        q.rgbBlue = p[0];
        q.rgbGreen = p[1];
        q.rgbRed = p[2];
    } else {
        int v = Le16(p);
        q.rgbBlue = static_cast<BYTE>(Expand5To8(v & 31));
        q.rgbGreen = static_cast<BYTE>(Expand5To8(v >> 5 & 31));
        q.rgbRed = static_cast<BYTE>(Expand5To8(v >> 10 & 31));
    }
    return q;
}

// Run-length packets carry over from one row to the next.
struct RunState {
    int left = 0;
    bool run = false;
    unsigned char pixel[4] = {};
};

// n copies of a pixel of the given bytes.
void FillPixels(unsigned char* out, const unsigned char* pixel, int n, int bytes) {
    if (bytes == 1) {
        std::memset(out, pixel[0], n);
    } else if (bytes == 3) {
        for (int i = 0; i < n; ++i, out += 3) {
            out[0] = pixel[0];
            out[1] = pixel[1];
            out[2] = pixel[2];
        }
    } else {
        for (int i = 0; i < n; ++i, out += bytes) std::memcpy(out, pixel, bytes);
    }
}

int DecodeRunRow(Source& in, RunState& st, unsigned char* row, int width, int bytes) {
    int x = 0;
    while (x < width) {
        if (st.left == 0) {
            // Whole packets straight from the buffered input.
            int available;
            const unsigned char* p = in.Window(&available);
            if (!p) return K_ERR_READ;
            const unsigned char* q = p;
            const unsigned char* const end = p + available;
            unsigned char* out = row + static_cast<size_t>(x) * bytes;
            while (x < width && end - q > bytes) {
                const int packet = *q;
                const int count = (packet & 0x7F) + 1;
                const int n = std::min(count, width - x);
                if (packet & 0x80) {
                    FillPixels(out, q + 1, n, bytes);
                    if (n < count) {
                        st.run = true;
                        st.left = count - n;
                        std::memcpy(st.pixel, q + 1, bytes);
                    }
                    q += 1 + bytes;
                } else {
                    if (end - q - 1 < n * bytes) break;  // finished below
                    std::memcpy(out, q + 1, static_cast<size_t>(n) * bytes);
                    q += 1 + n * bytes;
                    if (n < count) {
                        st.run = false;
                        st.left = count - n;
                    }
                }
                out += n * bytes;
                x += n;
            }
            in.Consume(static_cast<int>(q - p));
            if (x >= width) break;
            if (st.left == 0) {
                // A packet cut by the end of the buffer.
                const int packet = in.Byte();
                if (packet < 0) return K_ERR_READ;
                st.run = (packet & 0x80) != 0;
                st.left = (packet & 0x7F) + 1;
                if (st.run && in.ReadExact(st.pixel, bytes) != K_OK) return K_ERR_READ;
            }
        }
        // A packet may run on into the next row.
        const int n = std::min(st.left, width - x);
        unsigned char* out = row + static_cast<size_t>(x) * bytes;
        if (!st.run) {
            if (in.ReadExact(out, n * bytes) != K_OK) return K_ERR_READ;
        } else {
            FillPixels(out, st.pixel, n, bytes);
        }
        x += n;
        st.left -= n;
    }
    return K_OK;
}

}  // namespace

int CheckTGAHeader(const unsigned char* h) {
    int mapType = h[1], type = h[2], depth = h[16];
    if (mapType > 1) return 0;
    if (type == 2 || type == 3 || type == 10 || type == 11) return 1;
    if ((type == 1 || type == 9) && mapType == 1 && depth == 8) return 1;
    return 0;
}

int ReadTGAInfo(const unsigned char* header, FileInfoRecord* info) {
    TgaHeader t = ParseHeader(header);
    if (!SupportedLayout(t)) return 0;
    FillFileInfo(info, {.format = kFormatTGA,
                        .width = t.width,
                        .height = t.height,
                        .bitsPerPixel = t.depth,
                        .viewPerspective = t.TopDown() ? K_TOP_DOWN : K_BOTTOM_UP,
                        .colorOrder = t.ColorMapped() ? K_ORDER_RGB : K_ORDER_BGR});
    info->HeaderSize = (t.depth == 8 && t.mapLength != 0) ? 786 : kHeaderSize;
    if (t.RunLength()) SetCompressionName(info, "Run Length");
    return 1;
}

int ProbeTGA(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < kHeaderSize || !CheckTGAHeader(input.header)) return 0;
    return ReadTGAInfo(input.header, info);
}

extern "C" int KAPI K_LoadTGAFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();

    unsigned char header[kHeaderSize];
    if ((r = in.ReadExact(header, kHeaderSize)) != K_OK) return r;
    if (!CheckTGAHeader(header)) return K_ERR_FORMAT;
    const TgaHeader t = ParseHeader(header);
    if (!SupportedLayout(t)) return K_ERR_FORMAT;
    if ((r = in.Skip(t.idLength)) != K_OK) return r;

    r = session.SetImage(t.width, t.height, t.depth, t.FileOrder());
    if (r != K_OK) return r;

    int colors = 0;
    if (t.ColorMapped()) {
        if (t.entrySize != 15 && t.entrySize != 16 && t.entrySize != 24 && t.entrySize != 32) return K_ERR_FORMAT;
        const int entryBytes = (t.entrySize + 7) / 8;
        GlobalBuffer map(static_cast<size_t>(t.MapBytes()));
        if (!map) return K_ERR_MEMORY;
        if ((r = in.ReadExact(map.get(), t.MapBytes())) != K_OK) return r;
        // Entry j holds colour index first + j; a map that reaches past
        // index 255 has no place in the record for the rest.
        for (int j = 0; j < t.mapLength && t.firstEntry + j < 256; ++j)
            bitmap->ColorTable[t.firstEntry + j] =
                MapEntry(map.get() + static_cast<size_t>(j) * entryBytes, t.entrySize);
        colors = std::min(t.firstEntry + t.mapLength, 256);
    }
    if (t.BaseType() == 1 || t.BaseType() == 3) bitmap->Flags |= K_FILE_PALETTE;
    if (t.BaseType() == 3 || (t.BaseType() == 2 && t.depth == 8)) {
        FillGreyRamp(bitmap->ColorTable, 256);
        bitmap->Flags |= K_FILE_PALETTE;
        colors = 256;
    }

    const int dataStart = kHeaderSize + t.idLength + t.MapBytes();
    if ((r = in.SeekTo(dataStart)) != K_OK) return r;
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->ViewPerspective = t.TopDown() ? K_TOP_DOWN : K_BOTTOM_UP;
    bitmap->FormatCode = kFormatTGA;
    bitmap->ImageOriginX = t.originX;
    bitmap->ImageOriginY = t.originY;
    if (t.depth > 8) bitmap->ColorOrder = session.OrderFor(t.FileOrder());

    // The file must hold the rows: raw ones exactly, run-length ones at
    // least one packet byte per 128 pixels.
    const int64_t pixels = static_cast<int64_t>(t.width) * t.height;
    r = in.Require(t.RunLength() ? pixels / limits::kTgaRunPixels : pixels * (t.depth / 8));
    if (r != K_OK) return r;
    r = session.BeginRows(callback, userData);
    if (r != K_OK) return r;
    // Quirk: the run-length reader answers 0 when it has no input buffer.
    if (t.RunLength() && !in.ok()) return 0;

    const int pixelBytes = t.depth / 8;
    const int rowBytes = t.width * pixelBytes;
    RunState runs;
    for (int y = 0; y < t.height; ++y) {
        unsigned char* row = session.Row();
        if (t.RunLength()) {
            // Rows the record keeps as they are decoded go straight into storage.
            if (unsigned char* stored = session.StoredRows(1, bitmap->BytesPerLine)) {
                std::memset(stored + rowBytes, 0, bitmap->BytesPerLine - rowBytes);
                if ((r = DecodeRunRow(in, runs, stored, t.width, pixelBytes)) != K_OK) return r;
                if ((r = session.PassStoredRow(stored)) != K_OK) return r;
                continue;
            }
            r = DecodeRunRow(in, runs, row, t.width, pixelBytes);
        } else {
            // Rows stored as the record stores them go straight into storage.
            if ((r = session.ReadStoredRows(&y, t.height, rowBytes)) != K_OK) return r;
            if (y == t.height) break;
            r = in.ReadExact(row, rowBytes);
        }
        if (r != K_OK) return r;
        r = session.DeliverRow(y);
        if (r != K_OK) return r;
    }
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadTGABitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadTGAFile, K_ORDER_BGR);
}

void WriteTGAHeader(Output& out, const BitmapRecord* bitmap, int bitsPerPixel) {
    unsigned char h[kHeaderSize] = {};
    const bool mapped = bitsPerPixel == 8;
    h[1] = mapped ? 1 : 0;
    h[2] = mapped ? 1 : 2;
    PutLe16(h + 5, mapped ? 256 : 0);
    h[7] = mapped ? 24 : 0;
    PutLe16(h + 12, bitmap->Width);
    PutLe16(h + 14, bitmap->Height);
    h[16] = static_cast<unsigned char>(bitsPerPixel);
    out.Write(h, kHeaderSize);
    if (mapped) {
        unsigned char map[768];
        ColorsToBytes(map, bitmap->ColorTable, 256, ColorBytes::BGR);
        out.Write(map, 768);
    }
}

// The header holds 16-bit sizes; true-colour pixels are blue first.
const SaveLimits kLimits = {DepthSet(8, 16, 24, 32), 65535, 65535, true};

int SaveTGAFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    BitmapRecord* source = request.bitmap;
    if ((r = CheckSides(source->Width, source->Height, kLimits)) != K_OK) return r;
    SaveWriter writer(source, bits, SaveFlags(request, kLimits), request.callback, request.userData);
    if ((r = writer.Begin()) != K_OK) return r;
    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    WriteTGAHeader(out, &writer.Target(), bits);
    if ((r = writer.WriteRows(out, source->Width * bits / 8, true)) != K_OK) return r;
    return out.Finish();
}

extern "C" int KAPI K_SaveTGABitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatTGA, bitsPerPixel, 0, K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{30, true, ProbeTGA}};
const LoadEntry kLoads[] = {{kFormatTGA, K_LoadTGAFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatTGA, SaveTGAFile, 0, 0, false}};
}  // namespace

extern const CodecRow kTGARow = {"TGA", kProbes, {}, kLoads, kSaves, &kLimits};
