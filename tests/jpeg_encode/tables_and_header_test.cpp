// The fixed tables and the compressed format's header: hand-derived cases.
#include <cstring>

#include <gtest/gtest.h>

#include "jpeg/compressed_header.h"
#include "jpeg/huffman_builder.h"
#include "jpeg/jpeg_tables.h"

namespace {

TEST(JpegTables, HuffmanTablesAreCompletePrefixCodes) {
    // DC tables code categories 0-11; AC tables code EOB, ZRL and every
    // (run, size 1-10): 162 symbols, each once.
    for (const uint8_t* table : {kLuminanceDc, kChrominanceDc}) {
        HuffmanCodeTable codes;
        ASSERT_TRUE(BuildHuffmanCodes(table, &codes));
        EXPECT_EQ(HuffmanTableLength(table), 28);
        for (int s = 0; s < 12; ++s) EXPECT_GT(codes.length[s], 0) << s;
    }
    for (const uint8_t* table : {kLuminanceAc, kChrominanceAc}) {
        HuffmanCodeTable codes;
        ASSERT_TRUE(BuildHuffmanCodes(table, &codes));
        EXPECT_EQ(HuffmanTableLength(table), 16 + 162);
        EXPECT_GT(codes.length[0x00], 0);
        EXPECT_GT(codes.length[0xF0], 0);
        for (int run = 0; run < 16; ++run)
            for (int size = 1; size <= 10; ++size) EXPECT_GT(codes.length[run << 4 | size], 0) << run << " " << size;
    }
    // K.3: category 0 is "00", 1 "010", 11 "111111110".
    HuffmanCodeTable dc;
    BuildHuffmanCodes(kLuminanceDc, &dc);
    EXPECT_EQ(dc.length[0], 2);
    EXPECT_EQ(dc.code[0], 0);
    EXPECT_EQ(dc.length[1], 3);
    EXPECT_EQ(dc.code[1], 2);
    EXPECT_EQ(dc.length[11], 9);
    EXPECT_EQ(dc.code[11], 0x1FE);
    // Too many codes of one length is no prefix code.
    uint8_t bad[16 + 3] = {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3};
    HuffmanCodeTable codes;
    EXPECT_FALSE(BuildHuffmanCodes(bad, &codes));
}

TEST(JpegTables, ZigzagOrderWalksTheDiagonals) {
    for (int i = 0; i < 64; ++i) EXPECT_EQ(kNaturalToZigzag[kZigzagToNatural[i]], i);
    // Positions 1, 2, 3 are (0,1), (1,0), (2,0); 63 is (7,7).
    EXPECT_EQ(kZigzagToNatural[1], 1);
    EXPECT_EQ(kZigzagToNatural[2], 8);
    EXPECT_EQ(kZigzagToNatural[3], 16);
    EXPECT_EQ(kZigzagToNatural[63], 63);
}

TEST(JpegTables, QualityScaling) {
    uint8_t out[64];
    ASSERT_EQ(ScaleQuantTable(kLuminanceQuant, 50, out), K_OK);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], kLuminanceQuant[kZigzagToNatural[i]]);
    // Q 255: e becomes 255 e / 50, so 10 gives 51 and 50 or more gives 255.
    ASSERT_EQ(ScaleQuantTable(kLuminanceQuant, 255, out), K_OK);
    EXPECT_EQ(out[kNaturalToZigzag[2]], 51);   // K.1 entry 10
    EXPECT_EQ(out[kNaturalToZigzag[6]], 255);  // K.1 entry 51
    // Q 1: 16 / 50 truncates to 0, raised to 2.
    ASSERT_EQ(ScaleQuantTable(kLuminanceQuant, 1, out), K_OK);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], 2);
    EXPECT_EQ(ScaleQuantTable(kLuminanceQuant, 0, out), K_ERR_QUALITY);
    EXPECT_EQ(ScaleQuantTable(kLuminanceQuant, 256, out), K_ERR_QUALITY);
}

FileInfoRecord Probe(std::initializer_list<std::pair<int, int>> patches, const uint8_t* trailer = nullptr) {
    CompressedHeader h;
    h.width = 40;
    h.codedHeight = 100;
    uint8_t bytes[kCompressedHeaderSize];
    WriteCompressedHeader(h, bytes);
    for (auto [offset, value] : patches) bytes[offset] = static_cast<uint8_t>(value);
    FileInfoRecord info;
    std::memset(&info, 0x55, sizeof info);
    CompressedHeader read;
    EXPECT_TRUE(ReadCompressedHeader(bytes, sizeof bytes, &read));
    CompressedTrailer t;
    bool hasTrailer = trailer && ReadCompressedTrailer(trailer, &t);
    FillCompressedInfo(read, hasTrailer ? &t : nullptr, &info);
    return info;
}

TEST(CompressedHeader, ProbeFields) {
    FileInfoRecord info = Probe({});
    EXPECT_EQ(info.FormatCode, 5);
    EXPECT_EQ(info.Width, 40);
    EXPECT_EQ(info.Height, 100);
    EXPECT_EQ(info.BitsPerPixel, 24);
    EXPECT_EQ(info.ImageSize, 40 * 100 * 3);
    EXPECT_STREQ(info.Compression, "KORA");
    EXPECT_EQ(info.ColorOrder, 1);
    EXPECT_EQ(info.XResolution, 0);

    info = Probe({{6, 0xC0}});  // halved rows, grey
    EXPECT_EQ(info.Height, 200);
    EXPECT_EQ(info.BitsPerPixel, 8);
    info = Probe({{6, 0x40}, {20, 1}});  // the 1-bit format
    EXPECT_EQ(info.BitsPerPixel, 1);
    EXPECT_EQ(Probe({{21, 0x20}}).ViewPerspective, 0);
    EXPECT_EQ(Probe({{21, 0x10}}).ViewPerspective, 2);
    EXPECT_EQ(Probe({{21, 0x00}}).ViewPerspective, 2);
    EXPECT_EQ(Probe({{0, 'V'}, {1, 'A'}, {2, 'V'}, {3, 'O'}}).FormatCode, 5);

    CompressedTrailer t{300, 200};
    uint8_t trailer[kCompressedTrailerSize];
    WriteCompressedTrailer(t, trailer);
    info = Probe({}, trailer);
    EXPECT_EQ(info.XResolution, 300);
    EXPECT_EQ(info.YResolution, 200);
    trailer[0] = 'X';  // no tag: resolutions stay 0
    EXPECT_EQ(Probe({}, trailer).XResolution, 0);

    uint8_t other[kCompressedHeaderSize] = {'K', 'O', 'R', 'B'};
    CompressedHeader h;
    EXPECT_FALSE(ReadCompressedHeader(other, sizeof other, &h));
    EXPECT_FALSE(ReadCompressedHeader(other, 23, &h));
}

TEST(CompressedHeader, StampSizes) {
    EXPECT_EQ(StampDataSize(4, 1, 8), 3 + 768 + 4);
    EXPECT_EQ(StampDataSize(255, 255, 24), 3 + 195075);
    EXPECT_EQ(StampDataSize(3, 1, 8), 0);
    EXPECT_EQ(StampDataSize(4, 0, 24), 0);
    EXPECT_EQ(StampDataSize(4, 4, 16), 0);
}

}  // namespace
