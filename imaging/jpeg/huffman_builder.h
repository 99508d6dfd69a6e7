// Huffman code tables of the encoder, built from a table in DHT form
// (16 counts, then the symbols) as in ITU-T T.81 Annex C.
#pragma once

#include <cstdint>

// Code word and length per symbol; length 0 for a symbol the table lacks.
struct HuffmanCodeTable {
    uint16_t code[256];
    uint8_t length[256];
};

// False when the counts describe no valid prefix code (more codes of a
// length than the code space holds) or a symbol appears twice.
bool BuildHuffmanCodes(const uint8_t* table, HuffmanCodeTable* codes);
