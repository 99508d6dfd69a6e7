// JPEG inside TIFF (compression 6, TIFF 6.0 section 22): the first
// directory's size, sampling, restart interval, row order and the tables at
// the offsets of tags 519-521, for a page held in one tile or one strip.
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "io/file_callbacks.h"
#include "io/source.h"
#include "jpeg/jpeg_decoder.h"

namespace {

// A directory of more entries than this is no page we wrote or can read.
constexpr uint32_t kMaxEntries = 1024;

struct Entry {
    uint16_t type = 0;
    uint32_t count = 0;
    uint8_t raw[4] = {};
};

class TiffReader {
public:
    TiffReader(Source& in, bool bigEndian) : in_(in), big_(bigEndian) {}
    uint32_t U16(const uint8_t* p) const { return big_ ? (p[0] << 8 | p[1]) : (p[0] | p[1] << 8); }
    uint32_t U32(const uint8_t* p) const {
        return big_ ? (static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3])
                    : (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
    }
    // Value i of a SHORT or LONG entry: 1, or a code.
    int Value(const Entry& e, uint32_t i, uint32_t* out) {
        if (i >= e.count) return K_ERR_FORMAT;
        const int size = e.type == 3 ? 2 : e.type == 4 ? 4 : 0;
        if (!size) return K_ERR_FORMAT;
        uint8_t bytes[4];
        if (static_cast<uint64_t>(e.count) * size <= 4) {
            std::memcpy(bytes, e.raw + i * size, size);
        } else {
            const uint64_t at = static_cast<uint64_t>(U32(e.raw)) + static_cast<uint64_t>(i) * size;
            if (at > 0x7FFFFFFF || in_.SeekTo(static_cast<int>(at)) != K_OK || in_.ReadExact(bytes, size) != K_OK)
                return K_ERR_READ;
        }
        *out = size == 2 ? U16(bytes) : U32(bytes);
        return K_OK;
    }
    // A RATIONAL as a whole number (0 when it cannot be read).
    double Rational(const Entry& e) {
        uint8_t bytes[8];
        const uint32_t at = U32(e.raw);
        if (e.type != 5 || at > 0x7FFFFFFF || in_.SeekTo(static_cast<int>(at)) != K_OK ||
            in_.ReadExact(bytes, 8) != K_OK)
            return 0;
        const uint32_t den = U32(bytes + 4);
        return den ? static_cast<double>(U32(bytes)) / den : 0;
    }
    Source& in() { return in_; }

private:
    Source& in_;
    bool big_;
};

int ReadQuant(Source& in, uint32_t at, uint8_t out[64]) {
    if (at > 0x7FFFFFFF || in.SeekTo(static_cast<int>(at)) != K_OK) return K_ERR_FORMAT;
    return in.ReadExact(out, 64) == K_OK ? K_OK : K_ERR_FORMAT;
}

// 16 counts and their symbols; counts adding up to more than 256 symbols
// are refused.
int ReadHuffman(Source& in, uint32_t at, HuffmanSlot& slot) {
    if (at > 0x7FFFFFFF || in.SeekTo(static_cast<int>(at)) != K_OK) return K_ERR_FORMAT;
    if (in.ReadExact(slot.counts, 16) != K_OK) return K_ERR_FORMAT;
    int symbols = 0;
    for (uint8_t c : slot.counts) symbols += c;
    if (symbols > 256) return K_ERR_FORMAT;
    if (in.ReadExact(slot.symbols, symbols) != K_OK) return K_ERR_FORMAT;
    slot.present = true;
    return K_OK;
}

}  // namespace

int JpegReadTiffParams(int handle, JpegDecodeParams& p, bool* topDownRows, uint32_t* scanOffset) {
    if (FileSeek(handle, 0, 0) != 0) return kJpegBadSeek;
    Source in(handle, 4096);
    uint8_t head[8];
    if (in.ReadExact(head, 8) != K_OK) return K_ERR_FORMAT;
    const bool big = head[0] == 'M' && head[1] == 'M';
    if (!big && !(head[0] == 'I' && head[1] == 'I')) return K_ERR_FORMAT;
    TiffReader t(in, big);
    if (t.U16(head + 2) != 42) return K_ERR_FORMAT;
    const uint32_t directory = t.U32(head + 4);
    uint8_t countBytes[2];
    if (directory > 0x7FFFFFFF || in.SeekTo(static_cast<int>(directory)) != K_OK || in.ReadExact(countBytes, 2) != K_OK)
        return K_ERR_FORMAT;
    const uint32_t count = t.U16(countBytes);
    if (count == 0 || count > kMaxEntries) return K_ERR_FORMAT;
    std::map<int, Entry> entries;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t b[12];
        if (in.ReadExact(b, 12) != K_OK) return K_ERR_FORMAT;
        Entry e;
        e.type = static_cast<uint16_t>(t.U16(b + 2));
        e.count = t.U32(b + 4);
        std::memcpy(e.raw, b + 8, 4);
        entries[static_cast<int>(t.U16(b))] = e;
    }
    auto has = [&](int tag) { return entries.count(tag) != 0; };
    // The first value of a tag, or its default when absent.
    auto value = [&](int tag, uint32_t fallback, uint32_t* out) -> int {
        if (!has(tag)) {
            *out = fallback;
            return K_OK;
        }
        return t.Value(entries[tag], 0, out);
    };

    uint32_t width = 0, height = 0, compression = 0, photometric = 0, samples = 1, planar = 1, proc = 1;
    uint32_t restart = 0, orientation = 1;
    if (value(256, 0, &width) != K_OK || value(257, 0, &height) != K_OK || value(259, 1, &compression) != K_OK ||
        value(262, 99, &photometric) != K_OK || value(277, 1, &samples) != K_OK || value(284, 1, &planar) != K_OK ||
        value(512, 1, &proc) != K_OK || value(515, 0, &restart) != K_OK || value(274, 1, &orientation) != K_OK)
        return K_ERR_FORMAT;
    if (compression != 6 || width == 0 || height == 0 || width > 65535 || height > 65535) return K_ERR_FORMAT;
    if (planar != 1 || restart > 65535) return K_ERR_FORMAT;
    // JPEGProc 1 is baseline; 0 is what some writers of this container store for it.
    if (proc != 1 && proc != 0) return K_ERR_FORMAT;
    if (samples == 1) {
        if (photometric != 0 && photometric != 1) return K_ERR_FORMAT;
    } else if (samples != 3 || photometric != 6) {
        return K_ERR_FORMAT;  // only YCbCr colour is converted to RGB here
    }
    if (has(258))
        for (uint32_t i = 0; i < entries[258].count && i < samples; ++i) {
            uint32_t bits = 0;
            if (t.Value(entries[258], i, &bits) != K_OK || bits != 8) return K_ERR_FORMAT;
        }

    // The page in one tile or one strip; its sides may be padded.
    uint32_t codedWidth = width, offset = 0;
    if (has(322) || has(324)) {
        uint32_t tileWidth = 0, tileLength = 0;
        if (value(322, 0, &tileWidth) != K_OK || value(323, 0, &tileLength) != K_OK || !has(324)) return K_ERR_FORMAT;
        if (tileWidth < width || tileLength < height || tileWidth > 65535 || entries[324].count != 1)
            return K_ERR_FORMAT;
        codedWidth = tileWidth;
        if (t.Value(entries[324], 0, &offset) != K_OK) return K_ERR_FORMAT;
    } else {
        uint32_t rowsPerStrip = 0;
        if (!has(273) || value(278, height, &rowsPerStrip) != K_OK) return K_ERR_FORMAT;
        if (rowsPerStrip < height && entries[273].count != 1) return K_ERR_FORMAT;
        if (t.Value(entries[273], 0, &offset) != K_OK) return K_ERR_FORMAT;
    }
    if (offset > 0x7FFFFFFF) return K_ERR_FORMAT;

    p.headerMode = HeaderMode::TiffDirectory;
    p.width = static_cast<int>(width);
    p.height = static_cast<int>(height);
    p.codedWidth = static_cast<int>(codedWidth);
    p.restartInterval = static_cast<int>(restart);
    p.components = static_cast<int>(samples);
    uint32_t h = 2, v = 2;  // TIFF's default subsampling
    if (samples == 1) {
        h = v = 1;
    } else if (has(530)) {
        if (entries[530].count < 2 || t.Value(entries[530], 0, &h) != K_OK || t.Value(entries[530], 1, &v) != K_OK)
            return K_ERR_FORMAT;
    }
    if ((h != 1 && h != 2 && h != 4) || (v != 1 && v != 2 && v != 4) || h * v > 8) return K_ERR_FORMAT;
    for (int c = 0; c < 3; ++c) {
        p.component[c].h = c == 0 ? static_cast<int>(h) : 1;
        p.component[c].v = c == 0 ? static_cast<int>(v) : 1;
    }
    if (has(282)) p.xDensity = t.Rational(entries[282]);
    if (has(283)) p.yDensity = t.Rational(entries[283]);
    // Orientations 1, 2, 5, 6 store the picture's top row first.
    *topDownRows = orientation == 1 || orientation == 2 || orientation == 5 || orientation == 6;

    // Tables: components whose offsets agree share one slot.
    const int tableTags[3] = {519, 520, 521};
    const int slotLimit[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k) {
        if (!has(tableTags[k])) return k == 0 ? kJpegNoQuantTable : k == 1 ? kJpegNoDcTable : kJpegNoAcTable;
        const Entry& e = entries[tableTags[k]];
        if (e.count < samples) return K_ERR_FORMAT;
        std::vector<uint32_t> slots;
        for (uint32_t c = 0; c < samples; ++c) {
            uint32_t at = 0;
            if (t.Value(e, c, &at) != K_OK) return K_ERR_FORMAT;
            auto found = std::find(slots.begin(), slots.end(), at);
            int slot = static_cast<int>(found - slots.begin());
            if (found == slots.end()) {
                if (static_cast<int>(slots.size()) == slotLimit[k]) return K_ERR_FORMAT;
                slots.push_back(at);
                int r =
                    k == 0 ? ReadQuant(in, at, p.quant[slot]) : ReadHuffman(in, at, k == 1 ? p.dc[slot] : p.ac[slot]);
                if (r != K_OK) return r;
                if (k == 0) p.quantPresent[slot] = true;
            }
            JpegComponent& comp = p.component[c];
            (k == 0 ? comp.quantTable : k == 1 ? comp.dcTable : comp.acTable) = slot;
        }
    }
    *scanOffset = offset;
    return K_OK;
}
