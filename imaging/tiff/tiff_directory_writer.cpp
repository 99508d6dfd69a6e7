#include "tiff/tiff_directory_writer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/memory.h"
#include "io/file_callbacks.h"
#include "tiff/options.h"
#include "tiff/tiff_directory.h"

namespace {

using namespace tiff;

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    const unsigned char* data = nullptr;  // values in file order
    uint32_t bytes = 0;
    unsigned char field[4] = {};         // the value field
    uint32_t at = 0;                     // where the values stand (above 4 bytes)
};

uint32_t Even(uint32_t v) { return (v + 1) & ~1u; }

}  // namespace

int WriteTiffHeader(TiffOutput& out) {
    unsigned char h[8];
    h[0] = h[1] = out.bigEndian() ? 'M' : 'I';
    out.Put16(h + 2, 42);
    out.Put32(h + 4, 8);
    return out.Write(h, 8);
}

int WriteTiffDirectory(TiffOutput& out, const TiffPageSpec& s, TiffDirectoryPlace* place) {
    Entry entries[40];
    int n = 0;
    auto number = [&](uint16_t tag, uint16_t type, uint32_t value) {
        Entry& e = entries[n++];
        e.tag = tag;
        e.type = type;
        e.count = 1;
        if (type == kShort) out.Put16(e.field, value);
        else out.Put32(e.field, value);
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
        for (int i = 0; i < 3; ++i) out.Put16(bitsPerSample + 2 * i, 8);
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
        out.Put32(reinterpret_cast<unsigned char*>(countTable.get() + i), s.byteCounts ? s.byteCounts[i] : 0);
    values(kStripByteCounts, kLong, strips, reinterpret_cast<unsigned char*>(countTable.get()));
    unsigned char resolution[16];
    out.Put32(resolution, static_cast<uint32_t>(std::max(s.xResolution, 0)));
    out.Put32(resolution + 4, 1);
    out.Put32(resolution + 8, static_cast<uint32_t>(std::max(s.yResolution, 0)));
    out.Put32(resolution + 12, 1);
    values(kXResolution, kRational, 1, resolution);
    values(kYResolution, kRational, 1, resolution + 8);
    number(kPlanarConfiguration, kShort, 1);
    if (s.fillOrder) {
        number(kT4Options, kLong, s.t4Options);
        number(kT6Options, kLong, s.t6Options);
    }
    const bool withMap = s.palette && s.bitsPerPixel >= 2 && s.bitsPerPixel <= 8;
    const uint32_t colors = withMap ? 1u << s.bitsPerPixel : 0;
    GlobalBuffer map(colors * 6 + 2);
    if (!map) return K_ERR_MEMORY;
    if (withMap) {
        for (uint32_t i = 0; i < colors; ++i) {
            // 16-bit values: v * 257 maps 255 to 65535.
            out.Put16(map.get() + 2 * i, s.palette[i].rgbRed * 257u);
            out.Put16(map.get() + 2 * (colors + i), s.palette[i].rgbGreen * 257u);
            out.Put16(map.get() + 2 * (2 * colors + i), s.palette[i].rgbBlue * 257u);
        }
        values(kColorMap, kShort, colors * 3, map.get());
    }

    // Entries in ascending tag order.
    std::stable_sort(entries, entries + n, [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const uint32_t start = out.position();
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
        out.Put32(reinterpret_cast<unsigned char*>(offsetTable.get() + i), next);
        next += s.byteCounts ? s.byteCounts[i] : 0;
    }

    const uint32_t total = at - start;
    GlobalBuffer block(total, true);
    if (!block) return K_ERR_MEMORY;
    unsigned char* b = block.get();
    out.Put16(b, static_cast<uint32_t>(n));
    place->stripCount = strips;
    for (int i = 0; i < n; ++i) {
        Entry& e = entries[i];
        unsigned char* p = b + 2 + 12 * i;
        out.Put16(p, e.tag);
        out.Put16(p + 2, e.type);
        out.Put32(p + 4, e.count);
        if (e.bytes > 4) {
            out.Put32(p + 8, e.at);
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
    return out.Write(b, total);
}

int PatchTiffStrips(TiffOutput& out, const TiffDirectoryPlace& place, const uint32_t* byteCounts) {
    const uint32_t strips = place.stripCount;
    TiffArray offsets, counts;
    if (!offsets.Allocate(strips) || !counts.Allocate(strips)) return K_ERR_MEMORY;
    uint32_t next = place.data;
    for (uint32_t i = 0; i < strips; ++i) {
        out.Put32(reinterpret_cast<unsigned char*>(offsets.get() + i), next);
        out.Put32(reinterpret_cast<unsigned char*>(counts.get() + i), byteCounts[i]);
        next += byteCounts[i];
    }
    int r = out.WriteAt(place.offsetsAt, reinterpret_cast<unsigned char*>(offsets.get()), 4 * strips);
    if (r != K_OK) return r;
    return out.WriteAt(place.countsAt, reinterpret_cast<unsigned char*>(counts.get()), 4 * strips);
}

TiffPageFile::~TiffPageFile() {
    delete out_;
    if (handle_ >= 0) FileClose(handle_);
}

int TiffPageFile::Close() {
    int r = out_ ? out_->Flush() : K_OK;
    delete out_;
    out_ = nullptr;
    if (handle_ >= 0) FileClose(handle_);
    handle_ = -1;
    return r;
}

int TiffPageFile::Open(const char* name, bool append) {
    uint32_t nextField = 0, end = 0;
    bool bigEndian = false;
    new_ = true;
    if (append) {
        const int probe = FileOpen(name, kReaderOpenFlags, kReaderPermission);
        if (probe >= 0) {
            // The last directory of the chain, whose next offset is patched.
            TiffSource source(probe);
            TiffHeader header;
            int r = K_OK;
            if (!ReadTiffHeader(source, &header) || header.firstDirectory < 8 ||
                static_cast<uint64_t>(header.firstDirectory) + 6 > source.size()) {
                r = K_ERR_FORMAT;
            } else {
                TiffChain chain(source, header);
                while (chain.Advance()) {
                }
                unsigned char b[2];
                if (chain.looped() || source.ReadAt(chain.current(), b, 2) != K_OK) {
                    r = K_ERR_FORMAT;
                } else {
                    const uint32_t entries = header.bigEndian ? (b[0] << 8 | b[1]) : (b[0] | b[1] << 8);
                    nextField = chain.current() + 2 + 12 * entries;
                    if (static_cast<uint64_t>(nextField) + 4 > source.size()) r = K_ERR_FORMAT;
                }
            }
            bigEndian = header.bigEndian;
            end = source.size();
            FileClose(probe);
            if (r != K_OK) return r;
            new_ = false;
        }
    }
    // Not an append open: the last directory's next offset is rewritten.
    handle_ = new_ ? FileOpen(name, kWriterOpenFlags, kWriterPermission)
                   : FileOpen(name, K_OPEN_UNTRANSLATED | K_OPEN_READWRITE, kWriterPermission);
    if (handle_ < 0) return K_ERR_CREATE;
    uint32_t position = 0;
    if (!new_) {
        // Directories start on a word boundary.
        position = Even(end);
        if (FileSeek(handle_, static_cast<int>(end), 0) != static_cast<int>(end)) return K_ERR_SEEK;
    }
    out_ = new (std::nothrow) TiffOutput(handle_, end, bigEndian);
    if (!out_ || !out_->ok()) return K_ERR_MEMORY;
    if (new_) return WriteTiffHeader(*out_);
    if (position != end) {
        const unsigned char pad = 0;
        int r = out_->Write(&pad, 1);
        if (r != K_OK) return r;
    }
    return out_->Write32At(nextField, position);
}
