// Helpers of the bilevel format tests: 1-bit pictures (host-made or
// synthetic), records holding them, and saving and loading through the
// library with the encoder's own view of what it coded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_tools.h"
#include "volkg.h"

// Packed 1-bit rows, most significant bit first, (width + 7) / 8 bytes a
// row, in the record's storage order.
struct BitPicture {
    int width = 0, height = 0;
    std::vector<unsigned char> rows;
    int RowBytes() const { return (width + 7) / 8; }
    bool operator==(const BitPicture& o) const { return width == o.width && height == o.height && rows == o.rows; }
};

// A PBM that an ImageMagick command line writes to the given path (its
// last argument), read back (1 = black).
BitPicture HostBits(const std::string& commandWithoutOutput);
// A text page rendered by ImageMagick.
BitPicture TextPage(int width, int height);
// Pseudo-random bits, each set with the given chance in percent.
BitPicture NoiseBits(int width, int height, int percent, unsigned seed);
BitPicture FilledBits(int width, int height, bool set);

// An allocated 1-bit record holding the rows (palette: black, white; or
// white, black) in the given view perspective.
void MakeBitRecord(const BitPicture& picture, BitmapRecord* bitmap, bool whiteFirst = false,
                   int viewPerspective = K_TOP_DOWN);
BitPicture RecordBits(BitmapRecord* bitmap);

// Saves through K_SaveFile format 26 and returns the result; *coded gets
// the rows the encoder says the decoder will rebuild.
int SaveBilevel(const std::string& path, const BitPicture& picture, int subType, BitPicture* coded = nullptr,
                bool whiteFirst = false, int viewPerspective = K_TOP_DOWN);
