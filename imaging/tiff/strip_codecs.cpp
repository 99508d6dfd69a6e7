// Strip decoders: none, LZW and PackBits; the CCITT rows come with their
// coder.
#include "tiff/strip_codecs.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "core/memory.h"

StripChunks::~StripChunks() { FreeGlobalLocked(buffer_); }

int StripChunks::Begin(uint32_t offset, uint32_t count) {
    position_ = offset;
    left_ = count;
    const size_t want = std::min<size_t>(std::max<uint32_t>(count, 1), kBlock);
    if (capacity_ < want) {
        FreeGlobalLocked(buffer_);
        buffer_ = static_cast<unsigned char*>(AllocGlobalLocked(want));
        capacity_ = buffer_ ? want : 0;
        if (!buffer_) return K_ERR_MEMORY;
    }
    return K_OK;
}

int StripChunks::Next(const unsigned char** data, size_t* size) {
    if (left_ == 0) return 0;
    const size_t n = std::min<size_t>(left_, capacity_);
    int r = source_.ReadAt(position_, buffer_, n);
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
        for (size_t i = 0; i < n; ++i) buffer_[i] = kReversed.v[buffer_[i]];
    }
    *data = buffer_;
    *size = n;
    return 1;
}

namespace {

// Serves the strip's bytes one block at a time.
class BlockReader {
public:
    BlockReader(TiffSource& source, bool reverse) : chunks_(source) { chunks_.ReverseBits(reverse); }
    int Begin(uint32_t offset, uint32_t count) {
        p_ = end_ = nullptr;
        error_ = 0;
        return chunks_.Begin(offset, count);
    }
    // Bytes available now (refilled when empty); 0 at the end.
    size_t Available() {
        if (p_ == end_) {
            const unsigned char* data;
            size_t size;
            int r = chunks_.Next(&data, &size);
            if (r != 1) {
                error_ = r < 0 ? r : K_ERR_READ;
                return 0;
            }
            p_ = data;
            end_ = data + size;
        }
        return static_cast<size_t>(end_ - p_);
    }
    int error() const { return error_ ? error_ : K_ERR_READ; }
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;

private:
    StripChunks chunks_;
    int error_ = 0;
};

class RawDecoder : public StripDecoder {
public:
    RawDecoder(TiffSource& source, bool reverse) : in_(source, reverse) {}
    int Begin(uint32_t offset, uint32_t count) override { return in_.Begin(offset, count); }
    int Read(unsigned char* out, size_t size) override {
        while (size) {
            const size_t n = std::min(size, in_.Available());
            if (n == 0) return in_.error();
            std::memcpy(out, in_.p_, n);
            in_.p_ += n;
            out += n;
            size -= n;
        }
        return K_OK;
    }

private:
    BlockReader in_;
};

// PackBits: a literal run of n + 1 bytes (n 0..127), a repeat of one byte
// 257 - n times (n 129..255), 128 a no-op. A run that goes past the end of
// a request carries on into the next one, as when the strip is decoded
// whole.
class PackBitsDecoder : public StripDecoder {
public:
    PackBitsDecoder(TiffSource& source, bool reverse) : in_(source, reverse) {}
    int Begin(uint32_t offset, uint32_t count) override {
        literal_ = repeat_ = 0;
        return in_.Begin(offset, count);
    }
    int Read(unsigned char* out, size_t size) override {
        while (size) {
            if (repeat_) {
                const size_t n = std::min(size, repeat_);
                std::memset(out, value_, n);
                out += n;
                size -= n;
                repeat_ -= n;
                continue;
            }
            if (literal_) {
                const size_t n = std::min({size, literal_, in_.Available()});
                if (n == 0) return in_.error();
                std::memcpy(out, in_.p_, n);
                in_.p_ += n;
                out += n;
                size -= n;
                literal_ -= n;
                continue;
            }
            if (!in_.Available()) return in_.error();
            const int control = *in_.p_++;
            if (control < 128) {
                literal_ = static_cast<size_t>(control) + 1;
            } else if (control > 128) {
                if (!in_.Available()) return in_.error();
                value_ = *in_.p_++;
                repeat_ = static_cast<size_t>(257 - control);
            }
        }
        return K_OK;
    }

private:
    BlockReader in_;
    size_t literal_ = 0;
    size_t repeat_ = 0;
    unsigned char value_ = 0;
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
    {1, "None", K_FORMAT_TIFF, MakeRaw},
    {2, "CCITT", K_FORMAT_TIFF, nullptr},
    {3, "CCITT Group 3 Fax", K_FORMAT_TIFF, nullptr},
    {4, "CCITT Group 4 Fax", K_FORMAT_TIFF, nullptr},
    {5, "LZW", K_FORMAT_TIFF, MakeLzw},
    // Read by the JPEG decoder.
    {6, "JPEG", K_FORMAT_TIFF_JPEG, nullptr},
    {32773, "Run Length", K_FORMAT_TIFF, MakePackBits},
};

}  // namespace

const StripCodec* FindStripCodec(int compression) {
    for (const StripCodec& c : kStripCodecs)
        if (c.compression == compression) return &c;
    return nullptr;
}
