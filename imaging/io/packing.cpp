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

int PackBitsDecode(const uint8_t* in, int inCount, uint8_t* out, int outCount, int* used) {
    int i = 0, o = 0;
    int result = K_OK;
    while (o < outCount) {
        if (i >= inCount) {
            result = K_ERR_READ;
            break;
        }
        int n = static_cast<int8_t>(in[i++]);
        if (n >= 0) {
            int take = n + 1;
            if (i + take > inCount) {
                result = K_ERR_READ;
                break;
            }
            int put = std::min(take, outCount - o);
            std::memcpy(out + o, in + i, put);
            o += put;
            i += take;
            if (put < take) result = K_ERR_FORMAT;
        } else if (n != -128) {  // -128 is a no-op
            if (i >= inCount) {
                result = K_ERR_READ;
                break;
            }
            int put = std::min(1 - n, outCount - o);
            std::memset(out + o, in[i++], put);
            o += put;
            if (put < 1 - n) result = K_ERR_FORMAT;
        }
    }
    // No-op codes after the last run belong to the block (ImageMagick pads
    // Photoshop rows with one).
    while (result == K_OK && i < inCount && in[i] == 0x80) ++i;
    if (used) *used = i;
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
