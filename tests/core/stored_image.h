// Pictures as plain pixel arrays for tests: stored into records at any
// depth, perspective and colour order, read back from them, and passed to
// and from the host's netpbm tools as PGM/PPM.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/bitmap.h"
#include "host.h"
#include "volkg.h"

// Top-down pixels: one value per pixel (palette index, or grey) or three
// (red, green, blue).
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
    for (size_t i = 0; i < p.data.size() && i < 96; ++i) *os << (i % (p.width * p.channels) ? " " : " | ") << int(p.data[i]);
}

// A deterministic pattern whose values survive the depth: indices below
// 2^bits; at 16 bits colour levels that a 5-bit channel holds exactly.
inline Picture MakePattern(int width, int height, int bits, unsigned seed = 1) {
    Picture p;
    p.width = width, p.height = height, p.channels = bits <= 8 ? 1 : 3;
    p.data.resize(static_cast<size_t>(width) * height * p.channels);
    uint32_t s = seed * 2654435761u + 12345;
    for (auto& v : p.data) {
        s = s * 1103515245u + 12345;
        int r = static_cast<int>(s >> 16);
        if (bits <= 8)
            v = static_cast<uint8_t>(r & ((1 << bits) - 1));
        else if (bits == 16)
            v = static_cast<uint8_t>(((r & 31) << 3) | ((r & 31) >> 2));
        else
            v = static_cast<uint8_t>(r);
    }
    return p;
}

inline int StorageRow(const BitmapRecord& r, int y) { return r.ViewPerspective == K_BOTTOM_UP ? r.Height - 1 - y : y; }

inline void EncodePixel(const BitmapRecord& r, unsigned char* row, int x, const uint8_t* px) {
    switch (r.BitsPerPixel) {
    case 1: {
        unsigned char m = static_cast<unsigned char>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<unsigned char>(px[0] ? row[x >> 3] | m : row[x >> 3] & ~m);
        break;
    }
    case 4:
        row[x >> 1] = static_cast<unsigned char>((x & 1) ? (row[x >> 1] & 0xF0) | px[0] : (row[x >> 1] & 0x0F) | (px[0] << 4));
        break;
    case 8:
        row[x] = px[0];
        break;
    case 16: {
        int hi = r.ColorOrder == K_ORDER_BGR ? px[0] : px[2], lo = r.ColorOrder == K_ORDER_BGR ? px[2] : px[0];
        int w = ((hi >> 3) << 10) | ((px[1] >> 3) << 5) | (lo >> 3);
        row[2 * x] = static_cast<unsigned char>(w), row[2 * x + 1] = static_cast<unsigned char>(w >> 8);
        break;
    }
    default: {
        unsigned char* p = row + (r.BitsPerPixel / 8) * x;
        bool bgr = r.ColorOrder == K_ORDER_BGR;
        p[0] = bgr ? px[2] : px[0], p[1] = px[1], p[2] = bgr ? px[0] : px[2];
        if (r.BitsPerPixel == 32) p[3] = 0xA5;
    }
    }
}

inline void DecodePixel(const BitmapRecord& r, const unsigned char* row, int x, uint8_t* px) {
    switch (r.BitsPerPixel) {
    case 1:
        px[0] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        px[0] = (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
        break;
    case 8:
        px[0] = row[x];
        break;
    case 16: {
        int w = row[2 * x] | (row[2 * x + 1] << 8);
        auto widen = [](int v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); };
        uint8_t hi = widen((w >> 10) & 31), lo = widen(w & 31);
        bool bgr = r.ColorOrder == K_ORDER_BGR;
        px[0] = bgr ? hi : lo, px[1] = widen((w >> 5) & 31), px[2] = bgr ? lo : hi;
        break;
    }
    default: {
        const unsigned char* p = row + (r.BitsPerPixel / 8) * x;
        bool bgr = r.ColorOrder == K_ORDER_BGR;
        px[0] = bgr ? p[2] : p[0], px[1] = p[1], px[2] = bgr ? p[0] : p[2];
    }
    }
}

// Initialises, allocates and fills a record with the picture.
inline void StorePicture(BitmapRecord& r, const Picture& p, int bits, int perspective = K_BOTTOM_UP,
                         int order = -1, int kind = K_STORAGE_ANY) {
    ASSERT_EQ(K_InitBitmap(&r, p.width, p.height, bits), K_OK);
    ASSERT_EQ(K_AllocateBitmap(&r, kind), K_OK);
    r.ViewPerspective = perspective;
    if (order >= 0) r.ColorOrder = order;
    std::vector<unsigned char> row(r.BytesPerLine);
    BitmapLock lock(&r);
    for (int y = 0; y < p.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < p.width; ++x) EncodePixel(r, row.data(), x, p.At(x, y));
        ASSERT_EQ(K_PutBitmapRow(&r, row.data(), StorageRow(r, y), r.BytesPerLine), r.BytesPerLine);
    }
}

inline Picture ReadPicture(BitmapRecord& r) {
    Picture p;
    p.width = r.Width, p.height = r.Height, p.channels = r.BitsPerPixel <= 8 ? 1 : 3;
    p.data.resize(static_cast<size_t>(p.width) * p.height * p.channels);
    std::vector<unsigned char> row(r.BytesPerLine);
    BitmapLock lock(&r);
    for (int y = 0; y < p.height; ++y) {
        EXPECT_EQ(K_GetBitmapRow(&r, row.data(), StorageRow(r, y), r.BytesPerLine), r.BytesPerLine);
        for (int x = 0; x < p.width; ++x) DecodePixel(r, row.data(), x, p.At(x, y));
    }
    return p;
}

// The stored bytes of every row, in storage order.
inline std::vector<std::vector<unsigned char>> StoredRows(BitmapRecord& r) {
    std::vector<std::vector<unsigned char>> rows(r.Height, std::vector<unsigned char>(r.BytesPerLine));
    BitmapLock lock(&r);
    for (int y = 0; y < r.Height; ++y) K_GetBitmapRow(&r, rows[y].data(), y, r.BytesPerLine);
    return rows;
}

inline std::string ToPnm(const Picture& p) {
    std::string s = (p.channels == 1 ? "P5\n" : "P6\n") + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    s.append(reinterpret_cast<const char*>(p.data.data()), p.data.size());
    return s;
}

// Reads a binary PGM or PPM of maxval 255; an empty picture on anything else.
inline Picture FromPnm(const std::string& s) {
    Picture p;
    int maxval = 0, used = 0;
    char magic[3] = {};
    if (std::sscanf(s.c_str(), "%2s %d %d %d%n", magic, &p.width, &p.height, &maxval, &used) != 4 || maxval != 255) return {};
    p.channels = std::string(magic) == "P6" ? 3 : 1;
    size_t n = static_cast<size_t>(p.width) * p.height * p.channels, start = static_cast<size_t>(used) + 1;
    if (s.size() < start + n) return {};
    p.data.assign(s.begin() + start, s.begin() + start + n);
    return p;
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
        commands_ += "/usr/bin/convert-im6.q16 '" + a + "' " + args + " -depth 8 '" + b + "' || exit 1\n";
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
