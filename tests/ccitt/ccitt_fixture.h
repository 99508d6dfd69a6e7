// Helpers of the CCITT tests: coded bytes in memory both ways, 1-bit rows
// as strings of '0' and '1', and pages of rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fax/ccitt_coder.h"

// Coded bytes from memory, handed out in blocks of at most `block` bytes
// (so that codes cross block ends).
class MemoryChunks : public ChunkSource {
public:
    explicit MemoryChunks(const std::vector<uint8_t>& data, size_t block = 5) : data_(data), block_(block) {}
    int Next(const unsigned char** data, size_t* size) override {
        if (at_ >= data_.size()) return 0;
        *data = data_.data() + at_;
        *size = std::min(block_, data_.size() - at_);
        at_ += *size;
        return 1;
    }

private:
    const std::vector<uint8_t>& data_;
    size_t block_;
    size_t at_ = 0;
};

// Collects coded bytes; fails every write from the limit-th byte on when set.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(size_t limit = SIZE_MAX) : limit_(limit) {}
    int Byte(int value) override {
        if (bytes.size() >= limit_) return -5;
        bytes.push_back(static_cast<uint8_t>(value));
        return 1;
    }
    std::vector<uint8_t> bytes;

private:
    size_t limit_;
};

using Page = std::vector<std::vector<uint8_t>>;

inline int RowBytes(int width) { return (width + 7) / 8; }

// A row from a pattern of '0' (white) and '1' (black), one per pixel.
inline std::vector<uint8_t> RowOf(const std::string& pixels) {
    std::vector<uint8_t> row(RowBytes(static_cast<int>(pixels.size())));
    for (size_t x = 0; x < pixels.size(); ++x)
        if (pixels[x] == '1') row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return row;
}

// Bits of coded bytes as '0' and '1', most significant first.
inline std::string BitsOf(const std::vector<uint8_t>& bytes) {
    std::string s;
    for (uint8_t b : bytes)
        for (int i = 7; i >= 0; --i) s += (b >> i & 1) ? '1' : '0';
    return s;
}

// Bytes from a string of '0' and '1', padded with 0 bits.
inline std::vector<uint8_t> BytesOf(const std::string& bits) {
    std::vector<uint8_t> out((bits.size() + 7) / 8);
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1') out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return out;
}

// Pixels past the width zeroed, as the decoder leaves them.
inline void ClearPadding(std::vector<uint8_t>& row, int width) {
    if (width % 8) row.back() &= static_cast<uint8_t>(0xFF << (8 - width % 8));
}

inline std::vector<uint8_t> Encode(const FaxOptions& o, const Page& page) {
    MemorySink sink;
    FaxEncoder e;
    if (e.Start(o, &sink) != 1) return {};
    for (const auto& row : page) e.EncodeRow(row.data());
    e.Finish();
    return sink.bytes;
}

// Decodes rows rows; *result gets the first result other than 1 (or 1).
inline Page Decode(const FaxOptions& o, const std::vector<uint8_t>& data, int rows, int* result = nullptr,
                   size_t block = 5) {
    Page page;
    FaxDecoder d;
    MemoryChunks in(data, block);
    int r = d.Init(o);
    if (r == 1) r = d.Start(&in);
    for (int y = 0; y < rows && r == 1; ++y) {
        std::vector<uint8_t> row(RowBytes(o.width));
        r = d.DecodeRow(row.data());
        page.push_back(row);
    }
    if (result) *result = r;
    return page;
}
