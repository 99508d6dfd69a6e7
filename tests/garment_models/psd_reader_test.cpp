// The program's own Photoshop reader: files ImageMagick writes read with
// ImageMagick's pixels, run-length rows cut at the width, and hostile
// headers refused or handed to the library, whose codes then decide.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_tools.h"
#include "picture/psd_decode.h"
#include "test_picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) { b.insert(b.end(), {std::uint8_t(v >> 8), std::uint8_t(v)}); }
void Put32(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

// Header, three empty sections and the compression word.
Bytes PsdHeader(unsigned channels, std::uint32_t width, std::uint32_t height, unsigned compression, unsigned mode = 3,
                unsigned depth = 8, unsigned version = 1) {
    Bytes b{'8', 'B', 'P', 'S'};
    Put16(b, version);
    b.insert(b.end(), 6, 0);
    Put16(b, channels);
    Put32(b, height);
    Put32(b, width);
    Put16(b, depth);
    Put16(b, mode);
    for (int i = 0; i < 3; ++i) Put32(b, 0);
    Put16(b, compression);
    return b;
}

PsdResult Decode(const Bytes& b, PsdImage& image) { return DecodePhotoshop(b.data(), b.size(), image); }

TEST(PsdReader, ReadsImageMagickFilesWithItsPixels) {
    using namespace test_picture;
    Picture source{23, 9, 3, {}};
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            source.data.insert(source.data.end(), {uint8_t(x * 11), uint8_t(y * 27), uint8_t((x * y) ^ 0x5A)});
    const std::string ppm = TestTempPath("psd_source.ppm");
    WriteFileBytes(ppm, ToPnm(source));
    // ImageMagick writes run-length rows unless told otherwise.
    for (const std::string compress : {"RLE", "None"}) {
        const std::string psd = TestTempPath("psd_" + compress + ".psd");
        Host(kConvert + " '" + ppm + "' -compress " + compress + " '" + psd + "'");
        const std::string bytes = ReadFileBytes(psd);
        PsdImage image;
        ASSERT_EQ(DecodePhotoshop(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image),
                  PsdResult::Ok)
            << compress;
        const Picture theirs = HostPicture(psd);
        ASSERT_EQ(image.Width, theirs.width);
        ASSERT_EQ(image.Height, theirs.height);
        Picture ours{image.Width, image.Height, 3, {}};
        for (std::size_t i = 0; i < image.Pixels.size(); i += 4)
            ours.data.insert(ours.data.end(), {image.Pixels[i + 2], image.Pixels[i + 1], image.Pixels[i]});
        EXPECT_EQ(ours, theirs) << compress;
        EXPECT_EQ(ours, source) << compress;
    }
}

TEST(PsdReader, RunPastTheWidthEndsTheRow) {
    // 3 x 2, one channel of run-length data: row 0 is a run of 5 (two
    // bytes past the width), row 1 three literals.
    Bytes b = PsdHeader(1, 3, 2, 1, 7);
    for (int i = 0; i < 2; ++i) Put16(b, 2);
    b.insert(b.end(), {0xFC, 0x40, 0x02, 1, 2, 3});
    PsdImage image;
    ASSERT_EQ(Decode(b, image), PsdResult::Ok);
    const std::uint8_t red[] = {0x40, 0x40, 0x40, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(image.Pixels[i * 4 + 2], red[i]) << i;
        EXPECT_EQ(image.Pixels[i * 4 + 0], 0) << i;
    }
}

TEST(PsdReader, FourChannelsFillTheFourthByte) {
    Bytes b = PsdHeader(4, 1, 1, 0);
    b.insert(b.end(), {10, 20, 30, 40});
    PsdImage image;
    ASSERT_EQ(Decode(b, image), PsdResult::Ok);
    EXPECT_EQ(image.Pixels, (Bytes{30, 20, 10, 40}));
}

TEST(PsdReader, HostileHeadersAreRefused) {
    struct Case {
        const char* what;
        Bytes bytes;
        PsdResult expected;
    };
    Bytes badSignature = PsdHeader(3, 1, 1, 0);
    badSignature[0] = 'X';
    Bytes longSection = PsdHeader(3, 1, 1, 0);
    longSection[26 + 3] = 200;  // colour mode data longer than the file
    Bytes shortRaw = PsdHeader(3, 4, 4, 0);
    shortRaw.insert(shortRaw.end(), 47, 1);  // one byte short
    Bytes shortRle = PsdHeader(1, 4, 2, 1, 7);
    for (int i = 0; i < 2; ++i) Put16(shortRle, 2);
    shortRle.insert(shortRle.end(), {0xFD, 7, 0xFD});  // the second row's value is missing
    const Case cases[] = {
        {"signature", badSignature, PsdResult::Invalid},
        {"large document", PsdHeader(3, 1, 1, 0, 3, 8, 2), PsdResult::Invalid},
        {"16 bits a channel", PsdHeader(3, 1, 1, 0, 3, 16), PsdResult::Invalid},
        {"grey mode", PsdHeader(1, 1, 1, 0, 1), PsdResult::Invalid},
        {"header cut", Bytes{'8', 'B', 'P', 'S', 0, 1}, PsdResult::Invalid},
        {"five channels", PsdHeader(5, 1, 1, 0, 7), PsdResult::Unreadable},
        {"no channels", PsdHeader(0, 1, 1, 0, 7), PsdResult::Unreadable},
        {"zero width", PsdHeader(3, 0, 1, 0), PsdResult::Unreadable},
        {"huge sides", PsdHeader(3, 30000, 30000, 0), PsdResult::Unreadable},
        {"section past the end", longSection, PsdResult::Unreadable},
        {"raw data short", shortRaw, PsdResult::Unreadable},
        {"run-length data short", shortRle, PsdResult::Unreadable},
    };
    for (const Case& c : cases) {
        PsdImage image;
        EXPECT_EQ(Decode(c.bytes, image), c.expected) << c.what;
        EXPECT_TRUE(image.Pixels.empty()) << c.what;
    }
}

TEST(PsdReader, FilesHandedOnAreRefusedByTheLibraryWithItsCode) {
    // What this reader leaves to the library comes back as the library's
    // negative code, never a picture read past its data.
    Bytes five = PsdHeader(5, 2, 2, 0, 7);
    five.insert(five.end(), 20, 9);
    Bytes shortRaw = PsdHeader(3, 4, 4, 0);
    shortRaw.insert(shortRaw.end(), 10, 1);
    int n = 0;
    for (const Bytes& b : {five, shortRaw}) {
        PsdImage image;
        ASSERT_EQ(Decode(b, image), PsdResult::Unreadable);
        const std::string path = TestTempPath("handed_on_" + std::to_string(n++) + ".psd");
        WriteFileBytes(path, std::string(b.begin(), b.end()));
        RecordGuard r;
        EXPECT_LT(K_LoadBitmap(path.c_str(), r.get(), 24, 1), 0) << path;
    }
}

}  // namespace
