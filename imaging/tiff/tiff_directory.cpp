// Reading TIFF headers and image file directories (TIFF 6.0, both byte
// orders).
#include "tiff/tiff_directory.h"

#include <algorithm>
#include <cstring>

#include "io/byte_order.h"

namespace tiff {

int TypeSize(int type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;
        case 3:
        case 8:
            return 2;
        case 4:
        case 9:
        case 11:
            return 4;
        case 5:
        case 10:
        case 12:
            return 8;
        default:
            return 0;
    }
}

const uint16_t kCommentTags[10] = {kArtist, kCopyright, kDateTime,     kImageDescription, kHostComputer,
                                   kMake,   kModel,     kDocumentName, kPageName,         kSoftware};

}  // namespace tiff

namespace {

using namespace tiff;

uint16_t Get16(const unsigned char* p, bool be) { return static_cast<uint16_t>(be ? Be16(p) : Le16(p)); }
uint32_t Get32(const unsigned char* p, bool be) { return be ? Be32(p) : static_cast<uint32_t>(Le32(p)); }

TiffEntry ParseEntry(const unsigned char* p, bool be) {
    TiffEntry e;
    e.tag = Get16(p, be);
    e.type = Get16(p + 2, be);
    e.count = Get32(p + 4, be);
    std::memcpy(e.value, p + 8, 4);
    return e;
}

bool Integral(const TiffEntry& e) { return e.type == kShort || e.type == kLong || e.type == kByte; }

// The first value of a SHORT, LONG or BYTE entry (inline when it fits).
uint32_t FirstValue(TiffSource& source, const TiffEntry& e, bool be) {
    if (e.count == 0) return 0;
    unsigned char b[4] = {};
    const unsigned char* p = e.value;
    if (e.Bytes() > 4) {
        if (source.ReadAt(Get32(e.value, be), b, TypeSize(e.type)) != K_OK) return 0;
        p = b;
    }
    if (e.type == kShort) return Get16(p, be);
    if (e.type == kLong) return Get32(p, be);
    return p[0];
}

// count values of a SHORT, LONG or BYTE entry into out, widened to 32 bits.
int ReadValues(TiffSource& source, const TiffEntry& e, bool be, uint32_t* out, uint32_t count) {
    const int size = TypeSize(e.type);
    const uint64_t bytes = static_cast<uint64_t>(count) * size;
    if (bytes > source.size()) return K_ERR_READ;
    GlobalBuffer raw(static_cast<size_t>(bytes) + 4);
    if (!raw) return K_ERR_MEMORY;
    int r = ReadEntryBytes(source, e, be, raw.get(), static_cast<size_t>(bytes));
    if (r != K_OK) return r;
    const unsigned char* p = raw.get();
    for (uint32_t i = 0; i < count; ++i, p += size) out[i] = size == 2 ? Get16(p, be) : size == 4 ? Get32(p, be) : p[0];
    return K_OK;
}

// A RATIONAL as an integer: numerator / denominator, 0 when undefined.
uint32_t ReadRational(TiffSource& source, const TiffEntry& e, bool be) {
    if (e.type != kRational || e.count < 1) return 0;
    unsigned char b[8];
    if (source.ReadAt(Get32(e.value, be), b, 8) != K_OK) return 0;
    uint32_t num = Get32(b, be), den = Get32(b + 4, be);
    return den ? num / den : 0;
}

// A strip or tile table: the entry's values, at most what the file can hold.
int ReadTable(TiffSource& source, const TiffEntry& e, bool be, TiffArray* table) {
    if (!Integral(e) || e.count == 0 || e.Bytes() > source.size()) return 0;
    if (!table->Allocate(e.count)) return K_ERR_MEMORY;
    int r = ReadValues(source, e, be, table->get(), e.count);
    if (r == K_ERR_MEMORY) return r;
    return r == K_OK ? 1 : 0;
}

}  // namespace

int ReadEntryBytes(TiffSource& source, const TiffEntry& e, bool be, void* out, size_t bytes) {
    if (bytes == 0) return K_OK;
    if (e.Bytes() <= 4) {
        if (bytes > 4) return K_ERR_READ;
        std::memcpy(out, e.value, bytes);
        return K_OK;
    }
    return source.ReadAt(Get32(e.value, be), out, bytes);
}

int ReadTiffHeader(TiffSource& source, TiffHeader* header) {
    unsigned char h[8];
    if (source.size() < 8 || source.ReadAt(0, h, 8) != K_OK) return 0;
    bool be;
    if (h[0] == 'I' && h[1] == 'I')
        be = false;
    else if (h[0] == 'M' && h[1] == 'M')
        be = true;
    else
        return 0;
    if (Get16(h + 2, be) != 42) return 0;
    header->bigEndian = be;
    header->firstDirectory = Get32(h + 4, be);
    return 1;
}

uint32_t NextTiffDirectory(TiffSource& source, bool be, uint32_t offset) {
    unsigned char b[4];
    if (offset < 8 || source.ReadAt(offset, b, 2) != K_OK) return 0;
    const uint64_t at = static_cast<uint64_t>(offset) + 2 + 12ull * Get16(b, be);
    if (at + 4 > source.size() || source.ReadAt(static_cast<uint32_t>(at), b, 4) != K_OK) return 0;
    uint32_t next = Get32(b, be);
    // The smallest directory (a count, no entries, a next offset) must fit.
    return next >= 8 && static_cast<uint64_t>(next) + 6 <= source.size() ? next : 0;
}

int ReadTiffDirectory(TiffSource& source, bool be, uint32_t offset, bool full, TiffDirectory* d) {
    unsigned char b[4];
    if (offset < 8 || source.ReadAt(offset, b, 2) != K_OK) return 0;
    const uint32_t entries = Get16(b, be);
    if (entries == 0) return 0;
    const uint64_t tableBytes = 12ull * entries;
    if (offset + 2 + tableBytes > source.size()) return 0;
    GlobalBuffer table(static_cast<size_t>(tableBytes));
    if (!table) return K_ERR_MEMORY;
    if (source.ReadAt(offset + 2, table.get(), static_cast<size_t>(tableBytes)) != K_OK) return 0;

    d->Reset();
    d->bigEndian = be;
    d->position = offset;
    d->next = NextTiffDirectory(source, be, offset);
    bool haveTileWidth = false, haveWidth = false, haveHeight = false;
    TiffEntry offsetsEntry, countsEntry;
    bool haveOffsets = false, haveCounts = false;
    for (uint32_t i = 0; i < entries; ++i) {
        const TiffEntry e = ParseEntry(table.get() + 12 * i, be);
        if (e.tag == kXResolution) d->xResolution = ReadRational(source, e, be);
        if (e.tag == kYResolution) d->yResolution = ReadRational(source, e, be);
        if (!Integral(e) || e.count == 0) continue;
        const uint32_t v = FirstValue(source, e, be);
        switch (e.tag) {
            case kImageWidth:
                d->width = static_cast<int>(std::min<uint32_t>(v, 0x7FFFFFFF));
                haveWidth = true;
                break;
            case kImageLength:
                d->height = static_cast<int>(std::min<uint32_t>(v, 0x7FFFFFFF));
                haveHeight = true;
                break;
            case kBitsPerSample: {
                uint32_t values[8] = {};
                const uint32_t n = std::min<uint32_t>(e.count, 8);
                if (ReadValues(source, e, be, values, n) != K_OK) break;
                d->bitsPerSample = static_cast<int>(std::min<uint32_t>(values[0], 64));
                d->mixedBits = false;
                for (uint32_t k = 1; k < n; ++k)
                    if (values[k] != values[0]) d->mixedBits = true;
                break;
            }
            case kCompression:
                d->compression = static_cast<int>(v);
                break;
            case kOrientation:
                d->orientation = static_cast<int>(v);
                break;
            case kSamplesPerPixel:
                d->samplesPerPixel = static_cast<int>(std::min<uint32_t>(v, 1024));
                break;
            case kGrayResponseUnit:
                d->grayResponseUnit = static_cast<int>(v);
                break;
            case kResolutionUnit:
                d->resolutionUnit = static_cast<int>(v);
                break;
            case kPhotometric:
                d->photometric = static_cast<int>(v);
                break;
            default:
                break;
        }
        if (!full) continue;
        switch (e.tag) {
            case kFillOrder:
                d->fillOrder = static_cast<int>(v);
                break;
            case kStripOffsets:
            case kTileOffsets:
                offsetsEntry = e;
                haveOffsets = true;
                break;
            case kStripByteCounts:
            case kTileByteCounts:
                countsEntry = e;
                haveCounts = true;
                break;
            case kRowsPerStrip:
                if (!d->tiled) d->rowsPerStrip = v;
                break;
            case kTileLength:
                d->tileLength = v;
                break;
            case kPlanarConfiguration:
                d->planar = static_cast<int>(v);
                break;
            case kT4Options:
                d->t4Options = v;
                break;
            case kT6Options:
                d->t6Options = v;
                break;
            case kPredictor:
                d->predictor = static_cast<int>(v);
                break;
            case kColorMap:
                // A colour map holds three values per colour; a shorter one is none.
                if (e.type == kShort && e.count >= 3 && e.Bytes() <= source.size()) {
                    d->colorMapOffset = Get32(e.value, be);
                    d->colorMapCount = e.count;
                }
                break;
            case kTileWidth:
                d->tileWidth = v;
                haveTileWidth = true;
                break;
            case kExtraSamples:
                d->extraSamples = static_cast<int>(std::min<uint32_t>(e.count, 1024));
                break;
            default:
                break;
        }
    }
    // CCITT pages are bilevel whatever BitsPerSample says.
    if (d->compression == 2 || d->compression == 3 || d->compression == 4) d->bitsPerSample = 1;
    if (haveWidth && haveHeight && d->resolutionUnit == 3) {
        d->xResolution = static_cast<uint32_t>((static_cast<uint64_t>(d->xResolution) * 254 + 50) / 100);
        d->yResolution = static_cast<uint32_t>((static_cast<uint64_t>(d->yResolution) * 254 + 50) / 100);
    }
    if (!full) return 1;

    d->tiled = haveTileWidth;
    if (d->tiled) {
        d->rowsPerStrip = d->tileLength;
    } else {
        d->tileWidth = d->width > 0 ? static_cast<uint32_t>(d->width) : 0;
    }
    if (haveOffsets) {
        int r = ReadTable(source, offsetsEntry, be, &d->offsets);
        if (r != 1) return r;
    }
    if (haveCounts && haveOffsets && countsEntry.count == offsetsEntry.count) {
        int r = ReadTable(source, countsEntry, be, &d->byteCounts);
        if (r != 1) return r;
        d->byteCountsGiven = true;
    } else if (haveOffsets) {
        // Without byte counts (or with a table of another length) every
        // strip may run to the end of the file.
        if (!d->byteCounts.Allocate(d->offsets.count())) return K_ERR_MEMORY;
        for (uint32_t i = 0; i < d->offsets.count(); ++i)
            d->byteCounts.get()[i] = d->offsets[i] < source.size() ? source.size() - d->offsets[i] : 0;
    }
    return 1;
}

TiffChain::TiffChain(TiffSource& source, const TiffHeader& header)
    : source_(source), bigEndian_(header.bigEndian), current_(header.firstDirectory), tortoise_(header.firstDirectory) {
    seen_[seenCount_++] = current_;
}

bool TiffChain::Advance() {
    const uint32_t next = NextTiffDirectory(source_, bigEndian_, current_);
    if (next == 0) return false;
    // Brent's cycle test: the tortoise jumps to the hare at powers of two.
    if (next == tortoise_ || std::find(seen_, seen_ + seenCount_, next) != seen_ + seenCount_) {
        looped_ = true;
        return false;
    }
    if (seenCount_ < 64) seen_[seenCount_++] = next;
    previous_ = current_;
    current_ = next;
    ++page_;
    if (++steps_ == power_) {
        tortoise_ = current_;
        power_ *= 2;
        steps_ = 0;
    }
    return true;
}

int WalkToTiffPage(TiffSource& source, const TiffHeader& header, int page, bool full, TiffDirectory* d) {
    TiffChain chain(source, header);
    while (chain.page() < page && chain.Advance()) {}
    int r = ReadTiffDirectory(source, header.bigEndian, chain.current(), full, d);
    if (r == K_ERR_MEMORY) return -1;
    if (r == 1) return chain.page();
    // A page that cannot be read ends the walk at the one before it.
    if (chain.page() == 1) return 0;
    r = ReadTiffDirectory(source, header.bigEndian, chain.previous(), full, d);
    if (r == K_ERR_MEMORY) return -1;
    return r == 1 ? chain.page() - 1 : 0;
}

int FindTiffEntry(TiffSource& source, bool be, uint32_t offset, uint16_t tag, TiffEntry* entry) {
    unsigned char b[12];
    if (source.ReadAt(offset, b, 2) != K_OK) return K_ERR_READ;
    const uint32_t entries = Get16(b, be);
    for (uint32_t i = 0; i < entries; ++i) {
        if (source.ReadAt(offset + 2 + 12 * i, b, 12) != K_OK) return K_ERR_READ;
        TiffEntry e = ParseEntry(b, be);
        if (e.tag == tag) {
            *entry = e;
            return 1;
        }
    }
    return 0;
}
