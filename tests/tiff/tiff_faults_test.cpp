// Hand-made TIFF files for what peers never write: hostile counts and
// offsets, short data, chains that loop, and the layouts whose reading was
// once wrong (inline pairs, big-endian fields, orientations, short colour
// maps and long ones).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "tiff_test_util.h"

namespace {

struct Tag {
    unsigned tag;
    unsigned type;  // 2 ASCII, 3 SHORT, 4 LONG
    std::vector<unsigned> values;
    unsigned count = 0;     // 0: the number of values
    std::string text = {};  // ASCII
};

// A file of one or more pages: header, each page's pixel data and then its
// directory; values above 4 bytes follow each directory. Strip offsets of
// value kData name the page's data.
constexpr unsigned kData = 0xDA7A;
struct Page {
    std::vector<Tag> tags;
    std::string data;
};

class Builder {
public:
    explicit Builder(bool bigEndian = false) : be_(bigEndian) {
        s_ = bigEndian ? "MM" : "II";
        Put16(42);
        Put32(8);
    }
    std::string Build(const std::vector<Page>& pages, bool loopBack = false) {
        std::vector<size_t> nextFields;
        size_t first = 0;
        for (const Page& p : pages) {
            const size_t data = s_.size();
            s_ += p.data;
            if (s_.size() & 1) s_ += '\0';
            const size_t dir = s_.size();
            if (!first) first = dir;
            if (!nextFields.empty()) Patch32(nextFields.back(), static_cast<unsigned>(dir));
            Put16(static_cast<unsigned>(p.tags.size()));
            size_t extra = dir + 2 + 12 * p.tags.size() + 4;
            std::string values;
            for (const Tag& t : p.tags) {
                const unsigned size = t.type == 3 ? 2 : t.type == 2 ? 1 : 4;
                const unsigned count = t.count       ? t.count
                                       : t.type == 2 ? static_cast<unsigned>(t.text.size())
                                                     : static_cast<unsigned>(t.values.size());
                std::string bytes;
                if (t.type == 2) bytes = t.text;
                for (unsigned v : t.values) {
                    if (v == kData) v = static_cast<unsigned>(data);
                    bytes += size == 2 ? Bytes16(v) : Bytes32(v);
                }
                Put16(t.tag);
                Put16(t.type);
                Put32(count);
                if (bytes.size() <= 4 && count * size <= 4) {
                    bytes.resize(4, '\0');
                    s_ += bytes;
                } else {
                    Put32(static_cast<unsigned>(extra + values.size()));
                    values += bytes;
                    if (values.size() & 1) values += '\0';
                }
            }
            nextFields.push_back(s_.size());
            Put32(0);
            s_ += values;
        }
        Patch32(4, static_cast<unsigned>(first));
        if (loopBack) Patch32(nextFields.back(), static_cast<unsigned>(first));
        return s_;
    }

private:
    std::string Bytes16(unsigned v) const {
        std::string b(2, '\0');
        b[be_ ? 1 : 0] = static_cast<char>(v);
        b[be_ ? 0 : 1] = static_cast<char>(v >> 8);
        return b;
    }
    std::string Bytes32(unsigned v) const {
        return be_ ? Bytes16(v >> 16) + Bytes16(v & 0xFFFF) : Bytes16(v & 0xFFFF) + Bytes16(v >> 16);
    }
    void Put16(unsigned v) { s_ += Bytes16(v); }
    void Put32(unsigned v) { s_ += Bytes32(v); }
    void Patch32(size_t at, unsigned v) { s_.replace(at, 4, Bytes32(v)); }
    bool be_;
    std::string s_;
};

// An 8 x 4 grey page, uncompressed, with extra or replaced tags.
Page GreyPage(std::vector<Tag> changes = {}, std::string data = "") {
    if (data.empty())
        for (int i = 0; i < 32; ++i) data += static_cast<char>(i * 8);
    std::vector<Tag> tags = {{256, 3, {8}}, {257, 3, {4}}, {258, 3, {8}},
                             {259, 3, {1}}, {262, 3, {1}}, {273, 4, {kData}},
                             {277, 3, {1}}, {278, 3, {4}}, {279, 4, {static_cast<unsigned>(data.size())}}};
    for (const Tag& c : changes) {
        bool replaced = false;
        for (Tag& t : tags)
            if (t.tag == c.tag) {
                t = c;
                replaced = true;
            }
        if (!replaced) tags.push_back(c);
    }
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
    return {tags, data};
}

std::string Save(const std::string& name, const std::string& bytes) {
    const std::string path = TestTempPath("tifff_" + name + ".tif");
    WriteFileBytes(path, bytes);
    return path;
}

int Load(const std::string& path, TestBitmap& b) { return K_LoadBitmap(path.c_str(), b.get(), 0, 1); }
// The storage row of the picture's top line.
int TopRow(TestBitmap& b) { return b->ViewPerspective == K_BOTTOM_UP ? b->Height - 1 : 0; }

TEST(TiffFaults, HostileFilesGetCodesNotCrashes) {
    struct Case {
        const char* name;
        std::string bytes;
        int load;  // K_LoadBitmap's result
    };
    std::string overlapping;
    {
        // 2000 one-row strips of 2000 bytes that take turns between two
        // places 40000 bytes apart: every strip would refill the input's
        // buffer, reading the file many times over.
        std::string data(42000, 'x');
        Page p = GreyPage({{256, 4, {2000}}, {257, 3, {2000}}, {278, 3, {1}}}, data);
        for (Tag& t : p.tags) {
            if (t.tag == 273) t.values.assign(2000, kData);
            if (t.tag == 279) t.values.assign(2000, 2000);
        }
        overlapping = Builder().Build({p});
        const size_t dir = Le32At(overlapping, 4);
        const size_t table = Le32At(overlapping, EntryAt(overlapping, 273) + 8);
        for (unsigned i = 1; i < 2000; i += 2) PutLe32At(overlapping, table + 4 * i, 8 + 40000);
        ASSERT_GT(dir, 40000u);
    }
    const Case cases[] = {
        {"strip_count_beyond_file", Builder().Build({GreyPage({{273, 4, {kData}, 0x40000000}})}), K_ERR_FORMAT},
        {"byte_count_count_wraps", Builder().Build({GreyPage({{279, 4, {32}, 0xFFFFFFFF}})}), K_OK},
        {"strip_beyond_end", Builder().Build({GreyPage({{273, 4, {0x7FFFFF00}}})}), K_ERR_READ},
        {"strip_cut_short", Builder().Build({GreyPage({{279, 4, {20}}}, std::string(20, 'a'))}), K_ERR_READ},
        {"packbits_ends_early",
         Builder().Build({GreyPage({{259, 3, {32773}}},
                                   "\x7F"
                                   "abc")}),
         K_ERR_READ},
        {"lzw_ends_early", Builder().Build({GreyPage({{259, 3, {5}}}, "\x80")}), K_ERR_READ},
        {"lzw_bad_code", Builder().Build({GreyPage({{259, 3, {5}}}, std::string("\x80\x7F\xC0\x00", 4))}),
         K_ERR_BADCODE},
        {"tile_width_zero", Builder().Build({GreyPage({{322, 3, {0}}, {323, 3, {16}}})}), K_ERR_FORMAT},
        {"deflate", Builder().Build({GreyPage({{259, 3, {8}}})}), K_ERR_FORMAT},
        {"bits_7", Builder().Build({GreyPage({{258, 3, {7}}})}), K_ERR_BITS},
        {"no_directory", std::string("II*\0\x08\0\0\0", 8), K_ERR_FORMAT},
        {"reads_overlapping_strips_once_only", overlapping, K_ERR_READ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Save(c.name, c.bytes);
        TestBitmap b;
        EXPECT_EQ(Load(path, b), c.load);
        if (c.load != K_OK && c.load != K_ERR_FORMAT && c.load != K_ERR_BITS) {
            TestBitmap direct;
            K_InitBitmap(direct.get(), 0, 0, 0);
            EXPECT_EQ(K_LoadTIFBitmap(path.c_str(), direct.get()), c.load);
        }
    }
}

// Bytes the file callbacks hand over, counted around the built-in read.
uint64_t g_bytesRead = 0;
int KAPI CountingRead(int handle, void* buffer, int count) {
    const int got = DefaultRead(handle, buffer, count);
    if (got > 0) g_bytesRead += static_cast<uint64_t>(got);
    return got;
}

// Strips that overlap and whose byte counts run far past the end of the
// file: each strip would read the rest of the file again. The reads stay
// within the reader's budget (a fixed multiple of the file), counted as the
// file gives them, whatever size each read has.
TEST(TiffFaults, OverlappingStripsPastTheEndReadABoundedAmount) {
    // 200 x 60 pixels of modified Huffman, one white row a strip (192 + 8
    // white, 11 bits), 60 strips 18 bytes apart; the byte counts say 1.1 MB,
    // or 2^32 - 1.
    std::string data;
    for (int i = 0; i < 60; ++i) data += std::string("\x5E\x60", 2) + std::string(16, '\0');
    data += std::string(6000, '\0');
    for (unsigned count : {1179648u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(count);
        Page p = GreyPage({{256, 3, {200}}, {257, 3, {60}}, {258, 3, {1}}, {259, 3, {2}}, {262, 3, {0}}, {278, 3, {1}}},
                          data);
        for (Tag& t : p.tags) {
            if (t.tag == 273) t.values.assign(60, kData);
            if (t.tag == 279) t.values.assign(60, count);
        }
        std::string file = Builder().Build({p});
        const size_t table = Le32At(file, EntryAt(file, 273) + 8);
        for (unsigned i = 0; i < 60; ++i) PutLe32At(file, table + 4 * i, Le32At(file, table) + 18 * i);
        const std::string path = Save("overlapping_past_end", file);
        g_bytesRead = 0;
        K_RedirectIO(nullptr, CountingRead, nullptr, nullptr, nullptr);
        TestBitmap b;
        const int r = Load(path, b);
        K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(r == K_OK || r < 0) << r;
        // The probe's reads and the reader's, each within the budget.
        EXPECT_LE(g_bytesRead, 2 * (file.size() * 8 + 65536) + 2 * 32768) << r;
    }
}

TEST(TiffFaults, CompressionsWithoutAReaderAreReportedThenRefused) {
    const std::string path = Save("jpeg", Builder().Build({GreyPage({{259, 3, {6}}})}));
    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, K_FORMAT_TIFF_JPEG);
    EXPECT_STREQ(info.Compression, "JPEG");
    TestBitmap b;
    EXPECT_EQ(K_LoadTIFFile(path.c_str(), b.get(), nullptr, 8, nullptr), K_ERR_TIFFCOMP);
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 3, nullptr, 0), 0);
}

TEST(TiffFaults, PairsInTheValueFieldAndGreyWithAlpha) {
    // BitsPerSample (8, 8) stands in the entry itself: grey and alpha, read
    // as 8-bit grey.
    std::string data;
    for (int i = 0; i < 32; ++i) data += std::string{static_cast<char>(i * 7), '\x80'};
    const std::string path =
        Save("grey_alpha", Builder().Build({GreyPage({{258, 3, {8, 8}}, {277, 3, {2}}, {279, 4, {64}}}, data)}));
    TestBitmap b;
    ASSERT_EQ(Load(path, b), K_OK);
    ASSERT_EQ(b->BitsPerPixel, 8);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(K_GetPixelColor(b.get(), TopRow(b), x) & 0xFF, x * 7u);
}

TEST(TiffFaults, BigEndianFieldsAndComments) {
    Page p =
        GreyPage({{270, 2, {}, 0, std::string("ab\0", 3)}, {315, 2, {}, 0, std::string("Long artist name\0", 17)}});
    const std::string path = Save("big_endian", Builder(true).Build({p}));
    TestBitmap b;
    ASSERT_EQ(Load(path, b), K_OK);
    EXPECT_EQ(b->Width, 8);
    EXPECT_EQ(b->Height, 4);
    EXPECT_EQ(K_GetPixelColor(b.get(), TopRow(b), 3) & 0xFF, 24u);
    char text[32] = {};
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 3, text, sizeof text), 3);
    EXPECT_STREQ(text, "ab");
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 0, text, sizeof text), 17);
    EXPECT_STREQ(text, "Long artist name");
}

TEST(TiffFaults, OnlyOrientationsThatStartAtTheBottomAreBottomUp) {
    const std::pair<unsigned, int> cases[] = {
        {1, K_TOP_DOWN}, {3, K_BOTTOM_UP}, {4, K_BOTTOM_UP}, {7, K_TOP_DOWN}, {8, K_TOP_DOWN}};
    for (auto [orientation, view] : cases) {
        const std::string path = Save("orientation", Builder().Build({GreyPage({{274, 3, {orientation}}})}));
        FileInfoRecord info{};
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.ViewPerspective, view) << orientation;
        TestBitmap b;
        ASSERT_EQ(Load(path, b), K_OK);
        EXPECT_EQ(b->ViewPerspective, view) << orientation;
    }
}

TEST(TiffFaults, ColourMapsLongerThanThePaletteAndGreyRamps) {
    // 300 colours in the map of an 8-bit page: 256 of them fit the record.
    std::vector<unsigned> map(900);
    for (unsigned i = 0; i < 900; ++i) map[i] = (i % 300) * 200;
    TestBitmap b;
    ASSERT_EQ(
        K_LoadTIFBitmap(Save("long_map", Builder().Build({GreyPage({{262, 3, {3}}, {320, 3, map}})})).c_str(), b.get()),
        K_OK);
    EXPECT_EQ(b->Colors, 256);
    RGBQUAD colors[256];
    ASSERT_EQ(K_GetBitmapColors(b.get(), 0, 256, colors), K_OK);
    EXPECT_EQ(colors[255].rgbRed, (255 * 200) >> 8);
    EXPECT_EQ(colors[255].rgbGreen, (((255 + 300) % 300) * 200) >> 8);

    // No map: 1-bit white-is-zero and black-is-zero, 4-bit grey 0..255,
    // 8-bit RGB-labelled single samples as a rising ramp.
    struct Ramp {
        unsigned bits, photometric;
        int colors;
        BYTE first, last;
    } ramps[] = {{1, 0, 2, 255, 0}, {1, 1, 2, 0, 255}, {4, 1, 16, 0, 255}, {4, 0, 16, 255, 0}, {8, 2, 256, 0, 255}};
    for (const Ramp& r : ramps) {
        const std::string path =
            Save("ramp", Builder().Build({GreyPage({{258, 3, {r.bits}}, {262, 3, {r.photometric}}})}));
        TestBitmap g;
        ASSERT_EQ(K_LoadTIFBitmap(path.c_str(), g.get()), K_OK);
        EXPECT_EQ(g->Colors, r.colors);
        ASSERT_EQ(K_GetBitmapColors(g.get(), 0, r.colors, colors), K_OK);
        EXPECT_EQ(colors[0].rgbRed, r.first);
        EXPECT_EQ(colors[r.colors - 1].rgbBlue, r.last);
        EXPECT_TRUE(g->Flags & K_GRAY_PALETTE);
    }
    TestBitmap four;
    EXPECT_EQ(K_LoadTIFBitmap(Save("ramp4", Builder().Build({GreyPage({{258, 3, {4}}})})).c_str(), four.get()), K_OK);
    ASSERT_EQ(K_GetBitmapColors(four.get(), 0, 16, colors), K_OK);
    EXPECT_EQ(colors[1].rgbRed, 17);
}

TEST(TiffFaults, PageChainsNearTheEndAndLoopingBack) {
    // Page 2 is a three-entry directory in the last 64 bytes of the file.
    Page second{{{256, 3, {5}}, {257, 3, {2}}, {273, 4, {kData}}}, std::string(2, '\xAA')};
    const std::string bytes = Builder().Build({GreyPage(), second});
    const size_t first = Le32At(bytes, 4);
    ASSERT_GT(Le32At(bytes, first + 2 + 12 * Le16At(bytes, first)) + 64, bytes.size());
    const std::string path = Save("late_page", bytes);
    {
        PageOption page(2);
        FileInfoRecord info{};
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.PageNumber, 2);
        EXPECT_EQ(info.Width, 5);
        EXPECT_EQ(info.BitsPerPixel, 1);
        TestBitmap b;
        EXPECT_EQ(Load(path, b), K_OK);
    }
    // The last page names the first as its next one: the walk ends.
    const std::string loop = Save("loop", Builder().Build({GreyPage(), second}, true));
    PageOption page(5);
    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(loop.c_str(), &info), K_OK);
    EXPECT_EQ(info.PageNumber, 2);
    TestBitmap b;
    EXPECT_EQ(Load(loop, b), K_OK);
}

}  // namespace
