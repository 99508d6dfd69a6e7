// The pieces of the paint transition effects: which rectangles of the
// visible destination are painted, and in what order. No device here, so
// the orders are checked in both builds.
#pragma once

#include <cstdint>

#include "volkg.h"

constexpr unsigned kLastEffect = 28;

// Feedback masks of Galois shift registers by bit count 0..32: started at 1,
// the register of k bits visits every value 1 .. 2^k - 1 once.
extern const uint32_t LfsrTapMasks[33];

// One step of the shift register with a mask.
inline uint32_t LfsrNext(uint32_t value, uint32_t mask) { return (value >> 1) ^ ((value & 1) ? mask : 0); }

// Receives the pieces of an effect. Piece paints one rectangle; Step marks
// the end of one unit of progress (a line, a pair, a ring, a cell). A
// result other than 1 stops the effect and is returned.
class EffectPieceSink {
public:
    virtual ~EffectPieceSink() = default;
    virtual int Piece(const RECT& piece) = 0;
    virtual int Step() = 0;
};

// Runs effect 1..28 over the non-empty rectangle k; 1, the first result
// other than 1 of the sink, or -13 for an effect outside 1..28. Every pixel
// of k is painted exactly once.
int RunEffectPieces(unsigned effect, const RECT& k, EffectPieceSink& sink);

// The number of Step calls that RunEffectPieces makes for an effect.
int64_t CountEffectSteps(unsigned effect, const RECT& k);
