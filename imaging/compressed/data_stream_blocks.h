// The block residual coder of the compressed-data stream: bytes in blocks
// of 64, each block's common low zero bits taken off, differences of order
// 0 to 3 (the cheapest wins), residuals as Rice codes; the bits, most
// significant first, go through the LZSS byte coder.
#pragma once

#include <cstdint>

#include "compressed/lzss_coder.h"

namespace datastream {

constexpr int kBlock = 64;
constexpr int kShiftEscape = 4;  // Rice2(4) before a new shift
constexpr int kMaxShift = 8;     // 8: every byte of the block is 0
constexpr int kMaxOrder = 3;
// The largest Rice parameter: a block's mean cost is at most 128.
constexpr int kMaxRiceK = 8;

class BlockEncoder {
public:
    // 1, or -1 when the byte coder cannot allocate.
    int Start(lzss::ByteSink sink, void* context);
    void Write(const uint8_t* bytes, int count);
    // Codes the last block, pads the bits and finishes the byte coder; a
    // second call does nothing. 1.
    int End();
    // Frees without coding what is left.
    void Free();
    bool started() const { return lz_.started(); }

private:
    void EncodeBlock();
    void PutBit(int bit) {
        if (bit) acc_ |= mask_;
        mask_ >>= 1;
        if (mask_ == 0) {
            lz_.Encode(&acc_, 1);
            acc_ = 0;
            mask_ = 0x80;
        }
    }
    void PutZeros(int n) {
        for (int i = 0; i < n; ++i) PutBit(0);
    }
    void PutBits(unsigned value, int n) {
        for (int i = n - 1; i >= 0; --i) PutBit((value >> i) & 1);
    }
    void PutRice2(int v) {
        PutZeros(v >> 2);
        PutBit(1);
        PutBits(static_cast<unsigned>(v) & 3, 2);
    }

    lzss::Encoder lz_;
    uint8_t block_[kBlock] = {};
    uint8_t best_[kBlock] = {};
    int fill_ = 0;
    int shift_ = 0;
    uint8_t carried_[kMaxOrder + 1] = {};
    uint8_t acc_ = 0, mask_ = 0x80;
};

class BlockDecoder {
public:
    // total: the bytes the stream holds. 1, or -1.
    int Start(lzss::ByteSource source, void* context, int64_t total);
    // count decoded bytes into out: 1, or -7 for damaged data (or when
    // *stop, the stream's status, turns to a failure).
    int Read(uint8_t* out, int count, const int* stop);
    void End();

private:
    int DecodeBlock();
    // The bits of the byte coder's output in a left-aligned window; a byte
    // is taken only when a bit of it is needed.
    void Need(int n) {  // n <= 25
        while (count_ < n) {
            window_ |= static_cast<uint32_t>(lz_.DecodeByte()) << (24 - count_);
            count_ += 8;
        }
    }
    int GetBit() {
        Need(1);
        const int bit = static_cast<int>(window_ >> 31);
        window_ <<= 1;
        --count_;
        return bit;
    }
    unsigned GetBits(int n) {
        if (n == 0) return 0;
        Need(n);
        const unsigned v = window_ >> (32 - n);
        window_ <<= n;
        count_ -= n;
        return v;
    }
    // Zero bits before a one bit, or -1 past limit.
    int GetUnary(int limit) {
        int n = 0;
        for (;;) {
            if (window_ != 0) {  // bits past count_ are 0, so the one lies within
                const int zeros = __builtin_clz(window_);
                n += zeros;
                if (n > limit) return -1;
                window_ <<= zeros;
                window_ <<= 1;
                count_ -= zeros + 1;
                return n;
            }
            n += count_;
            count_ = 0;
            if (n > limit) return -1;
            Need(8);
        }
    }
    int GetRice2() {
        const int q = GetUnary(2);  // values 0..11 at most
        if (q < 0) return -1;
        return q << 2 | static_cast<int>(GetBits(2));
    }

    lzss::Decoder lz_;
    uint8_t block_[kBlock] = {};
    int pos_ = 0, end_ = 0;
    int64_t remaining_ = 0;
    int shift_ = 0;
    uint8_t carried_[kMaxOrder + 1] = {};
    uint32_t window_ = 0;
    int count_ = 0;
};

}  // namespace datastream
