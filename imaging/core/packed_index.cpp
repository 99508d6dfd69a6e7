#include "core/packed_index.h"

#include <cstring>

void UnpackIndices(const uint8_t* in, int width, int bits, uint8_t* out) {
    switch (bits) {
        case 1:
            for (int x = 0; x < width; ++x) out[x] = in[x >> 3] >> (7 - (x & 7)) & 1;
            break;
        case 2:
            for (int x = 0; x < width; ++x) out[x] = in[x >> 2] >> (6 - 2 * (x & 3)) & 3;
            break;
        case 4:
            for (int x = 0; x < width; ++x) out[x] = x & 1 ? in[x >> 1] & 15 : in[x >> 1] >> 4;
            break;
        default:
            std::memcpy(out, in, width);
    }
}

void PackIndices(const uint8_t* in, int width, int bits, uint8_t* out) {
    if (bits == 8) {
        std::memcpy(out, in, width);
        return;
    }
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    for (int x = 0; x < width; x += perByte) {
        int byte = 0;
        for (int i = 0; i < perByte; ++i) {
            byte <<= bits;
            if (x + i < width) byte |= in[x + i] & mask;
        }
        *out++ = static_cast<uint8_t>(byte);
    }
}
