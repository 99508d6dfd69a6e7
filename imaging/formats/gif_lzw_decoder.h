// GIF's variable-width LZW decoder: codes least significant bit first in
// data sub-blocks, pixel indices out, a row at a time.
#pragma once

#include <cstdint>

#include "io/format_codes.h"
#include "io/source.h"

class GifLzwDecoder {
public:
    // minimum: the file's minimum code size, 1 to 8.
    GifLzwDecoder(Source& in, int minimum);

    // Exactly count pixel indices into out: 1; -7 when the file ends inside the data; -77 on a code that
    // cannot occur. After the end code or the data's last sub-block the
    // rest of the picture is index 0.
    int Decode(unsigned char* out, int count);

private:
    static constexpr int kCodes = limits::kLzwCodes;
    // Joined sub-blocks: at least this many bytes are gathered per refill.
    static constexpr int kBlockBytes = 32768;

    void Reset();
    bool MoreData();
    unsigned char* WriteString(int code, unsigned char* out) const;

    Source& in_;
    const int minimum_, clear_, end_;
    int size_ = 0, limit_ = 0, next_ = 0, prev_ = -1;
    bool ended_ = false, dataEnd_ = false, cutShort_ = false;

    // The joined data: bits [bit_, bitEnd_) are still to be read, and four
    // bytes past the last one may be loaded.
    unsigned char data_[kBlockBytes + 256 + 4] = {};
    uint32_t bit_ = 0, bitEnd_ = 0;

    // The rest of a string that ran past the end of the last row.
    int held_ = 0, heldEnd_ = 0;
    unsigned char holding_[kCodes + 8] = {};

    // Each code's string is its prefix code's string (a multiple of 8
    // long) followed by its last 1 to 8 bytes, so strings are written
    // back to front 8 bytes a step.
    uint16_t length_[kCodes] = {};
    uint16_t prefix_[kCodes] = {};
    unsigned char first_[kCodes] = {};
    unsigned char last_[kCodes][8] = {};
};
