// Colour spaces of K_ConvertColorSpace (codes K_SPACE_* of the header).
#pragma once

constexpr int kColorSpaceCount = 7;

// Bytes of one pixel in a space: 3 (BGR, HSV, HLS, CMY), 4 (CMYK) or 6
// (YUV and YIQ as three signed 16-bit words); 0 for an unknown code.
int ColorSpaceBytesPerPixel(int space);
