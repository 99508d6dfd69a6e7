// Nearest-neighbour stretch of one row with Bresenham stepping, shared by
// the scaled painter and K_ResizeBitmap.
#include <cstring>

#include "core/row_converters.h"

namespace {

// The column walk: whole steps plus one more whenever the remainder
// reaches the denominator.
struct ColumnWalk {
    int column, remainder, whole, step, denominator;
    void Advance() {
        remainder += step;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++column;
        }
        column += whole;
    }
};

template <int Bytes>
void CopyPixels(const unsigned char* source, unsigned char* target, int count, ColumnWalk& walk) {
    for (int i = 0; i < count; ++i, target += Bytes) {
        std::memcpy(target, source + Bytes * walk.column, Bytes);
        walk.Advance();
    }
}

}  // namespace

int ResampleRow(int bits, int clearedBytes, int firstColumn, int wholeStep, int startRemainder, int remainderStep,
                const unsigned char* source, unsigned char* target, int count, int denominator, int /*magnifying*/) {
    // The source begins at the byte that holds the first column.
    int column = bits == 1 ? firstColumn & 7 : bits == 4 ? firstColumn & 1 : 0;
    ColumnWalk walk{column, startRemainder, wholeStep, remainderStep, denominator};
    switch (bits) {
        case 1:
            if (clearedBytes > 0) std::memset(target, 0, static_cast<size_t>(clearedBytes));
            for (int i = 0; i < count; ++i) {
                if (source[walk.column >> 3] & (0x80 >> (walk.column & 7)))
                    target[i >> 3] |= static_cast<unsigned char>(0x80 >> (i & 7));
                walk.Advance();
            }
            break;
        case 4:
            for (int i = 0; i < count; ++i) {
                unsigned char b = source[walk.column >> 1];
                int nibble = (walk.column & 1) ? b & 15 : b >> 4;
                if (i & 1)
                    target[i >> 1] = static_cast<unsigned char>((target[i >> 1] & 0xF0) | nibble);
                else
                    target[i >> 1] = static_cast<unsigned char>(nibble << 4);
                walk.Advance();
            }
            break;
        case 8:
            CopyPixels<1>(source, target, count, walk);
            break;
        case 16:
            CopyPixels<2>(source, target, count, walk);
            break;
        case 24:
            CopyPixels<3>(source, target, count, walk);
            break;
        case 32:
            CopyPixels<4>(source, target, count, walk);
            break;
        default:
            break;
    }
    return walk.remainder;
}
