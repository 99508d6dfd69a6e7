// Bytes of the bilevel format derived by hand from its rules: the header,
// and short bodies whose every bit follows from the models' initial trees
// (escape = bit 1 at the root, the end leaf bit 0; a new pair's two nibbles
// through the nibble model; 0x44 closing the stream).
#include <gtest/gtest.h>

#include <string>

#include "bilevel_fixture.h"

namespace {

std::string Body(const std::string& file) { return file.size() > 24 ? file.substr(24) : std::string(); }

TEST(BilevelBytes, HeaderOfATopDownPictureWithWhiteFirst) {
    const std::string path = TestTempPath("header.kora");
    ASSERT_EQ(SaveBilevel(path, FilledBits(300, 2, true), 1, nullptr, true, K_TOP_DOWN), 1);
    const std::string expected("KORA\0\x01\x03\0\0\x02\0\x03\0\0\0\0\x2c\x01\x02\0\x01\x61\x01\0", 24);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 24), expected);
    ASSERT_EQ(SaveBilevel(path, FilledBits(300, 2, true), 3, nullptr, false, K_BOTTOM_UP), 1);
    const std::string file = ReadFileBytes(path);
    EXPECT_EQ(static_cast<unsigned char>(file[21]), 0x40);  // bottom-up, black first
    EXPECT_EQ(file[22], 3);                                 // the sub-type
}

struct HandVector {
    const char* what;
    BitPicture picture;
    int subType;
    std::string body;
};

TEST(BilevelBytes, HandDerivedBodies) {
    BitPicture dark = FilledBits(1, 1, false);
    const HandVector vectors[] = {
        // Pair (V0, V0) new in context 4: escape 1, nibble escape 1 + 0100,
        // nibble 4 now known (path 01); 11010001, then 0x44 whole.
        {"one pixel of the start colour", FilledBits(1, 1, true), 0, std::string("\xD1\x44", 2)},
        // A vertical-left 1 at b1 = width (applied from the row end in
        // sub-type 0) and the closing V0: pair 0x54; nibble 4 is new after
        // 5 (escape path 00 + 0100); 1 1 0101 00 0100, then 0x44's top bits.
        {"one pixel of the other colour", dark, 0, std::string("\xD4\x44", 2)},
        // Sub-type 2: the row pair's flag bit 0 first (nothing to examine in
        // a row this narrow keeps it), then the pair of both rows' V0.
        {"two rows with a flag bit", FilledBits(1, 2, true), 2, std::string("\x68\xA2", 2)},
        // 64 V0 modes: repeat 63 and one V0, pair 0xB4, then the count 63 as
        // the repeat model's escape and 111111.
        {"a run of 64 V0 modes", FilledBits(1, 64, true), 0, std::string("\xEC\x4F\xE8", 3)},
        // 11000000: horizontal 2 (colour 1) and 0, the second run reaching
        // the row end; pair (9, 4), then digit A of colour 1 new (1 000010)
        // and of colour 0 new (1 000000).
        {"a second run to the row end", BitPicture{8, 1, {0xC0}}, 0, std::string("\xE4\x48\x50\x11", 4)},
        // 00001111 then 10001111: row 0 is horizontal 0, 4 and would close
        // with V0 at b1 = width; instead row 1's first mode, vertical right
        // +1, closes it and is replayed (not coded again). Pair (9, 3) in
        // context 4, the runs, then V0 V0 as a pair in context 3 whose
        // nibble 4 is new and then coded 001 in the grown nibble tree.
        {"a vertical-right mode replayed", BitPicture{8, 2, {0x0F, 0x8F}}, 0, std::string("\xE4\x38\x11\x22\x14", 5)},
    };
    const std::string path = TestTempPath("vector.kora");
    for (const HandVector& v : vectors) {
        SCOPED_TRACE(v.what);
        ASSERT_EQ(SaveBilevel(path, v.picture, v.subType), 1);
        const std::string file = ReadFileBytes(path);
        EXPECT_EQ(Body(file), v.body);
        // And the hand-made body decodes to the picture.
        RecordGuard record;
        K_InitBitmap(record.get(), 0, 0, 0);
        ASSERT_EQ(K_DecompressBitmap1Bit(path.c_str(), record.get()), 1);
        EXPECT_TRUE(RecordBits(record.get()) == v.picture);
    }
}

}  // namespace
