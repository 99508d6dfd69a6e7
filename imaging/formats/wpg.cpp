// WPG (version 1) pictures: a 16-byte header, then records of a type byte
// and a length of one, three or five bytes. The first bitmap record (or its
// second form) is read, with the colour maps met before it; its pixel data
// is one run-length coded byte stream over all rows.
#include <algorithm>
#include <cstring>
#include <vector>

#include "io/codec_row.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kWpgHeader = 16;
constexpr int kStartRecord = 0x0F;
constexpr int kColorMap = 0x0E;
constexpr int kBitmap = 0x0B;
constexpr int kBitmap2 = 0x14;
constexpr int kEndRecord = 0x10;
constexpr int kBitmap2Extra = 10;  // rotation and the corner points
constexpr int kWrittenResolution = 75;

struct WpgPicture {
    int width = 0, height = 0, depth = 0;
    int colors = 0;  // colour-map entries read (the highest index + 1)
    RGBQUAD map[256] = {};
};

bool DepthKnown(int depth) { return depth == 1 || depth == 4 || depth == 8; }

// Checks the header and walks the records to the first bitmap, leaving the
// source at its pixel data: 1, -7 for a short header, -9 for anything else
// (a foreign file, an end record or the end of the file first).
int ReadWPGHeader(Source& in, WpgPicture* pic, bool readMaps) {
    unsigned char h[kWpgHeader];
    if (in.ReadExact(h, kWpgHeader) != K_OK) return K_ERR_READ;
    if (std::memcmp(h, "\xFFWPC", 4) != 0 || h[10] != 1) return K_ERR_FORMAT;
    // The first record is where the header says, never inside it.
    const uint32_t first = static_cast<uint32_t>(Le32(h + 4));
    if (first > kWpgHeader && in.SeekTo(static_cast<int>(std::min<uint32_t>(first, limits::kNoEnd))) != K_OK)
        return K_ERR_FORMAT;
    for (;;) {
        const int type = in.Byte();
        if (type < 0 || type == kEndRecord) return K_ERR_FORMAT;
        int64_t length = in.U8();
        if (length == 0xFF) {
            length = in.U16LE();
            if (length & 0x8000) length = (length & 0x7FFF) << 16 | in.U16LE();
        }
        if (in.status() != K_OK) return K_ERR_FORMAT;
        const int64_t start = in.Tell();
        if (length > in.Remaining()) return K_ERR_FORMAT;
        if (type == kBitmap || type == kBitmap2) {
            if (type == kBitmap2 && in.Skip(kBitmap2Extra) != K_OK) return K_ERR_FORMAT;
            pic->width = in.U16LE();
            pic->height = in.U16LE();
            pic->depth = in.U16LE();
            in.U16LE();
            in.U16LE();
            return in.status() == K_OK ? K_OK : K_ERR_FORMAT;
        }
        if (type == kColorMap && readMaps && length >= 4) {
            const int index = in.U16LE(), count = in.U16LE();
            // Entries past the record or past 256 are not taken.
            const int fit = static_cast<int>(std::min<int64_t>(count, (length - 4) / 3));
            for (int i = 0; i < fit; ++i) {
                unsigned char c[3];
                if (in.ReadExact(c, 3) != K_OK) return K_ERR_FORMAT;
                if (index + i < 256) pic->map[index + i] = RGBQUAD{c[2], c[1], c[0], 0};
            }
            if (fit > 0) pic->colors = std::max(pic->colors, std::min(index + fit, 256));
        }
        if (in.SeekTo(static_cast<int>(start + length)) != K_OK) return K_ERR_FORMAT;
    }
}

// Result of a row-repeat record inside a row.
constexpr int kBadRow = 0;

// The pixel data: 0x80|n v is n bytes v, 0x80 n is n bytes 0xFF, n (1..127)
// n literal bytes, and 0x00 n at a row's start n copies of the row before.
// Runs and literals go on into the next row, as ImageMagick reads them.
struct RunDecoder {
    Source& in;
    int runLeft = 0, literalLeft = 0;
    unsigned char value = 0;

    // Fills count bytes, or stops at a row repeat found at the row's start
    // (*repeat its count, nothing filled). 1, kBadRow or -7.
    int Fill(unsigned char* out, int count, int* repeat) {
        *repeat = -1;
        int o = 0;
        while (o < count) {
            if (runLeft > 0) {
                const int n = std::min(runLeft, count - o);
                std::memset(out + o, value, n);
                o += n;
                runLeft -= n;
                continue;
            }
            if (literalLeft > 0) {
                const int n = std::min(literalLeft, count - o);
                if (in.ReadExact(out + o, n) != K_OK) return K_ERR_READ;
                o += n;
                literalLeft -= n;
                continue;
            }
            const int code = in.Byte();
            if (code < 0) return K_ERR_READ;
            const int n = code & 0x7F;
            if (code & 0x80) {
                const int v = in.Byte();
                if (v < 0) return K_ERR_READ;
                if (n) {
                    value = static_cast<unsigned char>(v);
                    runLeft = n;
                } else {
                    value = 0xFF;
                    runLeft = v;
                }
            } else if (n) {
                literalLeft = n;
            } else {
                const int times = in.Byte();
                if (times < 0) return K_ERR_READ;
                if (o > 0) return kBadRow;
                *repeat = times;
                return K_OK;
            }
        }
        return K_OK;
    }
};

}  // namespace

int ProbeWPG(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < 4 || std::memcmp(input.header, "\xFFWPC", 4) != 0) return 0;
    Source in(input.handle, 4096);
    WpgPicture pic;
    if (ReadWPGHeader(in, &pic, false) != K_OK || !DepthKnown(pic.depth)) return 0;
    FillFileInfo(info, {.format = kFormatWPG,
                        .width = pic.width,
                        .height = pic.height,
                        .bitsPerPixel = pic.depth,
                        .viewPerspective = K_TOP_DOWN,
                        .compression = "Run Length"});
    return 1;
}

extern "C" int KAPI K_LoadWPGFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    WpgPicture pic;
    if (ReadWPGHeader(in, &pic, true) != K_OK || !DepthKnown(pic.depth)) return K_ERR_FORMAT;
    // Every row but repeated ones takes at least two bytes per 127.
    if ((r = in.Require(2)) != K_OK) return r;

    if ((r = session.SetImage(pic.width, pic.height, pic.depth, -1)) != K_OK) return r;
    int colors = 1 << pic.depth;
    if (pic.depth == 1 && pic.colors < 2) {
        // No map: 0 black, 1 white, as ImageMagick shows such a file.
        bitmap->ColorTable[0] = RGBQUAD{0, 0, 0, 0};
        bitmap->ColorTable[1] = RGBQUAD{255, 255, 255, 0};
    } else if (pic.colors == 0) {
        // No map at 4 or 8 bits: grey levels, as ImageMagick shows them.
        FillGreyRamp(bitmap->ColorTable, colors);
    } else {
        // Indices past the map show black.
        std::copy(pic.map, pic.map + colors, bitmap->ColorTable);
        colors = std::min(colors, pic.colors);
    }
    bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatWPG;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;

    // The row before, kept for row repeats (the delivered row may be
    // converted in place); all zero before the first.
    const int rowBytes = session.FileRowBytes();
    std::vector<unsigned char> previous(rowBytes, 0);
    RunDecoder decoder{in};
    for (int y = 0; y < pic.height;) {
        int repeat;
        if ((r = decoder.Fill(session.Row(), rowBytes, &repeat)) != K_OK) return r;
        if (repeat >= 0) {
            for (int k = 0; k < repeat && y < pic.height; ++k, ++y) {
                std::memcpy(session.Row(), previous.data(), rowBytes);
                if ((r = session.DeliverRow(y)) != K_OK) return r;
            }
            continue;
        }
        std::memcpy(previous.data(), session.Row(), rowBytes);
        if ((r = session.DeliverRow(y++)) != K_OK) return r;
    }
    return K_OK;
}

extern "C" int KAPI K_LoadWPGBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadWPGFile, -1);
}

namespace {

// One row: runs of two or more equal bytes as 0x80|count, value; the rest
// as literal records.
void EncodeRow(const unsigned char* row, int count, Output& out) {
    int pending = 0;
    const unsigned char* literal = row;
    auto flush = [&] {
        if (!pending) return;
        out.Byte(pending);
        out.Write(literal, pending);
        pending = 0;
    };
    for (int i = 0; i < count;) {
        int same = 0;
        while (same < 125 && i + same + 1 < count && row[i + same + 1] == row[i]) ++same;
        if (same > 0 || pending > 124) flush();
        if (same > 0) {
            out.Byte(0x80 | (same + 1));
            out.Byte(row[i]);
            i += same + 1;
        } else {
            if (!pending) literal = row + i;
            ++pending;
            ++i;
        }
    }
    flush();
}

}  // namespace

int SaveWPGFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (!DepthKnown(bits)) return K_ERR_BITS;
    SaveWriter writer(request.bitmap, bits, request.flags, request.callback, request.userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    // The sides are 16-bit words.
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) return K_ERR_SIZE;
    const int colors = 1 << bits;
    RGBQUAD table[256];
    std::copy(writer.Target().ColorTable, writer.Target().ColorTable + colors, table);
    // At 1 bit the darker colour goes first, so that readers which take
    // 0 for black without looking at the map see the picture too.
    const bool invert = bits == 1 && !writer.FirstColorDarker();
    if (invert) std::swap(table[0], table[1]);

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    const unsigned char header[kWpgHeader] = {0xFF, 'W', 'P', 'C', kWpgHeader, 0, 0, 0, 1, 22, 1, 0, 0, 0, 0, 0};
    out.Write(header, kWpgHeader);
    out.Byte(kStartRecord);
    out.Byte(6);
    out.Byte(1);  // version
    out.Byte(0);  // flags
    out.U16LE(static_cast<unsigned>(width));
    out.U16LE(static_cast<unsigned>(height));
    out.Byte(kColorMap);
    const int mapLength = 4 + 3 * colors;
    if (mapLength < 0xFF) {
        out.Byte(mapLength);
    } else {
        out.Byte(0xFF);
        out.U16LE(static_cast<unsigned>(mapLength));
    }
    out.U16LE(0);
    out.U16LE(static_cast<unsigned>(colors));
    unsigned char map[3 * 256];
    ColorsToBytes(map, table, colors, ColorBytes::RGB);
    out.Write(map, 3 * colors);
    out.Byte(kBitmap);
    out.Byte(0xFF);
    const int lengthAt = out.Tell();
    out.Zeros(4);
    const int dataStart = out.Tell();
    const int fields[5] = {width, height, bits, kWrittenResolution, kWrittenResolution};
    for (int f : fields) out.U16LE(static_cast<unsigned>(f));

    const int count = static_cast<int>((static_cast<int64_t>(width) * bits + 7) / 8);
    std::vector<unsigned char> row(count);
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        for (int i = 0; i < count; ++i) row[i] = invert ? ~writer.Row()[i] : writer.Row()[i];
        EncodeRow(row.data(), count, out);
    }
    const uint32_t length = static_cast<uint32_t>(out.Tell() - dataStart);
    out.Byte(kEndRecord);
    out.Byte(0);
    if ((r = out.SeekTo(lengthAt)) != K_OK) return r;
    out.U16LE(length >> 16 | 0x8000);
    out.U16LE(length & 0xFFFF);
    return out.Finish();
}

extern "C" int KAPI K_SaveWPGBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatWPG, bitsPerPixel, 0,
                      bitsPerPixel < 2 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{190, true, ProbeWPG}};
const LoadEntry kLoads[] = {{kFormatWPG, K_LoadWPGFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatWPG, SaveWPGFile, 0, 0, false}};
}  // namespace

extern const CodecRow kWPGRow = {"WPG", kProbes, {}, kLoads, kSaves, nullptr};
