// Entropy decoding of one 8x8 block (ITU T.81 F.2.2): Huffman symbols
// through the two-level lookup, sign extension and dequantisation into
// natural order. The careful decoder refills through the input and stops
// at markers; the fast one trusts the caller's margin.
#include <cstring>

#include "jpeg/jpeg_decoder.h"

namespace {

constexpr int kDequantShift = 15 - kJpegLevelBits, kDequantHalf = 1 << (kDequantShift - 1);

// Onto the inverse DCT's scale. An 8-bit picture's AC values stay below
// 1024, where the product fits 32 bits; the rest (a large DC term at the
// finest steps, damaged data) take 64 bits and are held within 2^23, the
// inverse DCT's limit.
int32_t DequantiseWide(int v, int32_t m) {
    const int64_t d = (static_cast<int64_t>(v) * m + kDequantHalf) >> kDequantShift;
    return static_cast<int32_t>(d < -(1 << 23) ? -(1 << 23) : d > (1 << 23) ? (1 << 23) : d);
}

inline int32_t Dequantise(int v, const DequantTable& q, int p) {
    if (static_cast<unsigned>(v + 1023) > 2046u) return DequantiseWide(v, q.multiplier[p]);
    return (v * q.multiplier[p] + kDequantHalf) >> kDequantShift;
}

inline int Extend(uint32_t b, int s) {
    return b & (1u << (s - 1)) ? static_cast<int>(b) : static_cast<int>(b) - ((1 << s) - 1);
}

// buffer: the next 32 bits, the next at bit 31.
inline int Lookup(const int16_t* table, int lookupBits, uint32_t buffer) {
    int e = table[buffer >> (32 - lookupBits)];
    if (e < 0)
        e = table[(1 << lookupBits) + (e & 0x7FFF) * (1 << (16 - lookupBits)) +
                  ((buffer >> 16) & ((1u << (16 - lookupBits)) - 1))];
    return e;
}

// Fills the buffer to more than 56 bits. After a marker or at the end of
// the data the missing bits are zeros (counted: the strip loop stops a
// picture whose data ran out).
int FillCareful(JpegBitReader& r, JpegInput& in) {
    while (r.bits <= 56) {
        if (r.markerSeen || r.endOfInput) {
            r.bits += 8;
            r.padBits += 8;
            continue;
        }
        if (r.cursor == r.end) {
            in.pos() = r.cursor;
            if (!in.Refill()) {
                r.endOfInput = true;
                if (in.readError()) return in.readError();
                continue;
            }
            r.cursor = in.pos();
            r.end = in.end();
        }
        uint32_t c = *r.cursor++;
        if (c == 0xFF) {
            if (r.cursor == r.end) {
                in.pos() = r.cursor;
                if (!in.Refill()) {
                    r.endOfInput = true;
                    if (in.readError()) return in.readError();
                    continue;
                }
                r.cursor = in.pos();
                r.end = in.end();
            }
            if (*r.cursor != 0) {  // a marker: the cursor rests on its code
                r.markerSeen = true;
                continue;
            }
            ++r.cursor;
        }
        r.buffer |= static_cast<uint64_t>(c) << (56 - r.bits);
        r.bits += 8;
    }
    return K_OK;
}

// Fills the buffer to more than 56 bits: whole bytes at once when the next
// eight hold no FF, else byte by byte.
inline void FillFast(uint64_t& buffer, int& bits, const uint8_t*& cursor) {
    uint64_t word;
    std::memcpy(&word, cursor, 8);
    const uint64_t inverted = ~word;  // an FF byte becomes a zero byte
    if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0) {
        const int take = (64 - bits) >> 3;
        const int filled = bits + 8 * take;
        uint64_t next = __builtin_bswap64(word) >> bits;
        if (filled < 64) next &= ~(~0ull >> filled);
        buffer |= next;
        bits = filled;
        cursor += take;
        return;
    }
    while (bits <= 56) {
        uint64_t c = *cursor++;
        if (c == 0xFF) ++cursor;  // taken as a stuffed FF 00
        buffer |= c << (56 - bits);
        bits += 8;
    }
}

inline uint32_t Top32(uint64_t buffer) { return static_cast<uint32_t>(buffer >> 32); }

}  // namespace

int JpegDecodeBlock(JpegBitReader& r, JpegInput& in, int32_t* coef, int16_t& predictor, const JpegBlockTables& t) {
    std::memset(coef, 0, 64 * sizeof(int32_t));
#define FILL()                                                  \
    do {                                                        \
        if (int e_ = FillCareful(r, in); e_ != K_OK) return e_; \
    } while (0)
    if (r.bits < 16) FILL();
    int e = Lookup(t.dc, 11, Top32(r.buffer));
    int n = e >> 8, s = e & 15;
    r.buffer <<= n;
    r.bits -= n;
    int diff = 0;
    if (s) {
        if (r.bits < s) FILL();
        diff = Extend(static_cast<uint32_t>(r.buffer >> (64 - s)), s);
        r.buffer <<= s;
        r.bits -= s;
    }
    predictor = static_cast<int16_t>(predictor + diff);
    coef[0] = Dequantise(predictor, *t.dequant, 0);
    for (int k = 1; k < 64;) {
        if (r.bits < 16) FILL();
        e = Lookup(t.ac, 10, Top32(r.buffer));
        n = e >> 8;
        const int rs = e & 0xFF;
        r.buffer <<= n;
        r.bits -= n;
        s = rs & 15;
        if (s == 0) {
            if (rs == 0) break;  // end of block
            k += 16;
            continue;
        }
        k += rs >> 4;
        if (r.bits < s) FILL();
        const int v = Extend(static_cast<uint32_t>(r.buffer >> (64 - s)), s);
        r.buffer <<= s;
        r.bits -= s;
        const int p = kNaturalOrder[k];
        coef[p] = Dequantise(v, *t.dequant, p);
        ++k;
    }
#undef FILL
    return K_OK;
}

int JpegDecodeBlockFast(JpegBitReader& r, int32_t* coef, int16_t& predictor, const JpegBlockTables& t) {
    uint64_t buffer = r.buffer;
    int bits = r.bits;
    const uint8_t* cursor = r.cursor;
    int any = 0;
    if (bits < 16) FillFast(buffer, bits, cursor);
    int e = Lookup(t.dc, 11, Top32(buffer));
    int n = e >> 8, s = e & 15;
    buffer <<= n;
    bits -= n;
    int diff = 0;
    if (s) {
        if (bits < s) FillFast(buffer, bits, cursor);
        diff = Extend(static_cast<uint32_t>(buffer >> (64 - s)), s);
        buffer <<= s;
        bits -= s;
    }
    predictor = static_cast<int16_t>(predictor + diff);
    coef[0] = Dequantise(predictor, *t.dequant, 0);
    const int16_t* ac = t.ac;
    const int16_t* fastAc = t.fastAc;
    const DequantTable& dq = *t.dequant;
    for (int k = 1; k < 64;) {
        if (bits < 16) FillFast(buffer, bits, cursor);
        // Most codes come with a small value: one lookup gives it all.
        const int f = fastAc[buffer >> 54];
        if (f) {
            k += (f >> 4) & 15;
            n = f & 15;
            buffer <<= n;
            bits -= n;
            const int p = kNaturalOrder[k];
            coef[p] = ((f >> 8) * dq.multiplier[p] + kDequantHalf) >> kDequantShift;
            any |= p;
            ++k;
            continue;
        }
        e = Lookup(ac, 10, Top32(buffer));
        n = e >> 8;
        const int rs = e & 0xFF;
        buffer <<= n;
        bits -= n;
        s = rs & 15;
        if (s == 0) {
            if (rs == 0) break;
            k += 16;
            continue;
        }
        k += rs >> 4;
        if (bits < s) FillFast(buffer, bits, cursor);
        const int v = Extend(static_cast<uint32_t>(buffer >> (64 - s)), s);
        buffer <<= s;
        bits -= s;
        const int p = kNaturalOrder[k];
        coef[p] = Dequantise(v, dq, p);
        any |= p;
        ++k;
    }
    r.buffer = buffer;
    r.bits = bits;
    r.cursor = cursor;
    return any;
}
