#include "io/packing.h"

#include <algorithm>
#include <cstring>

#include "io/source.h"
#include "volkg.h"

int PackBitsEncode(const uint8_t* in, int count, uint8_t* out) {
    uint8_t* start = out;
    int i = 0;
    while (i < count) {
        // A run of three or more equal bytes (two at the end of a literal
        // gains nothing) is coded as a repeat.
        int run = 1;
        while (i + run < count && run < 128 && in[i + run] == in[i]) ++run;
        if (run >= 3 || (run == 2 && i + run == count)) {
            *out++ = static_cast<uint8_t>(257 - run);
            *out++ = in[i];
            i += run;
            continue;
        }
        int literal = 0;
        while (i + literal < count && literal < 128) {
            if (i + literal + 2 < count && in[i + literal] == in[i + literal + 1] &&
                in[i + literal] == in[i + literal + 2])
                break;
            ++literal;
        }
        *out++ = static_cast<uint8_t>(literal - 1);
        std::memcpy(out, in + i, literal);
        out += literal;
        i += literal;
    }
    return static_cast<int>(out - start);
}

namespace {

// Copies and fills in whole 16-byte pieces, which compile to a few moves,
// where a library call per run would cost more than the run (runs are at
// most 128 bytes). The caller leaves room for the rounded-up length.
constexpr int kPiece = 16;
constexpr int kLongestRun = 128;

inline void CopyPieces(uint8_t* out, const uint8_t* in, int count) {
    for (int k = 0; k < count; k += kPiece) std::memcpy(out + k, in + k, kPiece);
}

inline void FillPieces(uint8_t* out, uint8_t value, int count) {
    uint8_t piece[kPiece];
    std::memset(piece, value, kPiece);
    for (int k = 0; k < count; k += kPiece) std::memcpy(out + k, piece, kPiece);
}

}  // namespace

int PackBitsDecode(const uint8_t* in, int inCount, uint8_t* out, int outCount, int* used) {
    const uint8_t* p = in;
    const uint8_t* const inEnd = in + inCount;
    uint8_t* o = out;
    uint8_t* const outEnd = out + outCount;
    int result = K_OK;
    while (o < outEnd) {
        // While a whole run and its code fit on both sides, runs are copied
        // in pieces that may reach past their end (the next run writes
        // there again) without checks of their own.
        if (inEnd - p > kLongestRun && outEnd - o >= kLongestRun) {
            const int n = static_cast<int8_t>(*p++);
            if (n >= 0) {
                CopyPieces(o, p, n + 1);
                o += n + 1;
                p += n + 1;
            } else if (n != -128) {  // -128 is a no-op
                FillPieces(o, *p++, 1 - n);
                o += 1 - n;
            }
            continue;
        }
        if (p >= inEnd) {
            result = K_ERR_READ;
            break;
        }
        const int n = static_cast<int8_t>(*p++);
        if (n >= 0) {
            const int take = n + 1;
            if (inEnd - p < take) {
                result = K_ERR_READ;
                break;
            }
            const int put = std::min<int>(take, static_cast<int>(outEnd - o));
            std::memcpy(o, p, put);
            o += put;
            p += take;
            if (put < take) result = K_ERR_FORMAT;
        } else if (n != -128) {
            if (p >= inEnd) {
                result = K_ERR_READ;
                break;
            }
            const int put = std::min<int>(1 - n, static_cast<int>(outEnd - o));
            std::memset(o, *p++, put);
            o += put;
            if (put < 1 - n) result = K_ERR_FORMAT;
        }
    }
    // No-op codes after the last run belong to the block (ImageMagick pads
    // Photoshop rows with one).
    while (result == K_OK && p < inEnd && *p == 0x80) ++p;
    if (used) *used = static_cast<int>(p - in);
    return result;
}

int PackBitsDecode(Source& in, uint8_t* out, int outCount) {
    int o = 0;
    while (o < outCount) {
        int c = in.Byte();
        if (c < 0) return K_ERR_READ;
        int n = static_cast<int8_t>(c);
        if (n >= 0) {
            int take = n + 1;
            int put = std::min(take, outCount - o);
            if (in.ReadExact(out + o, put) != K_OK) return K_ERR_READ;
            if (take > put && in.Skip(take - put) != K_OK) return K_ERR_READ;
            o += put;
        } else if (n != -128) {
            int v = in.Byte();
            if (v < 0) return K_ERR_READ;
            int put = std::min(1 - n, outCount - o);
            std::memset(out + o, v, put);
            o += put;
        }
    }
    return K_OK;
}
