// Histograms of bitmaps: 256 counters of intensity or of one component.
#pragma once

#include <cstdint>

#include "volkg.h"

// Counts every pixel at its intensity (channel 0) or its red, green or
// blue (1-3), palette bitmaps through their palette colours; progress from
// first to last percent over the rows. 1, -2, -13 (no counters, channel
// above 3), -1, or the status callback's result.
int ComputeBitmapHistogram(BitmapRecord* bitmap, uint32_t* counters, unsigned channel, int first, int last);
