// The CCITT coder on its own: code words picked by hand from the T.4 code
// lists, round trips of every coding over awkward widths and pictures, and
// hostile streams that must end in a result, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>

#include "ccitt_fixture.h"
#include "fax/code_tables.h"
#include "volkg.h"

namespace {

FaxOptions Options(FaxCoding coding, int width) {
    FaxOptions o;
    o.coding = coding;
    o.width = width;
    return o;
}

// ---- Code words --------------------------------------------------------

TEST(CcittCodes, RowsCodedWithTheT4Words) {
    struct Case {
        const char* what;
        FaxCoding coding;
        Page page;
        int width;
        std::string bits;  // before the padding
    };
    const Page white1728 = {std::vector<uint8_t>(216, 0)};
    const Page white2700 = {std::vector<uint8_t>(338, 0)};
    const Case cases[] = {
        // Make-up 1728, terminating 0, padded to a byte.
        {"white 1728", FaxCoding::ModifiedHuffman, white1728, 1728,
         "010011011"
         "00110101"},
        {"white 2700 = 2560 + 128 + 12", FaxCoding::ModifiedHuffman, white2700, 2700,
         "000000011111"
         "10010"
         "001000"},
        {"starts black: white 0 first",
         FaxCoding::ModifiedHuffman,
         {RowOf("10000000")},
         8,
         "00110101"
         "010"
         "1111"},
        {"white 2623 = 2560 + 63",
         FaxCoding::ModifiedHuffman,
         {std::vector<uint8_t>(328, 0)},
         2623,
         "000000011111"
         "00110100"},
        {"white 2624 = 2560 + 64 + 0",
         FaxCoding::ModifiedHuffman,
         {std::vector<uint8_t>(328, 0)},
         2624,
         "000000011111"
         "11011"
         "00110101"},
        {"black 64 = make-up 64 + 0",
         FaxCoding::ModifiedHuffman,
         {RowOf(std::string(64, '1'))},
         64,
         "00110101"
         "0000001111"
         "0000110111"},
        // Group 4 against a white reference: horizontal (white 3, black 2),
        // then V0 at the row's end; EOFB.
        {"group 4 horizontal",
         FaxCoding::Group4,
         {RowOf("00011000")},
         8,
         "001"
         "1000"
         "11"
         "1"
         "000000000001"
         "000000000001"},
        // The same row again: three V0.
        {"group 4 vertical",
         FaxCoding::Group4,
         {RowOf("00011000"), RowOf("00011000")},
         8,
         "001100011"
         "1"
         "111"
         "000000000001000000000001"},
        // A white row under a black run: pass, then V0.
        {"group 4 pass",
         FaxCoding::Group4,
         {RowOf("01100000"), RowOf("00000000")},
         8,
         "001"
         "000111"
         "11"
         "1"
         "0001"
         "1"
         "000000000001000000000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> coded = Encode(Options(c.coding, c.width), c.page);
        std::string want = c.bits;
        want.append((8 - want.size() % 8) % 8, '0');
        EXPECT_EQ(BitsOf(coded), want);
    }
}

// Indices of the bit after each EOL (eleven or more 0 bits, then a 1).
std::vector<size_t> EolEnds(const std::string& bits) {
    std::vector<size_t> ends;
    int zeros = 0;
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '0') {
            ++zeros;
            continue;
        }
        if (zeros >= 11) ends.push_back(i + 1);
        zeros = 0;
    }
    return ends;
}

TEST(CcittCodes, Group3TwoDimensionalTagsAndAlignedEols) {
    std::mt19937 random(7);
    Page page;
    for (int y = 0; y < 8; ++y) {
        std::vector<uint8_t> row(RowBytes(1000));
        for (auto& b : row) b = static_cast<uint8_t>(random() & random());
        page.push_back(row);
    }
    FaxOptions o = Options(FaxCoding::Group3TwoD, 1000);
    o.alignEol = true;
    const std::string bits = BitsOf(Encode(o, page));
    const std::vector<size_t> ends = EolEnds(bits);
    // Eight rows and the six EOLs of RTC.
    ASSERT_EQ(ends.size(), 14u);
    std::string tags;
    for (size_t end : ends) {
        EXPECT_EQ(end % 8, 0u) << "an EOL that does not end on a byte";
        tags += bits[end];
    }
    EXPECT_EQ(tags,
              "10001000"
              "111111");
    // Group 4 has no EOL before its rows: only EOFB.
    EXPECT_EQ(EolEnds(BitsOf(Encode(Options(FaxCoding::Group4, 1000), page))).size(), 2u);
}

TEST(CcittCodes, TablesAreTheGeneratedOnes) {
    ASSERT_EQ(K_Create1BitTable(), 1);
    // White state 0 on 0x4D (0100 1101): make-up 1728 takes 9 bits, into
    // the next byte: a prefix state first.
    const unsigned char* code = CcittCodeTable(5);
    const unsigned char* next = CcittCodeTable(6);
    // 1000 xxxx: white run 3 (list entry 3 → code 5), next bit 4.
    EXPECT_EQ(code[0x80], 2 + 3);
    EXPECT_EQ(next[0x80], 4);
    // Black (state 8) 11xx xxxx: run 2 (code 108), next bit 2.
    EXPECT_EQ(code[8 * 256 + 0xC0], 106 + 2);
    EXPECT_EQ(next[8 * 256 + 0xC0], 2);
    // Nine 0 bits and a 1: no code (state 0 on 0x00 goes on; its prefix
    // state on 0x40 ends it).
    EXPECT_EQ(code[0x00], 0);
    EXPECT_EQ(code[next[0x00] * 256 + 0x40], 1);
    // 0000 0000 0001: EOL.
    EXPECT_EQ(code[next[0x00] * 256 + 0x10], 210);
    // 2-D: 1xxx xxxx is V0 (6), 0001 pass (1), 001 horizontal (2).
    EXPECT_EQ(CcittCodeTable(1)[0x80], 6);
    EXPECT_EQ(CcittCodeTable(1)[0x10], 1);
    EXPECT_EQ(CcittCodeTable(1)[0x20], 2);
    K_Free1BitTable();
}

// ---- Round trips ---------------------------------------------------------

Page Picture(int kind, int width, int height, std::mt19937& random) {
    Page page;
    for (int y = 0; y < height; ++y) {
        std::string px(width, '0');
        for (int x = 0; x < width; ++x) {
            switch (kind) {
                case 0:
                    px[x] = random() & 1 ? '1' : '0';
                    break;  // noise
                case 1:
                    px[x] = x % 2 ? '0' : '1';
                    break;  // finest stripes
                case 2:
                    px[x] = ((x / 5 + y / 3) % 7 == 0 || (x + 2 * y) % 31 < 3) ? '1' : '0';
                    break;  // shapes
                case 3:
                    px[x] = '1';
                    break;  // black
                default:
                    px[x] = (x > y && x < 3 * y) ? '1' : '0';
                    break;  // slopes
            }
        }
        std::vector<uint8_t> row = RowOf(px);
        // Pixels past the width are noise: the coder must ignore them.
        if (width % 8) row.back() |= static_cast<uint8_t>(0xFF >> (width % 8));
        page.push_back(row);
    }
    return page;
}

TEST(CcittRoundTrip, EveryCodingWidthAndPicture) {
    std::mt19937 random(11);
    const FaxCoding codings[] = {FaxCoding::ModifiedHuffman, FaxCoding::Group3OneD, FaxCoding::Group3TwoD,
                                 FaxCoding::Group4};
    const int widths[] = {1, 13, 1728, 2701};
    for (FaxCoding coding : codings)
        for (int width : widths)
            for (int kind = 0; kind < 5; ++kind)
                for (bool reverse : {false, true})
                    for (bool align : {false, true}) {
                        SCOPED_TRACE(testing::Message()
                                     << "coding " << static_cast<int>(coding) << " width " << width << " picture "
                                     << kind << " reverse " << reverse << " align " << align);
                        FaxOptions o = Options(coding, width);
                        o.reverseBits = reverse;
                        o.alignEol = align;
                        Page page = Picture(kind, width, 9, random);
                        const std::vector<uint8_t> coded = Encode(o, page);
                        int result = 0;
                        Page back = Decode(o, coded, 9, &result, 1 + random() % 9);
                        ASSERT_EQ(result, 1);
                        for (int y = 0; y < 9; ++y) {
                            ClearPadding(page[y], width);
                            ASSERT_EQ(back[y], page[y]) << "row " << y;
                        }
                    }
}

TEST(CcittRoundTrip, WidestRowOfSingleBlackPixels) {
    std::mt19937 random(3);
    const int width = ccitt::kMaxWidth;
    for (FaxCoding coding : {FaxCoding::Group3TwoD, FaxCoding::Group4}) {
        Page page = Picture(1, width, 3, random);
        int result = 0;
        Page back = Decode(Options(coding, width), Encode(Options(coding, width), page), 3, &result, 4096);
        ASSERT_EQ(result, 1);
        for (int y = 0; y < 3; ++y) {
            ClearPadding(page[y], width);
            EXPECT_EQ(back[y], page[y]);
        }
    }
}

// ---- Limits and failures ---------------------------------------------------

TEST(CcittLimits, WidthsTheCoderRefuses) {
    for (int width : {0, -5, ccitt::kMaxWidth + 1, 30000, 1 << 30}) {
        FaxDecoder d;
        FaxEncoder e;
        MemorySink sink;
        EXPECT_EQ(d.Init(Options(FaxCoding::Group4, width)), K_ERR_ARGUMENT) << width;
        EXPECT_EQ(e.Start(Options(FaxCoding::Group4, width), &sink), K_ERR_ARGUMENT) << width;
    }
}

TEST(CcittLimits, WriteFailuresAreReported) {
    MemorySink sink(10);
    FaxEncoder e;
    ASSERT_EQ(e.Start(Options(FaxCoding::Group3OneD, 1728), &sink), 1);
    std::mt19937 random(5);
    Page page = Picture(0, 1728, 4, random);
    int last = 1;
    for (const auto& row : page) last = e.EncodeRow(row.data());
    EXPECT_EQ(last, K_ERR_WRITE);
    EXPECT_EQ(e.Finish(), K_ERR_WRITE);
    EXPECT_EQ(e.bytesWritten(), 10u);
}

// Hand-made streams: what each row must hold and the result of the last row.
TEST(CcittHostile, StreamsDecodeWithinTheRow) {
    const std::string eofb = "000000000001000000000001";
    struct Case {
        const char* what;
        FaxCoding coding;
        int width;
        std::string bits;
        std::vector<std::string> rows;  // expected rows, '0'/'1'
        int result;                     // of the row after them (or 1: no more rows read)
    };
    const Case cases[] = {
        // VL3 from the white reference's end (a1 = 7), then pass with b2 at
        // the end mark: the fill stops at the width.
        {"pass to the end mark",
         FaxCoding::Group4,
         10,
         "0000010"
         "0001",
         {"0000000111"},
         1},
        // VL3 then VR3 from the end mark: a1 = width + 3 is cut at the width.
        {"vertical right past the width",
         FaxCoding::Group4,
         10,
         "0000010"
         "0000011",
         {"0000000111"},
         1},
        // Row 1 black at 2; row 2: V0 (a1 = 2), then VL3 from b1 = 3 asks
        // for a1 = 0, left of a0: nothing is filled backwards.
        {"vertical left before a0",
         FaxCoding::Group4,
         10,
         "001"
         "0111"
         "010"
         "1"
         "1"
         "0000010"
         "1",
         {"0010000000", "0000000000"},
         1},
        // Uncompressed mode: "1" black, "01" white black, exit "0000001"
        // with tag 0, then V0 to the end.
        {"uncompressed mode",
         FaxCoding::Group4,
         10,
         "0000001111"
         "1"
         "01"
         "0000001"
         "0"
         "1",
         {"1010000000"},
         1},
        // Uncompressed pixels beyond the width are dropped.
        {"uncompressed past the width",
         FaxCoding::Group4,
         4,
         "0000001111"
         "01"
         "01"
         "01"
         "01"
         "0000001"
         "0",
         {"0101"},
         1},
        // A row ends at EOFB, and so does the page: the rows after it are white.
        {"group 4 ends at EOFB",
         FaxCoding::Group4,
         8,
         "001"
         "0111"
         "11"
         "1" +
             eofb + "1111",
         {"00110000", "00000000", "00000000"},
         1},
        // An extension other than uncompressed mode ends the row.
        {"other extension",
         FaxCoding::Group4,
         8,
         "001"
         "0111"
         "11"
         "1"
         "0000001010",
         {"00110000", "00000000"},
         1},
        {"bad code in a horizontal run",
         FaxCoding::Group4,
         16,
         "001"
         "0000000001",
         {},
         ccitt::kBadModeCode},
        // Runs adding up past the width are cut; the data up to the next EOL
        // is passed over.
        {"group 3 runs past the width",
         FaxCoding::Group3OneD,
         8,
         "000000000001"
         "0111"
         "11"
         "1011"
         "1111111"
         "000000000001"
         "1111"
         "010"
         "00110101"
         "000000000001",
         {"00110000", "00000001"},
         1},
        // A bad 1-D code cuts the row; decoding goes on after the next EOL.
        {"group 3 bad code",
         FaxCoding::Group3OneD,
         8,
         "000000000001"
         "0111"
         "0000000001"
         "000000000001"
         "00110101"
         "11"
         "1110",
         {"00000000", "11000000"},
         1},
        // An EOL inside a 2-D row.
        {"group 3 EOL in a 2-D row",
         FaxCoding::Group3TwoD,
         8,
         "000000000001"
         "0"
         "000000000001"
         "1"
         "1000"
         "10"
         "1"
         "11",
         {},
         ccitt::kEolInRow},
        {"data ends in a row",
         FaxCoding::Group3OneD,
         1728,
         "000000000001"
         "010011011",
         {},
         ccitt::kDataEnded},
        {"no data", FaxCoding::Group4, 1728, "", {}, ccitt::kDataEnded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int rows = static_cast<int>(c.rows.size()) + (c.result == 1 && c.rows.size() ? 0 : 1);
        int result = 0;
        Page back = Decode(Options(c.coding, c.width), BytesOf(c.bits), rows, &result, 1);
        EXPECT_EQ(result, c.result);
        for (size_t y = 0; y < c.rows.size() && y < back.size(); ++y)
            EXPECT_EQ(back[y], RowOf(c.rows[y])) << "row " << y;
    }
}

// Streams that code nothing but keep the decoder busy end when the data ends.
TEST(CcittHostile, EndlessCodesEndWithTheData) {
    std::string zeroRuns, horizontals;
    for (int i = 0; i < 20000; ++i)
        zeroRuns +=
            "00110101"
            "0000110111";  // white 0, black 0
    for (int i = 0; i < 20000; ++i)
        horizontals +=
            "001"
            "00110101"
            "0000110111"
            "0000010";
    struct Case {
        FaxCoding coding;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {FaxCoding::ModifiedHuffman, BytesOf(zeroRuns)},
        {FaxCoding::Group3OneD, BytesOf("000000000001" + zeroRuns)},
        {FaxCoding::Group4, BytesOf(horizontals)},
        {FaxCoding::Group3OneD, std::vector<uint8_t>(100000, 0xFF)},
        {FaxCoding::Group3TwoD, std::vector<uint8_t>(100000, 0x00)},
        {FaxCoding::Group4, std::vector<uint8_t>(100000, 0x02)},
    };
    for (const Case& c : cases) {
        int result = 0;
        // More rows than bytes: the data must run out first.
        Decode(Options(c.coding, 64), c.data, 200000, &result, 4096);
        EXPECT_LT(result, 0) << static_cast<int>(c.coding);
    }
}

}  // namespace
