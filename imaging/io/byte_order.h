// Fields of either byte order in a block of bytes already read (a header
// buffer), and a view of such a block that knows its own length.
#pragma once

#include <cstddef>
#include <cstdint>

inline int Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
inline int32_t Le32(const unsigned char* p) {
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}
inline int Be16(const unsigned char* p) { return p[0] << 8 | p[1]; }
inline uint32_t Be32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
inline void PutLe16(unsigned char* p, int v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutLe32(unsigned char* p, uint32_t v) {
    PutLe16(p, static_cast<int>(v & 0xFFFF));
    PutLe16(p + 2, static_cast<int>(v >> 16));
}
inline void PutBe16(unsigned char* p, int v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}
inline void PutBe32(unsigned char* p, uint32_t v) {
    PutBe16(p, static_cast<int>(v >> 16));
    PutBe16(p + 2, static_cast<int>(v & 0xFFFF));
}

// A header block: fields past its end read as 0 (test Has first where it
// matters).
class ByteView {
public:
    ByteView(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
    uint8_t U8(size_t at) const { return Has(at, 1) ? data_[at] : 0; }
    uint16_t U16LE(size_t at) const { return Has(at, 2) ? static_cast<uint16_t>(Le16(data_ + at)) : 0; }
    uint32_t U32LE(size_t at) const { return Has(at, 4) ? static_cast<uint32_t>(Le32(data_ + at)) : 0; }
    int32_t I32LE(size_t at) const { return static_cast<int32_t>(U32LE(at)); }
    uint16_t U16BE(size_t at) const { return Has(at, 2) ? static_cast<uint16_t>(Be16(data_ + at)) : 0; }
    uint32_t U32BE(size_t at) const { return Has(at, 4) ? Be32(data_ + at) : 0; }
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const unsigned char* data_;
    size_t size_;
};
