// Test pictures (support/test_picture.h) stored into records at any depth,
// perspective and colour order, and read back from them.
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
#include "test_picture.h"
#include "volkg.h"

// The shared test pictures (Picture, PNM bytes, ImageMagick batches).
using test_picture::FromPnm;
using test_picture::MagickBatch;
using test_picture::Picture;
using test_picture::RunMagick;
using test_picture::ToPnm;

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
            row[x >> 1] = static_cast<unsigned char>((x & 1) ? (row[x >> 1] & 0xF0) | px[0]
                                                             : (row[x >> 1] & 0x0F) | (px[0] << 4));
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
inline void StorePicture(BitmapRecord& r, const Picture& p, int bits, int perspective = K_BOTTOM_UP, int order = -1,
                         int kind = K_STORAGE_ANY) {
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
