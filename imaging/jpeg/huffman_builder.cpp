// Canonical Huffman codes: codes of one length are consecutive, and the
// first code of the next length is the next code shifted left.
#include "jpeg/huffman_builder.h"

#include <cstring>

bool BuildHuffmanCodes(const uint8_t* table, HuffmanCodeTable* codes) {
    std::memset(codes, 0, sizeof *codes);
    const uint8_t* symbols = table + 16;
    unsigned code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table[length - 1]; ++i, ++k) {
            if (code >= (1u << length)) return false;
            uint8_t symbol = symbols[k];
            if (codes->length[symbol]) return false;
            codes->code[symbol] = static_cast<uint16_t>(code++);
            codes->length[symbol] = static_cast<uint8_t>(length);
        }
        code <<= 1;
    }
    return true;
}
