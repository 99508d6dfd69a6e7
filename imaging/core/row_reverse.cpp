// Mirroring one stored row in place.
#include <algorithm>
#include <cstring>

#include "core/rows.h"

namespace {

unsigned char ReverseBits(unsigned char v) {
    v = static_cast<unsigned char>((v & 0xF0) >> 4 | (v & 0x0F) << 4);
    v = static_cast<unsigned char>((v & 0xCC) >> 2 | (v & 0x33) << 2);
    return static_cast<unsigned char>((v & 0xAA) >> 1 | (v & 0x55) << 1);
}

// Shifts a run of bytes left by 1..7 bits; the last byte takes zeros.
void ShiftRunLeft(unsigned char* run, int bytes, int shift) {
    for (int i = 0; i < bytes; ++i) {
        unsigned next = i + 1 < bytes ? run[i + 1] : 0;
        run[i] = static_cast<unsigned char>((run[i] << shift) | (next >> (8 - shift)));
    }
}

}  // namespace

int ReverseRow(BitmapRecord* bitmap, unsigned char* row) {
    if (!bitmap || !row || bitmap->Width <= 0) return K_OK;
    const int w = bitmap->Width;
    switch (bitmap->BitsPerPixel) {
        case 1: {
            int bytes = (w + 7) / 8;
            std::reverse(row, row + bytes);
            for (int i = 0; i < bytes; ++i) row[i] = ReverseBits(row[i]);
            if (w % 8) ShiftRunLeft(row, bytes, 8 - w % 8);
            break;
        }
        case 4: {
            int bytes = (w + 1) / 2;
            std::reverse(row, row + bytes);
            for (int i = 0; i < bytes; ++i) row[i] = static_cast<unsigned char>(row[i] >> 4 | row[i] << 4);
            if (w % 2) ShiftRunLeft(row, bytes, 4);
            break;
        }
        case 8:
            std::reverse(row, row + w);
            break;
        case 16:
        case 24:
        case 32: {
            const int size = bitmap->BitsPerPixel / 8;
            unsigned char t[4];
            for (int a = 0, b = w - 1; a < b; ++a, --b) {
                std::memcpy(t, row + a * size, size);
                std::memcpy(row + a * size, row + b * size, size);
                std::memcpy(row + b * size, t, size);
            }
            break;
        }
        default:
            break;
    }
    return K_OK;
}
