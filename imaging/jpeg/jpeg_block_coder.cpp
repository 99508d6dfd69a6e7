// Huffman coding of one block: the DC difference by its size category, then
// runs of zeros and AC coefficients, ZRL for every 16 zeros, EOB at the end.
#include "jpeg/jpeg_block_coder.h"

namespace {

// Size category: the number of bits of a magnitude (0 for 0).
inline int Category(unsigned magnitude) { return magnitude ? 32 - __builtin_clz(magnitude) : 0; }

}  // namespace

void BitWriter::Finish() {
    int held = 32 - free_;
    int pad = (8 - held % 8) % 8;
    if (pad) Put((1u << pad) - 1, pad);
    held = 32 - free_;
    uint32_t v = held ? acc_ << free_ : 0;
    for (int i = 0; i < held / 8; ++i) EmitByte(static_cast<uint8_t>(v >> (24 - 8 * i)));
    acc_ = 0;
    free_ = 32;
}

void EncodeBlock(BitWriter& writer, const int16_t zigzag[64], int* prediction, const HuffmanCodeTable& dc,
                 const HuffmanCodeTable& ac) {
    int diff = zigzag[0] - *prediction;
    *prediction = zigzag[0];
    int magnitude = diff < 0 ? -diff : diff;
    if (diff < 0) --diff;  // negative values are sent as the low bits of value - 1
    int bits = Category(static_cast<unsigned>(magnitude));
    writer.Put((static_cast<uint32_t>(dc.code[bits]) << bits) | (static_cast<uint32_t>(diff) & ((1u << bits) - 1)),
               dc.length[bits] + bits);

    int run = 0;
    for (int k = 1; k < 64; ++k) {
        int v = zigzag[k];
        if (v == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            writer.Put(ac.code[0xF0], ac.length[0xF0]);
            run -= 16;
        }
        magnitude = v < 0 ? -v : v;
        if (v < 0) --v;
        bits = Category(static_cast<unsigned>(magnitude));
        int symbol = (run << 4) | bits;
        writer.Put((static_cast<uint32_t>(ac.code[symbol]) << bits) | (static_cast<uint32_t>(v) & ((1u << bits) - 1)),
                   ac.length[symbol] + bits);
        run = 0;
    }
    if (run) writer.Put(ac.code[0x00], ac.length[0x00]);
}
