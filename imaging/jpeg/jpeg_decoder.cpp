// K_DecompressFile and its driver: which container the file is, its header
// facts into the bitmap, the tables, the resize plan and the buffers, then
// the strips. Also the 8-bit ordered dither of colour pictures and the
// process-wide settings of the decoder.
#include <algorithm>
#include <climits>
#include <cstring>

#include "core/memory.h"
#include "core/palette.h"
#include "io/file_callbacks.h"
#include "io/resize.h"
#include "jpeg/compressed_header.h"
#include "jpeg/jpeg_engine.h"
#include "jpeg/jpeg_tables.h"

namespace {

constexpr long kWorkMemory = 5226496;  // the engine's working budget
constexpr int kJfifLook = 1000;        // bytes searched for SOI and the row-order tag

JpegEngine* g_engine = nullptr;

// The engine lives for one decode; its file is closed on every path.
struct DecodeScope {
    JpegEngine engine;
    int handle = -1;
    DecodeScope() { g_engine = &engine; }
    ~DecodeScope() {
        if (handle >= 0) FileClose(handle);
        g_engine = nullptr;
    }
};

// The 8 x 8 matrix of the ordered dither to the fixed palette.
const uint8_t kOrderedMatrix[8][8] = {
    {0, 128, 32, 160, 8, 136, 40, 168},   {192, 64, 224, 96, 200, 72, 232, 104},
    {48, 176, 16, 144, 56, 184, 24, 152}, {236, 112, 208, 80, 244, 120, 216, 88},
    {12, 140, 44, 172, 4, 132, 36, 164},  {204, 76, 232, 108, 196, 68, 228, 100},
    {60, 188, 28, 156, 52, 180, 20, 148}, {248, 124, 220, 92, 240, 116, 212, 84},
};

struct DitherBlock {
    int rowsDone = 0;
    void* userData = nullptr;
    RowCallback callback = nullptr;
    BitmapRecord* bitmap = nullptr;
    int sourceStride = 0;
    std::vector<unsigned char> out;  // the caller's rows
};

// 24-bit rows of the work record to 3-3-2 indices of the caller's bitmap,
// then on to the caller.
int KAPI JpegDitherLine(BitmapRecord* work, unsigned char* rows, int count, void* user) {
    auto* d = static_cast<DitherBlock*>(user);
    BitmapRecord* target = d->bitmap;
    if (d->rowsDone == 0) {
        SetFixedPalette(target);
        target->Flags |= K_FIXED_PALETTE_IN_USE;
        target->ViewPerspective = work->ViewPerspective;
        SetPaletteIndexMap(target);
    }
    const bool rgb = work->ColorOrder == K_ORDER_RGB;
    const size_t need = static_cast<size_t>(count) * target->BytesPerLine;
    if (d->out.size() < need) d->out.resize(need);
    for (int i = 0; i < count; ++i) {
        const unsigned char* src = rows + static_cast<size_t>(i) * d->sourceStride;
        unsigned char* out = d->out.data() + static_cast<size_t>(i) * target->BytesPerLine;
        const uint8_t* m = kOrderedMatrix[d->rowsDone & 7];
        for (int x = 0; x < work->Width; ++x) {
            const int offset = m[x & 7] / 8 - 16;
            const int red = std::clamp(src[3 * x + (rgb ? 0 : 2)] + offset, 0, 255);
            const int green = std::clamp(src[3 * x + 1] + offset, 0, 255);
            const int blue = std::clamp(src[3 * x + (rgb ? 2 : 0)] + offset, 0, 255);
            out[x] = static_cast<unsigned char>((red & 0xE0) | ((green >> 5) << 2) | (blue >> 6));
        }
        ++d->rowsDone;
    }
    return d->callback(target, d->out.data(), count, d->userData);
}

int RowBytes(int width, int pixelBytes, int alignment) {
    long bytes = static_cast<long>(width) * pixelBytes;
    if (alignment > 0) bytes = (bytes + alignment - 1) / alignment * alignment;
    return static_cast<int>(bytes);
}

// Repeat counts that spread `source` pixels over `target`, adding up to it
// exactly: an excess is taken off from the last count backwards, a
// shortfall goes to the last count.
void RepeatCounts(int source, int target, int step, const unsigned char* pick, std::vector<int>& out) {
    out.assign(static_cast<size_t>(source), 0);
    long sum = 0;
    for (int i = 0; i < source; ++i) sum += out[i] = step + pick[i % 255];
    long excess = sum - target;
    for (int i = source - 1; i >= 0 && excess > 0; --i) {
        const int take = static_cast<int>(std::min<long>(excess, out[i]));
        out[i] -= take;
        excess -= take;
    }
    if (excess < 0) out[source - 1] += static_cast<int>(-excess);
}

// The library's own format: header, stamp, then the tables it implies.
int ReadOwnHeader(JpegEngine& e, int handle, BitmapRecord* bitmap) {
    JpegDecodeParams& p = e.params;
    uint8_t bytes[kCompressedTrailerSize];
    if (FileSeek(handle, -kCompressedTrailerSize, 2) >= 0 &&
        FileRead(handle, bytes, kCompressedTrailerSize) == kCompressedTrailerSize) {
        CompressedTrailer trailer;
        if (ReadCompressedTrailer(bytes, &trailer)) {
            bitmap->XResolution = trailer.xResolution;
            bitmap->YResolution = trailer.yResolution;
        }
    }
    uint8_t head[kCompressedHeaderSize];
    CompressedHeader h;
    if (FileSeek(handle, 0, 0) != 0 || FileRead(handle, head, kCompressedHeaderSize) != kCompressedHeaderSize ||
        !ReadCompressedHeader(head, kCompressedHeaderSize, &h))
        return kJpegBadSeek;
    if (h.follows == kFollowsStamp) {
        uint8_t stamp[3];
        if (FileRead(handle, stamp, 3) != 3) return kJpegBadSeek;
        long skip = static_cast<long>(stamp[0]) * stamp[1] * (stamp[2] / 8) + (stamp[2] == 8 ? kStampPaletteSize : 0);
        if (FileSeek(handle, static_cast<int>(skip), 1) < 0) return kJpegBadSeek;
    } else if (h.follows == kFollowsPalette) {
        if (FileSeek(handle, kStampPaletteSize, 1) < 0) return kJpegBadSeek;
    }
    e.topDownRows = (h.rowOrder & 0x30) > 0x10;
    e.doubledHeight = (h.codingFlags & kCodedHalfRows) != 0;
    e.greyImage = (h.codingFlags & kCodedGrey) != 0;
    p.width = h.width;
    p.height = h.codedHeight;
    if (p.width == 0 || p.height == 0) return kJpegBadStream;
    p.headerMode = HeaderMode::Tables;
    p.quality = static_cast<int16_t>(h.quality);
    p.components = e.greyImage ? 1 : 3;
    JpegComponent& y = p.component[0];
    y.h = 2, y.v = 1;
    if (h.codingFlags & kCodedSampling1x1) y.h = 1;
    if (h.codingFlags & kCodedSampling2x2) y.h = 2, y.v = 2;
    if (e.greyImage) y.h = y.v = 1;
    for (int c = 0; c < 3; ++c) {
        JpegComponent& comp = p.component[c];
        if (c > 0) comp.h = comp.v = 1;
        comp.quantTable = comp.dcTable = comp.acTable = c == 0 ? 0 : 1;
    }
    if (ScaleQuantTable(kLuminanceQuant, p.quality, p.quant[0]) != K_OK ||
        ScaleQuantTable(kChrominanceQuant, p.quality, p.quant[1]) != K_OK)
        return kJpegBadStream;
    p.quantPresent[0] = p.quantPresent[1] = true;
    const uint8_t* huffman[4] = {kLuminanceDc, kChrominanceDc, kLuminanceAc, kChrominanceAc};
    for (int i = 0; i < 4; ++i) {
        HuffmanSlot& slot = i < 2 ? p.dc[i] : p.ac[i - 2];
        std::memcpy(slot.counts, huffman[i], 16);
        std::memcpy(slot.symbols, huffman[i] + 16, static_cast<size_t>(HuffmanTableLength(huffman[i]) - 16));
        slot.present = true;
    }
    return K_OK;
}

// A marker stream: where the SOI stands and whether the rows run up.
int FindJfifStart(JpegEngine& e, int handle) {
    uint8_t head[kJfifLook + 4] = {};
    const int count = FileRead(handle, head, kJfifLook);
    if (count <= 0) return kJpegNoInput;
    // Files that carry the library's tag in their comment state their row
    // order at byte 51; every other stream runs top-down.
    const bool tagged = std::memcmp(head + 24, "KORA", 4) == 0 || std::memcmp(head + 24, "ODS ", 4) == 0;
    e.topDownRows = head[51] == '1' || !tagged;
    for (int i = 0; i + 2 < count; ++i)
        if (head[i] == 0xFF && head[i + 1] == 0xD8 && head[i + 2] == 0xFF) {
            if (FileSeek(handle, i, 0) != i) return kJpegBadSeek;
            break;
        }
    return K_OK;
}

// The tables the components use, in their decoding forms.
int BuildTables(JpegEngine& e) {
    JpegDecodeParams& p = e.params;
    int dcUsed = 0, acUsed = 0;
    for (int c = 0; c < p.components; ++c) {
        const JpegComponent& comp = p.component[c];
        if (!p.quantPresent[comp.quantTable]) return kJpegNoQuantTable;
        if (!p.dc[comp.dcTable].present) return kJpegNoDcTable;
        if (!p.ac[comp.acTable].present) return kJpegNoAcTable;
        dcUsed |= 1 << comp.dcTable;
        acUsed |= 1 << comp.acTable;
    }
    if (__builtin_popcount(dcUsed) > 2) return kJpegTooManyDc;
    if (__builtin_popcount(acUsed) > 2) return kJpegTooManyAc;
    for (int t = 0; t < 4; ++t) {
        if ((dcUsed >> t & 1) && BuildHuffmanLookup(p.dc[t], 11, e.dcLookup[t]) != K_OK) return kJpegBadStream;
        if (acUsed >> t & 1) {
            if (BuildHuffmanLookup(p.ac[t], 10, e.acLookup[t]) != K_OK) return kJpegBadStream;
            BuildFastAcLookup(e.acLookup[t]);
        }
        if (p.quantPresent[t]) BuildDequantTable(p.quant[t], e.dequant[t]);
    }
    return K_OK;
}

void SetBitmapFacts(JpegEngine& e, BitmapRecord* bitmap) {
    const JpegSettings& s = DecoderSettings();
    bitmap->ImageOriginX = bitmap->ImageOriginY = 0;
    bitmap->ViewPerspective = e.topDownRows ? K_TOP_DOWN : K_BOTTOM_UP;
    if (e.outputType == 1) {
        bitmap->Colors = 256;
        if (e.greyImage && s.greyPaletteOwn) {
            for (int i = 0; i < 256; ++i) {
                const BYTE v = static_cast<BYTE>(i);
                bitmap->ColorTable[i] = RGBQUAD{v, v, v, v};
            }
            CreateBitmapPalette(bitmap);
        } else {
            SetFixedPalette(bitmap);
            bitmap->Flags |= K_FIXED_PALETTE_IN_USE;
        }
    }
    BITMAPINFOHEADER& d = bitmap->DibHeader;
    d.biSize = 40;
    d.biPlanes = 1;
    d.biBitCount = static_cast<WORD>(8 * e.outputType);
    d.biCompression = 0;
    d.biXPelsPerMeter = d.biYPelsPerMeter = 0;
    d.biClrUsed = d.biClrImportant = 0;
}

// A density as the record's resolution: a TIFF stream's RATIONAL can be far
// beyond an int, and such a value says nothing usable (0, unknown).
int Resolution(double density) {
    return density >= 0 && density <= static_cast<double>(INT_MAX) ? static_cast<int>(density) : 0;
}

// Every block takes at least two bits (the shortest DC code and the
// shortest end of block): a file whose rest is too short for all MCU rows
// but the last cannot hold the picture its header declares, and is
// refused before any row buffer is made for it. Inputs whose length the
// callbacks do not tell are not checked.
bool ScanCanHoldPicture(JpegEngine& e, int handle) {
    const int here = FileSeek(handle, 0, 1);
    const int end = FileSeek(handle, 0, 2);
    if (FileSeek(handle, here, 0) != here || here < 0 || end < here) return true;
    const long long rest = static_cast<long long>(end - here) + (e.input.end() - e.input.pos());
    const long long blocks = static_cast<long long>(e.mcuRows - 1) * e.mcusAcross * e.blocks;
    return rest * 8 >= blocks * 2;
}

int DecodeFile(JpegEngine& e, int handle, BitmapRecord* bitmap) {
    JpegDecodeParams& p = e.params;
    e.window.assign(kJpegInputChunk + kJpegInputTail, 0);
    if (e.ownStream) {
        if (int r = ReadOwnHeader(e, handle, bitmap); r != K_OK) return r;
        e.input.Begin(handle, e.window.data(), true);
    } else if (e.tiffStream) {
        uint32_t scan = 0;
        if (int r = JpegReadTiffParams(handle, p, &e.topDownRows, &scan); r != K_OK) return r;
        e.greyImage = p.components == 1;
        if (FileSeek(handle, static_cast<int>(scan), 0) != static_cast<int>(scan)) return kJpegBadSeek;
        e.input.Begin(handle, e.window.data(), false);
        bitmap->XResolution = Resolution(p.xDensity);
        bitmap->YResolution = Resolution(p.yDensity);
    } else {
        if (int r = FindJfifStart(e, handle); r != K_OK) return r;
        e.input.Begin(handle, e.window.data(), false);
        if (int r = JpegReadMarkers(e.input, p, e.markers); r != K_OK) return r;
        e.greyImage = p.components == 1;
        if (e.input.readError()) return e.input.readError();
        bitmap->XResolution = Resolution(p.xDensity);
        bitmap->YResolution = Resolution(p.yDensity);
    }
    if (int r = BuildTables(e); r != K_OK) return r;

    // Output geometry; a bitmap of another size gets the picture resized.
    const JpegSettings& s = DecoderSettings();
    const int sourceHeight = p.height * (e.doubledHeight ? 2 : 1);
    e.outWidth = bitmap->Width;
    e.outHeight = bitmap->Height;
    if (e.outWidth <= 0 || e.outHeight <= 0) return K_ERR_ARGUMENT;
    if (e.outWidth != p.width || e.outHeight != sourceHeight) {
        unsigned char pickX[256], pickY[256];
        int stepX = 0, stepY = 0;
        ComputeResizeSteps(p.width, sourceHeight, e.outWidth, e.outHeight, pickX, pickY, &stepX, &stepY);
        RepeatCounts(p.width, e.outWidth, stepX, pickX, e.columnRepeat);
        RepeatCounts(sourceHeight, e.outHeight, stepY, pickY, e.rowRepeat);
        e.rowResize = sourceHeight < e.outHeight ? RowResize::Repeated : RowResize::Dropped;
    }
    e.ditherToFixed = e.outputType == 1 && (!e.greyImage || !s.greyPaletteOwn);
    e.decodedPixelBytes = e.ditherToFixed ? 3 : e.outputType;
    e.outputPixelBytes = e.outputType;
    e.rowStride = RowBytes(e.outWidth, e.outputPixelBytes, e.rowAlignment);
    const long workRows = static_cast<long>(e.outWidth) * e.outputPixelBytes * 16;
    if (workRows > kWorkMemory - kJpegInputChunk) return kJpegOutOfMemory;

    SetBitmapFacts(e, bitmap);
    if (int r = JpegStartScan(e); r != K_OK) return r;
    if (!ScanCanHoldPicture(e, handle)) return kJpegDataMissing;

    // Rows waiting for the callback: an MCU row (twice for doubled rows) or
    // LinesPerCall of them.
    e.deliveryRows = (s.multiLine ? s.linesPerCall : 0) + 2 * e.mcuHeight;
    const unsigned long long bytes = static_cast<unsigned long long>(e.deliveryRows) * e.rowStride;
    if (bytes > 0x40000000ULL) return kJpegOutOfMemory;
    e.delivery.assign(static_cast<size_t>(bytes), 0);
    e.ditherRow.assign(static_cast<size_t>(p.width), 0);
    e.resizeRow.assign(static_cast<size_t>(e.rowStride) + 4, 0);
    if (e.ditherToFixed) e.ditherErrors.assign(static_cast<size_t>(p.width + 2) * 6, 0);

    e.setUp = true;
    while (e.mcuRowsDone < e.mcuRows) {
        int r = JpegDecodeStrip(e);
        // A truncated stream keeps the rows decoded before it ended.
        if (r == kJpegDataMissing) JpegFlushRows(e);
        if (r != K_OK) return r;
    }
    return JpegFlushRows(e);
}

}  // namespace

JpegSettings& DecoderSettings() {
    static JpegSettings settings;
    return settings;
}

// The driver: 1, the callback's stopping value, or a negative code.
int JpegDecodeFile(const char* name, BitmapRecord* bitmap, RowCallback callback, void* userData, CompressedKind kind,
                   int outputType, int alignment) {
    if (g_engine) return kJpegBusy;
    DecodeScope scope;
    JpegEngine& e = scope.engine;
    e.ownStream = kind == CompressedKind::Own;
    e.tiffStream = kind == CompressedKind::TiffJpeg;
    e.outputType = outputType;
    e.rowAlignment = alignment;
    e.rgbOutput = bitmap->ColorOrder == K_ORDER_RGB;
    e.bitmap = bitmap;
    e.callback = callback;
    e.userData = userData;
    scope.handle = FileOpen(name, kReaderOpenFlags, kReaderPermission);
    if (scope.handle < 0) return kJpegNoFile;
    int r;
    try {
        r = DecodeFile(e, scope.handle, bitmap);
    } catch (const std::bad_alloc&) {
        r = kJpegOutOfMemory;
    }
    if (r == kJpegCallbackStop) return e.callbackResult;
    return r;
}

extern "C" int KAPI K_DecompressFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                     void* userData, int alignment) {
    if (!name) return K_ERR_NONAME;
    if (!bitmap || !callback) return K_ERR_ARGUMENT;
    if (bitsPerPixel == 8) {
        FileInfoRecord info;
        int r = K_FileInfo(name, &info);
        if (r != K_OK) return r;
        if (info.BitsPerPixel == 24) {
            // Colour at 8 bits: decoded at 24 and dithered to the fixed palette.
            BitmapRecord work;
            std::memset(&work, 0, sizeof work);
            r = K_InitBitmap(&work, bitmap->Width, bitmap->Height, 24);
            if (r != K_OK) return r;
            work.ViewPerspective = bitmap->ViewPerspective;
            work.ColorOrder = K_ORDER_BGR;
            if (alignment < 0) return K_ERR_ARGUMENT;
            if (bitmap->ColorOrder != K_ORDER_RGB && bitmap->ColorOrder != K_ORDER_BGR) return K_ERR_ARGUMENT;
            DitherBlock block;
            block.userData = userData;
            block.callback = callback;
            block.bitmap = bitmap;
            block.sourceStride = RowBytes(bitmap->Width, 3, alignment);
            const CompressedKind kind = ProbeCompressedFile(name);
            if (kind == CompressedKind::None) return K_ERR_FORMAT;
            return JpegDecodeFile(name, &work, JpegDitherLine, &block, kind, 3, alignment);
        }
    }
    if (bitsPerPixel == 16) bitsPerPixel = 24;
    const CompressedKind kind = ProbeCompressedFile(name);
    if (kind == CompressedKind::None) return K_ERR_FORMAT;
    if (bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return K_ERR_BITS;
    if (bitsPerPixel == 8) bitmap->Flags |= K_GRAY_PALETTE;
    if (alignment < 0) return K_ERR_ARGUMENT;
    if (bitmap->ColorOrder != K_ORDER_RGB && bitmap->ColorOrder != K_ORDER_BGR) return K_ERR_ARGUMENT;
    const int outputType = bitsPerPixel <= 8 ? 1 : bitsPerPixel == 24 ? 3 : 4;
    return JpegDecodeFile(name, bitmap, callback, userData, kind, outputType, alignment);
}

extern "C" int KAPI K_SetCallbackLine(int lines) {
    if (lines <= 0) return K_ERR_ARGUMENT;
    DecoderSettings().linesPerCall = lines;
    DecoderSettings().multiLine = true;
    return lines;
}

extern "C" void KAPI K_SetGrayFixedPalette(int fixed) { DecoderSettings().greyPaletteOwn = fixed == 0; }
