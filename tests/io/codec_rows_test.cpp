// The codec rows: every format code has exactly one row, the ranks put the
// probes in the order K_FileInfo has always tried them, and what each row's
// writer stores its reader gives back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "compressed/compressed_file_writer.h"
#include "fax/fax_containers.h"
#include "formats/raster_formats.h"
#include "io/codec_row.h"
#include "io/format_codes.h"
#include "io_test_util.h"
#include "tiff/tiff_codec.h"

namespace {

using test_picture::Picture;
using test_picture::RecordColors;

const int kEveryCode[] = {
    kFormatPCX,
    kFormatGIF,
    kFormatTIFF,
    kFormatTGA,
    kFormatCompressed,
    kFormatBMP,
    kFormatJPEG,
    kFormatTIFFJPEG,
    kFormatBMPOS2v1,
    kFormatWMF,
    kFormatEPS,
    kFormatTIFFLZW,
    kFormatCompressedGrey,
    kFormatCompressed3,
    kFormatCompressed4,
    kFormatCompressed5,
    kFormatCompressed6,
    kFormatTIFF3,
    kFormatBilevel,
    kFormatTIFF4,
    kFormatTIFF5,
    kFormatTIFF6,
    kFormatDataStream,
    kFormatCALS,
    kFormatMacPaint,
    kFormatGEM,
    kFormatMSP,
    kFormatWPG,
    kFormatSunRaster,
    kFormatPICT,
    kFormatPhotoCD,
    kFormatEPSTIFF,
    kFormatFaxRaw,
    kFormatFaxRaw2,
    kFormatFaxRaw3,
    kFormatFax,
    kFormatFax2,
    kFormatIOCA,
    kFormatIOCA2,
    kFormatIOCA3,
    kFormatBMPOS2v2,
    kFormatPNG,
    kFormatPhotoshop,
    kFormatIOCABare,
    kFormatIOCABare2,
    kFormatIOCABare3,
};

TEST(CodecRows, EveryFormatCodeHasExactlyOneRow) {
    std::map<int, std::vector<const char*>> rowsOf;
    for (const CodecRow* row : CodecRows()) {
        std::vector<int> codes;
        for (const LoadEntry& e : row->loads) codes.push_back(e.code);
        for (const SaveEntry& e : row->saves) codes.push_back(e.code);
        std::sort(codes.begin(), codes.end());
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
        for (int code : codes) rowsOf[code].push_back(row->name);
        // A code appears once among a row's loads and once among its saves.
        for (int code : codes) {
            EXPECT_LE(
                std::count_if(row->loads.begin(), row->loads.end(), [&](const LoadEntry& e) { return e.code == code; }),
                1)
                << row->name << " " << code;
            EXPECT_LE(
                std::count_if(row->saves.begin(), row->saves.end(), [&](const SaveEntry& e) { return e.code == code; }),
                1)
                << row->name << " " << code;
        }
    }
    for (int code : kEveryCode) {
        ASSERT_EQ(rowsOf[code].size(), 1u)
            << "format code " << code
            << (rowsOf[code].empty() ? " has no row"
                                     : " has rows " + std::string(rowsOf[code][0]) + ", " + rowsOf[code][1]);
        rowsOf.erase(code);
    }
    for (const auto& [code, names] : rowsOf)
        ADD_FAILURE() << names[0] << " takes code " << code << ", which is no format code";
}

TEST(CodecRows, RanksOrderTheProbesAsBefore) {
    struct Step {
        ProbeFunction probe;  // null: the header is read again
        bool rewind;
    };
    const Step expected[] = {
        {ReadCompressedInfo, false},
        {ProbeTIFF, true},
        {ProbeTGA, true},
        {ProbeBMP, false},
        {ProbePCX, false},
        {ProbeCALS, true},
        {ProbeGIF, true},
        {ProbePNG, true},
        {ReadCompressDataInfo, false},
        {ProbeWMF, false},
        {ProbeEPS, true},
        {nullptr, true},
        {ProbePSD, true},
        {ProbeJPEG, true},
        {ProbeCALS, true},
        {ProbeMAC, true},
        {ProbeIMG, true},
        {ProbeMSP, true},
        {ProbeWPG, true},
        {ProbeRAS, true},
        {ProbePCT, true},
        {ProbeWFX, true},
        {ProbeIOCA, true},
    };
    const std::span<const ProbeStep> order = ProbeOrder();
    ASSERT_EQ(order.size(), std::size(expected));
    for (size_t i = 0; i < order.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + " " + order[i].format);
        EXPECT_EQ(order[i].action, expected[i].probe ? ProbeAction::Probe : ProbeAction::ReReadHeader);
        EXPECT_EQ(order[i].probe, expected[i].probe);
        EXPECT_EQ(order[i].rewind, expected[i].rewind);
    }
    const std::span<const NameProbeFunction> byName = NameProbes();
    ASSERT_EQ(byName.size(), 2u);
    EXPECT_EQ(byName[0], ReadPCDInfo);
    EXPECT_EQ(byName[1], ReadRawFaxInfo);  // last: its refusal is the answer
}

// How a code's file comes back.
enum class Back {
    Same,      // the very pixels
    Near,      // a lossy coding: close
    FaxPage,   // made a fax page first (1728 wide, scaled and centred): both colours on it
    InfoOnly,  // no reader here: the probe knows the file
};

struct RoundTrip {
    int code;
    int bits;  // the depth saved
    Back back;
    int width = 40, height = 24;
    int quality = 0;
};

#ifdef _WIN32
constexpr Back kMetafileBack = Back::Same;
#else
constexpr Back kMetafileBack = Back::InfoOnly;  // drawn by GDI only
#endif

constexpr int kQuality = 90;  // of the compressed family

// Every code a writer takes. The compressed family saves a grey picture,
// since some of its variants store grey.
const RoundTrip kRoundTrips[] = {
    {kFormatPCX, 24, Back::Same},
    {kFormatGIF, 8, Back::Same},
    {kFormatTIFF, 24, Back::Same},
    {kFormatTIFFLZW, 24, Back::Same},
    {kFormatTIFF3, 1, Back::Same},
    {kFormatTIFF4, 1, Back::Same},
    {kFormatTIFF5, 1, Back::Same},
    {kFormatTIFF6, 1, Back::Same},
    {kFormatTGA, 24, Back::Same},
    {kFormatCompressed, 8, Back::Near, 40, 24, kQuality},
    {kFormatCompressedGrey, 8, Back::Near, 40, 24, kQuality},
    {kFormatJPEG, 8, Back::Near, 40, 24, kQuality},
    {kFormatTIFFJPEG, 24, Back::Near, 40, 24, kQuality},
    {kFormatCompressed3, 8, Back::Near, 40, 24, kQuality},
    {kFormatCompressed4, 24, Back::Near, 40, 24, kQuality},
    {kFormatCompressed5, 8, Back::Near, 40, 24, kQuality},
    {kFormatCompressed6, 24, Back::Near, 40, 24, kQuality},
    {kFormatBMP, 24, Back::Same},
    {kFormatBMPOS2v1, 24, Back::Same},
    {kFormatBMPOS2v2, 24, Back::Same},
    {kFormatWMF, 24, kMetafileBack},
    {kFormatEPS, 8, Back::Same},
    {kFormatBilevel, 1, Back::Same},
    {kFormatCALS, 1, Back::Same},
    {kFormatMacPaint, 1, Back::Same, 576, 720},
    {kFormatGEM, 1, Back::Same},
    {kFormatMSP, 1, Back::Same},
    {kFormatWPG, 8, Back::Same},
    {kFormatSunRaster, 24, Back::Same},
    {kFormatPICT, 24, Back::Same},
    {kFormatFaxRaw, 1, Back::Same},
    {kFormatFaxRaw2, 1, Back::Same},
    {kFormatFaxRaw3, 1, Back::Same},
    {kFormatFax, 1, Back::FaxPage},
    {kFormatFax2, 1, Back::FaxPage},
    {kFormatIOCA, 1, Back::Same},
    {kFormatIOCA2, 1, Back::Same},
    {kFormatIOCA3, 1, Back::Same},
    {kFormatIOCABare, 1, Back::Same},
    {kFormatIOCABare2, 1, Back::Same},
    {kFormatIOCABare3, 1, Back::Same},
    {kFormatPNG, 24, Back::Same},
    {kFormatPhotoshop, 24, Back::Same},
};

// A picture of the depth: a colour gradient, a grey ramp, or black and
// white blocks.
void MakeSource(BitmapRecord* r, int width, int height, int bits) {
    RGBQUAD colors[256] = {};
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<BYTE>(bits == 1 ? 255 * i : i);
        colors[i] = {v, v, v, 0};
    }
    ASSERT_EQ(
        K_CreateBitmap(r, K_STORAGE_ANY, width, height, bits, K_ORDER_BGR, bits <= 8 ? colors : nullptr, K_TOP_DOWN),
        K_OK);
    std::vector<unsigned char> row(r->BytesPerLine);
    K_AccessBitmap(r);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                unsigned char* p = &row[3 * x];
                p[0] = static_cast<unsigned char>(96 + x), p[1] = static_cast<unsigned char>(4 * y),
                p[2] = static_cast<unsigned char>(5 * x);
            } else if (bits == 8) {
                row[x] = static_cast<unsigned char>((x + y) * 4);
            } else if (((x / 5) + (y / 3)) & 1) {
                row[x / 8] |= static_cast<unsigned char>(0x80 >> (x & 7));
            }
        }
        ASSERT_EQ(K_PutBitmapRow(r, row.data(), y, r->BytesPerLine), r->BytesPerLine);
    }
    K_ReleaseBitmap(r);
}

RawFaxInfo g_rawFax{};
int KAPI DescribeRawFax(int, RawFaxInfo* info) {
    *info = g_rawFax;
    return K_OK;
}

TEST(CodecRows, EveryWriterRoundTripsThroughItsReader) {
    std::map<int, const RoundTrip*> cases;
    for (const RoundTrip& c : kRoundTrips) cases[c.code] = &c;
    for (const CodecRow* row : CodecRows()) {
        for (const SaveEntry& save : row->saves) {
            if (!save.writer) continue;
            SCOPED_TRACE(std::string(row->name) + ", code " + std::to_string(save.code));
            ASSERT_TRUE(cases.count(save.code)) << "a writer without a round trip here";
            const RoundTrip& c = *cases[save.code];
            if (row->limits) EXPECT_TRUE(row->limits->Takes(c.bits));
            TestBitmap source;
            MakeSource(source.get(), c.width, c.height, c.bits);
            const std::string path = TestTempPath("codec_row_" + std::to_string(c.code));
            ASSERT_EQ(K_SaveFile(path.c_str(), source.get(), c.code, c.bits, c.quality, 0, nullptr, nullptr), K_OK);

            const bool raw = save.code == kFormatFaxRaw || save.code == kFormatFaxRaw2 || save.code == kFormatFaxRaw3;
            if (raw) {
                g_rawFax = RawFaxInfo{};
                g_rawFax.Format = static_cast<unsigned char>('B' + (save.code - kFormatFaxRaw));
                g_rawFax.Width = c.width, g_rawFax.Height = c.height, g_rawFax.BitsPerPixel = 1;
                g_rawFax.XResolution = 204, g_rawFax.YResolution = 196, g_rawFax.Flags = K_FAX_TOP_DOWN;
                K_SetLoadInfoCallback(DescribeRawFax);
            }
            FileInfoRecord info;
            const int probed = K_FileInfo(path.c_str(), &info);
            TestBitmap back;
            const int loaded = c.back == Back::InfoOnly ? K_OK
                                                        : K_LoadFile(path.c_str(), back.get(), 0, 0,
                                                                     K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
            if (raw) K_SetLoadInfoCallback(nullptr);
            ASSERT_EQ(probed, K_OK);
            const LoadEntry* entry = FindLoadEntry(info.FormatCode);
            ASSERT_NE(entry, nullptr) << "probed as " << info.FormatCode;
            if (c.back == Back::InfoOnly) {
                EXPECT_EQ(info.FormatCode, c.code);
                continue;
            }
            ASSERT_EQ(loaded, K_OK);
            const Picture want = RecordColors(source.get());
            const Picture got = RecordColors(back.get());
            if (c.back == Back::Same) {
                EXPECT_EQ(got, want);
                continue;
            }
            if (c.back == Back::FaxPage) {
                EXPECT_EQ(got.width, 1728);
                EXPECT_EQ(got.height % 128, 0);
                EXPECT_NE(std::count(got.data.begin(), got.data.end(), 0), 0);
                EXPECT_NE(std::count(got.data.begin(), got.data.end(), 255), 0);
                continue;
            }
            ASSERT_EQ(got.width, want.width);
            ASSERT_EQ(got.height, want.height);
            long total = 0;
            int worst = 0;
            for (size_t i = 0; i < want.data.size(); ++i) {
                const int d = std::abs(int(got.data[i]) - int(want.data[i]));
                total += d, worst = std::max(worst, d);
            }
            EXPECT_LE(total / long(want.data.size()), 6);
            EXPECT_LE(worst, 48);
        }
    }
}

}  // namespace
