// Microsoft Paint: no Debian tool reads or writes it, so the fixtures are
// built here from the published layout, in both versions.
#include <fstream>

#include "formats/format_fixture.h"
#include "legacy_formats/legacy_fixture.h"

namespace {

int Le16At(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

std::string Le16(int v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }

// The header with the keys (four characters) and the size.
std::string MspHeader(const char* keys, int width, int height) {
    std::string h(keys, 4);
    h += Le16(width) + Le16(height);
    return h + std::string(24, '\0');
}

// A version-2 file: the row map from the coded rows, then the rows.
std::string CodedFile(const char* keys, int width, const std::vector<std::string>& rows) {
    std::string f = MspHeader(keys, width, static_cast<int>(rows.size()));
    for (const std::string& r : rows) f += Le16(static_cast<int>(r.size()));
    for (const std::string& r : rows) f += r;
    return f;
}

// A 16 x 2 picture: row 0 bytes F0 0F, row 1 bytes AA AA; a set bit white.
const Rgb& Expected() {
    static const Rgb picture = [] {
        Rgb p{16, 2, {}};
        const unsigned char bytes[4] = {0xF0, 0x0F, 0xAA, 0xAA};
        for (int i = 0; i < 32; ++i) {
            const unsigned char v = (bytes[i / 8] >> (7 - i % 8)) & 1 ? 255 : 0;
            p.pixels.insert(p.pixels.end(), {v, v, v});
        }
        return p;
    }();
    return picture;
}

TEST(Msp, BothVersionsLoad) {
    struct Case {
        const char* name;
        std::string file;
    } const cases[] = {
        // Version 1 stores its rows plain: no row map, no coding.
        {"v1", MspHeader("DanM", 16, 2) + std::string("\xF0\x0F\xAA\xAA", 4)},
        // Version 2: literal records and runs; a run of zero bytes is no bytes.
        {"v2", CodedFile("LinS", 16, {std::string("\x02\xF0\x0F", 3), std::string("\x00\x00\x55\x00\x02\xAA", 6)})},
        {"v2_Da_nS", CodedFile("DanS", 16, {std::string("\x01\xF0\x01\x0F", 4), std::string("\x00\x02\xAA", 3)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("msp_") + c.name + ".msp", c.file);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 53);
        EXPECT_EQ(info.Width, 16);
        EXPECT_EQ(info.Height, 2);
        int r = 0;
        EXPECT_EQ(LoadRgb(path, &r), Expected());
        EXPECT_EQ(r, K_OK);
    }
}

TEST(Msp, WrittenFilesKeepTheLayout) {
    // 4000 wide: alternating bytes code each row in more than 255 bytes.
    const int width = 4000, height = 3;
    std::vector<unsigned char> indices(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) indices[y * width + x] = y == 1 ? (x / 8) % 2 : (x / 16 + y) % 3 == 0;
    for (bool whiteFirst : {false, true}) {
        SCOPED_TRACE(whiteFirst);
        std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::vector<unsigned char> stored = indices;
        if (whiteFirst) {
            std::swap(palette[0], palette[1]);
            for (auto& i : stored) i ^= 1;
        }
        BitmapRecord b;
        MakeIndexedRecord(width, height, 1, palette, stored, &b);
        Rgb picture = RecordPixels24(&b);
        std::string out = TestTempPath(whiteFirst ? "msp_ours_w.msp" : "msp_ours_b.msp");
        ASSERT_EQ(K_SaveMSPBitmap(out.c_str(), &b), K_OK);
        K_FreeBitmap(&b);
        EXPECT_EQ(LoadRgb(out), picture);

        std::string f = ReadBytes(out);
        ASSERT_GT(f.size(), 32u + 2 * height);
        EXPECT_EQ(f.substr(0, 4), "LinS");
        // The checksum makes the thirteen header words exclusive-or to 0.
        int sum = 0;
        for (int i = 0; i < 13; ++i) sum ^= Le16At(f, 2 * i);
        EXPECT_EQ(sum, 0);
        // The row map holds each row's full coded length, and the rows
        // follow it back to back up to the file's end.
        size_t at = 32 + 2 * height;
        for (int y = 0; y < height; ++y) at += Le16At(f, 32 + 2 * y);
        EXPECT_GT(Le16At(f, 32 + 2), 255);
        EXPECT_EQ(at, f.size());
    }
}

TEST(Msp, WriterCodesTwoEqualBytesAsARun) {
    std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::vector<unsigned char> indices;
    const unsigned char bytes[3] = {0x3C, 0x3C, 0x81};
    for (unsigned char v : bytes)
        for (int bit = 7; bit >= 0; --bit) indices.push_back((v >> bit) & 1);
    BitmapRecord b;
    MakeIndexedRecord(24, 1, 1, palette, indices, &b);
    std::string out = TestTempPath("msp_run.msp");
    ASSERT_EQ(K_SaveMSPBitmap(out.c_str(), &b), K_OK);
    K_FreeBitmap(&b);
    std::string f = ReadBytes(out);
    EXPECT_EQ(f.substr(32), Le16(5) + std::string("\x00\x02\x3C\x01\x81", 5));
}

TEST(Msp, BadFilesFailCleanly) {
    struct Case {
        const char* name;
        std::string file;
        int result;
    } const cases[] = {
        {"v1_short", MspHeader("DanM", 16, 2) + std::string("\xF0\x0F\xAA", 3), K_ERR_READ},
        {"v2_no_map", MspHeader("LinS", 16, 200) + std::string(10, '\0'), K_ERR_READ},
        {"v2_cut_in_literal", CodedFile("LinS", 32, {std::string("\x04\xF0", 2)}), K_ERR_READ},
        {"v2_overrun", CodedFile("LinS", 16, {std::string("\x03\x01\x02\x03", 4)}), 0},
        {"v2_run_overrun", CodedFile("LinS", 16, {std::string("\x00\x03\x01", 3)}), 0},
        {"zero_size", MspHeader("LinS", 0, 0) + std::string(4, '\0'), K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteBytes(std::string("msp_bad_") + c.name + ".msp", c.file);
        BitmapRecord b{};
        EXPECT_EQ(K_LoadMSPBitmap(path.c_str(), &b), c.result);
        K_FreeBitmap(&b);
    }
    // Other keys are not this format.
    std::string other = WriteBytes("msp_bad_keys.msp", MspHeader("LinX", 16, 1) + std::string(4, '\0'));
    BitmapRecord b{};
    EXPECT_EQ(K_LoadMSPBitmap(other.c_str(), &b), K_ERR_FORMAT);
}

}  // namespace
