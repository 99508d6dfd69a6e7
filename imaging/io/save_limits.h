// The opening checks of a writer: the depths it stores, the sides its
// header can hold, and whether 24-bit rows go out blue first.
#pragma once

#include <climits>
#include <cstdint>

#include "io/codecs.h"
#include "io/save_writer.h"

struct SaveLimits {
    uint64_t depths;         // bit n set: n bits per pixel are stored
    int maxWidth = INT_MAX;  // sides from 1 up to these
    int maxHeight = INT_MAX;
    bool storesBGR = false;  // rows deeper than 8 bits are stored blue first

    bool Takes(int bits) const { return bits >= 0 && bits < 64 && (depths >> bits & 1); }
    bool Holds(int width, int height) const {
        return width >= 1 && height >= 1 && width <= maxWidth && height <= maxHeight;
    }
};

// The depth mask of a list of depths: DepthSet(1, 4, 8, 24).
template <typename... Bits>
constexpr uint64_t DepthSet(Bits... bits) {
    return ((uint64_t(1) << bits) | ...);
}

// 1, or -27 when the writer does not store the request's depth.
int CheckDepth(const SaveRequest& request, const SaveLimits& limits);
// The request's flags, with kSaveStoresBGR for rows deeper than 8 bits
// when the format stores them so.
int SaveFlags(const SaveRequest& request, const SaveLimits& limits);
// 1, or -11 when a side is outside 1 up to the limits.
int CheckSides(int width, int height, const SaveLimits& limits);
// writer.Begin(), then the sides: 1, Begin's failure, or -11.
int BeginWithin(SaveWriter& writer, const SaveLimits& limits);
