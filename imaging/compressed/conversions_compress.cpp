// Raster files to the compressed family: K_CompressTIF, K_CompressGIF,
// K_CompressPCX, K_CompressBMP and K_CompressTGA stream the source's rows
// into the compress-buffer triple 16 at a time (a 32-bit TGA's alpha into a
// side file); K_CompressALL goes through a bitmap.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/palette.h"
#include "io/format_codes.h"
#include "io/output.h"
#include "io/reader_session.h"
#include "volkg.h"

namespace {

constexpr int kStripRows = 16;
constexpr int kOutputBytes = 16384;
// A feeder's answer when the rows cannot be coded in the order they come
// (an interlaced GIF; a bottom-up source for JFIF, which has no row order):
// the picture is then loaded whole and fed top row first.
constexpr int kNeedsWholePicture = 0x4B57;

// The name of the alpha side file: the output's name with its extension
// (after the last '.' of the file name, not of the folders) made ".ALF".
std::string AlphaFileName(const std::string& output) {
    const size_t slash = output.find_last_of("/\\:");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = output.find('.', nameStart);
    return output.substr(0, dot == std::string::npos ? output.size() : dot) + ".ALF";
}

// A record freed at the end of the conversion, whatever happened.
struct ScopedRecord {
    BitmapRecord record{};
    ~ScopedRecord() { K_FreeBitmap(&record); }
};

struct CompressFileState {
    Output* out = nullptr;
    Output* alpha = nullptr;  // null: no alpha file
    int variant = 0, quality = 0;
    bool wholePicture = false;  // rows come top row first from a loaded bitmap
    bool started = false;
    bool needsWhole = false;
    bool grey = false;
    int width = 0;
    int stripRowBytes = 0;
    int filled = 0;
    RGBQUAD colors[256] = {};
    BitmapRecord description{};  // what K_StartCompressBuffer is told
    std::vector<unsigned char> strip, wide, alphaRow, output;
    int xResolution = 0, yResolution = 0;  // of the file, when the reader leaves none
};

int KAPI CompressFileWriter(BitmapRecord*, unsigned char* bytes, int count, void* user) {
    auto* s = static_cast<CompressFileState*>(user);
    return s->out->Write(bytes, count) == K_OK ? K_OK : K_ERR_WRITE;
}

// The first row's record: the colours, grey or colour, and the start of
// the compression.
int StartCompression(BitmapRecord* bitmap, CompressFileState& s) {
    const int bits = bitmap->BitsPerPixel;
    if (!s.wholePicture && (bitmap->Flags & K_INTERLACED)) return kNeedsWholePicture;
    const bool jfif = s.variant % 2 == 1;
    if (!s.wholePicture && jfif && bitmap->ViewPerspective != K_TOP_DOWN) return kNeedsWholePicture;
    if (bits <= 8) {
        PaletteColorsScope colours(bitmap);
        std::memcpy(s.colors, bitmap->ColorTable, sizeof s.colors);
        s.grey = (bitmap->Flags & K_GRAY_PALETTE) != 0;
    }
    s.width = bitmap->Width;
    s.stripRowBytes = s.width * (s.grey ? 1 : 3);
    BitmapRecord& d = s.description;
    int r = K_InitBitmap(&d, bitmap->Width, bitmap->Height, s.grey ? 8 : 24);
    if (r != K_OK) return r;
    if (s.grey) d.Flags |= K_GRAY_PALETTE;
    d.ColorOrder = K_ORDER_BGR;
    // The rows are coded in the order they come; the container records it.
    d.ViewPerspective = s.wholePicture ? K_TOP_DOWN : bitmap->ViewPerspective;
    // The file's resolution; the reader's (or the default) when it states none.
    d.XResolution = s.xResolution > 0 ? s.xResolution : bitmap->XResolution;
    d.YResolution = s.yResolution > 0 ? s.yResolution : bitmap->YResolution;
    try {
        s.strip.assign(static_cast<size_t>(s.stripRowBytes) * kStripRows, 0);
        s.wide.assign(static_cast<size_t>(s.width) * 4 + 16, 0);
        s.output.assign(kOutputBytes, 0);
        if (s.alpha) s.alphaRow.assign(static_cast<size_t>(s.width) + 16, 0);
    } catch (const std::bad_alloc&) {
        return K_ERR_MEMORY;
    }
    r = K_StartCompressBuffer(&d, CompressFileWriter, s.stripRowBytes * kStripRows, kOutputBytes, s.output.data(),
                              s.variant, s.quality, &s);
    if (r != K_OK) return r;
    s.started = true;
    return K_OK;
}

// Index of pixel x of a packed 1-, 4- or 8-bit row.
int IndexAt(const unsigned char* row, int x, int bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// One source row into the strip: grey levels, or blue, green, red.
int StripRow(BitmapRecord* bitmap, const unsigned char* row, CompressFileState& s) {
    unsigned char* out = s.strip.data() + static_cast<size_t>(s.filled) * s.stripRowBytes;
    const int bits = bitmap->BitsPerPixel;
    const int width = s.width;
    if (bits <= 8) {
        for (int x = 0; x < width; ++x) {
            const RGBQUAD& c = s.colors[IndexAt(row, x, bits)];
            if (s.grey) {
                out[x] = c.rgbRed;
            } else {
                out[3 * x] = c.rgbBlue;
                out[3 * x + 1] = c.rgbGreen;
                out[3 * x + 2] = c.rgbRed;
            }
        }
        return K_OK;
    }
    const bool rgb = bitmap->ColorOrder == K_ORDER_RGB;
    if (bits == 24 || bits == 32) {
        const int step = bits / 8;
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + static_cast<size_t>(x) * step;
            out[3 * x] = p[rgb ? 2 : 0];
            out[3 * x + 1] = p[1];
            out[3 * x + 2] = p[rgb ? 0 : 2];
        }
        if (bits == 32 && s.alpha) {
            for (int x = 0; x < width; ++x) s.alphaRow[x] = row[4 * x + 3];
            s.alpha->Write(s.alphaRow.data(), width);  // a failing side file does not stop the conversion
        }
        return K_OK;
    }
    // 16 bits a pixel (and any other depth the converter knows).
    std::memcpy(s.wide.data(), row, (static_cast<size_t>(width) * bits + 7) / 8);
    int r = K_ConvertBuffer(s.wide.data(), width, bits, 24, bitmap->ColorOrder, K_ORDER_BGR, nullptr, nullptr);
    if (r != K_OK) return r;
    std::memcpy(out, s.wide.data(), static_cast<size_t>(width) * 3);
    return K_OK;
}

int KAPI CompressFileRowFeeder(BitmapRecord* bitmap, unsigned char* rows, int count, void* user) {
    auto* s = static_cast<CompressFileState*>(user);
    if (!s->started) {
        int r = StartCompression(bitmap, *s);
        if (r != K_OK) {
            s->needsWhole = r == kNeedsWholePicture;
            return r;
        }
    }
    const int stride = bitmap->BytesPerLine;
    for (int i = 0; i < count; ++i) {
        int r = StripRow(bitmap, rows + static_cast<size_t>(i) * stride, *s);
        if (r != K_OK) return r;
        if (++s->filled == kStripRows) {
            s->filled = 0;
            if ((r = K_CompressBuffer(s->strip.data())) != K_OK) return r;
        }
    }
    return K_OK;
}

// The picture loaded whole, its rows fed top row first.
int FeedWholePicture(const char* source, FormatReader loader, CompressFileState& s) {
    ScopedRecord scoped;
    BitmapRecord& record = scoped.record;
    int r = LoadWholeBitmap(source, &record, loader, K_ORDER_BGR);
    if (r != K_OK) return r;
    s.wholePicture = true;
    BitmapRecord view = record;  // the same rows, seen top row first
    view.ViewPerspective = K_TOP_DOWN;
    view.Flags &= ~K_INTERLACED;
    std::vector<unsigned char> row(static_cast<size_t>(record.BytesPerLine) + 16);
    BitmapLock lock(&record);
    for (int y = 0; y < record.Height; ++y) {
        const int stored = record.ViewPerspective == K_TOP_DOWN ? y : record.Height - 1 - y;
        const int got = K_GetBitmapRow(&record, row.data(), stored, record.BytesPerLine);
        if (got < record.BytesPerLine) return got < 0 ? got : K_ERR_READ;
        if ((r = CompressFileRowFeeder(&view, row.data(), 1, &s)) != K_OK) return r;
    }
    return K_OK;
}

int ConvertToCompressed(const char* source, const char* output, int variant, int quality, bool alphaWanted,
                        FormatReader loader) {
    if (!source || !output) return K_ERR_NONAME;
    FileInfoRecord info;
    int r = K_FileInfo(source, &info);
    if (r != K_OK) return r;
    Output out;
    if (out.Open(output) != K_OK) return K_ERR_CREATE;
    // The alpha channel of a 32-bit source, when its side file can be made.
    auto openAlpha = [&]() -> std::unique_ptr<Output> {
        std::unique_ptr<Output> file(new (std::nothrow) Output);
        if (file && file->Open(AlphaFileName(output).c_str()) != K_OK) file.reset();
        return file;
    };
    std::unique_ptr<Output> alphaOut;
    if (alphaWanted && info.BitsPerPixel == 32) alphaOut = openAlpha();
    const bool alpha = alphaOut != nullptr;

    CompressFileState s;
    s.out = &out;
    s.alpha = alphaOut.get();
    s.variant = variant;
    s.quality = quality;
    s.xResolution = info.XResolution;
    s.yResolution = info.YResolution;
    BitmapRecord work{};
    K_InitBitmap(&work, info.Width, info.Height, 24);
    work.ColorOrder = K_ORDER_BGR;
    r = loader(source, &work, CompressFileRowFeeder, alpha ? 32 : 24, &s);
    if (s.needsWhole && !s.started) {
        if (alphaOut) {  // the side file starts again with the rows in their new order
            alphaOut.reset();
            alphaOut = openAlpha();
            s.alpha = alphaOut.get();
        }
        r = FeedWholePicture(source, loader, s);
    }
    if (!s.started) return r == K_OK ? K_ERR_FORMAT : r;
    // The rows since the last full strip, then the end of the compression.
    if (r == K_OK && s.filled > 0) r = K_CompressBuffer(s.strip.data());
    const int end = K_EndCompressBuffer();
    if (r != K_OK) return r;
    if (end != K_OK) return end;
    if (alphaOut) alphaOut->Finish();
    return out.Finish();
}

}  // namespace

extern "C" int KAPI K_CompressTIF(const char* source, const char* output, int variant, int quality, int) {
    return ConvertToCompressed(source, output, variant, quality, false, K_LoadTIFFile);
}

extern "C" int KAPI K_CompressGIF(const char* source, const char* output, int variant, int quality, int) {
    return ConvertToCompressed(source, output, variant, quality, false, K_LoadGIFFile);
}

extern "C" int KAPI K_CompressPCX(const char* source, const char* output, int variant, int quality, int) {
    return ConvertToCompressed(source, output, variant, quality, false, K_LoadPCXFile);
}

extern "C" int KAPI K_CompressBMP(const char* source, const char* output, int variant, int quality, int) {
    return ConvertToCompressed(source, output, variant, quality, false, K_LoadBMPFile);
}

extern "C" int KAPI K_CompressTGA(const char* source, const char* output, int variant, int quality, int, int alpha) {
    return ConvertToCompressed(source, output, variant, quality, alpha != 0, K_LoadTGAFile);
}

extern "C" int KAPI K_CompressALL(const char* source, const char* output, int variant, int quality, int reserved) {
    ScopedRecord scoped;
    BitmapRecord& record = scoped.record;
    int r = K_LoadBitmap(source, &record, 0, K_ORDER_BGR);
    if (r != K_OK) return r;
    if (record.BitsPerPixel == 1 && variant == 0) {
        // The library's 1-bit format; where its writer is not built the
        // picture goes on as grey levels.
        r = K_CompressBitmap1Bit(&record, output, kFormatBilevel);
        if (r != K_ERR_UNSUPPORTED) return r;
    }
    // 1-bit and grey bitmaps are coded as grey levels, every other depth as
    // 24-bit colour (K_CompressBitmap's writer converts the rows).
    return K_CompressBitmap(&record, output, variant, quality, reserved);
}
