// Baseline Huffman coding of quantised blocks (ITU-T T.81 F.1.2) through a
// big-endian bit writer with byte stuffing.
#pragma once

#include <cstdint>

#include "jpeg/huffman_builder.h"

// Most bytes one block can take, stuffing included.
constexpr int kMaxBlockBytes = 512;

class BitWriter {
public:
    // Bytes go to out; the caller keeps kMaxBlockBytes free before each block.
    void Start(uint8_t* out) {
        out_ = out;
        acc_ = 0;
        free_ = 32;
    }
    uint8_t* Position() const { return out_; }
    void Rebase(uint8_t* out) { out_ = out; }

    // The low size bits of bits (no bits above them), size at most 27.
    void Put(uint32_t bits, int size) {
        if (size < free_) {
            acc_ = (acc_ << size) | bits;
            free_ -= size;
            return;
        }
        int over = size - free_;
        Emit((acc_ << free_) | (bits >> over));
        acc_ = bits;  // bits above the low `over` ones leave with later shifts
        free_ = 32 - over;
    }

    // Completes the last byte with 1-bits, as T.81 wants, and writes every
    // bit still held.
    void Finish();

private:
    void Emit(uint32_t v) {
        // Fast path: no 0xFF byte, so nothing to stuff.
        uint32_t inverted = ~v;
        if (((inverted - 0x01010101u) & ~inverted & 0x80808080u) == 0) {
            out_[0] = static_cast<uint8_t>(v >> 24);
            out_[1] = static_cast<uint8_t>(v >> 16);
            out_[2] = static_cast<uint8_t>(v >> 8);
            out_[3] = static_cast<uint8_t>(v);
            out_ += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8) EmitByte(static_cast<uint8_t>(v >> shift));
    }
    void EmitByte(uint8_t b) {
        *out_++ = b;
        if (b == 0xFF) *out_++ = 0;
    }

    uint8_t* out_ = nullptr;
    uint32_t acc_ = 0;
    int free_ = 32;
};

// Codes one block (64 coefficients in zigzag order) with its component's
// DC prediction, which becomes the block's DC.
void EncodeBlock(BitWriter& writer, const int16_t zigzag[64], int* prediction, const HuffmanCodeTable& dc,
                 const HuffmanCodeTable& ac);
