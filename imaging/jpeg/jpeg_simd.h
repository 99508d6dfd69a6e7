// SSE2 forms of the JPEG engine's per-block and per-row work, each giving
// the same bytes as its plain form (core/cpu_features.h says when they run).
#pragma once

#include <cstdint>

#include "jpeg/jpeg_decoder.h"

// The inverse DCT of a block with any coefficients: coef in natural order
// with the level bias already in coef[0]; 64 samples out; coef left zero.
void JpegInverseDctFullSse2(int16_t* out, int32_t* coef);

// Eight pixels of a colour row: luma samples plus the chroma terms of each
// pixel (blue, green, red in sample units), each level floored to 1 /
// 2^kJpegSampleBits and clamped to 0..255 as the plain form's clamping
// table does; pixelBytes 3 or 4 (the fourth byte left as it was), red first when rgb.
void JpegColorPixels8Sse2(const int16_t* luma, const int16_t* blue, const int16_t* green, const int16_t* red,
                          uint8_t* out, int pixelBytes, bool rgb);

// The forward DCT of ForwardDct (jpeg_fdct.h) for samples of the encoder's
// range (levels - 128, times 4: -512..508), where no sum leaves 32 bits
// and every coefficient fits 16.
void ForwardDctSse2(int16_t block[64]);
