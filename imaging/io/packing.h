// Small shared units of the codecs: packed-index access (core/packed_index.h),
// PackBits, and LSB- and MSB-first bit readers and writers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/packed_index.h"  // GetPackedIndex, SetPackedIndex, UnpackIndices, PackIndices

class Source;

// ---- PackBits (Apple's run-length coding: TIFF 32773, MacPaint, IOCA) ------

// The most bytes PackBitsEncode writes for count input bytes.
constexpr int PackBitsBound(int count) { return count + (count + 127) / 128; }
// Codes count bytes; returns the bytes written to out.
int PackBitsEncode(const uint8_t* in, int count, uint8_t* out);
// Decodes exactly outCount bytes from a block of inCount bytes: 1, -7 when
// the block ends first, or -9 when a run reaches past outCount (the row is
// filled all the same; the run is cut there). *used gets the bytes taken.
int PackBitsDecode(const uint8_t* in, int inCount, uint8_t* out, int outCount, int* used = nullptr);
// The same from a source: 1, or -7 when the data ends first.
int PackBitsDecode(Source& in, uint8_t* out, int outCount);

// ---- Bit readers and writers -----------------------------------------------

// Reads codes of up to 24 bits from blocks of bytes fed to it one after
// another (GIF sub-blocks, TIFF strips); bits left over carry on into the
// next block. MsbFirst: the first bit is a byte's top bit (CCITT, TIFF
// LZW); else its bottom bit (GIF). The bits are held in a machine word: on
// 32-bit targets 64-bit shifts cost several instructions each.
template <bool MsbFirst>
class BitReader {
public:
    void Feed(const uint8_t* data, size_t size) {
        next_ = data;
        end_ = data + size;
    }
    // Bits available now (held and still in the block).
    size_t Available() const { return count_ + 8 * static_cast<size_t>(end_ - next_); }
    // Takes n (1..24) bits into *code: false, taking nothing, when fewer are left.
    bool Read(int n, uint32_t* code) {
        if (count_ < n) {
            Refill();
            if (count_ < n) return false;
        }
        if (MsbFirst) {
            *code = static_cast<uint32_t>(held_ >> (kBits - n));
            held_ <<= n;
        } else {
            *code = static_cast<uint32_t>(held_ & ((Word{1} << n) - 1));
            held_ >>= n;
        }
        count_ -= n;
        return true;
    }
    // The next n bits without taking them; fewer than n left read as 0 bits.
    uint32_t Peek(int n) {
        if (count_ < n) Refill();
        if (MsbFirst) return static_cast<uint32_t>(held_ >> (kBits - n));
        return static_cast<uint32_t>(held_ & ((Word{1} << n) - 1));
    }
    void Drop(int n) {
        if (MsbFirst)
            held_ <<= n;
        else
            held_ >>= n;
        count_ -= n;
    }
    // Drops the bits up to the next byte boundary.
    void AlignToByte() { Drop(count_ & 7); }

private:
    using Word = uintptr_t;
    static constexpr int kBits = 8 * sizeof(Word);

    // Whole bytes while they fit: 32 bits at a time on 64-bit words.
    void Refill() {
        if (kBits == 64) {
            if (count_ <= kBits - 32 && end_ - next_ >= 4) {
                const Word v = MsbFirst ? static_cast<Word>(next_[0]) << 24 | static_cast<Word>(next_[1]) << 16 |
                                              static_cast<Word>(next_[2]) << 8 | next_[3]
                                        : static_cast<Word>(next_[0]) | static_cast<Word>(next_[1]) << 8 |
                                              static_cast<Word>(next_[2]) << 16 | static_cast<Word>(next_[3]) << 24;
                if (MsbFirst)
                    held_ |= v << (kBits - 32 - count_);
                else
                    held_ |= v << count_;
                next_ += 4;
                count_ += 32;
            }
        }
        while (count_ <= kBits - 8 && next_ < end_) {
            if (MsbFirst)
                held_ |= static_cast<Word>(*next_++) << (kBits - 8 - count_);
            else
                held_ |= static_cast<Word>(*next_++) << count_;
            count_ += 8;
        }
    }
    Word held_ = 0;
    int count_ = 0;
    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
};
using BitReaderMSB = BitReader<true>;
using BitReaderLSB = BitReader<false>;

// Writes codes of up to 24 bits to a sink with int Byte(int) (an Output,
// or a codec's own framing such as GIF sub-blocks).
template <bool MsbFirst, class Sink>
class BitWriter {
public:
    explicit BitWriter(Sink& sink) : sink_(sink) {}
    void Put(uint32_t code, int n) {
        if (MsbFirst) {
            held_ = held_ << n | (code & ((1u << n) - 1));
            count_ += n;
            while (count_ >= 8) {
                count_ -= 8;
                sink_.Byte(static_cast<int>(held_ >> count_ & 0xFF));
            }
        } else {
            held_ |= static_cast<uint64_t>(code & ((1u << n) - 1)) << count_;
            count_ += n;
            while (count_ >= 8) {
                sink_.Byte(static_cast<int>(held_ & 0xFF));
                held_ >>= 8;
                count_ -= 8;
            }
        }
    }
    // Writes the bits held, padded with 0 bits to a whole byte.
    void Flush() {
        if (count_ > 0) Put(0, 8 - count_);
        held_ = 0;
        count_ = 0;
    }

private:
    Sink& sink_;
    uint64_t held_ = 0;
    int count_ = 0;
};
