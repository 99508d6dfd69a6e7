// Input rows to the encoder's sample planes: level-shifted Y, and Cb and Cr
// averaged over their sampling cell, with 2 fractional bits (-512..508).
#pragma once

#include <cstdint>

struct ColorInLayout {
    int bitsPerPixel;  // 8 grey, 16 (three 5-bit fields), 24, 32 (low three bytes)
    bool redFirst;     // byte 0 (or bits 0-4) is red; else blue
    int hSampling;     // luminance factors against chroma: 1 or 2
    int vSampling;
};

// rows: the MCU row's input rows (8 x vSampling of them, the missing bottom
// ones repeating the last), each with `width` pixels; columns up to
// planeWidth repeat the last pixel. y: 8 x vSampling rows of planeWidth;
// cb, cr: 8 rows of planeWidth / hSampling (unused for grey).
void ColorInMcuRow(const ColorInLayout& layout, const uint8_t* const* rows, int width, int planeWidth, int16_t* y,
                   int16_t* cb, int16_t* cr);
