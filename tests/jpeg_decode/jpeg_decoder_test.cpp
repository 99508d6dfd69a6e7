// The decoder's contract: what reaches the callback (depths, colour order,
// rows per call, resizing, palettes), what stops it, the library's own
// compressed format, and the files it must refuse with a code.
#include <cstring>

#include "core/palette.h"
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_tables.h"
#include "jpeg_fixture.h"

namespace {

struct Calls {
    std::vector<int> counts;
    std::vector<unsigned char> rows;
    int stride = 0;
    int stopWith = 1;
};

int KAPI Record(BitmapRecord*, unsigned char* rows, int count, void* user) {
    auto* c = static_cast<Calls*>(user);
    c->counts.push_back(count);
    c->rows.insert(c->rows.end(), rows, rows + static_cast<size_t>(count) * c->stride);
    return c->stopWith;
}

BitmapRecord Bitmap(int width, int height, int bits, int order = K_ORDER_BGR) {
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    K_InitBitmap(&b, width, height, bits);
    b.ColorOrder = order;
    return b;
}

// A cjpeg file of the textured picture.
std::string Peer(const std::string& name, const std::string& options, int width = 40, int height = 33) {
    return PeerJpeg(TexturedPicture(width, height), name, "-baseline " + options);
}

// The scan data of a marker stream: the bytes after the SOS segment, up to EOI.
std::string ScanData(const std::string& jpeg) {
    size_t i = 2;
    while (i + 4 <= jpeg.size()) {
        const unsigned char m = static_cast<unsigned char>(jpeg[i + 1]);
        const size_t length = static_cast<unsigned char>(jpeg[i + 2]) << 8 | static_cast<unsigned char>(jpeg[i + 3]);
        if (m == 0xDA) return jpeg.substr(i + 2 + length, jpeg.size() - (i + 2 + length) - 2);
        i += 2 + length;
    }
    return {};
}

// The library's own format around a cjpeg scan that used the standard
// tables at quality 50: header (tag, flags, size, row order, Q = 50), the
// scan with every byte less 128, then the trailer.
std::string OwnFile(const std::string& jpeg, int width, int height, unsigned char flags, unsigned char rowOrder) {
    std::string f(24, '\0');
    std::memcpy(&f[0], "KORA", 4);
    f[6] = static_cast<char>(flags);
    f[16] = static_cast<char>(width & 0xFF), f[17] = static_cast<char>(width >> 8);
    f[18] = static_cast<char>(height & 0xFF), f[19] = static_cast<char>(height >> 8);
    f[20] = flags & 0x40 ? 8 : 24;
    f[21] = static_cast<char>(rowOrder);
    f[22] = 50;
    for (char c : ScanData(jpeg)) f += static_cast<char>(static_cast<unsigned char>(c) + 128);
    std::string trailer(12, '\0');
    std::memcpy(&trailer[0], "KORA", 4);
    trailer[4] = 72, trailer[6] = 96;
    return f + trailer;
}

TEST(JpegDecoder, DepthsAndColourOrderReachTheCallback) {
    const std::string path = Peer("jd_depths", "-sample 2x1");
    const Rgb reference = DecodeRgb(path);
    ASSERT_EQ(reference.width, 40);
    // 16 bits are delivered as 24-bit rows, 32 with a fourth byte; RGB order swaps.
    for (int bits : {16, 24, 32}) {
        for (int order : {K_ORDER_RGB, K_ORDER_BGR}) {
            SCOPED_TRACE(bits * 10 + order);
            BitmapRecord b = Bitmap(40, 33, 24, order);
            const int pixelBytes = bits == 32 ? 4 : 3;
            Calls c;
            c.stride = (40 * pixelBytes + 3) & ~3;
            ASSERT_EQ(K_DecompressFile(path.c_str(), &b, Record, bits, &c, 4), K_OK);
            ASSERT_EQ(c.rows.size(), static_cast<size_t>(33) * c.stride);
            EXPECT_EQ(b.ViewPerspective, K_TOP_DOWN);
            for (int y = 0; y < 33; y += 8)
                for (int x = 0; x < 40; x += 3) {
                    const unsigned char* p = &c.rows[static_cast<size_t>(y) * c.stride + x * pixelBytes];
                    const unsigned char* q = &reference.pixels[(static_cast<size_t>(y) * 40 + x) * 3];
                    EXPECT_EQ(p[order == K_ORDER_RGB ? 0 : 2], q[0]);
                    EXPECT_EQ(p[1], q[1]);
                    EXPECT_EQ(p[order == K_ORDER_RGB ? 2 : 0], q[2]);
                }
        }
    }
    BitmapRecord b = Bitmap(40, 33, 24);
    Calls c;
    c.stride = 120;
    EXPECT_EQ(K_DecompressFile(path.c_str(), &b, Record, 7, &c, 4), K_ERR_BITS);
    EXPECT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, -1), K_ERR_ARGUMENT);
    b.ColorOrder = 2;
    EXPECT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), K_ERR_ARGUMENT);
    EXPECT_TRUE(c.counts.empty());
}

TEST(JpegDecoder, CallbackStopsTheDecodeWithItsValue) {
    const std::string path = Peer("jd_stop", "-sample 2x2");
    BitmapRecord b = Bitmap(40, 33, 24);
    Calls c;
    c.stride = 120;
    c.stopWith = 5;
    EXPECT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), 5);
    EXPECT_EQ(c.counts.size(), 1u);
}

TEST(JpegDecoder, RowsPerCall) {
    const std::string path = Peer("jd_lines", "-sample 2x2", 24, 70);
    EXPECT_EQ(K_SetCallbackLine(0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SetCallbackLine(-3), K_ERR_ARGUMENT);
    // 16-row MCU rows, LinesPerCall 20: whole MCU rows, at most 20 a call.
    ASSERT_EQ(K_SetCallbackLine(20), 20);
    BitmapRecord b = Bitmap(24, 70, 24);
    Calls c;
    c.stride = 72;
    ASSERT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), K_OK);
    EXPECT_EQ(c.counts, (std::vector<int>{16, 16, 16, 16, 6}));
    // LinesPerCall 40: as many whole MCU rows as fit.
    K_SetCallbackLine(40);
    c = Calls{};
    c.stride = 72;
    ASSERT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), K_OK);
    EXPECT_EQ(c.counts, (std::vector<int>{32, 38}));
    // Enlarged vertically: rows repeated, exactly LinesPerCall a call.
    K_SetCallbackLine(16);
    BitmapRecord tall = Bitmap(24, 150, 24);
    c = Calls{};
    c.stride = 72;
    ASSERT_EQ(K_DecompressFile(path.c_str(), &tall, Record, 24, &c, 4), K_OK);
    int total = 0;
    for (size_t i = 0; i < c.counts.size(); ++i) {
        total += c.counts[i];
        if (i + 1 < c.counts.size()) {
            EXPECT_EQ(c.counts[i], 16);
        }
    }
    EXPECT_EQ(total, 150);
}

TEST(JpegDecoder, ResizedRowsAreTheSameInBothColourOrders) {
    const std::string path = Peer("jd_resize", "-sample 1x1");
    const Rgb full = DecodeRgb(path);
    for (auto [w, h] : {std::pair{90, 70}, std::pair{17, 11}, std::pair{40, 80}, std::pair{63, 20}}) {
        SCOPED_TRACE(w * 1000 + h);
        int r1 = 0, r2 = 0;
        const Rgb bgr = DecodeRgb(path, &r1, w, h, K_ORDER_BGR);
        const Rgb rgb = DecodeRgb(path, &r2, w, h, K_ORDER_RGB);
        ASSERT_EQ(r1, K_OK);
        ASSERT_EQ(r2, K_OK);
        EXPECT_EQ(bgr, rgb);
        // Every output pixel is a pixel of the picture, in picture order.
        int lastX = 0;
        for (int x = 0; x < w; ++x) {
            int found = -1;
            for (int sx = lastX; sx < 40 && found < 0; ++sx)
                if (std::memcmp(&full.pixels[sx * 3], &bgr.pixels[x * 3], 3) == 0) found = sx;
            ASSERT_GE(found, 0) << "column " << x;
            lastX = found;
        }
    }
}

TEST(JpegDecoder, PalettesAtEightAndFourBits) {
    const std::string colour = Peer("jd_pal_colour", "-sample 2x1");
    const std::string grey = Peer("jd_pal_grey", "-grayscale");
    // Colour at 8 bits: the ordered 3-3-2 dither with the fixed palette.
    BitmapRecord b = Bitmap(40, 33, 8);
    Calls c;
    c.stride = b.BytesPerLine;
    ASSERT_EQ(K_DecompressFile(colour.c_str(), &b, Record, 8, &c, 4), K_OK);
    EXPECT_TRUE(b.Flags & K_FIXED_PALETTE_IN_USE);
    EXPECT_EQ(c.rows.size(), static_cast<size_t>(33) * b.BytesPerLine);
    // Grey at 8 bits: its own grey ramp, and the grey rows unchanged.
    K_SetGrayFixedPalette(0);
    BitmapRecord g = Bitmap(40, 33, 8);
    Calls cg;
    cg.stride = g.BytesPerLine;
    ASSERT_EQ(K_DecompressFile(grey.c_str(), &g, Record, 8, &cg, 4), K_OK);
    EXPECT_TRUE(g.Flags & K_GRAY_PALETTE);
    RGBQUAD ramp[256] = {};
    ASSERT_TRUE(PaletteInUse(&g));
    GetPaletteColors(PaletteInUse(&g), ramp, 256);
    EXPECT_EQ(ramp[200].rgbRed, 200);
    EXPECT_EQ(ramp[200].rgbBlue, 200);
    const Rgb greyRgb = DecodeRgb(grey);
    for (int x = 0; x < 40; ++x) EXPECT_EQ(cg.rows[x], greyRgb.pixels[x * 3]);

    // With the fixed palette for grey, and for colour at 4 bits, rows are
    // error-diffused to the fixed palette: block means stay near the picture.
    K_SetGrayFixedPalette(1);
    for (const std::string& path : {grey, colour, Peer("jd_pal_1x2", "-sample 1x2")}) {
        SCOPED_TRACE(path);
        const Rgb truth = DecodeRgb(path);
        for (int bits : {8, 4}) {
            if (bits == 8 && path != grey) continue;
            BitmapRecord d = Bitmap(40, 33, bits);
            Calls cd;
            cd.stride = (40 + 3) & ~3;
            ASSERT_EQ(K_DecompressFile(path.c_str(), &d, Record, bits, &cd, 4), K_OK);
            EXPECT_TRUE(d.Flags & K_FIXED_PALETTE_IN_USE);
            for (int by = 0; by + 8 <= 32; by += 8)
                for (int bx = 0; bx + 8 <= 40; bx += 8)
                    for (int ch = 0; ch < 3; ++ch) {
                        int sum = 0, want = 0;
                        for (int y = by; y < by + 8; ++y)
                            for (int x = bx; x < bx + 8; ++x) {
                                const RGBQUAD& q = FixedPalette256[cd.rows[static_cast<size_t>(y) * cd.stride + x]];
                                sum += ch == 0 ? q.rgbRed : ch == 1 ? q.rgbGreen : q.rgbBlue;
                                want += truth.pixels[(static_cast<size_t>(y) * 40 + x) * 3 + ch];
                            }
                        EXPECT_NEAR(sum / 64, want / 64, 24) << bx << "," << by << " channel " << ch;
                    }
        }
    }
    K_SetGrayFixedPalette(0);
}

TEST(JpegDecoder, OwnFormatDecodesLikeTheSameScanInJfif) {
    struct Case {
        const char* options;
        unsigned char flags;
    } cases[] = {{"-sample 2x1", 0}, {"-sample 1x1", 0x20}, {"-sample 2x2", 0x10}, {"-grayscale", 0x40}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.options);
        const std::string jpeg =
            Peer(std::string("jd_own_") + std::to_string(k.flags), std::string(k.options) + " -quality 50", 37, 21);
        const Rgb jfif = DecodeRgb(jpeg);
        ASSERT_EQ(jfif.width, 37);
        for (unsigned char order : {0x20, 0x00}) {
            const std::string own = WriteTemp("jd_own.cmp", OwnFile(Bytes(jpeg), 37, 21, k.flags, order));
            FileInfoRecord info;
            ASSERT_EQ(K_FileInfo(own.c_str(), &info), K_OK);
            EXPECT_EQ(info.FormatCode, K_FORMAT_COMPRESSED);
            EXPECT_EQ(info.ViewPerspective, order ? K_TOP_DOWN : K_BOTTOM_UP);
            BitmapRecord b = Bitmap(37, 21, 24);
            Calls c;
            c.stride = b.BytesPerLine;
            ASSERT_EQ(K_DecompressFile(own.c_str(), &b, Record, 24, &c, 4), K_OK);
            EXPECT_EQ(b.ViewPerspective, order ? K_TOP_DOWN : K_BOTTOM_UP);
            EXPECT_EQ(b.XResolution, 72);
            EXPECT_EQ(b.YResolution, 96);
            ASSERT_EQ(c.rows.size(), static_cast<size_t>(21) * c.stride);
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 37; ++x)
                    for (int ch = 0; ch < 3; ++ch)
                        ASSERT_EQ(c.rows[static_cast<size_t>(y) * c.stride + x * 3 + 2 - ch],
                                  jfif.pixels[(static_cast<size_t>(y) * 37 + x) * 3 + ch]);
        }
    }
}

TEST(JpegDecoder, DoubledHeightGivesEveryRowTwiceAlsoResized) {
    const std::string jpeg = Peer("jd_double", "-sample 2x1 -quality 50", 30, 9);
    const Rgb half = DecodeRgb(jpeg);
    const std::string own = WriteTemp("jd_double.cmp", OwnFile(Bytes(jpeg), 30, 9, 0x80, 0x20));
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(own.c_str(), &info), K_OK);
    ASSERT_EQ(info.Height, 18);
    for (int height : {18, 27, 7}) {
        SCOPED_TRACE(height);
        BitmapRecord b = Bitmap(30, height, 24);
        Calls c;
        c.stride = b.BytesPerLine;
        ASSERT_EQ(K_DecompressFile(own.c_str(), &b, Record, 24, &c, 4), K_OK);
        ASSERT_EQ(c.rows.size(), static_cast<size_t>(height) * c.stride);
        if (height == 18) {
            for (int y = 0; y < 18; ++y)
                EXPECT_EQ(c.rows[static_cast<size_t>(y) * c.stride + 5 * 3 + 2],
                          half.pixels[(static_cast<size_t>(y / 2) * 30 + 5) * 3]);
        }
    }
}

TEST(JpegDecoder, RefusedFilesEndWithACode) {
    const Rgb picture = TexturedPicture(24, 16);
    std::string ppm = WritePpm(picture, "jd_refused.ppm");
    const std::string base = TestTempPath("jd_refused_");
    HostScript("cjpeg -progressive -outfile " + base + "prog.jpg " + ppm + "\n" + "cjpeg -arithmetic -outfile " + base +
               "arith.jpg " + ppm + "\n" + "cjpeg -quality 3 -outfile " + base + "dqt16.jpg " + ppm + "\n" +
               std::string(kConvert) + " " + ppm + " -colorspace CMYK " + base + "cmyk.jpg\n");
    for (const char* name : {"prog", "arith", "dqt16", "cmyk"}) {
        SCOPED_TRACE(name);
        const std::string path = base + name + ".jpg";
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_JPEG);
        if (std::string(name) == "prog") {
            EXPECT_EQ(info.Width, 0);
        }
        BitmapRecord b = Bitmap(24, 16, 24);
        Calls c;
        c.stride = 72;
        EXPECT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), K_ERR_FORMAT);
        EXPECT_TRUE(c.counts.empty());
    }
}

// Segment offsets of a cjpeg file (2x1, one DQT per table, one DHT per table).
size_t Find(const std::string& s, unsigned char marker) {
    size_t i = 2;
    while (i + 4 <= s.size()) {
        if (static_cast<unsigned char>(s[i + 1]) == marker) return i;
        i += 2 + (static_cast<unsigned char>(s[i + 2]) << 8 | static_cast<unsigned char>(s[i + 3]));
    }
    return std::string::npos;
}

TEST(JpegDecoder, HostileHeadersAreRefused) {
    const std::string good = Bytes(Peer("jd_hostile", "-sample 2x1"));
    struct Recipe {
        const char* what;
        unsigned char marker;
        size_t offset;  // from the marker
        std::string bytes;
        int code;
    } recipes[] = {
        {"DQT table id above the four slots", 0xDB, 4, "\x05", K_ERR_FORMAT},
        {"DQT with 16-bit entries", 0xDB, 4, "\x10", K_ERR_FORMAT},
        {"DQT length not a multiple of 65", 0xDB, 2, std::string("\x00\x40", 2), K_ERR_FORMAT},
        {"DHT counts above 256 symbols", 0xC4, 5, std::string(16, '\xFF'), K_ERR_FORMAT},
        {"DHT class and number", 0xC4, 4, "\x22", K_ERR_FORMAT},
        {"DHT codes overflowing their lengths", 0xC4, 5, std::string("\x03\x00", 2), K_ERR_FORMAT},
        {"SOF quantisation table id 7", 0xC0, 12, "\x07", K_ERR_FORMAT},
        {"SOF two components", 0xC0, 9, "\x02", K_ERR_FORMAT},
        {"SOF sampling 3x1", 0xC0, 11, "\x31", K_ERR_FORMAT},
        {"SOF zero width", 0xC0, 7, std::string("\x00\x00", 2), K_ERR_FORMAT},
        {"SOF precision 12", 0xC0, 4, "\x0C", K_ERR_FORMAT},
        {"SOS table ids 5 and 6", 0xDA, 6, "\x56", K_ERR_FORMAT},
        {"SOS table id 3, never defined", 0xDA, 6, "\x33", -50},
        {"SOS component count", 0xDA, 4, "\x02", K_ERR_FORMAT},
        {"segment length 1", 0xDB, 2, std::string("\x00\x01", 2), K_ERR_FORMAT},
    };
    for (const Recipe& r : recipes) {
        SCOPED_TRACE(r.what);
        std::string bad = good;
        const size_t at = Find(bad, r.marker);
        ASSERT_NE(at, std::string::npos);
        bad.replace(at + r.offset, r.bytes.size(), r.bytes);
        const std::string path = WriteTemp("jd_hostile_bad.jpg", bad);
        BitmapRecord b = Bitmap(40, 33, 24);
        Calls c;
        c.stride = 120;
        EXPECT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), r.code);
    }
}

TEST(JpegDecoder, TruncatedAtEveryOffsetEndsWithACode) {
    for (const char* options : {"-sample 2x2 -quality 60", "-sample 2x1 -restart 1"}) {
        SCOPED_TRACE(options);
        const std::string whole = Bytes(Peer("jd_trunc", options, 19, 17));
        for (size_t n = 1; n < whole.size(); ++n) {
            BitmapRecord b = Bitmap(19, 17, 24);
            Calls c;
            c.stride = b.BytesPerLine;
            const int r = K_DecompressMemory(whole.data(), &b, Record, 24, &c, 4, static_cast<int>(n));
            // Cut in the headers: a negative code; cut in the scan: the
            // rest decodes as zeros, or the missing restart marker is said.
            EXPECT_TRUE(r == K_OK || r < 0) << n << ": " << r;
            if (r == K_OK) {
                EXPECT_EQ(c.rows.size(), static_cast<size_t>(17) * c.stride) << n;
            }
        }
    }
}

// Scan data that stops long before the picture does is a truncated file:
// the rows decoded before the data ran out reach the callback, then -62;
// the rest is not decoded from nothing. Data that ends inside the last MCU
// row still completes the picture.
TEST(JpegDecoder, DataEndingLongBeforeThePictureIsTruncation) {
    const std::string whole = Bytes(Peer("jd_dry", "-sample 2x2", 64, 64));
    const std::string scan = ScanData(whole);
    const size_t scanStart = whole.size() - 2 - scan.size();
    std::string hugeFrame = whole;
    const size_t sof = Find(hugeFrame, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    hugeFrame.replace(sof + 5, 4, std::string("\x4E\x20\x4E\x20", 4));  // 20000 x 20000
    struct Case {
        const char* what;
        std::string bytes;
        int width, height;  // the bitmap's
        int code;
        int minRows, maxRows;  // rows that reach the callback
    } cases[] = {
        {"cut in the second MCU row", whole.substr(0, scanStart + scan.size() * 3 / 8), 64, 64, -62, 16, 32},
        {"EOI in the second MCU row", whole.substr(0, scanStart + scan.size() * 3 / 8) + "\xFF\xD9", 64, 64, -62, 16,
         32},
        {"cut in the last MCU row", whole.substr(0, whole.size() - 8), 64, 64, K_OK, 64, 64},
        {"a small scan under a frame of 20000 x 20000", hugeFrame, 100, 100, -62, 0, 1},
        // The library's own format: 59 bytes declaring 62976 x 2172.
        {"own header with no data behind it",
         std::string("\x4B\x4F\x52\x41\x00\x00\x01\x60\x00\x00\xE5\x81\x1C\x1D\xDC\x31\x00\xF6\x7C\x08\x00\xB0\x60\x00"
                     "\x00\x00\x01\x60\x00\x00\xE5\x81\x1C\x1D\xDC\x31\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x1E\x10"
                     "\x00\x00\x00\x08\x39\x00\x00\x00\x00\x93\x08",
                     59),
         100, 100, -62, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        BitmapRecord b = Bitmap(k.width, k.height, 24);
        Calls c;
        c.stride = b.BytesPerLine;
        EXPECT_EQ(K_DecompressMemory(k.bytes.data(), &b, Record, 24, &c, 4, static_cast<int>(k.bytes.size())), k.code);
        const int rows = static_cast<int>(c.rows.size() / c.stride);
        EXPECT_GE(rows, k.minRows);
        EXPECT_LE(rows, k.maxRows);
    }
}

// Coefficients far beyond what an 8-bit picture gives, at the coarsest
// steps: DC values of 11 bits and AC values of 15 bits under a table of
// 255s. Their products do not fit 32 bits; the decode must still end
// cleanly (the sanitizers watch the arithmetic) with the picture clamped.
TEST(JpegDecoder, ExtremeCoefficientsDecodeWithoutOverflow) {
    std::string f("\xFF\xD8", 2);
    f += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\xFF');
    // DC: one 1-bit code, size 11. AC: 2-bit codes for run 0 size 15 and end of block.
    f += std::string("\xFF\xC4\x00\x14\x00\x01", 6) + std::string(15, '\0') + "\x0B";
    f += std::string("\xFF\xC4\x00\x15\x10\x00\x02", 7) + std::string(14, '\0') + std::string("\x0F\x00", 2);
    const int blocks = 16;
    f += std::string("\xFF\xC0\x00\x0B\x08\x00", 6) + static_cast<char>(8 * blocks) +
         std::string("\x00\x08\x01\x01\x11\x00", 6);
    f += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    // Every block: code 0 and eleven 1s for DC, then 63 times code 00 and
    // fifteen 1s; the 1s make FF bytes, stuffed.
    std::string bits;
    for (int b = 0; b < blocks; ++b) {
        bits += "0" + std::string(11, '1');
        for (int k = 1; k < 64; ++k) bits += "00" + std::string(15, '1');
    }
    bits.resize((bits.size() + 7) / 8 * 8, '1');
    for (size_t i = 0; i < bits.size(); i += 8) {
        const unsigned char byte = static_cast<unsigned char>(std::stoi(bits.substr(i, 8), nullptr, 2));
        f += static_cast<char>(byte);
        if (byte == 0xFF) f += '\0';
    }
    f += std::string("\xFF\xD9", 2);
    BitmapRecord b = Bitmap(8, 8 * blocks, 24);
    Calls c;
    c.stride = b.BytesPerLine;
    ASSERT_EQ(K_DecompressMemory(f.data(), &b, Record, 24, &c, 4, static_cast<int>(f.size())), K_OK);
    ASSERT_EQ(c.rows.size(), static_cast<size_t>(8 * blocks) * c.stride);
    // Grey stays grey, and the top-left pixel, where every term adds, is white.
    for (size_t y = 0; y < static_cast<size_t>(8 * blocks); ++y)
        for (size_t x = 0; x < 8; ++x) {
            const unsigned char* p = &c.rows[y * c.stride + 3 * x];
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
        }
    EXPECT_EQ(c.rows[0], 255);
}

// APP segments that must be skipped whole: a JFIF thumbnail, JFXX stamps
// of every kind (one larger than a segment's length can say), and a
// comment whose last bytes are FF D9 where the first input read ends.
TEST(JpegDecoder, ApplicationSegmentsAreSkippedWhole) {
    const std::string jpeg = Bytes(Peer("jd_app", "-sample 2x1"));
    const Rgb plain = DecodeRgb(WriteTemp("jd_app_plain.jpg", jpeg));
    ASSERT_EQ(plain.width, 40);
    auto segment = [](unsigned char marker, const std::string& payload) {
        const size_t length = payload.size() + 2;
        return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8 & 0xFF),
                           static_cast<char>(length & 0xFF)} +
               payload;
    };
    auto jfxx = [](int code, int w, int h, size_t data) {
        std::string p("JFXX\0", 5);
        p += static_cast<char>(code);
        if (code != 0x10) p += static_cast<char>(w), p += static_cast<char>(h);
        for (size_t i = 0; i < data; ++i) p += static_cast<char>(i * 7 & 0xFF);
        return p;
    };
    // JFIF APP0 with a 3x2 RGB thumbnail.
    std::string thumb("JFIF\0\x01\x01\x00\x00\x48\x00\x48\x03\x02", 14);
    thumb += std::string(18, '\xFF');
    std::string comment(65533, 'c');
    // The first input read is 65,504 bytes from the SOI: the comment's FF D9 ends it.
    const size_t commentStart = 20 + 4;
    comment[65502 - commentStart - 2 + 0] = '\xFF';
    comment[65502 - commentStart - 2 + 1] = '\xD9';
    std::string big = jfxx(0x13, 255, 255, 3 * 255 * 255);
    std::string bigSegment = segment(0xE0, big);
    bigSegment[2] = static_cast<char>((big.size() + 2) >> 8 & 0xFF);  // the length modulo 65536
    struct Case {
        const char* what;
        std::string inserted;
        bool afterApp0;
    } cases[] = {
        {"JFIF thumbnail", segment(0xE0, thumb), false},
        {"JFXX 8-bit stamp", segment(0xE0, jfxx(0x11, 16, 12, 768 + 16 * 12)), true},
        {"JFXX 24-bit stamp", segment(0xE0, jfxx(0x13, 16, 12, 3 * 16 * 12)), true},
        {"JFXX JPEG thumbnail", segment(0xE0, jfxx(0x10, 0, 0, 300)), true},
        {"JFXX stamp beyond 64 KB", bigSegment, true},
        {"FF D9 where the first read ends", segment(0xFE, comment), true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::string file = jpeg;
        if (k.afterApp0)
            file.insert(20, k.inserted);
        else
            file.replace(2, 18, k.inserted);
        int r = 0;
        EXPECT_EQ(DecodeRgb(WriteTemp("jd_app_case.jpg", file), &r), plain);
        EXPECT_EQ(r, K_OK);
    }
}

TEST(JpegProbe, StreamsBehindForeignBytesAndOwnTags) {
    const std::string jpeg = Bytes(Peer("jd_probe", "-sample 2x2"));
    FileInfoRecord info;
    const std::string shifted = WriteTemp("jd_probe_300.bin", std::string(300, 'x') + jpeg);
    ASSERT_EQ(K_FileInfo(shifted.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, K_FORMAT_JPEG);
    EXPECT_EQ(info.Width, 40);
    EXPECT_EQ(info.Height, 33);
    EXPECT_STREQ(info.Compression, "JPEG");
    // The library's own tag at 24 with '0' at 51: the rows run bottom-up.
    std::string tagged = jpeg;
    std::string comment("KORA", 4);
    comment += std::string(25, '0');
    tagged.insert(20, std::string("\xFF\xFE\x00\x1F", 4) + comment);
    const std::string path = WriteTemp("jd_probe_tag.jpg", tagged);
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.ViewPerspective, K_BOTTOM_UP);
    BitmapRecord b = Bitmap(40, 33, 24);
    Calls c;
    c.stride = 120;
    ASSERT_EQ(K_DecompressFile(path.c_str(), &b, Record, 24, &c, 4), K_OK);
    EXPECT_EQ(b.ViewPerspective, K_BOTTOM_UP);
}

// Stray bytes after a comment, which the decoder passes over, do not hide
// the frame header from the probe: both read the same size.
TEST(JpegProbe, StrayBytesAfterACommentAsTheDecoderReadsThem) {
    std::string jpeg = Bytes(Peer("jd_stray", "-sample 2x2"));
    jpeg.insert(20, std::string("\xFF\xFE\x00\x04"
                                "ab"
                                "\x00\x00\x00",
                                9));
    const std::string path = WriteTemp("jd_stray.jpg", jpeg);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, K_FORMAT_JPEG);
    EXPECT_EQ(info.Width, 40);
    EXPECT_EQ(info.Height, 33);
    // More than 40 stray bytes: the decoder refuses the stream, and the
    // probe finds no size either.
    jpeg.insert(29, std::string(40, '\0'));
    const std::string distant = WriteTemp("jd_stray_far.jpg", jpeg);
    ASSERT_EQ(K_FileInfo(distant.c_str(), &info), K_OK);
    EXPECT_EQ(info.Width, 0);
    BitmapRecord b = Bitmap(40, 33, 24);
    Calls c;
    c.stride = 120;
    EXPECT_EQ(K_DecompressFile(distant.c_str(), &b, Record, 24, &c, 4), K_ERR_FORMAT);
}

// Coefficients at the dequantisation's limits saturate; a flat block is flat.
TEST(JpegInternals, InverseDctSaturatesAndKeepsFlatBlocksFlat) {
    constexpr int kLevel = 1 << kJpegLevelBits, kStep = 1 << kJpegSampleBits;
    int32_t coef[64] = {};
    int16_t out[64];
    coef[0] = kLevel * 40;  // 40 levels above the middle
    JpegInverseDct(out, coef, 0);
    for (int16_t s : out) EXPECT_EQ(s, 168 * kStep);
    for (int32_t c : coef) EXPECT_EQ(c, 0);
    // The same through both passes, and a step of one AC term.
    coef[0] = kLevel * 40;
    coef[1] = kLevel * 8;
    JpegInverseDct(out, coef, 63);
    for (int r = 0; r < 8; ++r) {
        EXPECT_GT(out[r * 8], out[r * 8 + 7]);
        for (int c = 0; c < 8; ++c) EXPECT_EQ(out[r * 8 + c], out[c]);
    }
    for (int32_t c : coef) EXPECT_EQ(c, 0);
    // Far beyond the levels: clamped to 0 and 255, whatever the mix.
    for (int32_t big : {1 << 23, -(1 << 23), 3000000}) {
        for (int i = 0; i < 64; ++i) coef[i] = i % 3 ? big : -big / 3;
        JpegInverseDct(out, coef, 63);
        for (int16_t s : out) {
            EXPECT_GE(s, 0);
            EXPECT_LE(s, static_cast<int>(kJpegSampleMax));
        }
    }
    for (int32_t dc : {1 << 23, -(1 << 23)}) {
        std::fill(coef, coef + 64, 0);
        coef[0] = dc;
        coef[9] = 1;  // not flat: both passes
        JpegInverseDct(out, coef, 63);
        for (int16_t s : out) EXPECT_EQ(s, dc > 0 ? static_cast<int>(kJpegSampleMax) : 0);
    }
    // A DC code longer than the 11 lookup bits goes through the second level.
    HuffmanSlot table;
    table.counts[0] = 1;   // one 1-bit code
    table.counts[12] = 2;  // two 13-bit codes
    table.symbols[0] = 3, table.symbols[1] = 5, table.symbols[2] = 7;
    HuffmanLookup lookup;
    ASSERT_EQ(BuildHuffmanLookup(table, 11, lookup), K_OK);
    // 1-bit code 0; 13-bit codes 1000000000000 and 1000000000001.
    EXPECT_EQ(lookup.entries[0], 1 << 8 | 3);
    ASSERT_LT(lookup.entries[1024], 0);
    const int block = lookup.entries[1024] & 0x7FFF;
    EXPECT_EQ(lookup.entries[2048 + 32 * block + 0], 13 << 8 | 5);
    EXPECT_EQ(lookup.entries[2048 + 32 * block + 8], 13 << 8 | 7);
    table.counts[0] = 3;  // three 1-bit codes: more than the code space holds
    EXPECT_EQ(BuildHuffmanLookup(table, 11, lookup), kJpegBadStream);
}

// The one-lookup AC entries of the standard luminance table (T.81 K.5):
// 00 is run 0 size 1, 01 run 0 size 2, 1010 end of block, 1100 run 1 size
// 1; value bits follow the code within the ten bits looked up.
TEST(JpegInternals, FastAcEntriesCarryRunValueAndBits) {
    HuffmanSlot table;
    std::memcpy(table.counts, kLuminanceAc, 16);
    std::memcpy(table.symbols, kLuminanceAc + 16, static_cast<size_t>(HuffmanTableLength(kLuminanceAc) - 16));
    HuffmanLookup lookup;
    ASSERT_EQ(BuildHuffmanLookup(table, 10, lookup), K_OK);
    BuildFastAcLookup(lookup);
    ASSERT_EQ(lookup.fastAc.size(), 1024u);
    struct Case {
        int index, value, run, bits;
    } cases[] = {
        {0b0010000000, 1, 0, 3},   // 00 1
        {0b0000000000, -1, 0, 3},  // 00 0
        {0b0110000000, 2, 0, 4},   // 01 10
        {0b0100000000, -3, 0, 4},  // 01 00
        {0b1100000000, -1, 1, 5},  // 1100 0
        {0b1100100000, 1, 1, 5},   // 1100 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const int f = lookup.fastAc[c.index];
        EXPECT_EQ(f >> 8, c.value);
        EXPECT_EQ((f >> 4) & 15, c.run);
        EXPECT_EQ(f & 15, c.bits);
    }
    EXPECT_EQ(lookup.fastAc[0b1010000000], 0);  // end of block: the full lookup
    EXPECT_EQ(lookup.fastAc[0b1111111111], 0);  // a 16-bit code: the second level
}

}  // namespace

namespace {

// Our own writer's JFIF and compressed files, from a bottom-up record,
// load back upside up (skipped while the writer is not built).
TEST(JpegRoundTrip, OurFilesLoadBackUpsideUp) {
    const Rgb picture = GradientPicture(48, 32);
    Rgb flipped = picture;
    for (int y = 0; y < 32; ++y)
        std::copy_n(&picture.pixels[static_cast<size_t>(31 - y) * 48 * 3], 48 * 3,
                    &flipped.pixels[static_cast<size_t>(y) * 48 * 3]);
    auto meanDifference = [](const Rgb& a, const Rgb& b) {
        long sum = 0;
        for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(a.pixels[i] - b.pixels[i]);
        return sum / static_cast<long>(a.pixels.size());
    };
    BitmapRecord b;
    MakeRecord(picture, &b);  // bottom-up, BGR
    for (int format : {K_FORMAT_JPEG, K_FORMAT_COMPRESSED}) {
        SCOPED_TRACE(format);
        const std::string path = TestTempPath("jd_roundtrip_" + std::to_string(format) + ".jpg");
        // The quality factor scales the tables: 10 is fine.
        const int saved = K_SaveBitmap(path.c_str(), &b, format, 24, 10);
        if (saved == K_ERR_UNSUPPORTED) GTEST_SKIP() << "no JPEG writer in this build";
        ASSERT_EQ(saved, K_OK);
        int r = 0;
        const Rgb back = LoadRgb(path, &r);
        ASSERT_EQ(r, K_OK);
        ASSERT_EQ(back.width, 48);
        EXPECT_LE(meanDifference(back, picture), 8);
        EXPECT_GE(meanDifference(back, flipped), 30);
    }
    K_FreeBitmap(&b);
}

}  // namespace
