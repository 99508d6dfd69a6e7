// A real file of each format whose header is made to declare a huge
// picture (its size fields rewritten: 100000 x 100000 at 24 bits, 65535 x
// 65535 in 16-bit fields, JPEG 65500 x 65500, Photoshop at its 30000 limit)
// and a TIFF of 2^31 strips: the probe answers and the load is refused,
// neither taking more than a few megabytes of heap or resident memory.
#include <zlib.h>

#include <cstring>

#include "hostile_fixture.h"

namespace {

constexpr long long kFewMegabytes = 4 << 20;
// The resident set also holds the sanitizers' shadow of what the call
// touched: a little more room than the heap.
constexpr long long kResidentRoom = 16 << 20;

// How a format states its size.
enum Field { Le16, Be16, Le32, Be32, Text };

struct Case {
    const char* file;  // a FormatNames() entry
    Field field;
    unsigned width, height;  // declared instead of the picture's own
    size_t within;           // fields rewritten in the first bytes only (0: the whole file)
    int minus = 0;           // the field holds the size less this (PCX: the last column)
};

const Case kCases[] = {
    {"bmp-24", Le32, 100000, 100000, 54},     {"bmp-rle8", Le32, 100000, 100000, 54},
    {"bmp-os2", Le16, 65535, 65535, 26},      {"gif", Le16, 65535, 65535, 0},
    {"png-24", Be32, 1000000, 1000000, 24},   {"pcx-24", Le16, 65535, 65535, 12, 1},
    {"tga-rle", Le16, 65535, 65535, 18},      {"tiff", Le16, 65535, 65535, 0},
    {"tiff-g4", Le16, 65535, 65535, 0},       {"tiff-own-lzw", Le16, 65535, 65535, 0},
    {"jpeg", Be16, 65500, 65500, 0},          {"jpeg-own", Be16, 65500, 65500, 0},
    {"tiff-jpeg-own", Le16, 65500, 65500, 0}, {"psd", Be32, 30000, 30000, 26},
    {"sun-24", Be32, 100000, 100000, 12},     {"pict", Be16, 32767, 32767, 0},
    {"gem", Be16, 65535, 65535, 16},          {"cals", Text, 100000, 100000, 0},
    {"eps", Text, 100000, 100000, 0},         {"msp", Le16, 65535, 65535, 8},
    {"bilevel", Le16, 65535, 65535, 24},      {"wpg", Le16, 65535, 65535, 0},
    {"compressed", Be16, 65535, 65535, 0},    {"compressed-grey", Be16, 65535, 65535, 0},
};

void Put(std::string& s, size_t at, unsigned v, Field f) {
    const int n = f == Le16 || f == Be16 ? 2 : 4;
    for (int i = 0; i < n; ++i) {
        const int shift = f == Le16 || f == Le32 ? 8 * i : 8 * (n - 1 - i);
        s[at + static_cast<size_t>(i)] = static_cast<char>((v >> shift) & 0xFF);
    }
}

unsigned Get(const std::string& s, size_t at, Field f) {
    const int n = f == Le16 || f == Be16 ? 2 : 4;
    unsigned v = 0;
    for (int i = 0; i < n; ++i) {
        const int shift = f == Le16 || f == Le32 ? 8 * i : 8 * (n - 1 - i);
        v |= static_cast<unsigned>(static_cast<unsigned char>(s[at + static_cast<size_t>(i)])) << shift;
    }
    return v;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

// The file with every field that holds the picture's width or height (in
// the case's form) holding the case's size instead.
std::string Declare(const Case& c, std::string s) {
    if (c.field == Text) {
        const std::string w = std::to_string(c.width), h = std::to_string(c.height);
        ReplaceAll(s, "000037,000023", w + "," + h);       // CALS rpelcnt
        ReplaceAll(s, "0 0 37 23", "0 0 " + w + " " + h);  // EPS template box
        ReplaceAll(s, "/width 37 ", "/width " + w + " ");  // EPS image
        ReplaceAll(s, "/height 23 ", "/height " + h + " ");
        return s;
    }
    const size_t n = c.field == Le16 || c.field == Be16 ? 2 : 4;
    const size_t end = std::min(s.size(), c.within ? c.within : s.size());
    const unsigned w = hostile::kWidth - c.minus, h = hostile::kHeight - c.minus;
    for (size_t at = 0; at + n <= end; ++at) {
        const unsigned v = Get(s, at, c.field);
        if (v == w)
            Put(s, at, c.width - c.minus, c.field);
        else if (v == h)
            Put(s, at, c.height - c.minus, c.field);
    }
    if (std::strcmp(c.file, "png-24") == 0) {
        // The header chunk keeps a good checksum.
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(s.data() + 12), 17);
        Put(s, 29, static_cast<unsigned>(crc), Be32);
    }
    return s;
}

// Probe and load of one file, each metered; the load must be refused.
void Check(const std::string& what, const std::string& bytes, bool probeSeesSize, unsigned width) {
    SCOPED_TRACE(what);
    hostile::Meter meter;
    {
        hostile::Watchdog watch(what + " probe");
        FileInfoRecord info{};
        meter.Start();
        const int probed = K_FileInfoMemory(bytes.data(), &info, static_cast<int>(bytes.size()));
        meter.Stop();
        // The probe reports what the header says, or refuses a size that
        // the file could not hold.
        EXPECT_TRUE(probed == K_OK || probed < 0);
        if (probeSeesSize && probed == K_OK) EXPECT_EQ(static_cast<unsigned>(info.Width), width);
        EXPECT_LT(meter.HeapPeak(), kFewMegabytes);
        EXPECT_LT(meter.ResidentGrowth(), kResidentRoom);
    }
    for (int bits : {0, 24}) {
        hostile::Watchdog watch(what + " load");
        BitmapRecord b{};
        meter.Start();
        const int loaded = K_LoadMemory(bytes.data(), &b, bits, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr,
                                        static_cast<int>(bytes.size()));
        K_FreeBitmap(&b);
        meter.Stop();
        EXPECT_LT(loaded, 0) << "at " << bits << " bits";
        EXPECT_LT(meter.HeapPeak(), kFewMegabytes) << "at " << bits << " bits";
        EXPECT_LT(meter.ResidentGrowth(), kResidentRoom) << "at " << bits << " bits";
    }
}

TEST(DeclaredSize, HugePicturesAreRefusedWithinAFewMegabytes) {
    for (const Case& c : kCases) {
        const hostile::FormatFile f = hostile::MakeFormatFile(c.file);
        ASSERT_FALSE(f.bytes.empty()) << c.file;
        const std::string bytes = Declare(c, f.bytes);
        ASSERT_NE(bytes, f.bytes) << c.file << ": no size field found";
        Check(c.file, bytes, true, c.width);
    }
}

std::string Le(unsigned v, int n) {
    std::string s(static_cast<size_t>(n), '\0');
    for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}

// A little-endian TIFF entry.
std::string Entry(unsigned tag, unsigned type, unsigned count, unsigned value) {
    return Le(tag, 2) + Le(type, 2) + Le(count, 4) + Le(value, 4);
}

TEST(DeclaredSize, TiffOfTwoToThe31StripsIsRefusedWithinAFewMegabytes) {
    const unsigned strips = 0x80000000u;
    for (unsigned rowsPerStrip : {1u, 0u}) {
        std::string tiff = "II*" + std::string(1, '\0') + Le(8, 4) + Le(9, 2);
        tiff += Entry(256, 4, 1, 100000);        // ImageWidth
        tiff += Entry(257, 4, 1, strips);        // ImageLength
        tiff += Entry(258, 3, 1, 8);             // BitsPerSample
        tiff += Entry(259, 3, 1, 1);             // no compression
        tiff += Entry(262, 3, 1, 1);             // black is zero
        tiff += Entry(273, 4, strips, 200);      // StripOffsets
        tiff += Entry(277, 3, 1, 1);             // SamplesPerPixel
        tiff += Entry(278, 4, 1, rowsPerStrip);  // RowsPerStrip
        tiff += Entry(279, 4, strips, 300);      // StripByteCounts
        tiff += Le(0, 4);
        tiff.resize(400, '\x01');
        Check("tiff strips, rows per strip " + std::to_string(rowsPerStrip), tiff, false, 0);
    }
}

}  // namespace
