// BMP: Windows (40-byte info header and the longer V4/V5 forms), OS/2 1.x
// (12-byte header) and OS/2 2.x files, bitmap arrays ("BA", first image),
// RLE8 and RLE4 reading; writing at 1, 4, 8 and 24 bits.
#include <algorithm>
#include <cstring>

#include "io/codec_row.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kMaxInfoHeader = limits::kBmpInfoHeader;

struct BmpHeader {
    int base = 0;  // 14 behind a bitmap array header
    int infoSize = 0;
    int width = 0;
    int height = 0;        // rows, always positive
    bool topDown = false;  // negative height in the file
    int bits = 0;
    int compression = 0;
    bool hasResolution = false;
    int xPelsPerMeter = 0;
    int yPelsPerMeter = 0;
    int colorsUsed = 0;  // 0 when the header has no such field
    int dataOffset = 0;
    int code = 0;  // 6, 14 or 74
};

int PelsToDpi(int ppm) { return static_cast<int>((static_cast<long long>(ppm) * 254 + 5000) / 10000); }
int DpiToPels(int dpi) { return static_cast<int>((static_cast<long long>(dpi) * 10000 + 127) / 254); }

bool SupportedBits(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// Parses the info header (whole, infoSize bytes or 12 for OS/2 1.x).
// -9 for a header that is not BMP or cannot be read.
int ParseInfoHeader(const ByteView& info, BmpHeader& h) {
    if (!info.Has(0, 4)) return K_ERR_FORMAT;
    h.infoSize = static_cast<int>(info.U32LE(0));
    if (h.infoSize == 12) {
        if (!info.Has(0, 12)) return K_ERR_FORMAT;
        h.width = info.U16LE(4);
        h.height = info.U16LE(6);
        h.bits = info.U16LE(10);
        h.code = kFormatBMPOS2v1;
    } else {
        if (h.infoSize < 16 || h.infoSize > kMaxInfoHeader) return K_ERR_FORMAT;
        int available = std::min<int>(h.infoSize, static_cast<int>(info.size()));
        if (available < 16) return K_ERR_FORMAT;
        h.code = h.infoSize == 40 ? kFormatBMP : kFormatBMPOS2v2;
        int32_t width = info.I32LE(4), height = info.I32LE(8);
        h.bits = info.U16LE(14);
        if (height < 0) {
            if (height == INT32_MIN) return K_ERR_FORMAT;
            h.topDown = true;
            height = -height;
        }
        h.width = width;
        h.height = height;
        if (h.infoSize >= 20 && available >= 20) h.compression = static_cast<int>(info.U32LE(16));
        if (h.infoSize >= 32 && available >= 32) {
            h.xPelsPerMeter = info.I32LE(24);
            h.yPelsPerMeter = info.I32LE(28);
            // A Windows header states a resolution only with a non-zero x.
            h.hasResolution = h.code != kFormatBMP || h.xPelsPerMeter != 0;
        }
        if (h.infoSize >= 36 && available >= 36) h.colorsUsed = static_cast<int>(info.U32LE(32));
    }
    if (!SupportedBits(h.bits) || h.width <= 0 || h.height <= 0) return K_ERR_FORMAT;
    return K_OK;
}

// Palette entries to read: all 2^bits, or fewer when the header's colour
// count says so (ImageMagick writes only the colours it uses) or when the
// pixel data starts before a whole table.
int PaletteEntries(const BmpHeader& h) {
    if (h.bits > 8) return 0;
    int full = 1 << h.bits;
    int count = full;
    if (h.infoSize != 12 && h.colorsUsed > 0 && h.colorsUsed < full) count = h.colorsUsed;
    int entrySize = h.infoSize == 12 ? 3 : 4;
    long long tableStart = static_cast<long long>(h.base) + kFileHeaderBytes + h.infoSize;
    long long room = (static_cast<long long>(h.dataOffset) - tableStart) / entrySize;
    if (room > 0 && room < count) count = static_cast<int>(room);
    return count;
}

void FillInfo(const BmpHeader& h, FileInfoRecord* info) {
    FillFileInfo(info, {.format = h.code,
                        .width = h.width,
                        .height = h.height,
                        .bitsPerPixel = h.bits,
                        .viewPerspective = h.topDown ? K_TOP_DOWN : K_BOTTOM_UP,
                        .colorOrder = h.bits == 24 ? 1 : 0,
                        .compression = h.compression ? "Run Length" : "None"});
    if (h.hasResolution) {
        info->XResolution = PelsToDpi(h.xPelsPerMeter);
        info->YResolution = PelsToDpi(h.yPelsPerMeter);
    }
    int colors = h.bits <= 8 ? 1 << h.bits : 0;
    if (h.code == kFormatBMP)
        info->HeaderSize = 40 + 4 * colors;
    else if (h.code == kFormatBMPOS2v1)
        info->HeaderSize = 12 + 3 * colors;
    else
        info->HeaderSize = h.infoSize + 4 * colors;
}

// Run-length decoding; the state carries over from row to row.
struct RleState {
    int skipRows = 0;    // rows still to deliver as zero after a delta
    int resumeX = 0;     // where the row after a delta starts
    bool ended = false;  // end of bitmap (or of the data)
};

inline void PutPixel(unsigned char* row, int x, int width, bool rle4, int value) {
    if (x >= 0 && x < width) SetPackedIndex(row, x, rle4 ? 4 : 8, value);
}

// One row: 1, or -7 when the data ends before the end-of-bitmap code.
int DecodeRleRow(Source& in, unsigned char* row, int width, int rowBytes, bool rle4, RleState& s) {
    std::memset(row, 0, rowBytes);
    if (s.ended) return K_OK;
    if (s.skipRows > 0) {
        --s.skipRows;
        return K_OK;
    }
    int x = s.resumeX;
    s.resumeX = 0;
    for (;;) {
        int n = in.Byte();
        int v = in.Byte();
        if (n < 0 || v < 0) return K_ERR_READ;
        if (n > 0) {
            for (int i = 0; i < n && x < width; ++i, ++x)
                PutPixel(row, x, width, rle4, rle4 ? (i & 1 ? v & 0x0F : v >> 4) : v);
            continue;
        }
        switch (v) {
            case 0:
                return K_OK;
            case 1:
                s.ended = true;  // end of bitmap: zeros from here on
                return K_OK;
            case 2: {
                int dx = in.Byte(), dy = in.Byte();
                if (dx < 0 || dy < 0) return K_ERR_READ;
                x = std::min(x + dx, width);
                if (dy > 0) {
                    s.skipRows = dy - 1;
                    s.resumeX = x;
                    return K_OK;
                }
                break;
            }
            default: {
                int bytes = rle4 ? (v + 1) / 2 : v;
                int held = 0;
                for (int i = 0; i < v; ++i) {
                    int value;
                    if (rle4) {
                        if (!(i & 1)) {
                            held = in.Byte();
                            if (held < 0) return K_ERR_READ;
                        }
                        value = i & 1 ? held & 0x0F : held >> 4;
                    } else {
                        value = in.Byte();
                        if (value < 0) return K_ERR_READ;
                    }
                    PutPixel(row, x, width, rle4, value);
                    if (x < width) ++x;
                }
                if (bytes & 1) in.Byte();  // literal runs are padded to an even byte count
                break;
            }
        }
    }
}

// Reads the file and info headers from the start of the file.
int ReadHeaders(Source& in, BmpHeader& h) {
    unsigned char bytes[kFileHeaderBytes];
    if (in.ReadExact(bytes, 2, K_ERR_FORMAT) != K_OK) return K_ERR_FORMAT;
    bool array = bytes[0] == 'B' && bytes[1] == 'A';
    if (!array && !(bytes[0] == 'B' && bytes[1] == 'M')) return K_ERR_FORMAT;
    int r = in.SeekTo(0);
    if (r != K_OK) return r;
    if (array) {
        if ((r = in.ReadExact(bytes, kFileHeaderBytes)) != K_OK) return r;
        h.base = kFileHeaderBytes;
    }
    if ((r = in.ReadExact(bytes, kFileHeaderBytes)) != K_OK) return r;
    if (bytes[0] != 'B' || bytes[1] != 'M') return K_ERR_FORMAT;
    h.dataOffset = static_cast<int>(ByteView(bytes, sizeof bytes).U32LE(10));
    unsigned char info[kMaxInfoHeader];
    if ((r = in.ReadExact(info, 12)) != K_OK) return r;
    int size = static_cast<int>(ByteView(info, 12).U32LE(0));
    if (size != 12) {
        if (size < 16 || size > kMaxInfoHeader) return K_ERR_FORMAT;
        if ((r = in.ReadExact(info + 12, size - 12, K_ERR_FORMAT)) != K_OK) return r;
    }
    return ParseInfoHeader(ByteView(info, size == 12 ? 12 : size), h);
}

int ReadColorTable(Source& in, const BmpHeader& h, ReaderSession& session) {
    BitmapRecord* bitmap = session.bitmap();
    int count = PaletteEntries(h);
    ColorBytes layout = h.infoSize == 12 ? ColorBytes::BGR : ColorBytes::BGRX;
    unsigned char table[256 * 4];
    int r = in.ReadExact(table, ColorTableBytes(layout, count));
    if (r != K_OK) return r;
    ColorsFromBytes(bitmap->ColorTable, table, count, layout);
    bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(count);
    bitmap->DibHeader.biClrUsed = count;
    return K_OK;
}

}  // namespace

int ProbeBMP(const ProbeInput& input, FileInfoRecord* info) {
    ByteView header(input.header, static_cast<size_t>(std::max(input.headerCount, 0)));
    BmpHeader h;
    if (header.U8(0) == 'B' && header.U8(1) == 'A') h.base = kFileHeaderBytes;
    if (header.U8(h.base) != 'B' || header.U8(h.base + 1) != 'M') return 0;
    if (!header.Has(h.base, kFileHeaderBytes + 12)) return 0;
    h.dataOffset = static_cast<int>(header.U32LE(h.base + 10));
    size_t at = h.base + kFileHeaderBytes;
    ByteView infoBytes(header.data() + at, header.size() - at);
    if (ParseInfoHeader(infoBytes, h) != K_OK) return 0;
    FillInfo(h, info);
    return 1;
}

extern "C" int KAPI K_LoadBMPFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int result = session.Open(name, bitmap, bitsPerPixel);
    if (result != K_OK) return result;
    Source& in = session.source();
    BmpHeader h;
    result = ReadHeaders(in, h);
    if (result != K_OK) return result;
    // Pixel data cannot start inside the file and info headers.
    if (h.dataOffset < h.base + kFileHeaderBytes + h.infoSize) return K_ERR_FORMAT;
    const bool rle = h.compression != 0;
    // Run-length data is 8 or 4 bits and bottom-up; other compressions
    // (bit fields, Huffman, RLE24, embedded JPEG or PNG) are not read.
    if (rle && !((h.bits == 8 || h.bits == 4) && !h.topDown)) return K_ERR_FORMAT;

    result = session.SetImage(h.width, h.height, h.bits, h.bits == 24 ? 1 : 0);
    if (result != K_OK) return result;
    if (h.bits <= 8) {
        result = ReadColorTable(in, h, session);
        if (result != K_OK) return result;
    } else {
        bitmap->Flags &= ~K_GRAY_PALETTE;
        bitmap->Colors = 0;
    }
    if ((result = in.SeekTo(h.dataOffset)) != K_OK) return result;
    if (h.hasResolution) {
        bitmap->XResolution = PelsToDpi(h.xPelsPerMeter);
        bitmap->YResolution = PelsToDpi(h.yPelsPerMeter);
    }
    bitmap->ViewPerspective = h.topDown ? K_TOP_DOWN : K_BOTTOM_UP;
    bitmap->FormatCode = kFormatBMP;

    const int paddedRow = GetBytesPerLine(h.width, h.bits);
    // Uncompressed rows are all in the file, or the picture is refused
    // before anything is allocated for it. (Run-length data can end the
    // picture early by design: no size follows from it.)
    if (!rle && (result = in.Require(static_cast<int64_t>(paddedRow) * h.height)) != K_OK) return result;
    result = session.BeginRows(callback, userData);
    if (result != K_OK) return result;
    RleState rleState;
    for (int y = 0; y < h.height; ++y) {
        if (rle) {
            // A picture cut short in its data: the rows so far have been
            // delivered, and the short read says the file is damaged.
            if ((result = DecodeRleRow(in, session.Row(), h.width, paddedRow, h.bits == 4, rleState)) != K_OK)
                return result;
        } else {
            // Rows stored as the record stores them go straight into storage.
            if ((result = session.ReadStoredRows(&y, h.height, paddedRow)) != K_OK) return result;
            if (y == h.height) break;
            result = in.ReadExact(session.Row(), paddedRow);
            if (result != K_OK) return result;
        }
        result = session.DeliverRow(y);
        if (result != K_OK) return result;
    }
    return K_OK;
}

extern "C" int KAPI K_LoadBMPBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadBMPFile, K_ORDER_BGR);
}

// Writes the file header, the info header of a kind (1 Windows, 2 OS/2
// 1.x, 3 OS/2 2.x) and the colour table of the record.
int WriteBMPHeader(Output& out, const BitmapRecord* bitmap, int bitsPerPixel, int kind) {
    const int colors = bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0;
    const int rowBytes = GetBytesPerLine(bitmap->Width, bitsPerPixel);
    const int infoSize = kind == 2 ? 12 : kind == 3 ? 64 : 40;
    const ColorBytes layout = kind == 2 ? ColorBytes::BGR : ColorBytes::BGRX;
    const int offset = kFileHeaderBytes + infoSize + ColorTableBytes(layout, colors);
    const unsigned imageBytes = static_cast<unsigned>(rowBytes) * static_cast<unsigned>(bitmap->Height);

    out.Byte('B');
    out.Byte('M');
    out.U32LE(imageBytes + offset);
    out.U32LE(0);
    out.U32LE(offset);
    out.U32LE(infoSize);
    if (kind == 2) {
        out.U16LE(bitmap->Width);
        out.U16LE(bitmap->Height);
        out.U16LE(1);
        out.U16LE(bitsPerPixel);
    } else {
        out.U32LE(bitmap->Width);
        out.U32LE(bitmap->Height);
        out.U16LE(1);
        out.U16LE(bitsPerPixel);
        out.U32LE(0);
        out.U32LE(imageBytes);
        out.U32LE(DpiToPels(bitmap->XResolution));
        out.U32LE(DpiToPels(bitmap->YResolution));
        out.Zeros(infoSize - 32);
    }
    unsigned char table[256 * 4];
    ColorsToBytes(table, bitmap->ColorTable, colors, layout);
    return out.Write(table, ColorTableBytes(layout, colors));
}

int SaveBMPFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (!SupportedBits(bits)) return K_ERR_BITS;
    if (!request.name) return K_ERR_NONAME;
    // The OS/2 1.x header holds 16-bit sizes.
    if (request.formatCode == kFormatBMPOS2v1 && (request.bitmap->Width > 0xFFFF || request.bitmap->Height > 0xFFFF))
        return K_ERR_SIZE;
    int flags = request.flags | (bits == 24 ? kSaveStoresBGR : 0);
    SaveWriter writer(request.bitmap, bits, flags, request.callback, request.userData);
    int result = writer.Begin();
    if (result != K_OK) return result;
    Output out;
    if ((result = out.Open(request.name)) != K_OK) return result;
    int kind = request.formatCode == kFormatBMPOS2v1 ? 2 : request.formatCode == kFormatBMPOS2v2 ? 3 : 1;
    WriteBMPHeader(out, &writer.Target(), bits, kind);
    // The file holds the bottom line first, rows padded as the record pads them.
    if ((result = writer.WriteRows(out, writer.Target().BytesPerLine, true)) != K_OK) return result;
    return out.Finish();
}

extern "C" int KAPI K_SaveBMPBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int kind) {
    int code = kind == 1 ? kFormatBMP : kind == 2 ? kFormatBMPOS2v1 : kind == 3 ? kFormatBMPOS2v2 : kind;
    int flags = bitsPerPixel < 2 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE;
    return K_SaveFile(name, bitmap, code, bitsPerPixel, 0, flags, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{40, false, ProbeBMP}};
const LoadEntry kLoads[] = {
    {kFormatBMP, K_LoadBMPFile, nullptr, false},
    {kFormatBMPOS2v1, K_LoadBMPFile, nullptr, false},
    {kFormatBMPOS2v2, K_LoadBMPFile, nullptr, false},
};
const SaveEntry kSaves[] = {
    {kFormatBMP, SaveBMPFile, 0, 0, false},
    {kFormatBMPOS2v1, SaveBMPFile, 0, 0, false},
    {kFormatBMPOS2v2, SaveBMPFile, 0, 0, false},
};
}  // namespace

extern const CodecRow kBMPRow = {"BMP", kProbes, {}, kLoads, kSaves, nullptr};
