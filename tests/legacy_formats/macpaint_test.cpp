// MacPaint against netpbm and ImageMagick, and hand-made packed data.
#include <fstream>

#include "formats/format_fixture.h"
#include "legacy_formats/legacy_fixture.h"

namespace {

// A bare MacPaint file: the header with the version word, then data.
std::string MacFile(int version, const std::string& data) {
    std::string f(512, '\0');
    f[3] = static_cast<char>(version);
    return f + data;
}

TEST(MacPaint, NetpbmFilesLoadWithTheirPixels) {
    // pbmtomacp writes version 0 without a MacBinary header.
    Rgb picture = PalettePicture(576, 720, 2);
    std::string in = WritePpm(picture, "mac_peer.ppm");
    std::string out = TestTempPath("mac_peer.mac");
    Host("ppmtopgm " + in + " | pgmtopbm -threshold | pbmtomacp > " + out);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, 51);
    int r = 0;
    EXPECT_EQ(LoadRgb(out, &r), picture);
    EXPECT_EQ(r, K_OK);
}

TEST(MacPaint, OurFilesReadBackByPeers) {
    Rgb picture = PalettePicture(576, 720, 2);
    for (bool whiteFirst : {false, true}) {
        SCOPED_TRACE(whiteFirst);
        std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::vector<unsigned char> indices;
        for (size_t i = 0; i < picture.pixels.size(); i += 3)
            indices.push_back(static_cast<unsigned char>((picture.pixels[i] != 0) != whiteFirst));
        if (whiteFirst) std::swap(palette[0], palette[1]);
        BitmapRecord b;
        MakeIndexedRecord(576, 720, 1, palette, indices, &b);
        std::string out = TestTempPath(whiteFirst ? "mac_ours_w.mac" : "mac_ours_b.mac");
        ASSERT_EQ(K_SaveMACBitmap(out.c_str(), &b), K_OK);
        K_FreeBitmap(&b);
        EXPECT_EQ(HostPnm("macptopbm " + out + " | ppmtoppm"), picture);
        EXPECT_EQ(HostPixels(out), picture);
        EXPECT_EQ(LoadRgb(out), picture);
    }
}

int KAPI NoRows(BitmapRecord*, unsigned char*, int, int, void*) { return 1; }

TEST(MacPaint, OtherSizesAreResizedExceptThroughACallback) {
    Rgb picture = PalettePicture(100, 100, 2);
    BitmapRecord b;
    MakeRecord(picture, &b);
    std::string out = TestTempPath("mac_resized.mac");
    ASSERT_EQ(K_SaveMACBitmap(out.c_str(), &b), K_OK);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
    EXPECT_EQ(info.Width, 576);
    EXPECT_EQ(info.Height, 720);
    Rgb loaded = LoadRgb(out);
    ASSERT_EQ(loaded.width, 576);
    // The top-left block (black) and the next one (white) keep their colours.
    EXPECT_EQ(loaded.pixels[0], 0);
    EXPECT_EQ(loaded.pixels[3 * 20], 255);
    EXPECT_EQ(K_SaveFile(out.c_str(), &b, 51, 1, 0, K_SAVE_FIXED_PALETTE, NoRows, nullptr), K_ERR_SIZE);
    K_FreeBitmap(&b);
}

TEST(MacPaint, PackedDataCases) {
    // Version 2; every row a run of 72 bytes 0x80 (one black pixel of eight),
    // after a no-op 128 header on the first row.
    std::string rows;
    rows += '\x80';
    for (int y = 0; y < 720; ++y) rows += std::string("\xB9\x80", 2);
    Rgb p = LoadRgb(WriteBytes("mac_noop.mac", MacFile(2, rows)));
    ASSERT_EQ(p.width, 576);
    EXPECT_EQ(p.pixels[0], 0);
    EXPECT_EQ(p.pixels[3], 255);
    EXPECT_EQ(p.pixels[3 * (576 * 720 - 8)], 0);

    // A MacBinary header with the type PNTG puts the data at 640.
    std::string mb(128, '\0');
    mb.replace(65, 4, "PNTG");
    std::string white;
    for (int y = 0; y < 720; ++y) white += std::string("\xB9\x00", 2);
    p = LoadRgb(WriteBytes("mac_binary.mac", mb + std::string(512, '\x55') + white));
    ASSERT_EQ(p.width, 576);
    EXPECT_EQ(p.pixels[0], 255);

    // Data ending early is a read failure, not stale rows.
    RecordGuard g;
    std::string cut;
    for (int y = 0; y < 719; ++y) cut += std::string("\xB9\x00", 2);
    cut += '\x47' + std::string(10, '\x0F');  // a literal of 72 bytes with 10 left
    std::string path = WriteBytes("mac_short.mac", MacFile(2, cut));
    EXPECT_EQ(K_LoadMACBitmap(path.c_str(), &g.record), K_ERR_READ);
    std::string tiny = WriteBytes("mac_tiny.mac", MacFile(2, "\x01"));
    EXPECT_EQ(K_LoadFile(tiny.c_str(), &g.record, 1, 0, K_LOAD_ALLOCATE, nullptr, nullptr), K_ERR_READ);
}

}  // namespace
