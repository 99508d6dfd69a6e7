// The shared PackBits decoder on streams built here code by code, with the
// bytes they stand for: every run length, runs that end exactly where the
// row or the data ends, no-op codes, and data that ends early or codes
// past the row. Buffers are exactly as long as they claim, so that the
// sanitizers see any byte read or written past them.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "io/packing.h"
#include "volkg.h"

namespace {

struct Stream {
    std::vector<uint8_t> coded, plain;

    void Literal(const std::vector<uint8_t>& bytes) {
        coded.push_back(static_cast<uint8_t>(bytes.size() - 1));
        coded.insert(coded.end(), bytes.begin(), bytes.end());
        plain.insert(plain.end(), bytes.begin(), bytes.end());
    }
    void Repeat(int count, uint8_t value) {
        coded.push_back(static_cast<uint8_t>(257 - count));
        coded.push_back(value);
        plain.insert(plain.end(), count, value);
    }
    void NoOp() { coded.push_back(0x80); }
};

// A stream of random runs of every length from 1 to 128 (repeats from 2).
Stream RandomStream(unsigned seed, int runs) {
    std::mt19937 random(seed);
    Stream s;
    for (int i = 0; i < runs; ++i) {
        const int kind = static_cast<int>(random() % 8);
        const int length = kind == 0 ? 128 : static_cast<int>(random() % 128) + 1;
        if (kind < 4) {
            std::vector<uint8_t> bytes(length);
            for (auto& b : bytes) b = static_cast<uint8_t>(random());
            s.Literal(bytes);
        } else if (kind < 7) {
            s.Repeat(std::max(length, 2), static_cast<uint8_t>(random()));
        } else {
            s.NoOp();
        }
    }
    return s;
}

int Decode(const std::vector<uint8_t>& coded, size_t outCount, std::vector<uint8_t>* out, int* used) {
    std::vector<uint8_t> in(coded);  // exactly as long as the data
    out->assign(outCount, 0xEE);
    return PackBitsDecode(in.data(), static_cast<int>(in.size()), out->data(), static_cast<int>(outCount), used);
}

TEST(PackBits, DecodesEveryRunLengthUpToTheEdges) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const Stream s = RandomStream(seed, 300);
        std::vector<uint8_t> out;
        int used = -1;
        ASSERT_EQ(Decode(s.coded, s.plain.size(), &out, &used), K_OK) << "seed " << seed;
        EXPECT_TRUE(out == s.plain) << "seed " << seed;
        // Trailing no-ops belong to the block: all of it is used.
        EXPECT_EQ(static_cast<size_t>(used), s.coded.size()) << "seed " << seed;
    }
}

TEST(PackBits, RowsEndOnTheirOwnRun) {
    // Rows of a stream decoded one after another: each row takes its own
    // runs, whatever the runs of the next row hold.
    Stream s;
    std::vector<size_t> rows;
    for (int row = 0; row < 40; ++row) {
        const size_t before = s.plain.size();
        const Stream part = RandomStream(100 + row, 1 + row % 7);
        s.coded.insert(s.coded.end(), part.coded.begin(), part.coded.end());
        s.plain.insert(s.plain.end(), part.plain.begin(), part.plain.end());
        rows.push_back(s.plain.size() - before);
    }
    std::vector<uint8_t> in(s.coded);
    size_t at = 0, plainAt = 0;
    for (size_t length : rows) {
        if (length == 0) continue;
        std::vector<uint8_t> row(length);
        int used = 0;
        ASSERT_EQ(PackBitsDecode(in.data() + at, static_cast<int>(in.size() - at), row.data(), static_cast<int>(length),
                                 &used),
                  K_OK);
        EXPECT_TRUE(std::equal(row.begin(), row.end(), s.plain.begin() + plainAt));
        at += used;
        plainAt += length;
    }
    EXPECT_EQ(plainAt, s.plain.size());
}

TEST(PackBits, ShortDataAndRunsPastTheRow) {
    Stream s = RandomStream(7, 200);
    s.Literal({1, 2, 3});
    std::vector<uint8_t> out;
    int used = 0;
    // Data cut anywhere before its end: -7, never a read past the data.
    for (size_t cut : {size_t(0), size_t(1), s.coded.size() / 3, s.coded.size() - 1}) {
        std::vector<uint8_t> part(s.coded.begin(), s.coded.begin() + cut);
        EXPECT_EQ(Decode(part, s.plain.size(), &out, &used), K_ERR_READ) << "cut " << cut;
    }
    // A row shorter than the runs: filled, the run that crosses its end cut
    // there (-9); the row holds the stream's first bytes.
    for (size_t row : {size_t(1), size_t(129), s.plain.size() - 1}) {
        const int r = Decode(s.coded, row, &out, &used);
        EXPECT_TRUE(r == K_OK || r == K_ERR_FORMAT) << "row " << row;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), s.plain.begin())) << "row " << row;
    }
}

}  // namespace
