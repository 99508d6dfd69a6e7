// Combining a rectangle of one bitmap into another.
#pragma once

#include "volkg.h"

// Operation codes of CombineFlagsToRop.
constexpr int kRopBoolean = 0x4000;  // low 4 bits: truth table
constexpr int kRopUsesSource = 0x1000;
constexpr int kRopUsesDestination = 0x2000;
constexpr int kRopInvertSource = 0x100;  // arithmetic only
constexpr int kRopInvertDestination = 0x200;
constexpr int kRopInvertResult = 0x400;
constexpr int kRopArithmeticBase = 16;  // low byte: 16 ADD .. 24 MAXIMUM

// The operation that the caller's flags ask for. A one-bit destination
// always combines by a boolean truth table; deeper ones run arithmetic
// operations per component. An arithmetic operand that is all zeros or all
// ones is not read: it stands as a zero span, inverted for the ones.
int CombineFlagsToRop(unsigned int flags, int oneBitDestination);
