// Fixed tables of baseline JPEG (ITU-T T.81): the zigzag order, the example
// quantisation and Huffman tables of Annex K, and the quality scaling of the
// quantisation tables that the encoder and the decoder of the library's own
// format share.
#pragma once

#include <cstdint>

// Position i of the zigzag sequence holds natural (row-major) index
// kZigzagToNatural[i]; kNaturalToZigzag is its inverse.
extern const uint8_t kZigzagToNatural[64];
extern const uint8_t kNaturalToZigzag[64];

// Annex K.1 and K.2, natural order.
extern const uint8_t kLuminanceQuant[64];
extern const uint8_t kChrominanceQuant[64];

// Annex K.3 to K.6 as stored in DHT: 16 code counts (BITS) then the symbol
// values (HUFFVAL).
extern const uint8_t kLuminanceDc[16 + 12];
extern const uint8_t kChrominanceDc[16 + 12];
extern const uint8_t kLuminanceAc[16 + 162];
extern const uint8_t kChrominanceAc[16 + 162];

// Bytes of a Huffman table in BITS + HUFFVAL form: 16 + the sum of the counts.
int HuffmanTableLength(const uint8_t* table);

constexpr int kMaxQuality = 255;
// A standard table (natural order) scaled by the quality factor q, written
// in zigzag order as DQT stores it: q x entry / 50 (truncated), then raised
// to 2 and capped at 255. K_OK, or K_ERR_QUALITY for q 0 or above 255.
int ScaleQuantTable(const uint8_t naturalTable[64], int q, uint8_t zigzagOut[64]);
