// The compressed-data stream: exact round trips of real and synthetic
// pictures over every buffer size and rows per call, the bytes it writes
// (header, block codes), and damaged or cut streams ending with a code.
#include <gtest/gtest.h>

#include "stream_fixture.h"

namespace {

void ExpectRoundTrip(const PackedPicture& p, int bufferSize, int rowsPerCall, int chunk,
                     const std::vector<unsigned char>& reference) {
    SCOPED_TRACE(testing::Message() << "buffer " << bufferSize << ", rows per call " << rowsPerCall << ", chunk "
                                    << chunk);
    const WrittenStream w = Compress(p, bufferSize, rowsPerCall, "note");
    // The coded bytes do not depend on how they were handed over.
    ASSERT_EQ(w.bytes, reference);
    // Whole buffers, then the filled part of the last one.
    ASSERT_FALSE(w.counts.empty());
    for (size_t i = 0; i + 1 < w.counts.size(); ++i) ASSERT_EQ(w.counts[i], bufferSize);
    EXPECT_GE(w.counts.back(), 1);
    EXPECT_LE(w.counts.back(), bufferSize);
    const ReadResult r = Decompress(w.bytes, p.width, p.height, p.bits, bufferSize, rowsPerCall, chunk);
    ASSERT_EQ(r.start, 1);
    ASSERT_EQ(r.decode, 1);
    EXPECT_EQ(r.callerCount, 4);
    EXPECT_EQ(r.callerBytes, "note");
    EXPECT_EQ(r.colorOrder, K_ORDER_RGB);
    ASSERT_TRUE(r.rows == p.bytes);
}

TEST(DataStreamRoundTrip, BufferSizesAndRowsPerCall) {
    // 46 rows: the last 24-bit plane group holds 6.
    const PackedPicture pictures[] = {HostPicture("rose:", 24), HostPicture("rose:", 8), NoisePicture(37, 13, 24, 1)};
    for (const PackedPicture& p : pictures) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << "x" << p.bits);
        const std::vector<unsigned char> reference = Compress(p, 4096, 1, "note").bytes;
        const bool everyPair = p.bits == 24 && p.height == 46;
        for (int bufferSize : {1, 5, static_cast<int>(reference.size())})
            for (int rowsPerCall : {1, 3, p.height})
                if (everyPair || bufferSize == rowsPerCall || (bufferSize == 5 && rowsPerCall == 3))
                    ExpectRoundTrip(p, bufferSize, rowsPerCall, bufferSize == 5 ? 3 : 0, reference);
    }
}

TEST(DataStreamRoundTrip, Pictures) {
    const PackedPicture pictures[] = {
        HostPicture("logo:", 24, "160x120"),
        HostPicture("logo:", 8, "161x119"),
        NoisePicture(1, 1, 8, 2),
        NoisePicture(1, 9, 24, 3),
        NoisePicture(200, 1, 8, 4),
        PackedPicture{5, 3, 8, std::vector<unsigned char>(15, 0)},
    };
    for (const PackedPicture& p : pictures) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << "x" << p.bits);
        ExpectRoundTrip(p, 4096, 2, 0, Compress(p, 777, 1, "note").bytes);
    }
}

}  // namespace
