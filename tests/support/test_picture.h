// Test pictures, one vocabulary for every test folder: a Picture holds
// top-down pixels (one value per pixel, a grey level or palette index, or
// three: red, green, blue); PNM bytes carry it to and from the host's tools;
// ImageMagick runs over pictures in batches; records are read back into
// pictures; pixel strings are compared without printing kilobytes.
//
// The folders' older names (core/stored_image.h: Picture, ToPnm, FromPnm,
// MagickBatch; formats/format_fixture.h: Rgb, ToPpm, FromPnm, HostPixels,
// RecordPixels24; io/io_test_util.h: SamePixels, HostRgb) are kept as thin
// forms of these. Names here live in test_picture:: because FromPnm means a
// Picture in one folder and an Rgb in another.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/palette.h"  // PaletteInUse, GetPaletteColors
#include "host.h"
#include "host_tools.h"
#include "volkg.h"

namespace test_picture {

struct Picture {
    int width = 0, height = 0, channels = 1;
    std::vector<uint8_t> data;
    uint8_t* At(int x, int y) { return &data[(static_cast<size_t>(y) * width + x) * channels]; }
    const uint8_t* At(int x, int y) const { return &data[(static_cast<size_t>(y) * width + x) * channels]; }
    bool operator==(const Picture& o) const {
        return width == o.width && height == o.height && channels == o.channels && data == o.data;
    }
};

inline void PrintTo(const Picture& p, std::ostream* os) {
    *os << p.width << "x" << p.height << "x" << p.channels << ":";
    for (size_t i = 0; i < p.data.size() && i < 96; ++i)
        *os << (i % (p.width * p.channels) ? " " : " | ") << int(p.data[i]);
}

// Binary PGM (one channel) or PPM (three) of maxval 255.
inline std::string ToPnm(const Picture& p) {
    std::string s =
        (p.channels == 1 ? "P5\n" : "P6\n") + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    s.append(reinterpret_cast<const char*>(p.data.data()), p.data.size());
    return s;
}

// Reads a binary PGM or PPM of maxval 255 (comments allowed in the header);
// an empty picture on anything else.
inline Picture FromPnm(const std::string& bytes) {
    size_t at = 0;
    auto token = [&]() {
        std::string t;
        while (at < bytes.size()) {
            const char c = bytes[at];
            if (c == '#' && t.empty()) {
                while (at < bytes.size() && bytes[at] != '\n') ++at;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) {
                if (!t.empty()) break;
                ++at;
                continue;
            }
            t += c;
            ++at;
        }
        return t;
    };
    auto number = [&]() {
        const std::string t = token();
        return !t.empty() && t.size() < 9 && t.find_first_not_of("0123456789") == std::string::npos ? std::stoi(t) : -1;
    };
    Picture p;
    const std::string magic = token();
    if (magic != "P5" && magic != "P6") return {};
    p.channels = magic == "P6" ? 3 : 1;
    p.width = number();
    p.height = number();
    const int maxval = number();
    if (p.width < 0 || p.height < 0 || maxval != 255) return {};
    const size_t n = static_cast<size_t>(p.width) * p.height * p.channels, start = at + 1;  // one white-space byte
    if (bytes.size() < start + n) return {};
    p.data.assign(bytes.begin() + start, bytes.begin() + start + n);
    return p;
}

// The picture with three channels (grey levels repeated).
inline Picture GreyAsRgb(const Picture& p) {
    if (p.channels == 3) return p;
    Picture q{p.width, p.height, 3, {}};
    q.data.reserve(p.data.size() * 3);
    for (uint8_t v : p.data) q.data.insert(q.data.end(), {v, v, v});
    return q;
}

// A host command that prints any PNM (PBM, PGM or PPM) to stdout: its
// pixels with three channels, or an empty picture when it fails.
inline Picture HostPnm(const std::string& command) {
    static int serial = 0;
    const std::string out = TestTempPath("host_out_" + std::to_string(++serial) + ".pnm");
    if (RunHost(command + " | ppmtoppm > '" + out + "'") != 0) return {};
    return FromPnm(ReadFileBytes(out));
}

// The first image of a file as ImageMagick reads it: three channels.
inline Picture HostPicture(const std::string& path) { return HostPnm(kConvert + " '" + path + "[0]' -depth 8 ppm:-"); }

// A record's pixels through its colours, top row first, three channels:
// true colour (16, 24 or 32 bits) in the record's order, indices through the
// palette in use (or the colour table when there is none).
inline Picture RecordColors(BitmapRecord* b) {
    Picture p{b->Width, b->Height, 3, std::vector<uint8_t>(static_cast<size_t>(b->Width) * b->Height * 3)};
    RGBQUAD colors[256] = {};
    if (b->BitsPerPixel <= 8) {
        // The colour table may hold the index map; the palette in use has the colours.
        if (PaletteInUse(b))
            GetPaletteColors(PaletteInUse(b), colors, 1 << b->BitsPerPixel);
        else
            std::memcpy(colors, b->ColorTable, sizeof colors);
    }
    const bool bgr = b->ColorOrder == K_ORDER_BGR;
    std::vector<unsigned char> row(b->BytesPerLine);
    K_AccessBitmap(b);
    for (int y = 0; y < b->Height; ++y) {
        const int stored = b->ViewPerspective == K_BOTTOM_UP ? b->Height - 1 - y : y;
        K_GetBitmapRow(b, row.data(), stored, b->BytesPerLine);
        for (int x = 0; x < b->Width; ++x) {
            uint8_t* q = p.At(x, y);
            if (b->BitsPerPixel == 16) {  // 5-5-5, red in the high bits in BGR order
                const int w = row[2 * x] | (row[2 * x + 1] << 8);
                auto widen = [](int v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); };
                const uint8_t hi = widen((w >> 10) & 31), lo = widen(w & 31);
                q[0] = bgr ? hi : lo, q[1] = widen((w >> 5) & 31), q[2] = bgr ? lo : hi;
                continue;
            }
            if (b->BitsPerPixel > 8) {
                const unsigned char* s = &row[static_cast<size_t>(x) * (b->BitsPerPixel / 8)];
                q[0] = bgr ? s[2] : s[0], q[1] = s[1], q[2] = bgr ? s[0] : s[2];
                continue;
            }
            const int v = b->BitsPerPixel == 8   ? row[x]
                          : b->BitsPerPixel == 4 ? (x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4)
                                                 : (row[x / 8] >> (7 - (x & 7))) & 1;
            q[0] = colors[v].rgbRed, q[1] = colors[v].rgbGreen, q[2] = colors[v].rgbBlue;
        }
    }
    K_ReleaseBitmap(b);
    return p;
}

// Pixel strings compared without printing kilobytes of bytes.
inline testing::AssertionResult SamePixels(const std::string& ours, const std::string& theirs) {
    if (ours == theirs) return testing::AssertionSuccess();
    size_t i = 0;
    while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i]) ++i;
    return testing::AssertionFailure() << "sizes " << ours.size() << " and " << theirs.size()
                                       << ", first difference at byte " << i
                                       << (theirs.size() < 40 ? " (peer said: " + theirs + ")" : "");
}

// ImageMagick runs over pictures, gathered into one host call (a host call
// under Wine costs about a second).
class MagickBatch {
public:
    explicit MagickBatch(std::string tag) : tag_(std::move(tag)) {}
    // Queues "convert in <args> -depth 8 out"; returns the index of its result.
    int Add(const Picture& in, const std::string& args) {
        int i = static_cast<int>(outputs_.size());
        std::string ext = in.channels == 1 ? ".pgm" : ".ppm";
        std::string a = TestTempPath(tag_ + "_" + std::to_string(i) + "_in" + ext);
        std::string b = TestTempPath(tag_ + "_" + std::to_string(i) + "_out" + ext);
        WriteFileBytes(a, ToPnm(in));
        std::remove(b.c_str());
        commands_ += kConvert + " '" + a + "' " + args + " -depth 8 '" + b + "' || exit 1\n";
        outputs_.push_back(b);
        return i;
    }
    // Runs every queued command; false when one of them failed.
    bool Run() {
        std::string script = TestTempPath(tag_ + "_batch.sh");
        WriteFileBytes(script, commands_);
        return RunHost("/bin/sh '" + script + "'") == 0;
    }
    Picture Result(int i) const { return FromPnm(ReadFileBytes(outputs_[i])); }

private:
    std::string tag_, commands_;
    std::vector<std::string> outputs_;
};

// One ImageMagick run over a picture.
inline Picture RunMagick(const Picture& in, const std::string& args, const std::string& tag) {
    MagickBatch batch(tag);
    int i = batch.Add(in, args);
    EXPECT_TRUE(batch.Run()) << args;
    return batch.Result(i);
}

}  // namespace test_picture
