// The TIFF container as the readers see it: the header in both byte orders,
// image file directories and their entries, and the walk along the page
// chain. Every count and offset taken from the file is bounded by the
// file's size before anything is allocated or read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/memory.h"
#include "tiff/tiff_source.h"

namespace tiff {

// Tags the library reads or writes.
enum Tag : uint16_t {
    kSubfileType = 255,
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kFillOrder = 266,
    kDocumentName = 269,
    kImageDescription = 270,
    kMake = 271,
    kModel = 272,
    kStripOffsets = 273,
    kOrientation = 274,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kPlanarConfiguration = 284,
    kPageName = 285,
    kGrayResponseUnit = 290,
    kT4Options = 292,
    kT6Options = 293,
    kResolutionUnit = 296,
    kSoftware = 305,
    kDateTime = 306,
    kArtist = 315,
    kHostComputer = 316,
    kPredictor = 317,
    kColorMap = 320,
    kTileWidth = 322,
    kTileLength = 323,
    kTileOffsets = 324,
    kTileByteCounts = 325,
    kExtraSamples = 338,
    kCopyright = 33432,
};

enum Type : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

// Bytes of one value of a type (0 for types the library does not know).
int TypeSize(int type);

// The ASCII tag of each comment index 0..9.
extern const uint16_t kCommentTags[10];

}  // namespace tiff

struct TiffHeader {
    bool bigEndian = false;
    uint32_t firstDirectory = 0;
};

// One 12-byte entry, in host order; value holds the raw value field.
struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    unsigned char value[4] = {};
    // Bytes of all values; above 4 they stand at Offset().
    uint64_t Bytes() const { return static_cast<uint64_t>(count) * tiff::TypeSize(type); }
};

// A block of 32-bit values in working memory.
class TiffArray {
public:
    TiffArray() = default;
    ~TiffArray() { FreeGlobalLocked(p_); }
    TiffArray(const TiffArray&) = delete;
    TiffArray& operator=(const TiffArray&) = delete;
    void Free() {
        FreeGlobalLocked(p_);
        p_ = nullptr;
        count_ = 0;
    }
    bool Allocate(uint32_t count) {
        FreeGlobalLocked(p_);
        p_ = static_cast<uint32_t*>(AllocGlobalLockedExt(static_cast<size_t>(count) * 4 + 4, 1));
        count_ = p_ ? count : 0;
        return p_ != nullptr;
    }
    uint32_t* get() const { return p_; }
    uint32_t count() const { return count_; }
    uint32_t operator[](uint32_t i) const { return p_[i]; }

private:
    uint32_t* p_ = nullptr;
    uint32_t count_ = 0;
};

// What the library takes from one directory; the default is what a field
// holds when its tag is absent.
struct TiffFields {
    bool bigEndian = false;
    uint32_t position = 0;  // offset of the entry count
    uint32_t next = 0;      // offset of the next directory, 0 for the last
    int width = -1;
    int height = -1;
    int bitsPerSample = 1;   // first value of BitsPerSample
    bool mixedBits = false;  // its values differ
    int samplesPerPixel = 1;
    int compression = 1;
    int photometric = -1;  // absent
    int planar = 1;
    int orientation = 1;
    int predictor = 1;
    int fillOrder = 1;
    uint32_t t4Options = 0;
    uint32_t t6Options = 0;
    uint32_t rowsPerStrip = 0;  // 0: one strip holds every row
    bool tiled = false;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
    uint32_t colorMapOffset = 0;
    uint32_t colorMapCount = 0;  // values (3 per colour)
    uint32_t xResolution = 0;    // dots per inch (per centimetre converted)
    uint32_t yResolution = 0;
    int resolutionUnit = 2;
    int grayResponseUnit = 0;
    int extraSamples = 0;
    bool byteCountsGiven = false;
};

struct TiffDirectory : TiffFields {
    void Reset() {
        static_cast<TiffFields&>(*this) = TiffFields{};
        offsets.Free();
        byteCounts.Free();
    }
    // Strips or tiles, with the full read only.
    TiffArray offsets;
    TiffArray byteCounts;
};

// The 8-byte header: 1, or 0 when it is not a TIFF header.
int ReadTiffHeader(TiffSource& source, TiffHeader* header);
// The directory at offset. The basic read takes the size, depth, photometric,
// compression, orientation and resolution tags; the full read also the
// layout, colour map and strip or tile tables. 1; 0 when it cannot be
// read or its tables do not fit the file; -1 no memory.
int ReadTiffDirectory(TiffSource& source, bool bigEndian, uint32_t offset, bool full, TiffDirectory* directory);
// The offset of the directory after the one at offset: 0 at the end of the
// chain (an offset outside the file or unreadable).
uint32_t NextTiffDirectory(TiffSource& source, bool bigEndian, uint32_t offset);
// The chain of directories from the first one.
class TiffChain {
public:
    TiffChain(TiffSource& source, const TiffHeader& header);
    uint32_t current() const { return current_; }
    uint32_t previous() const { return previous_; }
    int page() const { return page_; }
    // To the next directory: true; false at the end of the chain, or when
    // it comes back to a directory already passed (looped()).
    bool Advance();
    bool looped() const { return looped_; }

private:
    TiffSource& source_;
    bool bigEndian_;
    uint32_t current_;
    uint32_t previous_ = 0;
    uint32_t tortoise_;
    // The first directories passed, so that a short loop ends where it
    // starts; Brent's test catches longer ones.
    uint32_t seen_[64];
    int seenCount_ = 0;
    int page_ = 1;
    int steps_ = 0;
    int power_ = 1;
    bool looped_ = false;
};

// Walks the chain to page (1-based; 0 and 1 the first; beyond the last
// page, the last) and reads that directory. The page reached, or 0 when
// the first directory cannot be read, -1 no memory. A chain that comes
// back to a directory already passed ends there.
int WalkToTiffPage(TiffSource& source, const TiffHeader& header, int page, bool full, TiffDirectory* directory);
// The entry of a tag in the directory at offset: 1 found, 0 not there,
// -7 short read.
int FindTiffEntry(TiffSource& source, bool bigEndian, uint32_t offset, uint16_t tag, TiffEntry* entry);
// The values of an entry (inline or at its offset): 1, or -7 when they
// leave the file.
int ReadEntryBytes(TiffSource& source, const TiffEntry& entry, bool bigEndian, void* out, size_t bytes);
