// The compress-buffer triple: its refusals, row halving, input layouts, the
// own format's header and scan, custom tables and the bits of the scan.
#include <cstring>

#include "encode_fixture.h"
#include "jpeg/compressed_header.h"
#include "jpeg/jpeg_tables.h"

namespace {

struct Sink {
    std::string bytes;
};

int KAPI Collect(BitmapRecord*, unsigned char* bytes, int count, void* user) {
    static_cast<Sink*>(user)->bytes.append(reinterpret_cast<char*>(bytes), count);
    return K_OK;
}

// A bitmap description (no storage) as the triple reads it.
BitmapRecord Describe(int width, int height, int bits, bool grey = false, int order = K_ORDER_BGR) {
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    b.Width = width;
    b.Height = height;
    b.BitsPerPixel = bits;
    b.ColorOrder = order;
    b.ViewPerspective = K_TOP_DOWN;
    b.XResolution = 150;
    b.YResolution = 72;
    if (grey) b.Flags |= K_GRAY_PALETTE;
    return b;
}

int PixelBytes(const BitmapRecord& b) {
    return b.BitsPerPixel == 8 && !(b.Flags & K_GRAY_PALETTE) ? 3 : b.BitsPerPixel / 8;
}

// Packed rows (top-down) through the triple, rowsPerBuffer at a time; the
// first failing result, else End's.
int Encode(BitmapRecord b, const std::vector<unsigned char>& rows, int variant, int quality, int rowsPerBuffer,
           Sink* sink, int outputSize = 1000) {
    const int rowBytes = b.Width * PixelBytes(b);
    std::vector<unsigned char> out(outputSize);
    int result =
        K_StartCompressBuffer(&b, Collect, rowBytes * rowsPerBuffer, outputSize, out.data(), variant, quality, sink);
    if (result != K_OK) return result;
    std::vector<unsigned char> buffer(static_cast<size_t>(rowBytes) * rowsPerBuffer);
    for (int y = 0; y < b.Height; y += rowsPerBuffer) {
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        int n = std::min(rowsPerBuffer, b.Height - y);
        std::memcpy(buffer.data(), rows.data() + static_cast<size_t>(y) * rowBytes, static_cast<size_t>(n) * rowBytes);
        result = K_CompressBuffer(buffer.data());
        if (result != K_OK) {
            K_EndCompressBuffer();
            return result;
        }
    }
    return K_EndCompressBuffer();
}

std::vector<unsigned char> Rows24(const Rgb& p) {  // blue, green, red
    std::vector<unsigned char> rows(p.pixels.size());
    for (size_t i = 0; i < p.pixels.size(); i += 3) {
        rows[i] = p.pixels[i + 2];
        rows[i + 1] = p.pixels[i + 1];
        rows[i + 2] = p.pixels[i];
    }
    return rows;
}

std::string Scan(const std::string& jpeg) {
    std::vector<Segment> segments;
    std::string scan;
    EXPECT_TRUE(ParseJpeg(jpeg, &segments, &scan));
    return scan;
}

TEST(CompressBuffer, StartRefusesBadArguments) {
    struct Case {
        const char* name;
        BitmapRecord bitmap;
        int rowsPerBuffer, variant, quality, expected;
    };
    BitmapRecord order2 = Describe(16, 16, 24);
    order2.ColorOrder = 2;
    const Case cases[] = {
        {"variant 7", Describe(16, 16, 24), 16, 7, 50, K_ERR_FORMAT},
        {"variant -1", Describe(16, 16, 24), 16, -1, 50, K_ERR_FORMAT},
        {"quality -10", Describe(16, 16, 24), 16, 0, -10, K_ERR_COMPRESSARG},
        {"quality 256", Describe(16, 16, 24), 16, 0, 256, K_ERR_COMPRESSARG},
        {"preset outside own format", Describe(16, 16, 24), 16, 3, -5, K_ERR_COMPRESSARG},
        {"jfif quality 0", Describe(16, 16, 24), 16, 1, 0, K_ERR_QUALITY},
        {"7 rows", Describe(16, 16, 24), 7, 1, 50, K_ERR_SIZE},
        {"8 rows at 2x2", Describe(16, 16, 24), 8, 3, 50, K_ERR_SIZE},
        {"8 rows at 2x2 in TIFF", Describe(16, 16, 24), 8, 4, 50, K_ERR_SIZE},
        {"8 rows halving", Describe(16, 16, 24), 8, 0, 101, K_ERR_SIZE},
        {"8 rows own 2x2", Describe(16, 16, 24), 8, 0, 60, K_ERR_SIZE},
        {"4 bits", Describe(16, 16, 4), 16, 1, 50, K_ERR_BITS},
        {"colour order 2", order2, 16, 1, 50, K_ERR_ARGUMENT},
        {"width 0", Describe(0, 16, 24), 16, 1, 50, K_ERR_ROWWIDTH},
        {"row bytes above 65535", Describe(21846, 16, 24), 16, 1, 50, K_ERR_ROWWIDTH},
        {"height above 65535", Describe(16, 65536, 24), 16, 1, 50, K_ERR_ROWWIDTH},
        {"8 rows 4:4:4", Describe(16, 16, 24), 8, 1, 50, K_OK},
        {"8 rows 2x1 TIFF", Describe(16, 16, 24), 8, 6, 50, K_OK},
        {"8 rows own 2x1", Describe(16, 16, 24), 8, 0, 20, K_OK},
        {"grey halving turned off", Describe(16, 16, 8, true), 8, 0, 101, K_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapRecord b = c.bitmap;
        Sink sink;
        unsigned char out[256];
        const int rowBytes = std::max(1, b.Width) * std::max(1, PixelBytes(b));
        EXPECT_EQ(K_StartCompressBuffer(&b, Collect, rowBytes * c.rowsPerBuffer, sizeof out, out, c.variant, c.quality,
                                        &sink),
                  c.expected);
        K_EndCompressBuffer();
    }
}

TEST(CompressBuffer, SequenceErrors) {
    unsigned char rows[16 * 3 * 16] = {};
    EXPECT_EQ(K_CompressBuffer(rows), -30);
    EXPECT_EQ(K_CompressBuffer(nullptr), K_ERR_MEMORY);

    // Two buffers of 16 rows for 40 rows: -57, and the own format's trailer is still written.
    BitmapRecord b = Describe(16, 40, 24);
    Sink sink;
    unsigned char out[512];
    ASSERT_EQ(K_StartCompressBuffer(&b, Collect, sizeof rows, sizeof out, out, 0, 20, &sink), K_OK);
    EXPECT_EQ(K_StartCompressBuffer(&b, Collect, sizeof rows, sizeof out, out, 0, 20, &sink), -31);
    EXPECT_EQ(K_CompressBuffer(rows), K_OK);
    EXPECT_EQ(K_CompressBuffer(rows), K_OK);
    EXPECT_EQ(K_EndCompressBuffer(), -57);
    ASSERT_GE(sink.bytes.size(), 12u);
    EXPECT_EQ(sink.bytes.substr(sink.bytes.size() - 12, 4), "KORA");
}

TEST(CompressBuffer, RowHalvingCodesEveryRowPairAndTheOddLastRow) {
    // 33 rows at quality 101: Q 50, rows 0, 2, ... 32 coded, the third
    // buffer (one row) accepted, stored height 17 so the picture keeps all rows.
    Rgb picture = GradientPicture(20, 33);
    Sink sink;
    ASSERT_EQ(Encode(Describe(20, 33, 24), Rows24(picture), 0, 101, 16, &sink), K_OK);
    CompressedHeader h;
    ASSERT_TRUE(ReadCompressedHeader(reinterpret_cast<const uint8_t*>(sink.bytes.data()), sink.bytes.size(), &h));
    EXPECT_EQ(h.codedHeight, 17);
    EXPECT_EQ(h.quality, 50);
    EXPECT_EQ(h.codingFlags, kCodedHalfRows);  // 2x1
    EXPECT_GE(h.ImageHeight(), 33);

    // Grey: no halving, Q doubled.
    Sink grey;
    std::vector<unsigned char> greyRows(20 * 33, 100);
    ASSERT_EQ(Encode(Describe(20, 33, 8, true), greyRows, 0, 101, 16, &grey), K_OK);
    ASSERT_TRUE(ReadCompressedHeader(reinterpret_cast<const uint8_t*>(grey.bytes.data()), grey.bytes.size(), &h));
    EXPECT_EQ(h.codedHeight, 33);
    EXPECT_EQ(h.quality, 100);
    EXPECT_EQ(h.codingFlags, kCodedGrey | kCodedSampling1x1);
    EXPECT_EQ(h.bitsPerPixel, 8);
}

TEST(CompressBuffer, OwnFormatIsTheJfifScanWithItsTopBitInverted) {
    // Quality 44 of the own format is Q 50 at 2x1, as quality 50 of variant 5.
    Rgb picture = GradientPicture(45, 29);
    BitmapRecord b = Describe(45, 29, 24);
    b.ViewPerspective = K_BOTTOM_UP;
    Sink own, jfif;
    ASSERT_EQ(Encode(b, Rows24(picture), 0, 44, 8, &own), K_OK);
    ASSERT_EQ(Encode(b, Rows24(picture), 5, 50, 8, &jfif), K_OK);
    CompressedHeader h;
    ASSERT_TRUE(ReadCompressedHeader(reinterpret_cast<const uint8_t*>(own.bytes.data()), own.bytes.size(), &h));
    EXPECT_EQ(h.width, 45);
    EXPECT_EQ(h.codedHeight, 29);
    EXPECT_EQ(h.codingFlags, 0);
    EXPECT_EQ(h.bitsPerPixel, 24);
    EXPECT_EQ(h.rowOrder, 0);  // bottom-up input
    EXPECT_EQ(h.follows, 0);
    CompressedTrailer t;
    ASSERT_TRUE(ReadCompressedTrailer(reinterpret_cast<const uint8_t*>(own.bytes.data()) + own.bytes.size() - 12, &t));
    EXPECT_EQ(t.xResolution, 150);
    EXPECT_EQ(t.yResolution, 72);

    std::string body = own.bytes.substr(24, own.bytes.size() - 24 - 12);
    for (char& c : body) c = static_cast<char>(c ^ 0x80);
    EXPECT_EQ(body, Scan(jfif.bytes));
}

TEST(CompressBuffer, InputLayoutsCodeTheSamePicture) {
    // Red-green-blue order and 32-bit pixels code what blue-green-red 24-bit does.
    Rgb picture = GradientPicture(23, 17);
    std::vector<unsigned char> bgr = Rows24(picture), rgb = picture.pixels, bgrx;
    for (size_t i = 0; i < bgr.size(); i += 3) bgrx.insert(bgrx.end(), {bgr[i], bgr[i + 1], bgr[i + 2], 0x55});
    Sink a, b, c;
    ASSERT_EQ(Encode(Describe(23, 17, 24), bgr, 3, 40, 16, &a), K_OK);
    ASSERT_EQ(Encode(Describe(23, 17, 24, false, K_ORDER_RGB), rgb, 3, 40, 16, &b), K_OK);
    ASSERT_EQ(Encode(Describe(23, 17, 32), bgrx, 3, 40, 16, &c), K_OK);
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_EQ(a.bytes, c.bytes);
}

TEST(CompressBuffer, SixteenBitWhiteStaysWhite) {
    // Five-bit fields widen by repeating their top bits: 31 is 255, not 248.
    std::vector<unsigned char> rows(16 * 16 * 2);
    for (size_t i = 0; i < rows.size(); i += 2) rows[i] = 0xFF, rows[i + 1] = 0x7F;
    Sink sink;
    ASSERT_EQ(Encode(Describe(16, 16, 16), rows, 1, 2, 16, &sink), K_OK);
    std::string path = TestTempPath("white16.jpg");
    WriteFileBytes(path, sink.bytes);
    Rgb decoded = HostPnm("djpeg " + path);
    ASSERT_EQ(decoded.width, 16);
    for (unsigned char v : decoded.pixels) ASSERT_GE(v, 254);
}

TEST(CompressBuffer, ScanEndsWithOneBitsAndStuffsFF) {
    // Mid-grey 8x8 grey: DC category 0 ("00"), EOB ("1010"), then two 1-bits.
    std::vector<unsigned char> grey(64, 128);
    Sink sink;
    ASSERT_EQ(Encode(Describe(8, 8, 8, true), grey, 1, 50, 8, &sink), K_OK);
    EXPECT_EQ(Scan(sink.bytes), "\x2B");

    // Noise makes 0xFF bytes in the scan: each is followed by 0x00.
    Rgb noise{64, 64, std::vector<unsigned char>(64 * 64 * 3)};
    unsigned seed = 7;
    for (unsigned char& v : noise.pixels) v = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 24);
    Sink noisy;
    ASSERT_EQ(Encode(Describe(64, 64, 24), Rows24(noise), 1, 2, 16, &noisy), K_OK);
    std::string scan = Scan(noisy.bytes);
    int ff = 0;
    for (size_t i = 0; i + 1 < scan.size(); ++i)
        if (static_cast<unsigned char>(scan[i]) == 0xFF) {
            ++ff;
            EXPECT_EQ(scan[i + 1], 0);
        }
    EXPECT_GT(ff, 0);
}

std::string Dqt(const std::string& jpeg) {
    std::vector<Segment> segments;
    std::string scan;
    EXPECT_TRUE(ParseJpeg(jpeg, &segments, &scan));
    for (const Segment& s : segments)
        if (s.marker == 0xDB) return s.payload;
    return "";
}

TEST(CompressBuffer, QuantisationTablesInDqt) {
    Rgb picture = GradientPicture(16, 16);
    Sink q50;
    ASSERT_EQ(Encode(Describe(16, 16, 24), Rows24(picture), 1, 50, 16, &q50), K_OK);
    std::string dqt = Dqt(q50.bytes);
    ASSERT_EQ(dqt.size(), 130u);
    EXPECT_EQ(dqt[0], 0);
    EXPECT_EQ(dqt[65], 1);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(dqt[1 + i]), kLuminanceQuant[kZigzagToNatural[i]]);
        EXPECT_EQ(static_cast<unsigned char>(dqt[66 + i]), kChrominanceQuant[kZigzagToNatural[i]]);
    }

    // A custom table replaces every table, unscaled (low bytes); null restores.
    int custom[64];
    for (int i = 0; i < 64; ++i) custom[i] = 0x300 + i + 3;
    K_LoadCustomQTable(custom);
    Sink own;
    int result = Encode(Describe(16, 16, 24), Rows24(picture), 1, 90, 16, &own);
    K_LoadCustomQTable(nullptr);
    ASSERT_EQ(result, K_OK);
    dqt = Dqt(own.bytes);
    ASSERT_EQ(dqt.size(), 65u);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(static_cast<unsigned char>(dqt[1 + i]), i + 3);
    Sink again;
    ASSERT_EQ(Encode(Describe(16, 16, 24), Rows24(picture), 1, 50, 16, &again), K_OK);
    EXPECT_EQ(Dqt(again.bytes), Dqt(q50.bytes));
}

}  // namespace
