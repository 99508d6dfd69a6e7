// IOCA image objects: hand-made bare segments and MO:DCA print streams
// (carriage-control bytes, other structured fields, segments split across
// Image Picture Data fields at any byte) carrying the peers' coded data;
// pages; our files' structure and their reading back; malformed objects.
#include <gtest/gtest.h>

#include "fax_test_util.h"

namespace {

constexpr unsigned kDescriptor = 0xA6FB, kPictureData = 0xEEFB, kBeginPage = 0xA8AF, kEndPage = 0xA9AF;

// A structured field: carriage control, introducer (with an extension when
// given; its length byte counts itself), data.
std::string Sf(unsigned type, const std::string& data, const std::string& extension = "") {
    std::string ext = extension.empty() ? "" : std::string(1, static_cast<char>(extension.size() + 1)) + extension;
    return "\x5a" + Be16s(static_cast<unsigned>(8 + ext.size() + data.size())) + "\xd3" + Be16s(type) +
           std::string(1, ext.empty() ? '\0' : '\x80') + std::string(2, '\0') + ext + data;
}

struct Segment {
    int unitBase = 0, xUnits = 2000, yUnits = 2000;
    int width = 0, height = 0;
    int compression = 0x82, recording = 1, bitOrder = 0;
    int ideStructure = -1;  // first byte of an IDE Structure field, or none
    int ideSize = 1;
    std::string data;
    size_t dataChunk = 3000;  // coded bytes per Image Data field
};

std::string SegmentBytes(const Segment& s) {
    std::string b = std::string("\x70\x00\x91\x01\xff", 5);
    b += std::string("\x94\x09", 2) + static_cast<char>(s.unitBase) + Be16s(s.xUnits) + Be16s(s.yUnits) +
         Be16s(s.width) + Be16s(s.height);
    b += std::string("\x95\x03", 2) + static_cast<char>(s.compression) + static_cast<char>(s.recording) +
         static_cast<char>(s.bitOrder);
    b += std::string("\x96\x01", 2) + static_cast<char>(s.ideSize);
    if (s.ideStructure >= 0)
        b += std::string("\x9b\x06", 2) + static_cast<char>(s.ideStructure) + std::string("\x00\x00\x00\x00\x01", 5);
    for (size_t at = 0; at < s.data.size(); at += s.dataChunk) {
        const std::string part = s.data.substr(at, s.dataChunk);
        b += "\xfe\x92" + Be16s(static_cast<unsigned>(part.size())) + part;
    }
    return b + std::string("\x93\x00\x71\x00", 4);
}

// An image object in a print stream: a page around an Image Data
// Descriptor and the segment split into Image Picture Data fields of the
// given sizes (the last size repeats).
std::string ModcaImage(const Segment& s, const std::vector<size_t>& splits) {
    std::string out =
        Sf(kDescriptor, std::string(1, '\0') + Be16s(s.xUnits) + Be16s(s.yUnits) + Be16s(s.width) + Be16s(s.height));
    const std::string seg = SegmentBytes(s);
    size_t at = 0;
    for (size_t i = 0; at < seg.size(); ++i) {
        const size_t n = std::min(splits[std::min(i, splits.size() - 1)], seg.size() - at);
        out += Sf(kPictureData, seg.substr(at, n), i == 1 ? "xy" : "");
        at += n;
    }
    return out;
}

std::string Page(const std::string& inside) { return Sf(kBeginPage, "PAGE0001") + inside + Sf(kEndPage, "PAGE0001"); }

struct Peers {
    Bits picture = PatternBits(299, 70);
    std::string g4 = PeerG4(picture, "ioca");
    std::string g3 = PeerG3(picture, "ioca", true);
};

TEST(IocaReader, HandMadeObjectsLoad) {
    const Peers p;
    ASSERT_FALSE(p.g4.empty());
    Segment g4{0, 2000, 2000, 299, 70, 0x82, 1, 0, -1, 1, p.g4};
    Segment g3 = g4;
    g3.compression = 0x80;
    g3.data = p.g3;
    g3.unitBase = 1;  // 2000 units per ten centimetres: 508 dpi
    struct Case {
        const char* what;
        std::string file;
        int format, dpi;
    } cases[] = {
        {"bare Group 4", SegmentBytes(g4), 79, 200},
        {"bare Group 3", SegmentBytes(g3), 77, 508},
        {"print stream Group 4, split at every few bytes", Page(ModcaImage(g4, {3, 1, 2, 7, 4000})), 73, 200},
        {"print stream Group 3", Page(ModcaImage(g3, {25, 8000})), 71, 508},
    };
    for (const Case& c : cases) {
        const std::string path = TestTempPath("object.ioca");
        WriteFileBytes(path, c.file);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK) << c.what;
        EXPECT_EQ(info.FormatCode, c.format) << c.what;
        EXPECT_EQ(info.Width, 299);
        EXPECT_EQ(info.Height, 70);
        EXPECT_EQ(info.XResolution, c.dpi);
        EXPECT_EQ(info.ViewPerspective, K_TOP_DOWN);
        RecordGuard r;
        ASSERT_EQ(LoadInto(path, r.get()), K_OK) << c.what;
        EXPECT_EQ(r.get()->FormatCode, c.format);
        EXPECT_TRUE(SameBits(RecordBits(r.get()), p.picture)) << c.what;
    }
}

TEST(IocaReader, RowOrderColoursAndBitOrder) {
    const Peers p;
    Segment s{0, 2000, 2000, 299, 70, 0x82, 3, 1, 1, 1, ReverseAll(p.g4)};
    const std::string path = TestTempPath("flags.ioca");
    WriteFileBytes(path, SegmentBytes(s));
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.ViewPerspective, K_BOTTOM_UP);
    RecordGuard r;
    ASSERT_EQ(LoadInto(path, r.get()), K_OK);
    // Rows stored bottom first, colour 0 black.
    Bits expected = BlankBits(299, 70);
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 299; ++x)
            if (!p.picture.Black(x, 69 - y)) expected.Set(x, y);
    EXPECT_TRUE(SameBits(RecordBits(r.get()), expected));
}

TEST(IocaReader, PagesOfAPrintStream) {
    const Bits a = PatternBits(120, 30), b = PatternBits(64, 90);
    const Segment sa{0, 2000, 2000, 120, 30, 0x82, 1, 0, -1, 1, PeerG4(a, "pa")};
    const Segment sb{0, 3000, 3000, 64, 90, 0x82, 1, 0, -1, 1, PeerG4(b, "pb")};
    const std::string two = Page(ModcaImage(sa, {100})) + Page(ModcaImage(sb, {50}));
    const std::string one = Page(ModcaImage(sa, {100}));
    struct Case {
        const std::string* file;
        int asked, reached;
        const Bits* picture;
    } cases[] = {{&two, 1, 1, &a}, {&two, 2, 2, &b}, {&two, 3, 2, &b}, {&one, 3, 1, &a}};
    for (const Case& c : cases) {
        const std::string path = TestTempPath("pages.ioca");
        WriteFileBytes(path, *c.file);
        PageOption page(c.asked);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.PageNumber, c.reached);
        RecordGuard r;
        ASSERT_EQ(LoadInto(path, r.get()), K_OK);
        EXPECT_TRUE(SameBits(RecordBits(r.get()), *c.picture)) << c.asked;
    }
}

TEST(IocaReader, MalformedObjects) {
    const Peers p;
    const Segment good{0, 2000, 2000, 299, 70, 0x82, 1, 0, -1, 1, p.g4};
    auto with = [&](auto change) {
        Segment s = good;
        change(s);
        return SegmentBytes(s);
    };
    const std::string bare = SegmentBytes(good);
    const std::string stream = Page(ModcaImage(good, {500}));
    std::string shortIntroducer = stream, notAField = stream, noExtension = stream;
    shortIntroducer.replace(1, 2, Be16s(7));
    notAField.replace(3, 1, "\xd4");
    noExtension.replace(6, 1, "\x80");
    struct Case {
        const char* what;
        std::string file;
        int result;
    } cases[] = {
        {"compression 0x83", with([](Segment& s) { s.compression = 0x83; }), K_ERR_FORMAT},
        {"compression 0x06", with([](Segment& s) { s.compression = 0x06; }), K_ERR_FORMAT},
        {"recording 0xFE", with([](Segment& s) { s.recording = 0xFE; }), K_ERR_FORMAT},
        {"bit order 2", with([](Segment& s) { s.bitOrder = 2; }), K_ERR_FORMAT},
        {"4 bits an element", with([](Segment& s) { s.ideSize = 4; }), K_ERR_FORMAT},
        {"width 0x8000", with([](Segment& s) { s.width = 0x8000; }), K_ERR_FORMAT},
        {"no size", with([](Segment& s) { s.width = 0; }), K_ERR_FORMAT},
        {"data cut short", with([](Segment& s) { s.data.resize(s.data.size() / 3); }), -73},
        {"unknown field", bare.substr(0, 5) + std::string("\x98\x01\x00", 3) + bare.substr(5), K_ERR_FORMAT},
        {"Begin Image Content of 2 bytes", std::string("\x70\x00\x91\x02\xff\xff", 6) + bare.substr(5), K_ERR_FORMAT},
        {"no Begin Segment", bare.substr(2), K_ERR_FORMAT},
        {"data before the encoding", bare.substr(0, 5) + "\xfe\x92" + Be16s(4) + "abcd" + bare.substr(5), K_ERR_FORMAT},
        {"ends inside a field", bare.substr(0, 20), K_ERR_FORMAT},
        {"introducer of 7 bytes", shortIntroducer, K_ERR_FORMAT},
        {"not a structured field", notAField, K_ERR_FORMAT},
        {"extension flag without room", noExtension, K_ERR_FORMAT},
        {"no image in the stream", Sf(kBeginPage, "PAGE") + Sf(kEndPage, "PAGE"), K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        const std::string path = TestTempPath("malformed.ioca");
        WriteFileBytes(path, c.file);
        RecordGuard r;
        EXPECT_EQ(LoadInto(path, r.get()), c.result) << c.what;
        EXPECT_FALSE(r.get()->Flags & K_ALLOCATED) << c.what;
    }
}

// Every structured field of a file we wrote: type and data.
std::vector<std::pair<unsigned, std::string>> Fields(const std::string& s) {
    std::vector<std::pair<unsigned, std::string>> out;
    for (size_t at = 0; at + 8 <= s.size();) {
        const unsigned length = Be16At(s, at);
        EXPECT_EQ(static_cast<unsigned char>(s[at + 2]), 0xD3);
        if (length < 8) break;
        out.emplace_back(Be16At(s, at + 3), s.substr(at + 8, length - 8));
        at += length;
    }
    return out;
}

TEST(IocaWriter, ObjectsReadBack) {
    const Bits picture = PatternBits(333, 57);
    for (int format : {71, 72, 73, 77, 78, 79}) {
        RecordGuard r;
        MakeBitsRecord(picture, r.get(), format == 72, format == 78 ? K_BOTTOM_UP : K_TOP_DOWN);
        r.get()->XResolution = 300;
        r.get()->YResolution = 150;
        const std::string path = TestTempPath("ours.ioca");
        ASSERT_EQ(K_SaveBitmap(path.c_str(), r.get(), format, 1, 0), K_OK) << format;
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, format);
        EXPECT_EQ(info.XResolution, 300);
        EXPECT_EQ(info.YResolution, 150);
        RecordGuard back;
        ASSERT_EQ(LoadInto(path, back.get()), K_OK) << format;
        EXPECT_TRUE(SameBits(RecordBits(back.get()), picture)) << format;
    }
}

TEST(IocaWriter, PrintStreamChunks) {
    // Noise codes to far more than one chunk: every Image Picture Data
    // field holds one Image Data field of 8176 bytes but the last, whose
    // two lengths are patched to its size.
    Bits noise = BlankBits(1728, 120);
    unsigned seed = 12345;
    for (auto& byte : noise.rows) byte = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
    RecordGuard r;
    MakeBitsRecord(noise, r.get());
    const std::string path = TestTempPath("chunks.ioca");
    ASSERT_EQ(K_SaveFile(path.c_str(), r.get(), 71, 1, 0, 0, nullptr, nullptr), K_OK);
    const std::string s = ReadFileBytes(path);
    const auto fields = Fields(s);
    ASSERT_GE(fields.size(), 5u);
    EXPECT_EQ(fields[0].first, kDescriptor);
    EXPECT_EQ(fields[0].second, std::string(1, '\0') + Be16s(2000) + Be16s(2000) + Be16s(1728) + Be16s(120));
    EXPECT_EQ(fields[1].first, kPictureData);
    EXPECT_EQ(fields[1].second.size(), 24u);
    EXPECT_EQ(fields.back().second, std::string("\x93\x00\x71\x00", 4));
    std::string coded;
    for (size_t i = 2; i + 1 < fields.size(); ++i) {
        const std::string& d = fields[i].second;
        EXPECT_EQ(fields[i].first, kPictureData);
        ASSERT_GE(d.size(), 4u);
        EXPECT_EQ(d.substr(0, 2), "\xfe\x92");
        EXPECT_EQ(Be16At(d, 2), d.size() - 4);
        if (i + 2 < fields.size()) {
            EXPECT_EQ(d.size(), 8180u) << i;
        }
        coded += d.substr(4);
    }
    EXPECT_GT(fields.size(), 4u);
    EXPECT_LT(fields[fields.size() - 2].second.size(), 8180u);
    EXPECT_TRUE(SameBits(Fax2TiffBits(coded, 1728, 120, "-3 -1 -M", "chunks"), noise));
    RecordGuard back;
    ASSERT_EQ(LoadInto(path, back.get()), K_OK);
    EXPECT_TRUE(SameBits(RecordBits(back.get()), noise));
}

TEST(IocaWriter, RefusesSizesItsFieldsCannotHold) {
    struct Case {
        int width, height, dpi, result;
    } cases[] = {
        {0x8000, 1, 200, K_ERR_SIZE}, {8, 0x8000, 200, K_ERR_SIZE}, {8, 8, 3277, K_ERR_SIZE}, {20000, 1, 3276, K_OK}};
    for (const Case& c : cases) {
        RecordGuard r;
        ASSERT_EQ(K_CreateBitmap(r.get(), K_STORAGE_ANY, c.width, c.height, 1, 1, nullptr, 0), K_OK);
        r.get()->XResolution = r.get()->YResolution = c.dpi;
        const std::string path = TestTempPath("big.ioca");
        EXPECT_EQ(K_SaveFile(path.c_str(), r.get(), 79, 1, 0, 0, nullptr, nullptr), c.result) << c.width;
    }
}

}  // namespace
