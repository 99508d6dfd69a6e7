// Bytes of the compressed-data stream derived by hand: the header, and the
// block coder's bits (shift escape, order, Rice codes) as the byte coder
// hands them back; the byte coder's resumption at any byte boundary.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compressed/lzss_coder.h"
#include "stream_fixture.h"

namespace {

struct Bytes {
    std::vector<uint8_t> data;
    size_t at = 0;
};
void Append(void* context, uint8_t byte) { static_cast<Bytes*>(context)->data.push_back(byte); }
uint8_t Next(void* context) {
    auto* b = static_cast<Bytes*>(context);
    return b->at < b->data.size() ? b->data[b->at++] : 0;
}

// The byte coder's input, recovered from a stream's coded part.
std::vector<uint8_t> BlockBits(const std::vector<unsigned char>& stream, size_t headerBytes, int count) {
    Bytes in{{stream.begin() + static_cast<long>(headerBytes), stream.end()}, 0};
    lzss::Decoder decoder;
    EXPECT_EQ(decoder.Start(Next, &in), 1);
    std::vector<uint8_t> out(count);
    decoder.Decode(out.data(), count);
    decoder.End();
    return out;
}

TEST(DataStreamBytes, Header) {
    PackedPicture p{3, 2, 8, {1, 2, 3, 4, 5, 6}};
    const WrittenStream w = Compress(p, 64, 2, "ab");
    const std::string expected("QRNO\x03\0\0\0\x02\0\0\0\x08\0\0\0\x02\0\0\0\0\0\0\0\0\0\0\0ab", 30);
    ASSERT_GE(w.bytes.size(), expected.size());
    EXPECT_EQ(std::string(w.bytes.begin(), w.bytes.begin() + 30), expected);  // colour order 0: RGB
}

TEST(DataStreamBytes, HandDerivedBlocks) {
    struct Case {
        const char* what;
        std::vector<unsigned char> row;  // one 8-bit row, reversed on its way in
        std::vector<uint8_t> bits;
    } cases[] = {
        // Every byte 0: escape Rice2(4) 0100, shift Rice2(8) 00100, order
        // Rice2(0) 100, k = 0 as 1, residuals 1 1; seven 0 bits complete it.
        {"zero block", {0, 0}, {0x42, 0x4E}},
        // [4, 8] reversed to... 8, 4 given: 4, 8 coded. Shift 2 gives 1, 2;
        // costs 3 (order 0), 2 (order 1: 1, 1), 1 (order 2: 1, 0), 2 (order
        // 3: 1, -1): order 2 wins. 0100 110, Rice2(2) 110, k 0: 1, then z
        // = 2 (001) and z = 0 (1): 01001101 1010011(0).
        {"second differences", {8, 4}, {0x4D, 0xA6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PackedPicture p{static_cast<int>(c.row.size()), 1, 8, c.row};
        const WrittenStream w = Compress(p, 64, 1);
        EXPECT_EQ(BlockBits(w.bytes, 28, static_cast<int>(c.bits.size())), c.bits);
        const ReadResult r = Decompress(w.bytes, p.width, 1, 8, 64, 1);
        EXPECT_EQ(r.decode, 1);
        EXPECT_EQ(r.rows, p.bytes);
    }
}

// Text-like bytes with repeats near and far, then noise.
std::vector<uint8_t> MixedBytes(size_t n) {
    std::vector<uint8_t> v;
    const std::string words = "pattern bodice sleeve hem pattern bodice collar ";
    std::mt19937 random(5);
    while (v.size() < n) {
        if (random() % 3)
            v.insert(v.end(), words.begin() + random() % 20, words.end());
        else
            v.push_back(static_cast<uint8_t>(random()));
    }
    v.resize(n);
    return v;
}

std::vector<uint8_t> EncodeInPieces(const std::vector<uint8_t>& input, const std::vector<size_t>& cuts) {
    Bytes out;
    lzss::Encoder encoder;
    EXPECT_EQ(encoder.Start(Append, &out), 1);
    size_t from = 0;
    for (size_t cut : cuts) {
        encoder.Encode(input.data() + from, static_cast<int>(cut - from));
        from = cut;
    }
    encoder.Encode(input.data() + from, static_cast<int>(input.size() - from));
    encoder.End();
    return out.data;
}

TEST(DataStreamBytes, ByteCoderResumesAtEveryBoundary) {
    const std::vector<uint8_t> input = MixedBytes(600);
    const std::vector<uint8_t> whole = EncodeInPieces(input, {});
    // The stream starts with zero bytes: they match the zeroed window.
    const std::vector<uint8_t> zeros(2000, 0);
    EXPECT_LT(EncodeInPieces(zeros, {}).size(), 16u);
    // Every boundary of the first look-ahead (filling, then coding), then a spread.
    for (size_t cut = 1; cut < input.size(); cut += cut < 260 ? (cut < 16 || cut > 250 ? 1 : 17) : 29) {
        ASSERT_EQ(EncodeInPieces(input, {cut}), whole) << cut;
    }
    std::vector<size_t> everyByte;
    for (size_t i = 1; i < input.size(); ++i) everyByte.push_back(i);
    ASSERT_EQ(EncodeInPieces(input, everyByte), whole);

    // The decoder hands out the same bytes however it is asked.
    for (int piece : {1, 3, 255, 256, 257, 600}) {
        Bytes in{whole, 0};
        lzss::Decoder decoder;
        ASSERT_EQ(decoder.Start(Next, &in), 1);
        std::vector<uint8_t> out(input.size());
        for (size_t at = 0; at < out.size(); at += piece)
            decoder.Decode(out.data() + at, static_cast<int>(std::min<size_t>(piece, out.size() - at)));
        decoder.End();
        ASSERT_EQ(out, input) << piece;
    }
}

}  // namespace
