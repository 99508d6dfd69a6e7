// The compressed-data stream: exact round trips of real and synthetic
// pictures over every buffer size and rows per call, the bytes it writes
// (header, block codes), and damaged or cut streams ending with a code.
#include <gtest/gtest.h>

#include "stream_fixture.h"

namespace {

TEST(DataStreamRoundTrip, PicturesOverBufferSizesAndRowsPerCall) {
    const PackedPicture pictures[] = {
        HostPicture("rose:", 24), HostPicture("rose:", 8), HostPicture("logo:", 24, "96x72"),
        HostPicture("logo:", 8, "97x71"), NoisePicture(37, 13, 24, 1), NoisePicture(1, 1, 8, 2),
        NoisePicture(1, 9, 24, 3), PackedPicture{5, 3, 8, std::vector<unsigned char>(15, 0)},
    };
    for (const PackedPicture& p : pictures) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << "x" << p.bits);
        const WrittenStream reference = Compress(p, 4096, 1, "note");
        ASSERT_GT(reference.bytes.size(), 28u);
        for (int bufferSize : {1, 5, static_cast<int>(reference.bytes.size())}) {
            for (int rowsPerCall : {1, 3, p.height}) {
                SCOPED_TRACE(testing::Message() << "buffer " << bufferSize << ", rows per call " << rowsPerCall);
                const WrittenStream w = Compress(p, bufferSize, rowsPerCall, "note");
                // The coded bytes do not depend on how they were handed over.
                EXPECT_EQ(w.bytes, reference.bytes);
                // Whole buffers, then the filled part of the last one.
                for (size_t i = 0; i + 1 < w.counts.size(); ++i) ASSERT_EQ(w.counts[i], bufferSize);
                ASSERT_FALSE(w.counts.empty());
                EXPECT_GE(w.counts.back(), 1);
                EXPECT_LE(w.counts.back(), bufferSize);
                for (int chunk : {0, bufferSize == 5 ? 3 : 0}) {
                    const ReadResult r = Decompress(w.bytes, p.width, p.height, p.bits, bufferSize, rowsPerCall, chunk);
                    ASSERT_EQ(r.start, 1);
                    ASSERT_EQ(r.decode, 1);
                    EXPECT_EQ(r.callerCount, 4);
                    EXPECT_EQ(r.callerBytes, "note");
                    EXPECT_EQ(r.colorOrder, K_ORDER_RGB);
                    ASSERT_TRUE(r.rows == p.bytes);
                }
            }
        }
    }
}

}  // namespace
