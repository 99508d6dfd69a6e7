// Version-2 PICT pictures: a 512-byte preamble, the picture frame, and a
// stream of 16-bit opcodes, word-aligned. The pixel maps (indexed, 1-bit
// bit maps, and direct 24- and 32-bit ones) are read in turn, row after
// row; other opcodes are passed over by their data sizes. Big-endian.
#include <algorithm>
#include <cstring>
#include <vector>

#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kPreamble = 512;
constexpr int kFirstOpcode = 526;  // after the version opcode and its data
// Opcodes the reader and the writer name; the rest are passed over by size.
constexpr int kClipRegion = 0x0001;
constexpr int kVersion = 0x0011;
constexpr int kDefaultHilite = 0x001E;
constexpr int kTextFontName = 0x002C;
constexpr int kLongText = 0x0028;
constexpr int kDhText = 0x0029;
constexpr int kDvText = 0x002A;
constexpr int kDhDvText = 0x002B;
constexpr int kBitsRect = 0x0090;
constexpr int kBitsRegion = 0x0091;
constexpr int kPackBitsRect = 0x0098;
constexpr int kPackBitsRegion = 0x0099;
constexpr int kDirectBitsRect = 0x009A;
constexpr int kDirectBitsRegion = 0x009B;
constexpr int kLongComment = 0x00A1;
constexpr int kEndOfPicture = 0x00FF;
constexpr int kVersion2 = 0x02FF;  // the version opcode's data in a version-2 picture
constexpr int kHeader = 0x0C00;
constexpr int kCompressedQuickTime = 0x8200;
constexpr int kUncompressedQuickTime = 0x8201;
constexpr int kPixMapFlag = 0x8000;
constexpr int kRowBytesMask = 0x3FFF;
// Rows of fewer bytes are stored unpacked (QuickDraw's rule).
constexpr int kPackedFrom = 8;
// Longer rows have a two-byte count (QuickDraw's rule).
constexpr int kOneByteCountUpTo = 250;
// ImageMagick reads and writes two-byte counts from 201 bytes of indexed
// row on.
constexpr int kMagickOneByteCountUpTo = 200;

// What the opcode walk found.
enum class Found { Indexed, Direct };

// Data bytes of an opcode that has a fixed size, -1 for one whose size is
// given in its data, -2 for one we cannot pass over.
int FixedSize(int op) {
    auto in = [op](int a, int b) { return op >= a && op <= b; };
    switch (op) {
        case 0x0000:
        case 0x001C:
        case 0x001E:
            return 0;
        case 0x0004:
        case 0x0011:
            return 1;
        case 0x0003:
        case 0x0005:
        case 0x0008:
        case 0x000D:
        case 0x0015:
        case 0x0016:
        case 0x0023:
        case 0x00A0:
            return 2;
        case 0x001A:
        case 0x001B:
        case 0x001D:
        case 0x001F:
        case 0x0022:
            return 6;
        case 0x0002:
        case 0x0009:
        case 0x000A:
        case 0x0010:
        case 0x0020:
        case 0x002E:
            return 8;
        case 0x002D:
            return 10;
        case 0x0BFF:
            return 22;
        case 0x0012:
        case 0x0013:
        case 0x0014:
        case 0x0017:
        case 0x0018:
        case 0x0019:
            return -2;
        default:
            break;
    }
    if (in(0x0038, 0x003F) || in(0x0048, 0x004F) || in(0x0058, 0x005F) || in(0x0078, 0x007F) || in(0x0088, 0x008F) ||
        in(0x00B0, 0x00CF) || in(0x8000, 0x80FF))
        return 0;
    if (in(0x0100, 0x01FF) || in(0x02FF, 0x0BFE)) return 2;
    if (in(0x0030, 0x0037) || in(0x0040, 0x0047) || in(0x0050, 0x0057)) return 8;
    if (in(0x0060, 0x0067)) return 12;
    if (in(0x0C00, 0x7EFF)) return 24;
    if (in(0x7F00, 0x7FFF)) return 254;
    if (op == 0x0001 || in(0x0024, 0x0029) || in(0x002A, 0x002C) || op == 0x002F || in(0x0070, 0x0087) ||
        in(0x0092, 0x0097) || in(0x009C, 0x009F) || in(0x00A1, 0x00AF) || in(0x00D0, 0x00FE) || in(0x8100, 0x81FF) ||
        op == 0xFFFF)
        return -1;
    if (op < 0x0070 || op == 0x0200) return 4;
    return -2;
}

// Passes over the data of an opcode whose size its data gives: 1 or -7.
int SkipSized(Source& in, int op) {
    auto in_ = [op](int a, int b) { return op >= a && op <= b; };
    int64_t n;
    if (in_(0x00D0, 0x00FE) || in_(0x8100, 0x81FF) || op == 0xFFFF) {
        n = in.U32BE();
    } else if (op == kLongComment) {
        in.U16BE();
        n = in.U16BE();
    } else if (in_(0x00A2, 0x00AF)) {
        n = in.U16BE();
    } else if (op == kLongText || op == kTextFontName) {
        unsigned char b[5];
        if (in.ReadExact(b, 5) != K_OK) return K_ERR_READ;
        n = b[4];
    } else if (op == kDhText || op == kDvText) {
        unsigned char b[2];
        if (in.ReadExact(b, 2) != K_OK) return K_ERR_READ;
        n = b[1];
    } else if (op == kDhDvText) {
        unsigned char b[3];
        if (in.ReadExact(b, 3) != K_OK) return K_ERR_READ;
        n = b[2];
    } else {
        // Regions, polygons and the like: a length that counts itself.
        n = in.U16BE() - 2;
        if (n < 0) return K_ERR_READ;
    }
    if (in.status() != K_OK) return K_ERR_READ;
    return in.Skip(n);
}

// Walks opcodes to the next pixel map: 1 (*found, *region for the
// variants with a mask region), -2 at the end of the picture, -16 for
// compressed QuickTime data, -7 for an opcode we cannot pass over or a
// file that ends first.
int SkipPCTOpcodes(Source& in, Found* found, bool* region) {
    for (;;) {
        // Opcodes start on a word from the picture's start (an even offset).
        if ((in.Tell() & 1) && in.Skip(1) != K_OK) return K_ERR_READ;
        const int op = in.U16BE();
        if (in.status() != K_OK) return K_ERR_READ;
        switch (op) {
            case kBitsRect:
            case kBitsRegion:
            case kPackBitsRect:
            case kPackBitsRegion:
                *found = Found::Indexed;
                *region = op & 1;
                return K_OK;
            case kDirectBitsRect:
            case kDirectBitsRegion:
                *found = Found::Direct;
                *region = op & 1;
                return K_OK;
            case kEndOfPicture:
                return K_ERR_NOBITMAP;
            case kCompressedQuickTime:
            case kUncompressedQuickTime:
                return K_ERR_UNSUPPORTED;
            default:
                break;
        }
        const int size = FixedSize(op);
        if (size == -2) return K_ERR_READ;
        const int r = size >= 0 ? in.Skip(size) : SkipSized(in, op);
        if (r != K_OK) return K_ERR_READ;
    }
}

// The picture frame and the first opcode: 1 with the source there, or -7.
int SeekPCTOpcodes(Source& in, int* width, int* height) {
    unsigned char h[16];
    if (in.SeekTo(kPreamble) != K_OK || in.ReadExact(h, 16) != K_OK) return K_ERR_READ;
    // The version opcode and version 2; version-1 pictures (byte opcodes)
    // are not read.
    if (Be16(h + 10) != kVersion || Be16(h + 12) != kVersion2) return K_ERR_READ;
    const int top = static_cast<int16_t>(Be16(h + 2)), left = static_cast<int16_t>(Be16(h + 4));
    const int bottom = static_cast<int16_t>(Be16(h + 6)), right = static_cast<int16_t>(Be16(h + 8));
    *width = right - left;
    *height = bottom - top;
    return in.SeekTo(kFirstOpcode) == K_OK ? K_OK : K_ERR_READ;
}

// One pixel map's description, as read up to its pixel data.
struct PixelMap {
    int rowBytes = 0;  // stride of the unpacked rows
    int width = 0, rows = 0;
    int bits = 0;  // 1, 4, 8 indexed; 24 or 32 direct
    int packType = 0;
    int components = 1;
    int colors = 0;
    RGBQUAD table[256] = {};
};

// Reads a pixel map's header, colour table, rectangles, mode and mask
// region, leaving the source at its rows: 1, -7, or -9 for a kind of map
// we do not read.
int ReadPixelMap(Source& in, Found found, bool region, PixelMap* m) {
    if (found == Found::Direct) in.Skip(4);  // base address
    const int rowBytes = in.U16BE();
    const int top = static_cast<int16_t>(in.U16BE()), left = static_cast<int16_t>(in.U16BE());
    const int bottom = static_cast<int16_t>(in.U16BE()), right = static_cast<int16_t>(in.U16BE());
    m->rowBytes = rowBytes & kRowBytesMask;
    m->width = right - left;
    m->rows = bottom - top;
    if (!(rowBytes & kPixMapFlag)) {
        if (found == Found::Direct) return K_ERR_FORMAT;
        // A bit map: one bit, a set bit black.
        m->bits = 1;
        m->table[0] = RGBQUAD{255, 255, 255, 0};
        m->table[1] = RGBQUAD{0, 0, 0, 0};
        m->colors = 2;
    } else {
        unsigned char p[36];
        if (in.ReadExact(p, 36) != K_OK) return K_ERR_READ;
        m->packType = Be16(p + 2);
        const int pixelSize = Be16(p + 18), count = Be16(p + 20), size = Be16(p + 22);
        if (found == Found::Direct) {
            if (pixelSize != 32 || size != 8 || (count != 3 && count != 4)) return K_ERR_FORMAT;
            m->components = count;
            m->bits = 8 * count;
        } else {
            if (pixelSize != 1 && pixelSize != 4 && pixelSize != 8) return K_ERR_FORMAT;
            m->bits = pixelSize;
            in.Skip(4);  // seed
            const int flags = in.U16BE();
            const int entries = in.U16BE() + 1;
            if (in.status() != K_OK) return K_ERR_READ;
            // Every entry is read; at most 256 are kept.
            for (int i = 0; i < entries; ++i) {
                unsigned char e[8];
                if (in.ReadExact(e, 8) != K_OK) return K_ERR_READ;
                // A device table stores its entries in order; others name their index.
                const int index = flags & 0x8000 ? i : Be16(e);
                if (index < 256) {
                    m->table[index] = RGBQUAD{e[6], e[4], e[2], 0};
                    m->colors = std::max(m->colors, index + 1);
                }
            }
            m->colors = std::min(m->colors, 1 << m->bits);
        }
    }
    in.Skip(18);  // source and destination rectangles, mode
    if (region) {
        const int size = in.U16BE();
        if (size < 2 || in.Skip(size - 2) != K_OK) return K_ERR_READ;
    }
    if (in.status() != K_OK) return K_ERR_READ;
    // The unpacked rows must hold the map's width.
    const int64_t need = m->bits > 8 ? int64_t(m->width) * m->components : (int64_t(m->width) * m->bits + 7) / 8;
    if (m->width <= 0 || m->rows <= 0 || (m->bits <= 8 && m->rowBytes < need)) return K_ERR_FORMAT;
    if (m->bits > 8) {
        if (m->packType != 0 && m->packType != 1 && m->packType != 2 && m->packType != 4) return K_ERR_FORMAT;
        // Unpacked X, R, G, B pixels fill the stride.
        if ((m->packType == 1 || m->rowBytes < kPackedFrom) && m->rowBytes < 4 * int64_t(m->width)) return K_ERR_FORMAT;
    }
    return K_OK;
}

// Bytes of one unpacked row as stored.
int StoredRowBytes(const PixelMap& m) {
    if (m.bits <= 8) return m.rowBytes;
    if (m.packType == 2) return 3 * m.width;                             // R, G, B
    if (m.packType == 1 || m.rowBytes < kPackedFrom) return m.rowBytes;  // X, R, G, B
    return m.components * m.width;                                       // planes
}

// One row of a pixel map into out (StoredRowBytes of it): 1 or -7.
int ReadRow(Source& in, const PixelMap& m, std::vector<unsigned char>& packed, unsigned char* out) {
    const int bytes = StoredRowBytes(m);
    const bool plain = m.rowBytes < kPackedFrom || (m.bits > 8 && (m.packType == 1 || m.packType == 2));
    if (plain) return in.ReadExact(out, bytes);
    // ImageMagick sizes the count by 200 bytes of unpacked row, QuickDraw
    // by 250 row bytes. A row of at most 250 bytes packs into fewer than
    // 256, so a first count byte 0 can only be the high byte of a two-byte
    // count: such rows are read either way.
    int count;
    if (bytes <= kOneByteCountUpTo) {
        count = in.U8();
        if (count == 0) count = in.U8();
    } else {
        count = m.rowBytes > kOneByteCountUpTo ? in.U16BE() : in.U8();
    }
    if (in.status() != K_OK) return K_ERR_READ;
    packed.resize(std::max<size_t>(packed.size(), count));
    if (in.ReadExact(packed.data(), count) != K_OK) return K_ERR_READ;
    // Runs past the row's end are cut there.
    const int r = PackBitsDecode(packed.data(), count, out, bytes);
    return r == K_ERR_READ ? K_ERR_READ : K_OK;
}

// A stored direct row to B, G, R (and alpha) pixels of the picture.
void DirectToBgr(const PixelMap& m, const unsigned char* row, int width, unsigned char* out) {
    const int n = std::min(width, m.width);
    const int step = m.bits / 8;
    if (m.packType == 2 || m.packType == 1 || m.rowBytes < kPackedFrom) {
        const bool triples = m.packType == 2;
        for (int x = 0; x < n; ++x) {
            const unsigned char* p = row + x * (triples ? 3 : 4) + (triples ? 0 : 1);
            unsigned char* q = out + x * step;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            if (step == 4) q[3] = triples ? 255 : p[-1];
        }
        return;
    }
    // Planes: alpha first when there are four, then red, green, blue.
    const unsigned char* plane = row + (m.components == 4 ? m.width : 0);
    for (int x = 0; x < n; ++x) {
        unsigned char* q = out + x * step;
        q[0] = plane[2 * m.width + x];
        q[1] = plane[m.width + x];
        q[2] = plane[x];
        if (step == 4) q[3] = row[x];
    }
}

}  // namespace

int ProbePCT(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < kFirstOpcode) return 0;
    Source in(input.handle, 4096);
    int width, height;
    if (SeekPCTOpcodes(in, &width, &height) != K_OK) return 0;
    Found found;
    bool region;
    PixelMap m;
    if (SkipPCTOpcodes(in, &found, &region) != K_OK || ReadPixelMap(in, found, region, &m) != K_OK) return 0;
    FillFileInfo(info, {.format = kFormatPICT,
                        .width = width,
                        .height = height,
                        .bitsPerPixel = m.bits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = m.bits > 8 ? K_ORDER_BGR : K_ORDER_RGB,
                        .compression = "Run Length"});
    return 1;
}

extern "C" int KAPI K_LoadPCTFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    int width, height;
    if (SeekPCTOpcodes(in, &width, &height) != K_OK) return K_ERR_FORMAT;
    Found found;
    bool region;
    PixelMap m;
    if ((r = SkipPCTOpcodes(in, &found, &region)) != K_OK) return r == K_ERR_UNSUPPORTED ? r : K_ERR_FORMAT;
    if ((r = ReadPixelMap(in, found, region, &m)) != K_OK) return r;
    const int bits = m.bits;

    if ((r = session.SetImage(width, height, bits, bits > 8 ? K_ORDER_BGR : -1)) != K_OK) return r;
    if (bits <= 8) {
        std::copy(m.table, m.table + 256, bitmap->ColorTable);
        bitmap->Flags |= K_FILE_PALETTE;
        session.FinishColors(m.colors);
    } else {
        session.FinishColors(0);
    }
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatPICT;
    // Each row of the first map takes at least its count byte.
    if ((r = in.Require(std::min(m.rows, height))) != K_OK) return r;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;

    std::vector<unsigned char> stored, packed;
    const int rowBytes = session.FileRowBytes();
    int left = m.rows;
    for (int y = 0; y < height; ++y) {
        if (left == 0) {
            r = SkipPCTOpcodes(in, &found, &region);
            if (r == K_ERR_NOBITMAP) break;
            if (r != K_OK) return r;
            if ((r = ReadPixelMap(in, found, region, &m)) != K_OK) return r;
            if (m.bits != bits) return K_ERR_FORMAT;
            left = m.rows;
        }
        stored.resize(StoredRowBytes(m));
        if ((r = ReadRow(in, m, packed, stored.data())) != K_OK) return r;
        unsigned char* row = session.Row();
        if (bits > 8) {
            std::memset(row, 0, rowBytes);
            DirectToBgr(m, stored.data(), width, row);
        } else {
            const int n = std::min<int>(rowBytes, static_cast<int>(stored.size()));
            std::memcpy(row, stored.data(), n);
            std::memset(row + n, 0, rowBytes - n);
        }
        --left;
        if ((r = session.DeliverRow(y)) != K_OK) return r;
    }
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadPCTBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadPCTFile, -1);
}

namespace {

void Rect(Output& out, int height, int width) {
    out.U16BE(0);
    out.U16BE(0);
    out.U16BE(static_cast<unsigned>(height));
    out.U16BE(static_cast<unsigned>(width));
}

}  // namespace

// Sides are signed 16-bit (the row bytes' 14 bits are checked apart);
// direct pixels are read blue first.
const SaveLimits kLimits = {DepthSet(1, 4, 8, 24), 0x7FFF, 0x7FFF, true};

int SavePCTFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    SaveWriter writer(request.bitmap, bits, SaveFlags(request, kLimits), request.callback, request.userData);
    if ((r = BeginWithin(writer, kLimits)) != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    // Stored row bytes are even, as QuickDraw wants them.
    const int dataBytes = bits == 24 ? 3 * width : (width * bits + 7) / 8;
    int rowBytes = bits == 24 ? 4 * width : (dataBytes + 1) & ~1;
    // Between 201 and 250 row bytes ImageMagick and QuickDraw disagree on
    // the size of the count: a wider stride takes two-byte counts in both.
    // (ImageMagick judges direct rows by their three planes: from 63 to 66
    // pixels it wants one byte where QuickDraw has two; we write QuickDraw's.)
    if (bits <= 8 && rowBytes > kMagickOneByteCountUpTo && rowBytes <= kOneByteCountUpTo)
        rowBytes = kOneByteCountUpTo + 2;
    // Row bytes have 14 bits.
    if (rowBytes > kRowBytesMask) return K_ERR_SIZE;

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    out.Zeros(kPreamble);
    out.U16BE(0);  // picture size: not kept for version 2
    Rect(out, height, width);
    out.U16BE(kVersion);
    out.U16BE(kVersion2);
    out.U16BE(kHeader);
    out.U32BE(0xFFFFFFFF);
    // Bounds as 16.16 fixed-point numbers: left, top, right, bottom.
    out.U32BE(0);
    out.U32BE(0);
    out.U32BE(static_cast<uint32_t>(width) << 16);
    out.U32BE(static_cast<uint32_t>(height) << 16);
    out.U32BE(0);
    out.U16BE(kDefaultHilite);
    out.U16BE(kClipRegion);
    out.U16BE(10);  // the region's size: a rectangle
    Rect(out, height, width);
    if (bits == 24) {
        out.U16BE(kDirectBitsRect);
        out.U32BE(0x000000FF);
    } else {
        out.U16BE(kPackBitsRect);
    }
    out.U16BE(static_cast<unsigned>(rowBytes | kPixMapFlag));
    Rect(out, height, width);
    out.U16BE(0);                   // version
    out.U16BE(bits == 24 ? 4 : 0);  // pack type
    out.U32BE(0);                   // pack size
    out.U32BE(0x00480000);          // 72 dpi
    out.U32BE(0x00480000);
    out.U16BE(bits == 24 ? 16 : 0);     // pixel type: direct or indexed
    out.U16BE(bits == 24 ? 32 : bits);  // pixel size
    out.U16BE(bits == 24 ? 3 : 1);      // components
    out.U16BE(bits == 24 ? 8 : bits);   // component size
    out.Zeros(12);                      // plane bytes, table, reserved
    if (bits <= 8) {
        const int most = 1 << bits;
        const int colors = writer.Target().Colors > 0 ? std::min<int>(writer.Target().Colors, most) : most;
        out.U32BE(0);  // seed
        out.U16BE(0x8000);
        out.U16BE(static_cast<unsigned>(colors - 1));
        for (int i = 0; i < colors; ++i) {
            const RGBQUAD& c = writer.Target().ColorTable[i];
            out.U16BE(static_cast<unsigned>(i));
            out.U16BE(c.rgbRed * 0x101u);
            out.U16BE(c.rgbGreen * 0x101u);
            out.U16BE(c.rgbBlue * 0x101u);
        }
    }
    Rect(out, height, width);
    Rect(out, height, width);
    out.U16BE(0);  // mode: copy

    const int dataStart = out.Tell();
    const int count = bits == 24 ? 3 * width : rowBytes;
    std::vector<unsigned char> row(count, 0), packed(PackBitsBound(count));
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        const unsigned char* source = writer.Row();
        if (bits == 24) {
            for (int x = 0; x < width; ++x) {
                row[x] = source[3 * x + 2];
                row[width + x] = source[3 * x + 1];
                row[2 * width + x] = source[3 * x];
            }
        } else {
            std::memcpy(row.data(), source, dataBytes);
        }
        if (rowBytes < kPackedFrom) {
            if (bits == 24) {
                // One pixel, unpacked: X, R, G, B.
                const unsigned char xrgb[4] = {0, row[0], row[1], row[2]};
                out.Write(xrgb, 4);
            } else {
                out.Write(row.data(), count);
            }
            continue;
        }
        const int n = PackBitsEncode(row.data(), count, packed.data());
        if (rowBytes > kOneByteCountUpTo)
            out.U16BE(static_cast<unsigned>(n));
        else
            out.Byte(n);
        out.Write(packed.data(), n);
    }
    // The end opcode starts on a word.
    if ((out.Tell() - dataStart) & 1) out.Byte(0);
    out.U16BE(kEndOfPicture);
    return out.Finish();
}

extern "C" int KAPI K_SavePCTBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatPICT, bitsPerPixel, 0,
                      bitsPerPixel < 2 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{210, true, ProbePCT}};
const LoadEntry kLoads[] = {{kFormatPICT, K_LoadPCTFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatPICT, SavePCTFile, 0, 0, false}};
}  // namespace

extern const CodecRow kPICTRow = {"PICT", kProbes, {}, kLoads, kSaves, &kLimits};
