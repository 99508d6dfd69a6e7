// The LZW coder: round trips in odd-sized requests, strings longer than a
// row, the old low-bit-first variant, and bad or short data.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tiff/lzw.h"
#include "volkg.h"

namespace {

class MemorySink : public ByteSink {
public:
    int Byte(int value) override {
        bytes.push_back(static_cast<unsigned char>(value));
        return K_OK;
    }
    std::vector<unsigned char> bytes;
};

// Hands the data over in blocks of a given size.
class MemoryChunks : public ChunkSource {
public:
    MemoryChunks(const std::vector<unsigned char>& data, size_t block) : data_(data), block_(block) {}
    int Next(const unsigned char** data, size_t* size) override {
        if (at_ >= data_.size()) return 0;
        *data = data_.data() + at_;
        *size = std::min(block_, data_.size() - at_);
        at_ += *size;
        return 1;
    }

private:
    const std::vector<unsigned char>& data_;
    size_t block_;
    size_t at_ = 0;
};

std::vector<unsigned char> Encode(const std::vector<unsigned char>& in, size_t piece) {
    MemorySink sink;
    auto encoder = std::make_unique<LzwEncoder>();
    encoder->Start(&sink);
    for (size_t at = 0; at < in.size(); at += piece) encoder->Encode(in.data() + at, std::min(piece, in.size() - at));
    encoder->Finish();
    return sink.bytes;
}

// Decodes count bytes in requests of `request` bytes.
int Decode(const std::vector<unsigned char>& coded, size_t count, size_t request, size_t block,
           std::vector<unsigned char>* out) {
    MemoryChunks chunks(coded, block);
    auto decoder = std::make_unique<LzwDecoder>();
    decoder->Start(&chunks);
    out->assign(count, 0);
    for (size_t at = 0; at < count; at += request) {
        int r = decoder->Decode(out->data() + at, std::min(request, count - at));
        if (r != K_OK) return r;
    }
    return K_OK;
}

TEST(Lzw, RoundTripsInAnyRequestSize) {
    std::mt19937 random(5);
    std::vector<unsigned char> noise(50000), smooth(60000), flat(400000, 0xAB);
    for (auto& b : noise) b = static_cast<unsigned char>(random());
    for (size_t i = 0; i < smooth.size(); ++i) smooth[i] = static_cast<unsigned char>((i / 7) ^ (i / 300));
    for (const auto* data : {&noise, &smooth, &flat}) {
        const auto coded = Encode(*data, 777);
        for (size_t request : {size_t(1), size_t(2), size_t(3), size_t(4), size_t(5), size_t(1000), data->size()}) {
            std::vector<unsigned char> back;
            ASSERT_EQ(Decode(coded, data->size(), request, 4093, &back), K_OK);
            EXPECT_TRUE(back == *data) << "request " << request;
        }
    }
    // A flat run compresses to about 2 bits a byte at most: long strings.
    EXPECT_LT(Encode(flat, flat.size()).size(), flat.size() / 50);
}

TEST(Lzw, CodesNeverNeedThirteenBits) {
    // Noise fills the table fastest; every clear comes before code 4094.
    std::mt19937 random(9);
    std::vector<unsigned char> noise(300000);
    for (auto& b : noise) b = static_cast<unsigned char>(random() % 7);
    const auto coded = Encode(noise, noise.size());
    // Read the codes back with the widths a 12-bit reader uses.
    size_t bit = 0;
    int width = 9, next = 258, codes = 0;
    auto get = [&](int n) {
        int v = 0;
        for (int i = 0; i < n; ++i, ++bit) v = v << 1 | (coded[bit >> 3] >> (7 - (bit & 7)) & 1);
        return v;
    };
    bool first = true;
    while (bit + width <= coded.size() * 8) {
        const int code = get(width);
        ++codes;
        ASSERT_LT(code, 4096);
        if (code == 257) break;
        if (code == 256) {
            width = 9;
            next = 258;
            first = true;
            continue;
        }
        if (!first) ++next;
        first = false;
        ASSERT_LE(next, 4094);
        if (next >= (1 << width) - 1 && width < 12) ++width;
    }
    EXPECT_GT(codes, 50000);
}

TEST(Lzw, OldStyleStripsAreReadLowBitFirst) {
    // Codes 256, 'a', 'b', 258 ("ab"), 257 at 9 bits, low bit first.
    const int codes[] = {256, 'a', 'b', 258, 257};
    std::vector<unsigned char> coded(8, 0);
    size_t bit = 0;
    for (int code : codes)
        for (int i = 0; i < 9; ++i, ++bit)
            if (code >> i & 1) coded[bit >> 3] |= static_cast<unsigned char>(1 << (bit & 7));
    ASSERT_EQ(coded[0], 0);
    ASSERT_EQ(coded[1] & 1, 1);
    std::vector<unsigned char> out;
    ASSERT_EQ(Decode(coded, 4, 4, 64, &out), K_OK);
    EXPECT_EQ(std::string(out.begin(), out.end()), "abab");
}

TEST(Lzw, BadAndShortDataAreRefused) {
    std::vector<unsigned char> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * i);
    const auto coded = Encode(data, data.size());
    std::vector<unsigned char> out;
    // Cut short: the data ends before the bytes asked for.
    std::vector<unsigned char> cut(coded.begin(), coded.begin() + coded.size() / 2);
    EXPECT_EQ(Decode(cut, data.size(), 100, 512, &out), K_ERR_READ);
    // An end code before the bytes asked for.
    EXPECT_EQ(Decode(coded, data.size() + 10, data.size() + 10, 512, &out), K_ERR_BADCODE);
    // A code far beyond the table: 256, then 0x1FF at 9 bits.
    std::vector<unsigned char> bad = {0x80, 0x7F, 0xC0, 0x00};
    EXPECT_EQ(Decode(bad, 10, 10, 64, &out), K_ERR_BADCODE);
}

TEST(Lzw, ThirteenBitTablesFillAndStayFull) {
    // Older writers let the table grow to 13-bit codes. Literals fill it
    // (entry 258 + k is literal k and literal k + 1); once full, codes go
    // on at 13 bits and add nothing; the code past the last entry is bad.
    std::vector<unsigned char> coded;
    uint32_t held = 0;
    int count = 0, width = 9, next = 258;
    auto put = [&](int code) {
        held = held << width | static_cast<uint32_t>(code);
        count += width;
        while (count >= 8) coded.push_back(static_cast<unsigned char>(held >> (count -= 8)));
    };
    auto literal = [](int k) { return (k * 7) % 256; };
    std::vector<unsigned char> expected;
    put(256);
    const int literals = 8190 - 258 + 2 + 50;  // entries up to 8190, and then some
    for (int k = 0; k < literals; ++k) {
        put(literal(k));
        expected.push_back(static_cast<unsigned char>(literal(k)));
        if (k > 0 && next < 8191 && ++next > (1 << width) - 2 && width < 13) ++width;
    }
    ASSERT_EQ(width, 13);
    for (int code : {300, 8000, 8190}) {
        put(code);
        expected.push_back(static_cast<unsigned char>(literal(code - 258)));
        expected.push_back(static_cast<unsigned char>(literal(code - 257)));
    }
    put(8191);
    put(0);
    if (count) coded.push_back(static_cast<unsigned char>(held << (8 - count)));
    std::vector<unsigned char> out;
    for (size_t block : {size_t(64), size_t(4093), coded.size()}) {
        ASSERT_EQ(Decode(coded, expected.size(), 1000, block, &out), K_OK);
        EXPECT_TRUE(out == expected) << "block " << block;
        EXPECT_EQ(Decode(coded, expected.size() + 1, expected.size() + 1, block, &out), K_ERR_BADCODE);
    }
}

}  // namespace
