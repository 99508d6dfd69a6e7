// Decoding forms of the tables: the two-level Huffman lookup and the
// dequantisation multipliers that carry the inverse DCT's scale factors.
#include <cmath>

#include "jpeg/jpeg_decoder.h"

const uint8_t kNaturalOrder[80] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41,
                                   34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30,
                                   37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
                                   // A corrupt run never leaves the block.
                                   0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 63, 63};

int BuildHuffmanLookup(const HuffmanSlot& table, int lookupBits, HuffmanLookup& out) {
    const int L = lookupBits;
    int total = 0;
    for (int c : table.counts) total += c;
    if (total > 256) return kJpegBadStream;

    uint16_t codes[256];
    uint8_t lengths[256];
    unsigned code = 0;
    int n = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < table.counts[len - 1]; ++i) {
            codes[n] = static_cast<uint16_t>(code);
            lengths[n++] = static_cast<uint8_t>(len);
            ++code;
        }
        // More codes than the length can hold: not a prefix code.
        if (code > (1u << len)) return kJpegBadStream;
        code <<= 1;
    }

    int blocks = 0;
    int lastPrefix = -1;
    for (int i = 0; i < n; ++i)
        if (lengths[i] > L) {
            int prefix = codes[i] >> (lengths[i] - L);
            if (prefix != lastPrefix) ++blocks, lastPrefix = prefix;
        }
    const int blockSize = 1 << (16 - L);
    out.lookupBits = L;
    out.entries.assign(static_cast<size_t>((1 << L) + blocks * blockSize), 0);
    int16_t* e = out.entries.data();

    int block = -1;
    lastPrefix = -1;
    for (int i = 0; i < n; ++i) {
        const int len = lengths[i];
        const int16_t value = static_cast<int16_t>(len << 8 | table.symbols[i]);
        if (len <= L) {
            int first = codes[i] << (L - len);
            for (int m = 0; m < (1 << (L - len)); ++m) e[first + m] = value;
        } else {
            int prefix = codes[i] >> (len - L);
            if (prefix != lastPrefix) {
                ++block;
                lastPrefix = prefix;
                e[prefix] = static_cast<int16_t>(0x8000 | block);
            }
            int16_t* second = e + (1 << L) + block * blockSize;
            int low = (codes[i] & ((1 << (len - L)) - 1)) << (16 - len);
            for (int m = 0; m < (1 << (16 - len)); ++m) second[low + m] = value;
        }
    }
    return K_OK;
}

void BuildFastAcLookup(HuffmanLookup& lookup) {
    const int L = lookup.lookupBits;
    lookup.fastAc.assign(static_cast<size_t>(1) << L, 0);
    for (int i = 0; i < (1 << L); ++i) {
        const int e = lookup.entries[i];
        if (e < 0) continue;
        const int length = e >> 8, run = (e >> 4) & 15, size = e & 15;
        if (size == 0 || length + size > L) continue;
        const int bits = (i >> (L - length - size)) & ((1 << size) - 1);
        const int v = bits & (1 << (size - 1)) ? bits : bits - ((1 << size) - 1);
        if (v < -128 || v > 127) continue;
        lookup.fastAc[i] = static_cast<int16_t>(v * 256 + (run << 4) + length + size);
    }
}

void BuildDequantTable(const uint8_t* zigzag, DequantTable& out) {
    static const double s[8] = {0.707107, 0.980785, 0.923880, 0.831470, 0.707107, 0.555570, 0.382683, 0.195090};
    for (int i = 0; i < 64; ++i) {
        const int p = kNaturalOrder[i];
        out.multiplier[p] = static_cast<int32_t>(std::floor(8192.0 * zigzag[i] * s[p >> 3] * s[p & 7] + 0.5));
    }
}
