// CALS raster: ImageMagick's files load with its pixels and ours load in
// ImageMagick; the header records we write; headers that are refused; the
// Group 3 reading of other raster types; loading at another depth and size.
#include <gtest/gtest.h>

#include <cstring>

#include "fax_test_util.h"

namespace {

// A header of the given records, each padded with zero bytes to 128, then
// the data at 2048.
std::string CalsFile(const std::vector<std::string>& records, const std::string& data) {
    std::string s;
    for (const std::string& r : records) {
        s += r;
        s.resize((s.size() + 127) / 128 * 128, '\0');
    }
    s.resize(2048, '\0');
    return s + data;
}

std::vector<std::string> Records(const std::string& rtype, const std::string& size, const std::string& density) {
    return {"srcdocid: NONE\n",        "dstdocid: NONE\n", "txtfilid: NONE\n",       "figid: NONE\n",
            "srcgph: NONE\n",          "doccls: NONE\n",   "rtype: " + rtype + "\n", "rorient: 000,270\n",
            "rpelcnt: " + size + "\n", density + "\n",     "notes: NONE\n"};
}

TEST(CalsPeers, ImageMagickFilesLoadWithItsPixels) {
    for (const auto& [width, height] : {std::pair{333, 91}, std::pair{1728, 40}}) {
        const Bits picture = PatternBits(width, height);
        const std::string pbm = WritePbm(picture, "im.pbm"), cal = TestTempPath("im.cal");
        Host(kConvert + " '" + pbm + "' CALS:'" + cal + "'");
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(cal.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 50);
        EXPECT_EQ(info.Width, width);
        EXPECT_EQ(info.Height, height);
        EXPECT_STREQ(info.Compression, "CALS Raster");
        RecordGuard r;
        ASSERT_EQ(LoadInto(cal, r.get()), K_OK);
        EXPECT_EQ(r.get()->FormatCode, 50);
        EXPECT_TRUE(SameBits(RecordBits(r.get()), picture)) << width;
    }
}

TEST(CalsPeers, OurFilesLoadInImageMagick) {
    // Colour 0 black or white, rows stored either way: the same picture.
    const Bits picture = PatternBits(301, 77);
    for (bool blackFirst : {false, true})
        for (int view : {K_TOP_DOWN, K_BOTTOM_UP}) {
            RecordGuard r;
            MakeBitsRecord(picture, r.get(), blackFirst, view);
            const std::string cal = TestTempPath("ours.cal");
            ASSERT_EQ(K_SaveCALSBitmap(cal.c_str(), r.get()), K_OK);
            EXPECT_TRUE(SameBits(HostBits("CALS:" + cal), picture)) << blackFirst << view;
            RecordGuard back;
            ASSERT_EQ(LoadInto(cal, back.get()), K_OK);
            EXPECT_TRUE(SameBits(RecordBits(back.get()), picture));
        }
}

TEST(CalsWriter, HeaderRecordsAndGroup4Data) {
    struct Case {
        int dpi;
        const char* density;
    } cases[] = {{150, "0200"}, {220, "0200"}, {221, "0240"}, {300, "0300"},
                 {351, "0400"}, {600, "0600"}, {900, "0600"}, {901, "1200"}};
    const Bits picture = PatternBits(1728, 22);
    for (const Case& c : cases) {
        RecordGuard r;
        MakeBitsRecord(picture, r.get());
        r.get()->XResolution = c.dpi;
        const std::string cal = TestTempPath("header.cal");
        ASSERT_EQ(K_SaveCALSBitmap(cal.c_str(), r.get()), K_OK);
        const std::string s = ReadFileBytes(cal);
        ASSERT_GT(s.size(), 2048u);
        EXPECT_EQ(s.substr(8 * 128, 24), std::string("rpelcnt: 01728,00022\n\0\0\0", 24));
        // The published key, which ImageMagick reads.
        EXPECT_EQ(s.substr(9 * 128, 14), std::string("rdensty: ") + c.density + "\n") << c.dpi;
        EXPECT_EQ(s.substr(6 * 128, 9), "rtype: 1\n");
        EXPECT_EQ(s.substr(11 * 128, 5 * 128), std::string(5 * 128, '\0'));
        // The data is Group 4 as libtiff decodes it.
        if (c.dpi == 150) {
            EXPECT_TRUE(SameBits(Fax2TiffBits(s.substr(2048), 1728, 22, "-4 -M", "cals-data"), picture));
        }
    }
}

TEST(CalsReader, HeaderVariants) {
    const Bits picture = PatternBits(120, 33);
    const std::string g4 = PeerG4(picture, "variants");
    ASSERT_FALSE(g4.empty());
    struct Case {
        const char* what;
        std::vector<std::string> records;
        int result;
        int density;
    } cases[] = {
        {"written key", Records("1", "00120,00033", "rdensity: 0300"), K_OK, 300},
        {"published key", Records("1", "120,33", "rdensty: 0400"), K_OK, 400},
        {"bracketed orient, colons", Records("1", "000120:000033", "rdensty: 200"), K_OK, 200},
        {"unknown key in record 3", {"srcdocid: NONE", "dstdocid: NONE", "title: x"}, K_ERR_FORMAT, 0},
        {"empty record", {"srcdocid: NONE", "", "rtype: 1"}, K_ERR_READ, 0},
        {"no value", Records("1", "", "rdensty: 200"), K_ERR_READ, 0},
        {"zero width", Records("1", "0,33", "rdensty: 200"), K_ERR_FORMAT, 0},
        {"width beyond any header", Records("1", "123456789,33", "rdensty: 200"), K_ERR_FORMAT, 0},
    };
    cases[2].records[7] = "rorient: [000],270\n";
    for (const Case& c : cases) {
        const std::string path = TestTempPath("variant.cal");
        WriteFileBytes(path, CalsFile(c.records, g4));
        RecordGuard r;
        K_InitBitmap(r.get(), 0, 0, 1);
        const int result = K_LoadCALSFile(path.c_str(), r.get(), nullptr, 1, nullptr);
        EXPECT_EQ(result, c.result) << c.what;
        if (c.result != K_OK) {
            FileInfoRecord info;
            EXPECT_EQ(K_FileInfo(path.c_str(), &info), K_ERR_FORMAT) << c.what;
            continue;
        }
        RecordGuard whole;
        ASSERT_EQ(K_LoadCALSBitmap(path.c_str(), whole.get()), K_OK) << c.what;
        EXPECT_EQ(whole.get()->XResolution, c.density);
        EXPECT_EQ(whole.get()->FormatCode, 50);
        EXPECT_TRUE(SameBits(RecordBits(whole.get()), picture)) << c.what;
    }
}

TEST(CalsReader, OtherTypesAreGroup3DataOrRefused) {
    const Bits picture = PatternBits(200, 25);
    const std::string g3 = PeerG3(picture, "type2", true), g4 = PeerG4(picture, "type2");
    ASSERT_FALSE(g3.empty());
    const std::string path = TestTempPath("type2.cal");
    WriteFileBytes(path, CalsFile(Records("2", "200,25", "rdensty: 200"), g3));
    RecordGuard r;
    ASSERT_EQ(K_LoadCALSBitmap(path.c_str(), r.get()), K_OK);
    EXPECT_TRUE(SameBits(RecordBits(r.get()), picture));
    // Data that does not start with an EOL (here Group 4, as tiled rasters
    // hold) is not Group 3: refused instead of decoded into noise.
    WriteFileBytes(path, CalsFile(Records("2", "200,25", "rdensty: 200"), g4));
    // A loader takes its record as new: the flags of one that holds a format
    // code outside the first few count as stale, so its storage is freed here.
    K_FreeBitmap(r.get());
    EXPECT_EQ(K_LoadCALSBitmap(path.c_str(), r.get()), K_ERR_FORMAT);
}

TEST(CalsReader, CutShortData) {
    const Bits picture = PatternBits(200, 60);
    const std::string g4 = PeerG4(picture, "short");
    const std::string path = TestTempPath("short.cal");
    for (size_t keep : {size_t(0), size_t(1), g4.size() / 2}) {
        WriteFileBytes(path, CalsFile(Records("1", "200,60", "rdensty: 200"), g4.substr(0, keep)));
        RecordGuard r;
        EXPECT_LT(K_LoadCALSBitmap(path.c_str(), r.get()), 0) << keep;
        EXPECT_FALSE(r.get()->Flags & K_ALLOCATED);
    }
    WriteFileBytes(path, CalsFile(Records("1", "200,60", "rdensty: 200"), "").substr(0, 1000));
    RecordGuard r;
    EXPECT_EQ(K_LoadCALSBitmap(path.c_str(), r.get()), K_ERR_FORMAT);
}

struct Delivered {
    int rows = 0;
    int width = 0, bits = 0;
};
int KAPI CountRows(BitmapRecord* b, unsigned char*, int count, void* user) {
    auto* d = static_cast<Delivered*>(user);
    d->rows += count;
    d->width = b->Width;
    d->bits = b->BitsPerPixel;
    return K_OK;
}

TEST(CalsReader, DeliversRowsAtTheAskedSizeAndDepth) {
    // A record that names another size and depth gets resized, converted
    // rows (not the file's raw ones), and the format code of CALS.
    const Bits picture = PatternBits(160, 40);
    RecordGuard src;
    MakeBitsRecord(picture, src.get());
    const std::string cal = TestTempPath("sized.cal");
    ASSERT_EQ(K_SaveCALSBitmap(cal.c_str(), src.get()), K_OK);
    // Rows go on at the file's depth, or dithered down to the fixed
    // palette the record asks for.
    for (int bits : {1, 4, 8}) {
        BitmapRecord r;
        K_InitBitmap(&r, 80, 20, bits);
        if (bits > 1) r.Flags |= K_FIXED_PALETTE_IN_USE;
        Delivered d;
        ASSERT_EQ(K_LoadCALSFile(cal.c_str(), &r, CountRows, bits, &d), K_OK);
        EXPECT_EQ(d.rows, 20) << bits;
        EXPECT_EQ(d.width, 80);
        EXPECT_EQ(d.bits, bits);
        EXPECT_EQ(r.FormatCode, 50);
        K_FreeBitmap(&r);
    }
    RecordGuard grey;
    ASSERT_EQ(K_LoadBitmap(cal.c_str(), grey.get(), 8, 1), K_OK);
    EXPECT_TRUE(SameBits(RecordBits(grey.get()), picture));
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 1);
    EXPECT_EQ(K_LoadCALSFile(cal.c_str(), &r, CountRows, 3, nullptr), K_ERR_BITS);
    EXPECT_EQ(K_LoadCALSFile(nullptr, &r, CountRows, 1, nullptr), K_ERR_NONAME);
}

TEST(CalsWriter, RefusesWhatTheHeaderCannotHold) {
    RecordGuard r;
    ASSERT_EQ(K_CreateBitmap(r.get(), K_STORAGE_ANY, 8, 100000, 1, 1, nullptr, 0), K_OK);
    const std::string cal = TestTempPath("tall.cal");
    EXPECT_EQ(K_SaveCALSBitmap(cal.c_str(), r.get()), K_ERR_SIZE);
    RecordGuard grey;
    ASSERT_EQ(K_CreateBitmap(grey.get(), K_STORAGE_ANY, 8, 8, 8, 1, nullptr, 0), K_OK);
    EXPECT_EQ(K_SaveFile(cal.c_str(), grey.get(), 50, 8, 0, 0, nullptr, nullptr), K_ERR_BITS);
}

}  // namespace
