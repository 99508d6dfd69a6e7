// Writing TIFF directories: the header of a new file, one directory with its
// values and strip tables in ascending tag order, the strip tables patched
// once the coded strips are known, and a file opened to take one more page.
#pragma once

#include <cstdint>

#include "io/output.h"
#include "volkg.h"

// Values in the byte order of the file being written.
struct TiffByteOrder {
    bool bigEndian = false;
    void Put16(unsigned char* p, uint32_t v) const;
    void Put32(unsigned char* p, uint32_t v) const;
};

struct TiffPageSpec {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 8;  // 1, 4, 8 (one sample) or 24 (RGB)
    int compression = 1;
    int photometric = 1;
    const RGBQUAD* palette = nullptr;  // ColorMap of 1 << bits entries (2 to 8 bits)
    uint32_t stripCount = 1;
    const uint32_t* byteCounts = nullptr;  // null: 0 each, for a patch later
    uint32_t rowsPerStrip = 0;
    int xResolution = 0;
    int yResolution = 0;
    // CCITT pages: FillOrder, and T4Options (compression 3) or T6Options
    // (compression 4), are written when fillOrder is not 0.
    int fillOrder = 0;
    uint32_t t4Options = 0;
    uint32_t t6Options = 0;
};

// Where a written directory put what a later patch needs.
struct TiffDirectoryPlace {
    uint32_t directory = 0;  // offset of its entry count
    uint32_t nextField = 0;  // offset of its next-directory offset
    uint32_t data = 0;       // where the strips follow
    uint32_t offsetsAt = 0;  // the StripOffsets value, or its table
    uint32_t countsAt = 0;   // the StripByteCounts value, or its table
    uint32_t stripCount = 0;
};

// "II", 42 and the first directory at 8 (or "MM" in big-endian): 1 or -5.
int WriteTiffHeader(Output& out, TiffByteOrder order);
// One directory at the output's position (even), with the comments of the
// comment table; the strips are to follow at place->data. 1, -1, -5.
int WriteTiffDirectory(Output& out, TiffByteOrder order, const TiffPageSpec& spec, TiffDirectoryPlace* place);
// The strip offsets (consecutive from place.data) and byte counts of a
// written directory: 1, -4 or -5.
int PatchTiffStrips(Output& out, TiffByteOrder order, const TiffDirectoryPlace& place, const uint32_t* byteCounts);

// A file opened for writing one page: a new file (truncated), or with
// append an existing TIFF whose last directory now points to the end,
// where the new one goes (written in the file's byte order).
// The file is updated in place only by Finish: a page that fails leaves
// the old file as it was.
class TiffPageFile {
public:
    // 1; -14 when the file can be neither created nor opened for writing;
    // -9 when the existing file is no TIFF or its chain loops; -4, -5, -7.
    int Open(const char* name, bool append);
    Output& out() { return out_; }
    TiffByteOrder order() const { return order_; }
    bool isNew() const { return new_; }
    int Finish() { return out_.Finish(); }

private:
    Output out_;
    TiffByteOrder order_;
    bool new_ = true;
};
