// Helpers of the fax container tests: 1-bit pictures as packed rows (1 =
// black, top row first), their PBM files, records made from them and read
// back, and the big-endian and little-endian pieces of hand-made headers.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "host_tools.h"
#include "tiff/tiff_test_util.h"  // PageOption, Le16At, Le32At
#include "volkg.h"

struct Bits {
    int width = 0, height = 0;
    std::vector<unsigned char> rows;  // (width + 7) / 8 bytes a row, pad bits 0
    int RowBytes() const { return (width + 7) / 8; }
    bool Black(int x, int y) const { return rows[size_t(y) * RowBytes() + x / 8] & (0x80 >> (x % 8)); }
    void Set(int x, int y) { rows[size_t(y) * RowBytes() + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8)); }
    bool operator==(const Bits& o) const { return width == o.width && height == o.height && rows == o.rows; }
};

inline Bits BlankBits(int width, int height) {
    Bits b;
    b.width = width;
    b.height = height;
    b.rows.assign(size_t(b.RowBytes()) * height, 0);
    return b;
}

// Rings and stripes: runs of many lengths, rows that begin black and white,
// long white runs and short black ones.
inline Bits PatternBits(int width, int height) {
    Bits b = BlankBits(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 3, dy = y - height / 2;
            const bool ring = (dx * dx + 3 * dy * dy) / 211 % 3 == 0;
            const bool stripe = (x / 7 + y / 5) % 11 == 0;
            if ((ring != stripe) || (x == 0 && y % 4 == 0)) b.Set(x, y);
        }
    return b;
}

// Compares without printing kilobytes.
inline testing::AssertionResult SameBits(const Bits& ours, const Bits& theirs) {
    if (ours.width != theirs.width || ours.height != theirs.height)
        return testing::AssertionFailure()
               << "sizes " << ours.width << "x" << ours.height << " and " << theirs.width << "x" << theirs.height;
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x)
            if (ours.Black(x, y) != theirs.Black(x, y))
                return testing::AssertionFailure() << "first difference at " << x << "," << y;
    return testing::AssertionSuccess();
}

inline std::string PbmBytes(const Bits& b) {
    std::string s = "P4\n" + std::to_string(b.width) + " " + std::to_string(b.height) + "\n";
    s.append(reinterpret_cast<const char*>(b.rows.data()), b.rows.size());
    return s;
}

// A raw PBM (P4) as a picture; empty when it is not one.
inline Bits PbmBits(const std::string& s) {
    Bits b;
    size_t at = 0;
    auto field = [&]() {
        while (at < s.size() && (isspace(static_cast<unsigned char>(s[at])) || s[at] == '#')) {
            if (s[at] == '#')
                while (at < s.size() && s[at] != '\n') ++at;
            else
                ++at;
        }
        size_t start = at;
        while (at < s.size() && !isspace(static_cast<unsigned char>(s[at]))) ++at;
        return s.substr(start, at - start);
    };
    if (field() != "P4") return b;
    b.width = std::stoi(field());
    b.height = std::stoi(field());
    ++at;
    b.rows.assign(s.begin() + static_cast<long>(at), s.end());
    b.rows.resize(size_t(b.RowBytes()) * b.height);
    for (int y = 0; y < b.height; ++y)
        if (b.width % 8)
            b.rows[size_t(y + 1) * b.RowBytes() - 1] &= static_cast<unsigned char>(0xFF00 >> (b.width % 8));
    return b;
}

// A command with %in and %out replaced by quoted paths.
inline std::string FillPaths(std::string command, const std::string& in, const std::string& out) {
    for (size_t at; (at = command.find("%in")) != std::string::npos;) command.replace(at, 3, "'" + in + "'");
    for (size_t at; (at = command.find("%out")) != std::string::npos;) command.replace(at, 4, "'" + out + "'");
    return command;
}

inline std::string WritePbm(const Bits& b, const std::string& name) {
    const std::string path = TestTempPath(name);
    WriteFileBytes(path, PbmBytes(b));
    return path;
}

// The picture of a file as ImageMagick reads it (format prefix allowed).
inline Bits HostBits(const std::string& file) {
    const std::string out = TestTempPath("host-bits.pbm");
    std::remove(out.c_str());
    if (RunHost(kConvert + " '" + file + "' -threshold 50% pbm:'" + out + "'") != 0) return {};
    return PbmBits(ReadFileBytes(out));
}

// Any record's picture: dark pixels are black. 1-bit rows are read whole.
inline Bits RecordBits(BitmapRecord* r) {
    Bits b = BlankBits(r->Width, r->Height);
    K_AccessBitmap(r);
    RGBQUAD colors[2] = {};
    const bool packed = r->BitsPerPixel == 1 && K_GetBitmapColors(r, 0, 2, colors) == K_OK;
    auto dark = [](const RGBQUAD& c) { return c.rgbRed + c.rgbGreen + c.rgbBlue < 384; };
    std::vector<unsigned char> row(static_cast<size_t>(r->BytesPerLine));
    for (int y = 0; y < r->Height; ++y) {
        const int stored = r->ViewPerspective == K_BOTTOM_UP ? r->Height - 1 - y : y;
        if (packed) {
            K_GetBitmapRow(r, row.data(), stored, r->BytesPerLine);
            for (int x = 0; x < r->Width; ++x)
                if (dark(colors[row[x / 8] >> (7 - x % 8) & 1])) b.Set(x, y);
            continue;
        }
        for (int x = 0; x < r->Width; ++x) {
            const unsigned c = static_cast<unsigned>(K_GetPixelColor(r, stored, x));
            if ((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF) < 384) b.Set(x, y);
        }
    }
    K_ReleaseBitmap(r);
    return b;
}

// A new 1-bit record of the picture, with colour 0 white (or black) and
// the rows stored top-down (or bottom-up).
inline void MakeBitsRecord(const Bits& b, BitmapRecord* r, bool blackFirst = false, int view = K_TOP_DOWN) {
    const RGBQUAD white{255, 255, 255, 0}, black{0, 0, 0, 0};
    const RGBQUAD palette[2] = {blackFirst ? black : white, blackFirst ? white : black};
    ASSERT_EQ(K_CreateBitmap(r, K_STORAGE_ANY, b.width, b.height, 1, K_ORDER_BGR, palette, view), K_OK);
    std::vector<unsigned char> row(r->BytesPerLine);
    K_AccessBitmap(r);
    for (int y = 0; y < b.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int i = 0; i < b.RowBytes(); ++i) {
            const unsigned char v = b.rows[size_t(y) * b.RowBytes() + i];
            row[i] = blackFirst ? static_cast<unsigned char>(~v) : v;
        }
        K_PutBitmapRow(r, row.data(), view == K_BOTTOM_UP ? b.height - 1 - y : y, r->BytesPerLine);
    }
    K_ReleaseBitmap(r);
    r->XResolution = r->YResolution = 200;
}

inline unsigned char ReverseBits(unsigned char v) {
    v = static_cast<unsigned char>((v & 0xF0) >> 4 | (v & 0x0F) << 4);
    v = static_cast<unsigned char>((v & 0xCC) >> 2 | (v & 0x33) << 2);
    return static_cast<unsigned char>((v & 0xAA) >> 1 | (v & 0x55) << 1);
}
inline std::string ReverseAll(std::string s) {
    for (char& c : s) c = static_cast<char>(ReverseBits(static_cast<unsigned char>(c)));
    return s;
}

inline std::string Be16s(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
inline std::string Le16s(unsigned v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
inline std::string Le32s(unsigned v) { return Le16s(v & 0xFFFF) + Le16s(v >> 16); }
inline unsigned Be16At(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) << 8 | static_cast<unsigned char>(s[at + 1]);
}

// Coded data of a picture from the peers: netpbm's Group 3 (one row per
// EOL, byte-aligned EOLs, the width kept; the first bit highest unless
// -reversebits), ImageMagick's raw Group 4 (first bit highest).
// The peers run once per picture and coding in a test program.
inline std::string PeerCoded(const Bits& b, const std::string& name, const std::string& command) {
    static std::map<std::string, std::string> made;
    const std::string key = command + PbmBytes(b);
    auto found = made.find(key);
    if (found != made.end()) return found->second;
    const std::string pbm = WritePbm(b, name + ".pbm"), out = TestTempPath(name + ".coded");
    if (RunHost(FillPaths(command, pbm, out)) != 0) return {};
    return made[key] = ReadFileBytes(out);
}
inline std::string PeerG3(const Bits& b, const std::string& name, bool msbFirst) {
    return PeerCoded(
        b, name,
        std::string("pbmtog3 -nofixedwidth -align8 ") + (msbFirst ? "" : "-reversebits ") + "%in > %out 2>/dev/null");
}
inline std::string PeerG4(const Bits& b, const std::string& name) {
    return PeerCoded(b, name, kConvert + " %in GROUP4:%out");
}

// Decodes raw coded data with libtiff's fax2tiff (options say the coding
// and the bit order) and reads the first `height` rows back: fax2tiff
// counts the EOLs of the end-of-page codes as further rows, which must be
// white.
inline Bits Fax2TiffBits(const std::string& data, int width, int height, const std::string& options,
                         const std::string& name) {
    const std::string raw = TestTempPath(name + ".raw"), tif = TestTempPath(name + ".tif");
    WriteFileBytes(raw, data);
    std::remove(tif.c_str());
    if (RunHost("fax2tiff " + options + " -X " + std::to_string(width) + " -o '" + tif + "' '" + raw +
                "' >/dev/null 2>&1") != 0)
        return {};
    Bits all = HostBits(tif);
    if (all.height < height || all.width != width) return all;
    for (size_t i = size_t(all.RowBytes()) * height; i < all.rows.size(); ++i)
        if (all.rows[i]) return {};
    all.height = height;
    all.rows.resize(size_t(all.RowBytes()) * height);
    return all;
}

// Loads a file into a new record at its own depth: the load's result.
inline int LoadInto(const std::string& path, BitmapRecord* r) { return K_LoadBitmap(path.c_str(), r, 0, 1); }
