// The heads of the two JPEG containers: JFIF marker segments before the
// scan, and a TIFF directory for one JPEG-coded tile.
#pragma once

#include <cstdint>
#include <vector>

#include "jpeg/jpeg_encoder.h"

struct HeadInfo {
    int width;
    int height;
    int components;            // 1 or 3
    int hSampling, vSampling;  // luminance
    const uint8_t* quant[2];   // zigzag order; quant[1] null when every component uses quant[0]
    int xResolution, yResolution;
    bool topDown;
    const StampSource* stamp;  // JFIF only, may be null
};

// SOI, APP0 JFIF, JFXX with the stamp, COM, DQT, DHT, SOF0, SOS. 1, -11 for
// a stamp whose segment would pass 65535 bytes, or the row source's result.
int BuildJfifHead(const HeadInfo& info, std::vector<uint8_t>* out);

// TIFF header and one directory for JPEG-coded data in one tile of
// tileWidth x tileHeight (multiples of 16) at the end of the head. The tile's
// byte count is a placeholder at *byteCountPosition.
void BuildTiffHead(const HeadInfo& info, int tileWidth, int tileHeight, std::vector<uint8_t>* out,
                   uint32_t* byteCountPosition);
