#include "tiff/tiff_directory_writer.h"

#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/byte_order.h"
#include "io/source.h"
#include "io/options.h"
#include "tiff/tiff_directory.h"

namespace {

using namespace tiff;

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    const unsigned char* data = nullptr;  // values in file order
    uint32_t bytes = 0;
    unsigned char field[4] = {};  // the value field
    uint32_t at = 0;              // where the values stand (above 4 bytes)
};

uint32_t Even(uint32_t v) { return (v + 1) & ~1u; }

}  // namespace

void TiffByteOrder::Put16(unsigned char* p, uint32_t v) const {
    if (bigEndian)
        PutBe16(p, static_cast<int>(v));
    else
        PutLe16(p, static_cast<int>(v));
}

void TiffByteOrder::Put32(unsigned char* p, uint32_t v) const {
    if (bigEndian)
        PutBe32(p, v);
    else
        PutLe32(p, v);
}

int WriteTiffHeader(Output& out, TiffByteOrder order) {
    unsigned char h[8];
    h[0] = h[1] = order.bigEndian ? 'M' : 'I';
    order.Put16(h + 2, 42);
    order.Put32(h + 4, 8);
    return out.Write(h, 8);
}

int WriteTiffDirectory(Output& out, TiffByteOrder order, const TiffPageSpec& s, TiffDirectoryPlace* place) {
    Entry entries[40];
    int n = 0;
    auto number = [&](uint16_t tag, uint16_t type, uint32_t value) {
        Entry& e = entries[n++];
        e.tag = tag;
        e.type = type;
        e.count = 1;
        if (type == kShort)
            order.Put16(e.field, value);
        else
            order.Put32(e.field, value);
    };
    // SHORT when it fits, else LONG.
    auto size = [&](uint16_t tag, uint32_t value) { number(tag, value > 65535 ? kLong : kShort, value); };
    auto values = [&](uint16_t tag, uint16_t type, uint32_t count, const unsigned char* data) {
        Entry& e = entries[n++];
        e.tag = tag;
        e.type = type;
        e.count = count;
        e.data = data;
        e.bytes = count * TypeSize(type);
        if (e.bytes <= 4 && data) std::memcpy(e.field, data, e.bytes);
    };

    const OptionBlock& options = CurrentOptions();
    if (!(options.TiffFlags & 2)) number(kSubfileType, kShort, 1);
    size(kImageWidth, static_cast<uint32_t>(s.width));
    size(kImageLength, static_cast<uint32_t>(s.height));
    unsigned char bitsPerSample[6];
    if (s.bitsPerPixel == 24) {
        for (int i = 0; i < 3; ++i) order.Put16(bitsPerSample + 2 * i, 8);
        values(kBitsPerSample, kShort, 3, bitsPerSample);
    } else {
        number(kBitsPerSample, kShort, static_cast<uint32_t>(s.bitsPerPixel));
    }
    number(kCompression, kShort, static_cast<uint32_t>(s.compression));
    number(kPhotometric, kShort, static_cast<uint32_t>(s.photometric));
    if (s.fillOrder) number(kFillOrder, kShort, static_cast<uint32_t>(s.fillOrder));

    // Comments: ASCII values end in a zero byte; one is added when the
    // stored text does not end in one.
    uint32_t commentBytes = 0;
    for (unsigned i = 0; i < 10; ++i) commentBytes += GetCommentEntry(i).length + 2;
    GlobalBuffer texts(commentBytes + 2, true);
    if (!texts) return K_ERR_MEMORY;
    uint32_t textAt = 0;
    for (unsigned i = 0; i < 10; ++i) {
        const CommentEntry c = GetCommentEntry(i);
        if (!c.text) continue;
        unsigned char* t = texts.get() + textAt;
        std::memcpy(t, c.text, c.length);
        const uint32_t count = c.length && c.text[c.length - 1] == 0 ? c.length : c.length + 1;
        values(kCommentTags[i], kAscii, count, t);
        textAt += count;
    }

    const uint32_t strips = std::max<uint32_t>(s.stripCount, 1);
    TiffArray offsetTable, countTable;
    if (!offsetTable.Allocate(strips) || !countTable.Allocate(strips)) return K_ERR_MEMORY;
    values(kStripOffsets, kLong, strips, reinterpret_cast<unsigned char*>(offsetTable.get()));
    number(kOrientation, kShort, 1);
    number(kSamplesPerPixel, kShort, s.bitsPerPixel == 24 ? 3 : 1);
    size(kRowsPerStrip, s.rowsPerStrip);
    for (uint32_t i = 0; i < strips; ++i)
        order.Put32(reinterpret_cast<unsigned char*>(countTable.get() + i), s.byteCounts ? s.byteCounts[i] : 0);
    values(kStripByteCounts, kLong, strips, reinterpret_cast<unsigned char*>(countTable.get()));
    unsigned char resolution[16];
    order.Put32(resolution, static_cast<uint32_t>(std::max(s.xResolution, 0)));
    order.Put32(resolution + 4, 1);
    order.Put32(resolution + 8, static_cast<uint32_t>(std::max(s.yResolution, 0)));
    order.Put32(resolution + 12, 1);
    values(kXResolution, kRational, 1, resolution);
    values(kYResolution, kRational, 1, resolution + 8);
    number(kPlanarConfiguration, kShort, 1);
    // Each coding its own options tag: libtiff warns of the other one.
    if (s.fillOrder && s.compression == 3) number(kT4Options, kLong, s.t4Options);
    if (s.fillOrder && s.compression == 4) number(kT6Options, kLong, s.t6Options);
    const bool withMap = s.palette && s.bitsPerPixel >= 2 && s.bitsPerPixel <= 8;
    const uint32_t colors = withMap ? 1u << s.bitsPerPixel : 0;
    GlobalBuffer map(colors * 6 + 2);
    if (!map) return K_ERR_MEMORY;
    if (withMap) {
        for (uint32_t i = 0; i < colors; ++i) {
            // 16-bit values: v * 257 maps 255 to 65535.
            order.Put16(map.get() + 2 * i, s.palette[i].rgbRed * 257u);
            order.Put16(map.get() + 2 * (colors + i), s.palette[i].rgbGreen * 257u);
            order.Put16(map.get() + 2 * (2 * colors + i), s.palette[i].rgbBlue * 257u);
        }
        values(kColorMap, kShort, colors * 3, map.get());
    }

    // Entries in ascending tag order.
    std::stable_sort(entries, entries + n, [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const uint32_t start = static_cast<uint32_t>(out.Tell());
    uint32_t at = start + 2 + 12 * n + 4;
    for (int i = 0; i < n; ++i) {
        if (entries[i].bytes > 4) {
            entries[i].at = at;
            at = Even(at + entries[i].bytes);
        }
    }
    const uint32_t data = at;
    // Consecutive strips from the data start.
    uint32_t next = data;
    for (uint32_t i = 0; i < strips; ++i) {
        order.Put32(reinterpret_cast<unsigned char*>(offsetTable.get() + i), next);
        next += s.byteCounts ? s.byteCounts[i] : 0;
    }

    const uint32_t total = at - start;
    GlobalBuffer block(total, true);
    if (!block) return K_ERR_MEMORY;
    unsigned char* b = block.get();
    order.Put16(b, static_cast<uint32_t>(n));
    place->stripCount = strips;
    for (int i = 0; i < n; ++i) {
        Entry& e = entries[i];
        unsigned char* p = b + 2 + 12 * i;
        order.Put16(p, e.tag);
        order.Put16(p + 2, e.type);
        order.Put32(p + 4, e.count);
        if (e.bytes > 4) {
            order.Put32(p + 8, e.at);
            std::memcpy(b + (e.at - start), e.data, e.bytes);
        } else if (e.data) {
            std::memcpy(p + 8, e.data, e.bytes);
        } else {
            std::memcpy(p + 8, e.field, 4);
        }
        // Where a patch rewrites the strip tables.
        const uint32_t valueAt = e.bytes > 4 ? e.at : start + 2 + 12 * i + 8;
        if (e.tag == kStripOffsets) place->offsetsAt = valueAt;
        if (e.tag == kStripByteCounts) place->countsAt = valueAt;
    }
    // Next directory: none.
    place->directory = start;
    place->nextField = start + 2 + 12 * n;
    place->data = data;
    return out.Write(b, static_cast<int>(total));
}

int PatchTiffStrips(Output& out, TiffByteOrder order, const TiffDirectoryPlace& place, const uint32_t* byteCounts) {
    const uint32_t strips = place.stripCount;
    TiffArray offsets, counts;
    if (!offsets.Allocate(strips) || !counts.Allocate(strips)) return K_ERR_MEMORY;
    uint32_t next = place.data;
    for (uint32_t i = 0; i < strips; ++i) {
        order.Put32(reinterpret_cast<unsigned char*>(offsets.get() + i), next);
        order.Put32(reinterpret_cast<unsigned char*>(counts.get() + i), byteCounts[i]);
        next += byteCounts[i];
    }
    const int back = out.Tell();
    int r = out.SeekTo(static_cast<int>(place.offsetsAt));
    if (r == K_OK) r = out.Write(offsets.get(), static_cast<int>(4 * strips));
    if (r == K_OK) r = out.SeekTo(static_cast<int>(place.countsAt));
    if (r == K_OK) r = out.Write(counts.get(), static_cast<int>(4 * strips));
    if (r == K_OK) r = out.SeekTo(back);
    return r;
}

int TiffPageFile::Open(const char* name, bool append) {
    uint32_t nextField = 0, end = 0;
    new_ = true;
    if (append) {
        InputFile file;
        if (file.Open(name) == K_OK) {
            // The last directory of the chain, whose next offset is patched.
            Source in(file.handle(), 4096);
            TiffSource source(in);
            TiffHeader header;
            if (!ReadTiffHeader(source, &header) || header.firstDirectory < 8 ||
                static_cast<uint64_t>(header.firstDirectory) + 6 > source.size())
                return K_ERR_FORMAT;
            TiffChain chain(source, header);
            while (chain.Advance()) {}
            unsigned char b[2];
            if (chain.looped() || source.ReadAt(chain.current(), b, 2) != K_OK) return K_ERR_FORMAT;
            const uint32_t entries = header.bigEndian ? static_cast<uint32_t>(Be16(b)) : static_cast<uint32_t>(Le16(b));
            nextField = chain.current() + 2 + 12 * entries;
            if (static_cast<uint64_t>(nextField) + 4 > source.size()) return K_ERR_FORMAT;
            order_.bigEndian = header.bigEndian;
            end = source.size();
            new_ = false;
        }
    }
    // Not an append open: the last directory's next offset is rewritten.
    int r = out_.Open(name, new_ ? Output::Mode::Create : Output::Mode::Update);
    if (r != K_OK) return r;
    if (new_) return WriteTiffHeader(out_, order_);
    // Directories start on a word boundary.
    const uint32_t position = Even(end);
    unsigned char field[4];
    order_.Put32(field, position);
    if ((r = out_.SeekTo(static_cast<int>(nextField))) != K_OK || (r = out_.Write(field, 4)) != K_OK ||
        (r = out_.SeekTo(static_cast<int>(end))) != K_OK)
        return r;
    return position == end ? K_OK : out_.Zeros(1);
}
