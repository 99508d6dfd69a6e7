// Strip decoders: none, LZW and PackBits; the CCITT ones are in
// ccitt_strips.cpp.
#include "tiff/strip_codecs.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "core/memory.h"
#include "io/format_codes.h"
#include "io/packing.h"

StripChunks::~StripChunks() { FreeGlobalLocked(buffer_); }

int StripChunks::Begin(uint32_t offset, uint32_t count, bool blocks) {
    position_ = offset;
    left_ = count;
    if (!blocks) return K_OK;
    const size_t want = std::min<size_t>(std::max<uint32_t>(count, 1), kBlock);
    if (capacity_ < want) {
        FreeGlobalLocked(buffer_);
        buffer_ = static_cast<unsigned char*>(AllocGlobalLocked(want));
        capacity_ = buffer_ ? want : 0;
        if (!buffer_) return K_ERR_MEMORY;
    }
    return K_OK;
}

int StripChunks::ReadInto(unsigned char* out, size_t count) {
    const size_t n = std::min<size_t>(left_, count);
    if (n == 0) return 0;
    int r = source_.ReadAt(position_, out, n);
    if (r != K_OK) return r;
    position_ += static_cast<uint32_t>(n);
    left_ -= static_cast<uint32_t>(n);
    if (reverse_) {
        static const auto kReversed = [] {
            struct Table {
                unsigned char v[256];
            } t{};
            for (int i = 0; i < 256; ++i)
                for (int b = 0; b < 8; ++b)
                    if (i >> b & 1) t.v[i] |= static_cast<unsigned char>(0x80 >> b);
            return t;
        }();
        for (size_t i = 0; i < n; ++i) out[i] = kReversed.v[out[i]];
    }
    return static_cast<int>(n);
}

int StripChunks::Next(const unsigned char** data, size_t* size) {
    int n = ReadInto(buffer_, capacity_);
    if (n <= 0) return n;
    *data = buffer_;
    *size = static_cast<size_t>(n);
    return 1;
}

namespace {

// Rows come from blocks of the strip: a read call per row costs more than
// the copy out of a block (a 12000-byte row: half the time of a load).
// Separate planes are read in turn from places far apart, each plane's
// strip in blocks of its own decoder.
class RawDecoder : public StripDecoder {
public:
    RawDecoder(TiffSource& source, bool reverse) : in_(source) { in_.ReverseBits(reverse); }
    int Begin(uint32_t offset, uint32_t count) override {
        data_ = end_ = nullptr;
        return in_.Begin(offset, count);
    }
    int Read(unsigned char* out, size_t size) override {
        while (size) {
            if (data_ == end_) {
                // Rows of a block or more are read straight into place.
                if (size >= StripChunks::kBlock) {
                    int n = in_.ReadInto(out, size);
                    return n < 0 ? n : static_cast<size_t>(n) == size ? K_OK : K_ERR_READ;
                }
                size_t got = 0;
                int r = in_.Next(&data_, &got);
                if (r != 1) return r < 0 ? r : K_ERR_READ;
                end_ = data_ + got;
            }
            const size_t n = std::min(size, static_cast<size_t>(end_ - data_));
            std::memcpy(out, data_, n);
            data_ += n;
            out += n;
            size -= n;
        }
        return K_OK;
    }

private:
    StripChunks in_;
    const unsigned char* data_ = nullptr;
    const unsigned char* end_ = nullptr;
};

// PackBits through the kit's decoder, a row at a time from a window of the
// strip that always holds the most a row can take.
class PackBitsDecoder : public StripDecoder {
public:
    PackBitsDecoder(TiffSource& source, bool reverse) : in_(source) { in_.ReverseBits(reverse); }
    ~PackBitsDecoder() override { FreeGlobalLocked(window_); }
    int Begin(uint32_t offset, uint32_t count) override {
        start_ = end_ = 0;
        return in_.Begin(offset, count, false);
    }
    int Read(unsigned char* out, size_t size) override {
        // A row codes into at most this many bytes, unless no-op codes pad it.
        size_t need = static_cast<size_t>(PackBitsBound(static_cast<int>(size)));
        const size_t most = need + size + 65536;
        for (;;) {
            int r = Fill(need);
            if (r < 0) return r;
            int used = 0;
            r = PackBitsDecode(window_ + start_, static_cast<int>(end_ - start_), out, static_cast<int>(size), &used);
            // A run past the row's end is cut there.
            if (r == K_OK || r == K_ERR_FORMAT) {
                start_ += static_cast<size_t>(used);
                return K_OK;
            }
            if (end_ - start_ < need) return K_ERR_READ;  // the strip has ended
            if (need >= most) return K_ERR_FORMAT;
            need = std::min(most, need * 2);
        }
    }

private:
    // At least need bytes in the window, unless the strip ends first.
    int Fill(size_t need) {
        if (end_ - start_ >= need) return K_OK;
        if (start_) {
            std::memmove(window_, window_ + start_, end_ - start_);
            end_ -= start_;
            start_ = 0;
        }
        const size_t want = std::max(need, StripChunks::kBlock);
        if (capacity_ < want) {
            auto* bigger = static_cast<unsigned char*>(AllocGlobalLocked(want));
            if (!bigger) return K_ERR_MEMORY;
            if (end_) std::memcpy(bigger, window_, end_);
            FreeGlobalLocked(window_);
            window_ = bigger;
            capacity_ = want;
        }
        while (end_ < need) {
            int n = in_.ReadInto(window_ + end_, capacity_ - end_);
            if (n < 0) return n;
            if (n == 0) break;
            end_ += static_cast<size_t>(n);
        }
        return K_OK;
    }

    StripChunks in_;
    unsigned char* window_ = nullptr;
    size_t capacity_ = 0, start_ = 0, end_ = 0;
};

class LzwStripDecoder : public StripDecoder {
public:
    LzwStripDecoder(TiffSource& source, bool reverse) : chunks_(source) { chunks_.ReverseBits(reverse); }
    int Begin(uint32_t offset, uint32_t count) override {
        int r = chunks_.Begin(offset, count);
        if (r == K_OK) lzw_.Start(&chunks_);
        return r;
    }
    int Read(unsigned char* out, size_t size) override { return lzw_.Decode(out, size); }

private:
    StripChunks chunks_;
    LzwDecoder lzw_;
};

// FillOrder 2 reverses the bits of the coded bytes, whatever the
// compression (libtiff does the same before decoding).
StripDecoder* MakeRaw(TiffSource& source, const TiffDirectory& page, size_t) {
    return new (std::nothrow) RawDecoder(source, page.fillOrder == 2);
}
StripDecoder* MakePackBits(TiffSource& source, const TiffDirectory& page, size_t) {
    return new (std::nothrow) PackBitsDecoder(source, page.fillOrder == 2);
}
StripDecoder* MakeLzw(TiffSource& source, const TiffDirectory& page, size_t) {
    return new (std::nothrow) LzwStripDecoder(source, page.fillOrder == 2);
}

const StripCodec kStripCodecs[] = {
    {1, "None", kFormatTIFF, MakeRaw},
    {2, "CCITT", kFormatTIFF, MakeFaxStripDecoder},
    {3, "CCITT Group 3 Fax", kFormatTIFF, MakeFaxStripDecoder},
    {4, "CCITT Group 4 Fax", kFormatTIFF, MakeFaxStripDecoder},
    {5, "LZW", kFormatTIFF, MakeLzw},
    // Read by the JPEG decoder.
    {6, "JPEG", kFormatTIFFJPEG, nullptr},
    {32773, "Run Length", kFormatTIFF, MakePackBits},
};

}  // namespace

const StripCodec* FindStripCodec(int compression) {
    for (const StripCodec& c : kStripCodecs)
        if (c.compression == compression) return &c;
    return nullptr;
}
