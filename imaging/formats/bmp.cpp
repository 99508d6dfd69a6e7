// BMP: Windows (40-byte info header and the longer V4/V5 forms), OS/2 1.x
// (12-byte header) and OS/2 2.x files, bitmap arrays ("BA", first image),
// RLE8 and RLE4 reading; writing at 1, 4, 8 and 24 bits.
#include <algorithm>
#include <cstring>

#include "core/bitmap.h"
#include "io/byte_reader.h"
#include "io/codecs.h"
#include "io/file_callbacks.h"
#include "io/file_info.h"
#include "io/probes.h"
#include "io/reader_helpers.h"
#include "io/writer_helpers.h"

namespace {

constexpr int kFileHeaderBytes = 14;
// Longest info header we take; the V5 form has 124 bytes.
constexpr int kMaxInfoHeader = 1024;

struct BmpHeader {
    int base = 0;          // 14 behind a bitmap array header
    int infoSize = 0;
    int width = 0;
    int height = 0;        // rows, always positive
    bool topDown = false;  // negative height in the file
    int bits = 0;
    int compression = 0;
    bool hasResolution = false;
    int xPelsPerMeter = 0;
    int yPelsPerMeter = 0;
    int colorsUsed = 0;    // 0 when the header has no such field
    int dataOffset = 0;
    int code = 0;          // 6, 14 or 74
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
        h.code = K_FORMAT_BMP_OS2_1;
    } else {
        if (h.infoSize < 16 || h.infoSize > kMaxInfoHeader) return K_ERR_FORMAT;
        int available = std::min<int>(h.infoSize, static_cast<int>(info.size()));
        if (available < 16) return K_ERR_FORMAT;
        h.code = h.infoSize == 40 ? K_FORMAT_BMP : K_FORMAT_BMP_OS2_2;
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
            h.hasResolution = h.code != K_FORMAT_BMP || h.xPelsPerMeter != 0;
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
    info->FormatCode = static_cast<unsigned char>(h.code);
    info->Width = h.width;
    info->Height = h.height;
    info->BitsPerPixel = h.bits;
    info->ImageSize = ComputeImageSize(h.width, h.height, h.bits);
    info->ViewPerspective = h.topDown ? K_TOP_DOWN : K_BOTTOM_UP;
    info->ColorOrder = h.bits == 24 ? 1 : 0;
    SetCompressionName(info, h.compression ? "Run Length" : "None");
    if (h.hasResolution) {
        info->XResolution = PelsToDpi(h.xPelsPerMeter);
        info->YResolution = PelsToDpi(h.yPelsPerMeter);
    }
    int colors = h.bits <= 8 ? 1 << h.bits : 0;
    if (h.code == K_FORMAT_BMP) info->HeaderSize = 40 + 4 * colors;
    else if (h.code == K_FORMAT_BMP_OS2_1) info->HeaderSize = 12 + 3 * colors;
    else info->HeaderSize = h.infoSize + 4 * colors;
}

// Run-length decoding; the state carries over from row to row.
struct RleState {
    int skipRows = 0;   // rows still to deliver as zero after a delta
    int resumeX = 0;    // where the row after a delta starts
    bool ended = false; // end of bitmap (or of the data)
};

inline void PutPixel(unsigned char* row, int x, int width, bool rle4, int value) {
    if (x < 0 || x >= width) return;
    if (!rle4) {
        row[x] = static_cast<unsigned char>(value);
    } else if (x & 1) {
        row[x >> 1] = static_cast<unsigned char>((row[x >> 1] & 0xF0) | (value & 0x0F));
    } else {
        row[x >> 1] = static_cast<unsigned char>((row[x >> 1] & 0x0F) | (value & 0x0F) << 4);
    }
}

void DecodeRleRow(FileInput& in, unsigned char* row, int width, int rowBytes, bool rle4, RleState& s) {
    std::memset(row, 0, rowBytes);
    if (s.ended) return;
    if (s.skipRows > 0) {
        --s.skipRows;
        return;
    }
    int x = s.resumeX;
    s.resumeX = 0;
    for (;;) {
        int n = in.Byte();
        int v = in.Byte();
        if (n < 0 || v < 0) {
            s.ended = true;  // the data ran out: zeros from here on
            return;
        }
        if (n > 0) {
            for (int i = 0; i < n && x < width; ++i, ++x)
                PutPixel(row, x, width, rle4, rle4 ? (i & 1 ? v & 0x0F : v >> 4) : v);
            continue;
        }
        switch (v) {
            case 0:
                return;
            case 1:
                s.ended = true;
                return;
            case 2: {
                int dx = in.Byte(), dy = in.Byte();
                if (dx < 0 || dy < 0) {
                    s.ended = true;
                    return;
                }
                x = std::min(x + dx, width);
                if (dy > 0) {
                    s.skipRows = dy - 1;
                    s.resumeX = x;
                    return;
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
                            if (held < 0) {
                                s.ended = true;
                                return;
                            }
                        }
                        value = i & 1 ? held & 0x0F : held >> 4;
                    } else {
                        value = in.Byte();
                        if (value < 0) {
                            s.ended = true;
                            return;
                        }
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

// Reads the file and info headers through the open file.
int ReadHeaders(int handle, BmpHeader& h) {
    unsigned char bytes[kFileHeaderBytes];
    if (FileRead(handle, bytes, 2) != 2) return K_ERR_FORMAT;
    bool array = bytes[0] == 'B' && bytes[1] == 'A';
    if (!array && !(bytes[0] == 'B' && bytes[1] == 'M')) return K_ERR_FORMAT;
    if (FileSeek(handle, 0, 0) != 0) return K_ERR_SEEK;
    if (array) {
        if (FileRead(handle, bytes, kFileHeaderBytes) != kFileHeaderBytes) return K_ERR_READ;
        h.base = kFileHeaderBytes;
    }
    if (FileRead(handle, bytes, kFileHeaderBytes) != kFileHeaderBytes) return K_ERR_READ;
    if (bytes[0] != 'B' || bytes[1] != 'M') return K_ERR_FORMAT;
    h.dataOffset = static_cast<int>(ByteView(bytes, sizeof bytes).U32LE(10));
    unsigned char info[kMaxInfoHeader];
    if (FileRead(handle, info, 12) != 12) return K_ERR_READ;
    int size = static_cast<int>(ByteView(info, 12).U32LE(0));
    if (size != 12) {
        if (size < 16 || size > kMaxInfoHeader) return K_ERR_FORMAT;
        int at = h.base + kFileHeaderBytes;
        if (FileSeek(handle, at, 0) != at) return K_ERR_SEEK;
        if (FileRead(handle, info, size) != size) return K_ERR_FORMAT;
    }
    return ParseInfoHeader(ByteView(info, size == 12 ? 12 : size), h);
}

int ReadColorTable(int handle, const BmpHeader& h, BitmapRecord* bitmap) {
    int count = PaletteEntries(h);
    int entrySize = h.infoSize == 12 ? 3 : 4;
    unsigned char table[256 * 4];
    if (FileRead(handle, table, count * entrySize) != count * entrySize) return K_ERR_READ;
    for (int i = 0; i < count; ++i) {
        const unsigned char* e = table + i * entrySize;
        bitmap->ColorTable[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    bitmap->Colors = count;
    bitmap->DibHeader.biClrUsed = count;
    bitmap->Flags |= K_FILE_PALETTE;
    if (IsGrayColorTable(bitmap->ColorTable, count, 1)) bitmap->Flags |= K_GRAY_PALETTE;
    else bitmap->Flags &= ~K_GRAY_PALETTE;
    CreateBitmapPalette(bitmap);
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
    BmpHeader h;
    result = ReadHeaders(session.handle(), h);
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
        result = ReadColorTable(session.handle(), h, bitmap);
        if (result != K_OK) return result;
    } else {
        bitmap->Flags &= ~K_GRAY_PALETTE;
        bitmap->Colors = 0;
    }
    if (FileSeek(session.handle(), h.dataOffset, 0) != h.dataOffset) return K_ERR_SEEK;
    if (h.hasResolution) {
        bitmap->XResolution = PelsToDpi(h.xPelsPerMeter);
        bitmap->YResolution = PelsToDpi(h.yPelsPerMeter);
    }
    bitmap->ViewPerspective = h.topDown ? K_TOP_DOWN : K_BOTTOM_UP;
    bitmap->FormatCode = K_FORMAT_BMP;

    result = session.BeginRows(callback, userData);
    if (result != K_OK) return result;
    FileInput in(session.handle());
    if (!in.ok()) return K_ERR_MEMORY;
    const int paddedRow = GetBytesPerLine(h.width, h.bits);
    RleState rleState;
    for (int y = 0; y < h.height; ++y) {
        if (rle) {
            DecodeRleRow(in, session.Row(), h.width, paddedRow, h.bits == 4, rleState);
        } else {
            result = in.ReadExact(session.Row(), paddedRow);
            if (result != K_OK) return result;
        }
        result = session.DeliverRow(y);
        if (result != K_OK) return result;
    }
    return K_OK;
}

extern "C" int KAPI K_LoadBMPBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadBitmapWithReader(name, bitmap, K_LoadBMPFile, K_ORDER_BGR);
}

// Writes the file header, the info header of a kind (1 Windows, 2 OS/2
// 1.x, 3 OS/2 2.x) and the colour table of the record: 1, or -5.
int WriteBMPHeader(int handle, const BitmapRecord* bitmap, int bitsPerPixel, int kind) {
    const int colors = bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0;
    const int rowBytes = GetBytesPerLine(bitmap->Width, bitsPerPixel);
    int infoSize = kind == 2 ? 12 : kind == 3 ? 64 : 40;
    int entrySize = kind == 2 ? 3 : 4;
    int offset = kFileHeaderBytes + infoSize + entrySize * colors;
    unsigned imageBytes = static_cast<unsigned>(rowBytes) * static_cast<unsigned>(bitmap->Height);

    unsigned char header[kFileHeaderBytes + 64 + 256 * 4] = {};
    auto put16 = [&](int at, unsigned v) {
        header[at] = static_cast<unsigned char>(v);
        header[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](int at, unsigned v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, imageBytes + offset);
    put32(10, offset);
    const int i = kFileHeaderBytes;
    put32(i, infoSize);
    if (kind == 2) {
        put16(i + 4, bitmap->Width);
        put16(i + 6, bitmap->Height);
        put16(i + 8, 1);
        put16(i + 10, bitsPerPixel);
    } else {
        put32(i + 4, bitmap->Width);
        put32(i + 8, bitmap->Height);
        put16(i + 12, 1);
        put16(i + 14, bitsPerPixel);
        put32(i + 20, imageBytes);
        put32(i + 24, DpiToPels(bitmap->XResolution));
        put32(i + 28, DpiToPels(bitmap->YResolution));
    }
    unsigned char* table = header + kFileHeaderBytes + infoSize;
    for (int c = 0; c < colors; ++c) {
        const RGBQUAD& q = bitmap->ColorTable[c];
        table[c * entrySize] = q.rgbBlue;
        table[c * entrySize + 1] = q.rgbGreen;
        table[c * entrySize + 2] = q.rgbRed;
        if (entrySize == 4) table[c * entrySize + 3] = 0;
    }
    return WriteExact(handle, header, offset);
}

int SaveBMPFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (!SupportedBits(bits)) return K_ERR_BITS;
    if (!request.name) return K_ERR_NONAME;
    BitmapRecord* source = request.bitmap;
    int flags = request.flags | (bits == 24 ? kSaveStoresBGR : 0);
    SaveWriter writer(source, bits, flags, request.callback, request.userData);
    int result = writer.Begin();
    if (result != K_OK) return result;
    int handle;
    result = OpenForWriting(request.name, &handle);
    if (result != K_OK) return result;
    int kind = request.formatCode == K_FORMAT_BMP_OS2_1 ? 2 : request.formatCode == K_FORMAT_BMP_OS2_2 ? 3 : 1;
    result = WriteBMPHeader(handle, &writer.Target(), bits, kind);
    const int height = source->Height;
    const int rowBytes = writer.Target().BytesPerLine;
    const bool topDown = source->ViewPerspective == K_TOP_DOWN;
    // The file holds the bottom line first.
    for (int y = 0; y < height && result == K_OK; ++y) {
        result = writer.GetRow(topDown ? height - 1 - y : y);
        if (result == K_OK) result = WriteExact(handle, writer.Row(), rowBytes);
    }
    FileClose(handle);
    return result;
}

extern "C" int KAPI K_SaveBMPBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int kind) {
    int code = kind == 1 ? K_FORMAT_BMP : kind == 2 ? K_FORMAT_BMP_OS2_1 : kind == 3 ? K_FORMAT_BMP_OS2_2 : kind;
    int flags = bitsPerPixel < 2 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE;
    return K_SaveFile(name, bitmap, code, bitsPerPixel, 0, flags, nullptr, nullptr);
}
