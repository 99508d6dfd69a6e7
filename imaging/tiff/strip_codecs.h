// The strip decoders of the TIFF reader, one row per compression. A
// decoder is made once per page (per plane for separate planes) and then
// started on each strip or tile in turn; it hands out exactly the decoded
// bytes asked for. A compression joins by adding its row to the table in
// strip_codecs.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tiff/lzw.h"
#include "tiff/tiff_directory.h"
#include "tiff/tiff_source.h"

class StripDecoder {
public:
    virtual ~StripDecoder() = default;
    // The strip's coded bytes: count bytes at offset (already bounded by
    // the file). 1 or a negative code.
    virtual int Begin(uint32_t offset, uint32_t count) = 0;
    // Exactly size decoded bytes into out: 1 or a negative code (-7 when
    // the strip's data ends first).
    virtual int Read(unsigned char* out, size_t size) = 0;
};

// Makes the decoder of a page (null when there is no memory). rowBytes is
// the size of one row of a strip or tile (of one plane when separate).
using StripDecoderFactory = StripDecoder* (*)(TiffSource& source, const TiffDirectory& page, size_t rowBytes);

struct StripCodec {
    int compression;
    const char* name;            // the probe's compression name
    int formatCode;              // what the probe reports
    StripDecoderFactory create;  // null: reported, but not read here (-15)
};

// The decoder of CCITT pages (compressions 2, 3 and 4), in ccitt_strips.cpp.
StripDecoder* MakeFaxStripDecoder(TiffSource& source, const TiffDirectory& page, size_t rowBytes);

// The row of a compression, or null when it is not a TIFF compression the
// library knows.
const StripCodec* FindStripCodec(int compression);

// The coded bytes of one strip, read from the file in blocks.
class StripChunks : public ChunkSource {
public:
    explicit StripChunks(TiffSource& source) : source_(source) {}
    ~StripChunks() override;
    StripChunks(const StripChunks&) = delete;
    StripChunks& operator=(const StripChunks&) = delete;
    // A block of up to this many bytes is read at a time.
    static constexpr size_t kBlock = 65536;
    // 1, or -1 when the block cannot be allocated (only with blocks: a
    // caller that takes its bytes with ReadInto needs none).
    int Begin(uint32_t offset, uint32_t count, bool blocks = true);
    int Next(const unsigned char** data, size_t* size) override;
    // Up to count bytes straight into out: the number read (0 at the end of
    // the strip), or a negative code.
    int ReadInto(unsigned char* out, size_t count);
    // FillOrder 2: the bits of every byte come lowest first.
    void ReverseBits(bool reverse) { reverse_ = reverse; }

private:
    TiffSource& source_;
    bool reverse_ = false;
    unsigned char* buffer_ = nullptr;
    size_t capacity_ = 0;
    uint32_t position_ = 0;
    uint32_t left_ = 0;
};
