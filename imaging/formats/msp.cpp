// Microsoft Paint pictures: 1 bit, a set bit white, after a 32-byte header
// of little-endian words. Version 1 ("DanM") stores plain rows; version 2
// ("LinS") a map of each row's coded length and then run-length coded rows.
#include <algorithm>
#include <cstring>
#include <vector>

#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kMspHeader = 32;
constexpr int kKeyDa = 0x6144, kKeyLi = 0x694C;  // "Da", "Li"
constexpr int kKeyNM = 0x4D6E, kKeyNS = 0x536E;  // "nM", "nS"

struct MspHeader {
    int width, height;
    bool plain;  // version 1: rows stored as they are, no row map
};

bool ParseHeader(const unsigned char* h, int count, MspHeader* m) {
    if (count < kMspHeader) return false;
    const int key1 = Le16(h), key2 = Le16(h + 2);
    if ((key1 != kKeyDa && key1 != kKeyLi) || (key2 != kKeyNM && key2 != kKeyNS)) return false;
    m->width = Le16(h + 4);
    m->height = Le16(h + 6);
    m->plain = key1 == kKeyDa && key2 == kKeyNM;
    return true;
}

// Result of a row whose records code past its end.
constexpr int kBadRow = 0;

// One coded row: n > 0 then n literal bytes; 0, count, value: a run.
int DecodeRow(Source& in, unsigned char* out, int count) {
    int o = 0;
    while (o < count) {
        const int n = in.Byte();
        if (n < 0) return K_ERR_READ;
        if (n > 0) {
            if (n > count - o) return kBadRow;
            if (in.ReadExact(out + o, n) != K_OK) return K_ERR_READ;
            o += n;
            continue;
        }
        const int times = in.Byte(), value = in.Byte();
        if (value < 0) return K_ERR_READ;
        if (times > count - o) return kBadRow;
        std::memset(out + o, value, times);
        o += times;
    }
    return K_OK;
}

}  // namespace

int ProbeMSP(const ProbeInput& input, FileInfoRecord* info) {
    MspHeader m;
    if (!ParseHeader(input.header, input.headerCount, &m)) return 0;
    FillFileInfo(info, {.format = kFormatMSP,
                        .width = m.width,
                        .height = m.height,
                        .bitsPerPixel = 1,
                        .viewPerspective = K_TOP_DOWN,
                        .compression = m.plain ? "None" : "Run Length"});
    return 1;
}

extern "C" int KAPI K_LoadMSPFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    unsigned char header[kMspHeader];
    if ((r = in.ReadExact(header, kMspHeader, K_ERR_FORMAT)) != K_OK) return r;
    MspHeader m;
    if (!ParseHeader(header, kMspHeader, &m)) return K_ERR_FORMAT;
    const int rowBytes = (m.width + 7) / 8;
    if (m.plain) {
        if ((r = in.Require(static_cast<int64_t>(rowBytes) * m.height)) != K_OK) return r;
    } else {
        // Past the row map, which the rows do not need; every row codes at
        // least two bytes.
        if ((r = in.Skip(2 * m.height)) != K_OK) return r;
        if ((r = in.Require(2 * static_cast<int64_t>(m.height))) != K_OK) return r;
    }

    if ((r = session.SetImage(m.width, m.height, 1, -1)) != K_OK) return r;
    bitmap->ColorTable[0] = RGBQUAD{0, 0, 0, 0};
    bitmap->ColorTable[1] = RGBQUAD{255, 255, 255, 0};
    bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(2);
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatMSP;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;
    for (int y = 0; y < m.height; ++y) {
        r = m.plain ? in.ReadExact(session.Row(), rowBytes) : DecodeRow(in, session.Row(), rowBytes);
        if (r != K_OK) return r;
        if ((r = session.DeliverRow(y)) != K_OK) return r;
    }
    return K_OK;
}

extern "C" int KAPI K_LoadMSPBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadMSPFile, -1);
}

namespace {

// One row coded: runs of two or more equal bytes as 0, count, value; the
// rest as literal records. Returns the bytes written to out.
int EncodeRow(const unsigned char* row, int count, unsigned char* out) {
    unsigned char* start = out;
    int pending = 0;
    const unsigned char* literal = row;
    auto flush = [&] {
        if (!pending) return;
        *out++ = static_cast<unsigned char>(pending);
        std::memcpy(out, literal, pending);
        out += pending;
        pending = 0;
    };
    for (int i = 0; i < count;) {
        int same = 0;
        while (same < 254 && i + same + 1 < count && row[i + same + 1] == row[i]) ++same;
        if (same > 0 || pending == 255) flush();
        if (same > 0) {
            *out++ = 0;
            *out++ = static_cast<unsigned char>(same + 1);
            *out++ = row[i];
            i += same + 1;
        } else {
            if (!pending) literal = row + i;
            ++pending;
            ++i;
        }
    }
    flush();
    return static_cast<int>(out - start);
}

// The header's checksum word makes the thirteen words exclusive-or to 0.
void PutHeader(unsigned char* h, int width, int height) {
    std::memset(h, 0, kMspHeader);
    const int words[12] = {kKeyLi, kKeyNS, width, height, width, height, width, height, width, height, 0, 0};
    int sum = 0;
    for (int i = 0; i < 12; ++i) {
        PutLe16(h + 2 * i, words[i]);
        sum ^= words[i];
    }
    PutLe16(h + 24, sum);
}

}  // namespace

// 1 bit; the sides are 16-bit words.
const SaveLimits kLimits = {DepthSet(1), 0xFFFF, 0xFFFF};

int SaveMSPFile(const SaveRequest& request) {
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    SaveWriter writer(request.bitmap, 1, request.flags, request.callback, request.userData);
    if ((r = BeginWithin(writer, kLimits)) != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    // A set bit is white: turned over when entry 0 is not the darker.
    const bool invert = !writer.FirstColorDarker();

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    unsigned char h[kMspHeader];
    PutHeader(h, width, height);
    out.Write(h, kMspHeader);
    // The row map is written once the rows are coded.
    std::vector<unsigned char> map(2 * static_cast<size_t>(height));
    out.Write(map.data(), static_cast<int>(map.size()));
    const int count = (width + 7) / 8;
    std::vector<unsigned char> row(count), coded(2 * static_cast<size_t>(count) + 8);  // two equal bytes take three
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        for (int i = 0; i < count; ++i) row[i] = invert ? ~writer.Row()[i] : writer.Row()[i];
        const int n = EncodeRow(row.data(), count, coded.data());
        PutLe16(&map[2 * y], n);
        out.Write(coded.data(), n);
    }
    if ((r = out.SeekTo(kMspHeader)) != K_OK) return r;
    out.Write(map.data(), static_cast<int>(map.size()));
    return out.Finish();
}

extern "C" int KAPI K_SaveMSPBitmap(const char* name, BitmapRecord* bitmap) {
    return K_SaveFile(name, bitmap, kFormatMSP, 1, 0, K_SAVE_FIXED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{180, true, ProbeMSP}};
const LoadEntry kLoads[] = {{kFormatMSP, K_LoadMSPFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatMSP, SaveMSPFile, 0, 0, false}};
}  // namespace

extern const CodecRow kMSPRow = {"MSP", kProbes, {}, kLoads, kSaves, &kLimits};
