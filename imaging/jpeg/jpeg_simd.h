// SSE2 and AVX2 forms of the JPEG engine's per-block and per-row work, each giving
// the same bytes as its plain form (core/cpu_features.h says when they run).
#pragma once

#include <cstdint>

#include "jpeg/jpeg_decoder.h"

// The inverse DCT of a block with any coefficients: coef in natural order
// with the level bias already in coef[0]; 64 samples out; coef left zero.
void JpegInverseDctFullSse2(int16_t* out, int32_t* coef);
// The same in AVX2 (where VOLKG_AVX2_PATHS builds it).
void JpegInverseDctFullAvx2(int16_t* out, int32_t* coef);

// Chroma samples index the colour output's chroma terms shifted right by this.
constexpr int kJpegChromaIndexShift = 2;

// The SIMD colour outputs compute a chroma term as (index * a + bias) >> 17,
// index = sample >> 2: for every index the same value as the plain form's
// table (found by search over all 1024 indices; tests/simd compares every
// sample). a = low + 32 * high32, so that one multiply-add of (index,
// 32 * index) pairs gives index * a.
struct JpegChromaTerm {
    int low, high32, bias;
};
constexpr int kJpegTermBits = 17;
constexpr JpegChromaTerm kJpegBlueTerm{270, 29024, -474205225}, kJpegGreenCbTerm{822, -5664, 93424657},
    kJpegGreenCrTerm{371, -11712, 191624587}, kJpegRedTerm{844, 22944, -374956742};

// The colour pixels of one MCU of a colour layout, as JpegColorOut writes
// them: luma plus chroma terms, each level floored to 1 / 2^kJpegSampleBits
// and clamped to 0..255; pixelBytes 3 or 4 (the fourth byte left as it
// was), red first when rgb.
void JpegColorMcuSse2(McuLayout layout, const int16_t* samples, uint8_t* const* rows, int x0, int pixelBytes, bool rgb);
// The same in AVX2 for 3-byte pixels (where VOLKG_AVX2_PATHS builds it).
void JpegColorMcuAvx2(McuLayout layout, const int16_t* samples, uint8_t* const* rows, int x0, bool rgb);

// The forward DCT of ForwardDct (jpeg_fdct.h) for samples of the encoder's
// range (levels - 128, times 4: -512..508), where no sum leaves 32 bits
// and every coefficient fits 16.
void ForwardDctSse2(int16_t block[64]);
