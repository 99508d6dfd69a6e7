#include "fax/ccitt_bits.h"

namespace {

struct Translation {
    unsigned char identity[256];
    unsigned char reversed[256];
    Translation() {
        for (int i = 0; i < 256; ++i) {
            identity[i] = static_cast<unsigned char>(i);
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i >> b & 1) r |= 0x80 >> b;
            reversed[i] = static_cast<unsigned char>(r);
        }
    }
};

}  // namespace

const unsigned char* ccitt::ByteTranslation(bool reverse) {
    static const Translation table;
    return reverse ? table.reversed : table.identity;
}
