// JFIF (marker segments, big-endian) and TIFF 6.0 (little-endian directory,
// JPEG compression with its tables as tags) heads.
#include "jpeg/jpeg_heads.h"

#include <algorithm>
#include <cstring>

#include "jpeg/jpeg_tables.h"

namespace {

void Put8(std::vector<uint8_t>* out, int v) { out->push_back(static_cast<uint8_t>(v)); }
void PutBE16(std::vector<uint8_t>* out, int v) {
    Put8(out, v >> 8);
    Put8(out, v);
}
void PutBytes(std::vector<uint8_t>* out, const void* bytes, size_t count) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    out->insert(out->end(), p, p + count);
}
void Marker(std::vector<uint8_t>* out, int marker) {
    Put8(out, 0xFF);
    Put8(out, marker);
}

const uint8_t* DcTable(int index) { return index ? kChrominanceDc : kLuminanceDc; }
const uint8_t* AcTable(int index) { return index ? kChrominanceAc : kLuminanceAc; }

// 1 or the row source's result.
int PutJfxx(const StampSource& stamp, std::vector<uint8_t>* out) {
    const int pixelBytes = stamp.bits / 8;
    const int data = (stamp.bits == 8 ? 768 : 0) + stamp.width * stamp.height * pixelBytes;
    Marker(out, 0xE0);
    PutBE16(out, 10 + data);
    PutBytes(out, "JFXX", 5);
    Put8(out, stamp.bits == 8 ? 0x11 : 0x13);
    Put8(out, stamp.width);
    Put8(out, stamp.height);
    if (stamp.bits == 8) PutBytes(out, stamp.palette, 768);
    std::vector<uint8_t> row(static_cast<size_t>(stamp.width) * 3);
    for (int y = 0; y < stamp.height; ++y) {
        int result = stamp.row(y, row.data(), stamp.context);
        if (result != 1) return result;
        if (stamp.bits == 24)  // the row source gives blue first; JFXX code 0x13 stores red first
            for (int x = 0; x < stamp.width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
        PutBytes(out, row.data(), static_cast<size_t>(stamp.width) * pixelBytes);
    }
    return 1;
}

}  // namespace

int BuildJfifHead(const HeadInfo& info, std::vector<uint8_t>* out) {
    const bool colour = info.components == 3;
    const int quantCount = colour && info.quant[1] ? 2 : 1;
    const int huffCount = colour ? 2 : 1;
    if (info.stamp) {
        const StampSource& s = *info.stamp;
        long data = (s.bits == 8 ? 768L : 0L) + static_cast<long>(s.width) * s.height * (s.bits / 8);
        if (10 + data > 65535) return -11;  // the segment's length field holds no more
    }

    Marker(out, 0xD8);
    Marker(out, 0xE0);
    PutBE16(out, 16);
    PutBytes(out, "JFIF", 5);
    Put8(out, 1);
    Put8(out, 0);
    Put8(out, 0);  // density unit: none
    PutBE16(out, std::clamp(info.xResolution, 0, 65535));
    PutBE16(out, std::clamp(info.yResolution, 0, 65535));
    Put8(out, 0);
    Put8(out, 0);
    if (info.stamp) {
        int result = PutJfxx(*info.stamp, out);
        if (result != 1) return result;
    }
    Marker(out, 0xFE);
    PutBE16(out, 31);
    out->insert(out->end(), 29, 0);

    Marker(out, 0xDB);
    PutBE16(out, 2 + 65 * quantCount);
    for (int t = 0; t < quantCount; ++t) {
        Put8(out, t);
        PutBytes(out, info.quant[t], 64);
    }

    Marker(out, 0xC4);
    int length = 2;
    for (int t = 0; t < huffCount; ++t) length += 2 + HuffmanTableLength(DcTable(t)) + HuffmanTableLength(AcTable(t));
    PutBE16(out, length);
    for (int t = 0; t < huffCount; ++t) {
        Put8(out, t);
        PutBytes(out, DcTable(t), HuffmanTableLength(DcTable(t)));
    }
    for (int t = 0; t < huffCount; ++t) {
        Put8(out, 0x10 | t);
        PutBytes(out, AcTable(t), HuffmanTableLength(AcTable(t)));
    }

    Marker(out, 0xC0);
    PutBE16(out, 8 + 3 * info.components);
    Put8(out, 8);
    PutBE16(out, info.height);
    PutBE16(out, info.width);
    Put8(out, info.components);
    for (int c = 0; c < info.components; ++c) {
        Put8(out, c + 1);
        Put8(out, c == 0 ? (info.hSampling << 4 | info.vSampling) : 0x11);
        Put8(out, c == 0 || quantCount == 1 ? 0 : 1);
    }

    Marker(out, 0xDA);
    PutBE16(out, 6 + 2 * info.components);
    Put8(out, info.components);
    for (int c = 0; c < info.components; ++c) {
        Put8(out, c + 1);
        Put8(out, c == 0 ? 0x00 : 0x11);
    }
    Put8(out, 0);
    Put8(out, 63);
    Put8(out, 0);
    return 1;
}

namespace {

enum TiffType { kByte = 1, kShort = 3, kLong = 4, kRational = 5 };

struct TiffEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;  // inline value, or the offset of the data
};

void PutLE16(std::vector<uint8_t>* out, uint32_t v) {
    Put8(out, v);
    Put8(out, v >> 8);
}
void PutLE32(std::vector<uint8_t>* out, uint32_t v) {
    PutLE16(out, v & 0xFFFF);
    PutLE16(out, v >> 16);
}

}  // namespace

void BuildTiffHead(const HeadInfo& info, int tileWidth, int tileHeight, std::vector<uint8_t>* out,
                   uint32_t* byteCountPosition) {
    const int n = info.components;
    const bool colour = n == 3;
    const int quantCount = colour && info.quant[1] ? 2 : 1;
    const int huffCount = colour ? 2 : 1;
    const int entryCount = colour ? 24 : 21;  // grey: no 530-532, photometric 1

    // Data after the directory, in this order; every offset is known up front.
    uint32_t at = 8 + 2 + 12 * entryCount + 4;
    const uint32_t bitsAt = at;
    if (n > 2) at += 2 * n;
    const uint32_t xResAt = at;
    const uint32_t yResAt = at + 8;
    at += 16;
    const uint32_t refAt = at;
    if (colour) at += 48;
    // Table offset lists (only when more than one component), then the tables.
    const uint32_t qListAt = at;
    if (n > 1) at += 4 * n;
    const uint32_t dcListAt = at;
    if (n > 1) at += 4 * n;
    const uint32_t acListAt = at;
    if (n > 1) at += 4 * n;
    uint32_t qAt[2], dcAt[2], acAt[2];
    for (int t = 0; t < quantCount; ++t, at += 64) qAt[t] = at;
    for (int t = 0; t < huffCount; ++t) {
        dcAt[t] = at;
        at += HuffmanTableLength(DcTable(t));
    }
    for (int t = 0; t < huffCount; ++t) {
        acAt[t] = at;
        at += HuffmanTableLength(AcTable(t));
    }
    const uint32_t tileAt = at;

    auto table = [&](int c, const uint32_t* where, int count) { return where[c > 0 && count > 1 ? 1 : 0]; };
    std::vector<TiffEntry> entries = {
        {254, kLong, 1, 0},
        {256, kLong, 1, static_cast<uint32_t>(info.width)},
        {257, kLong, 1, static_cast<uint32_t>(info.height)},
        {258, kShort, static_cast<uint32_t>(n), n > 2 ? bitsAt : (n == 1 ? 8u : 8u | 8u << 16)},
        {259, kLong, 1, 6},
        {262, kShort, 1, colour ? 6u : 1u},
        // Part of the picture that the first stored row holds: top (1) or bottom (4).
        {274, kShort, 1, info.topDown ? 1u : 4u},
        {277, kShort, 1, static_cast<uint32_t>(n)},
        {282, kRational, 1, xResAt},
        {283, kRational, 1, yResAt},
        {284, kShort, 1, 1},
        {296, kShort, 1, 1},
        {322, kShort, 1, static_cast<uint32_t>(tileWidth)},
        {323, kShort, 1, static_cast<uint32_t>(tileHeight)},
        {324, kLong, 1, tileAt},
        {325, kLong, 1, 0},
        {512, kShort, 1, 1},  // baseline sequential
        {515, kShort, 1, 0},
        {519, kLong, static_cast<uint32_t>(n), n > 1 ? qListAt : qAt[0]},
        {520, kLong, static_cast<uint32_t>(n), n > 1 ? dcListAt : dcAt[0]},
        {521, kLong, static_cast<uint32_t>(n), n > 1 ? acListAt : acAt[0]},
    };
    if (colour) {
        entries.push_back({530, kShort, 2, static_cast<uint32_t>(info.hSampling | info.vSampling << 16)});
        entries.push_back({531, kShort, 1, 2});
        entries.push_back({532, kRational, 6, refAt});
    }

    out->clear();
    PutBytes(out, "II", 2);
    PutLE16(out, 42);
    PutLE32(out, 8);
    PutLE16(out, static_cast<uint32_t>(entries.size()));
    for (const TiffEntry& e : entries) {
        if (e.tag == 325) *byteCountPosition = static_cast<uint32_t>(out->size()) + 8;
        PutLE16(out, e.tag);
        PutLE16(out, e.type);
        PutLE32(out, e.count);
        PutLE32(out, e.value);
    }
    PutLE32(out, 0);
    if (n > 2)
        for (int c = 0; c < n; ++c) PutLE16(out, 8);
    PutLE32(out, static_cast<uint32_t>(info.xResolution));
    PutLE32(out, 1);
    PutLE32(out, static_cast<uint32_t>(info.yResolution));
    PutLE32(out, 1);
    if (colour)
        for (uint32_t v : {0u, 255u, 128u, 255u, 128u, 255u}) {
            PutLE32(out, v);
            PutLE32(out, 1);
        }
    if (n > 1) {
        for (int c = 0; c < n; ++c) PutLE32(out, table(c, qAt, quantCount));
        for (int c = 0; c < n; ++c) PutLE32(out, table(c, dcAt, huffCount));
        for (int c = 0; c < n; ++c) PutLE32(out, table(c, acAt, huffCount));
    }
    for (int t = 0; t < quantCount; ++t) PutBytes(out, info.quant[t], 64);
    for (int t = 0; t < huffCount; ++t) PutBytes(out, DcTable(t), HuffmanTableLength(DcTable(t)));
    for (int t = 0; t < huffCount; ++t) PutBytes(out, AcTable(t), HuffmanTableLength(AcTable(t)));
}
