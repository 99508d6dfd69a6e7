// GEM IMG bit images: a header of 16-bit big-endian words, then rows of
// records (pattern runs, solid runs, bit strings), a row optionally headed
// by a scan-line replication record. One plane is black and white, a set
// bit black; four planes follow each other within a row, each padded to a
// whole byte, plane 0 the lowest bit of the colour index.
#include <algorithm>
#include <cstring>
#include <vector>

#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kGemHeader = 16;
constexpr int kSolidBlack = 0x80;  // 0x81..0xFF: solid runs of 0xFF
constexpr int kBitString = 0x80;   // 0x80 n: n literal bytes
constexpr int kWrittenPixelMicrons = 85;

struct GemHeader {
    int dataOffset, planes, patternLength, width, height;
};

// The header's fields; false for a foreign file.
bool ParseHeader(const unsigned char* h, int count, GemHeader* g) {
    if (count < kGemHeader) return false;
    if (Be16(h) != 1 || h[2] != 0 || (h[3] != 8 && h[3] != 9) || h[4] != 0 || (h[5] != 1 && h[5] != 4)) return false;
    g->dataOffset = 2 * h[3];
    g->planes = h[5];
    g->patternLength = Be16(h + 6);
    g->width = Be16(h + 12);
    g->height = Be16(h + 14);
    return true;
}

// Bytes of one plane of a row, and of the whole row as the records code it.
int PlaneBytes(int width) { return (width + 7) / 8; }

// The four-plane colours, as netpbm's gemtopnm gives them (the GEM
// desktop's own: index 0 white, 15 black).
const RGBQUAD kGemColors[16] = {
    {255, 255, 255, 0}, {0, 0, 255, 0},     {0, 255, 0, 0},   {0, 255, 255, 0}, {255, 0, 0, 0}, {255, 0, 255, 0},
    {255, 255, 0, 0},   {170, 170, 170, 0}, {85, 85, 85, 0},  {0, 0, 170, 0},   {0, 170, 0, 0}, {0, 170, 170, 0},
    {170, 0, 0, 0},     {170, 0, 170, 0},   {170, 170, 0, 0}, {0, 0, 0, 0},
};

// Result of a row that its records code past its end, or that holds a
// record we cannot read.
constexpr int kBadRow = 0;

// Decodes the records of one row into out (count bytes). *repeat gets the
// count of a scan-line replication record ahead of the row (1 without one).
// 1, kBadRow, or -7 when the data ends first.
int DecodeRow(Source& in, const GemHeader& g, unsigned char* out, int count, int* repeat) {
    *repeat = 1;
    int o = 0;
    bool first = true;
    while (o < count) {
        // Bit strings and solid runs wholly in the source's buffer are
        // decoded there; other records, and records that cross the end of
        // the buffer, one at a time below.
        int available = 0;
        const unsigned char* p = in.Window(&available);
        int used = 0;
        while (p && o < count && available - used >= 2) {
            const int code = p[used];
            if (code == kBitString) {
                const int n = p[used + 1];
                if (available - used - 2 < n) break;
                if (n > count - o) return kBadRow;
                std::memcpy(out + o, p + used + 2, n);
                used += 2 + n;
                o += n;
            } else if (code != 0) {
                const int n = code & 0x7F;
                if (n > count - o) return kBadRow;
                std::memset(out + o, code > kSolidBlack ? 0xFF : 0x00, n);
                ++used;
                o += n;
            } else {
                break;
            }
            first = false;
        }
        in.Consume(used);
        if (o >= count) break;
        const int code = in.Byte();
        if (code < 0) return K_ERR_READ;
        if (code == 0) {
            const int n = in.Byte();
            if (n < 0) return K_ERR_READ;
            if (n == 0) {
                // 00 00 FF n: the row that follows stands for n rows.
                const int marker = in.Byte(), times = in.Byte();
                if (times < 0) return K_ERR_READ;
                if (marker != 0xFF || !first) return kBadRow;
                *repeat = std::max(times, 1);
                first = false;
                continue;
            }
            const int length = g.patternLength;
            if (length <= 0 || static_cast<int64_t>(n) * length > count - o) return kBadRow;
            if (in.ReadExact(out + o, length) != K_OK) return K_ERR_READ;
            for (int i = 1; i < n; ++i) std::memcpy(out + o + i * length, out + o, length);
            o += n * length;
        } else if (code == kBitString) {
            const int n = in.Byte();
            if (n < 0) return K_ERR_READ;
            if (n > count - o) return kBadRow;
            if (in.ReadExact(out + o, n) != K_OK) return K_ERR_READ;
            o += n;
        } else {
            const int n = code & 0x7F;
            if (n > count - o) return kBadRow;
            std::memset(out + o, code > kSolidBlack ? 0xFF : 0x00, n);
            o += n;
        }
        first = false;
    }
    return K_OK;
}

// Four byte-aligned planes to 4-bit indices, two a byte, high nibble first.
void PlanesToNibbles(const unsigned char* planes, int width, unsigned char* out) {
    const int stride = PlaneBytes(width);
    for (int x = 0; x < width; x += 2) {
        int pair = 0;
        for (int k = 0; k < 2; ++k) {
            const int i = x + k;
            int v = 0;
            if (i < width) {
                const int byte = i >> 3, bit = 0x80 >> (i & 7);
                for (int p = 0; p < 4; ++p)
                    if (planes[p * stride + byte] & bit) v |= 1 << p;
            }
            pair = pair << 4 | v;
        }
        out[x >> 1] = static_cast<unsigned char>(pair);
    }
}

}  // namespace

int ProbeIMG(const ProbeInput& input, FileInfoRecord* info) {
    GemHeader g;
    if (!ParseHeader(input.header, input.headerCount, &g)) return 0;
    FillFileInfo(info, {.format = kFormatGEM,
                        .width = g.width,
                        .height = g.height,
                        .bitsPerPixel = g.planes,
                        .viewPerspective = K_TOP_DOWN,
                        .compression = "Run Length"});
    return 1;
}

extern "C" int KAPI K_LoadIMGFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    unsigned char header[kGemHeader];
    if ((r = in.ReadExact(header, kGemHeader, K_ERR_FORMAT)) != K_OK) return r;
    GemHeader g;
    if (!ParseHeader(header, kGemHeader, &g)) return K_ERR_FORMAT;
    if ((r = in.SeekTo(g.dataOffset)) != K_OK) return r;
    const int rowCodeBytes = g.planes * PlaneBytes(g.width);
    // Every row takes at least one record of two bytes (a replication
    // record stands for at most 255 rows).
    if ((r = in.Require((g.height + 254) / 255 * 2)) != K_OK) return r;

    if ((r = session.SetImage(g.width, g.height, g.planes, -1)) != K_OK) return r;
    if (g.planes == 1) {
        bitmap->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
        bitmap->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
    } else {
        std::copy(kGemColors, kGemColors + 16, bitmap->ColorTable);
    }
    bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(1 << g.planes);
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatGEM;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;

    std::vector<unsigned char> planes(g.planes == 4 ? rowCodeBytes : 0);
    for (int y = 0; y < g.height;) {
        unsigned char* row = g.planes == 4 ? planes.data() : session.Row();
        int repeat;
        if ((r = DecodeRow(in, g, row, rowCodeBytes, &repeat)) != K_OK) return r;
        if (g.planes == 4) PlanesToNibbles(planes.data(), g.width, session.Row());
        // The delivered row may be converted in place: keep a copy to repeat.
        std::vector<unsigned char> kept;
        if (repeat > 1) kept.assign(session.Row(), session.Row() + session.FileRowBytes());
        for (int k = 0; k < repeat && y < g.height; ++k, ++y) {
            if (k > 0) std::memcpy(session.Row(), kept.data(), kept.size());
            if ((r = session.DeliverRow(y)) != K_OK) return r;
        }
    }
    return K_OK;
}

extern "C" int KAPI K_LoadIMGBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadIMGFile, -1);
}

namespace {

// One row's records: equal bytes as runs (solid runs for 0x00 and 0xFF, a
// one-byte pattern run otherwise), the rest as bit strings.
void EncodeRow(const unsigned char* row, int count, Output& out) {
    unsigned char literal[128];
    int pending = 0;
    auto flush = [&] {
        if (!pending) return;
        out.Byte(kBitString);
        out.Byte(pending);
        out.Write(literal, pending);
        pending = 0;
    };
    for (int i = 0; i < count;) {
        int same = 0;
        while (same < 126 && i + same + 1 < count && row[i + same + 1] == row[i]) ++same;
        if (same > 0 || pending > 125) flush();
        if (same > 0) {
            const int c = same + 1;
            if (row[i] == 0xFF) {
                out.Byte(kSolidBlack | c);
            } else if (row[i] == 0x00) {
                out.Byte(c);
            } else {
                out.Byte(0);
                out.Byte(c);
                out.Byte(row[i]);
            }
            i += c;
        } else {
            literal[pending++] = row[i++];
        }
    }
    flush();
}

}  // namespace

// 1 bit; the sides are 16-bit words.
const SaveLimits kLimits = {DepthSet(1), 0xFFFF, 0xFFFF};

int SaveIMGFile(const SaveRequest& request) {
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    SaveWriter writer(request.bitmap, 1, request.flags, request.callback, request.userData);
    if ((r = BeginWithin(writer, kLimits)) != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    // A set bit is black: turned over when entry 0 is the darker.
    const bool invert = writer.FirstColorDarker();

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    const int words[8] = {1, 8, 1, 1, kWrittenPixelMicrons, kWrittenPixelMicrons, width, height};
    for (int w : words) out.U16BE(static_cast<unsigned>(w));
    const int count = PlaneBytes(width);
    std::vector<unsigned char> row(count);
    const unsigned char lastMask = static_cast<unsigned char>(0xFF00 >> (width & 7 ? width & 7 : 8));
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        for (int i = 0; i < count; ++i) row[i] = invert ? ~writer.Row()[i] : writer.Row()[i];
        row[count - 1] &= lastMask;  // the bits past the width stay white
        EncodeRow(row.data(), count, out);
    }
    return out.Finish();
}

extern "C" int KAPI K_SaveIMGBitmap(const char* name, BitmapRecord* bitmap) {
    return K_SaveFile(name, bitmap, kFormatGEM, 1, 0, K_SAVE_FIXED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{170, true, ProbeIMG}};
const LoadEntry kLoads[] = {{kFormatGEM, K_LoadIMGFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatGEM, SaveIMGFile, 0, 0, false}};
}  // namespace

extern const CodecRow kGEMRow = {"GEM IMG", kProbes, {}, kLoads, kSaves, &kLimits};
