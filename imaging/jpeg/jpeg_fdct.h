// The encoder's 8x8 forward DCT in 16-bit fixed point and the quantiser
// that follows it.
#pragma once

#include <cstdint>

// One quantisation table in the quantiser's form, natural order: a
// multiplier t and a threshold m = 16384 / t below which a coefficient is 0.
struct QuantizerPairs {
    int16_t multiplier[64];
    int16_t threshold[64];
};

// From a quantisation table in zigzag order (as in DQT). The DCT leaves its
// outputs scaled per frequency; t folds that scale and 1/q together.
void BuildQuantizerPairs(const uint8_t zigzagTable[64], QuantizerPairs* pairs);

// In place on 64 samples in natural order (level-shifted, 2 fractional bits,
// so -512..508): rows, then columns. Results keep a per-frequency scale that
// the quantiser pairs undo.
void ForwardDct(int16_t block[64]);

// Quantises the DCT results into out, in zigzag order, each clamped to the
// +-1023 that baseline Huffman categories hold.
void Quantize(const int16_t block[64], const QuantizerPairs& pairs, int16_t zigzagOut[64]);
