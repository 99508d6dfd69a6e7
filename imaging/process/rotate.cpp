// Rotation by any angle: quarter and half turns exactly, other angles by
// mapping every destination pixel back into the source (nearest pixel,
// fixed point with 14 fraction bits).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/bitmap_copy.h"
#include "core/rows.h"
#include "process/process_frame.h"
#include "process/rotate.h"
#include "core/trig.h"

namespace {

constexpr int kOne = 16384;  // 1.0 in the 14-bit fixed point of the tables

// A coordinate as an integer part and a fraction kept in -16383..16383.
struct Coordinate {
    int whole, fraction;
    void Add(int step) {
        fraction += step;
        if (fraction > kOne - 1) fraction -= kOne, ++whole;
        else if (fraction < -(kOne - 1)) fraction += kOne, --whole;
    }
};

// Size of the turned picture's bounding box (a is already in storage terms).
void BoundingBox(int w, int h, int s, int c, int* newWidth, int* newHeight) {
    const int cx = (w + 1) / 2, cy = (h + 1) / 2;
    const int64_t corners[4][2] = {{-cx, cy}, {w - 1 - cx, cy}, {-cx, cy - h + 1}, {w - 1 - cx, cy - h + 1}};
    int64_t left = INT64_MAX, right = INT64_MIN, top = INT64_MAX, bottom = INT64_MIN;
    for (const auto& p : corners) {
        int64_t x = (p[0] * c - p[1] * s) / kOne + cx, y = cy - (p[0] * s + p[1] * c) / kOne;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    *newWidth = static_cast<int>(right + 1 - left);
    *newHeight = static_cast<int>(std::llabs(bottom + 1 - top));
}

// Copies pixel x of a source row into pixel i of a destination row.
inline void CopyPixel(const unsigned char* from, int x, unsigned char* to, int i, int bits) {
    switch (bits) {
    case 1: {
        unsigned char m = static_cast<unsigned char>(0x80 >> (i & 7));
        if (from[x >> 3] & (0x80 >> (x & 7))) to[i >> 3] |= m;
        else to[i >> 3] &= static_cast<unsigned char>(~m);
        break;
    }
    case 4: {
        int v = x & 1 ? from[x >> 1] & 15 : from[x >> 1] >> 4;
        unsigned char& b = to[i >> 1];
        b = static_cast<unsigned char>(i & 1 ? (b & 0xF0) | v : (b & 0x0F) | v << 4);
        break;
    }
    case 8: to[i] = from[x]; break;
    case 16: std::memcpy(to + 2 * i, from + 2 * x, 2); break;
    case 24: std::memcpy(to + 3 * i, from + 3 * x, 3); break;
    default: std::memcpy(to + 4 * i, from + 4 * x, 4); break;
    }
}

int RotateGeneral(BitmapRecord* bitmap, int a, int resize, COLORREF fill, int first, int last) {
    // Storage rows run the other way up in a bottom-up record.
    if (bitmap->ViewPerspective == K_BOTTOM_UP) a = 36000 - a;
    const int s = SinLookup(a), c = CosLookup(a);
    const int w = bitmap->Width, h = bitmap->Height, bits = bitmap->BitsPerPixel;
    int newWidth = w, newHeight = h;
    if (resize) BoundingBox(w, h, s, c, &newWidth, &newHeight);

    GlobalBuffer block(sizeof(BitmapRecord), true);
    if (!block) return K_ERR_MEMORY;
    auto* turned = reinterpret_cast<BitmapRecord*>(block.get());
    int rc = CreateBitmapLike(turned, bitmap, newWidth, newHeight, bits, kCloneAllocate);
    if (rc != K_OK) return rc;
    const int targetBytes = turned->BytesPerLine, sourceBytes = bitmap->BytesPerLine;
    GlobalBuffer fillRow(static_cast<size_t>(targetBytes), true), row(static_cast<size_t>(targetBytes));
    GlobalBuffer sourceCache(static_cast<size_t>(sourceBytes));
    if (!fillRow || !row || !sourceCache) {
        FreeBitmapIfAllocated(turned, 0);
        return K_ERR_MEMORY;
    }
    FillRowColor(turned, fill, fillRow.get(), newWidth);
    {
        BitmapLock lockSource(bitmap);
        BitmapLock lockTarget(turned);
        unsigned char* sourceRows = LockedRows(bitmap);
        int cachedRow = -1;
        // Destination pixel (0, 0) in source coordinates, about the centres.
        const int hw = w / 2, hh = h / 2, nw = newWidth / 2, nh = newHeight / 2;
        const int64_t t = static_cast<int64_t>(nh) * s - static_cast<int64_t>(nw) * c;
        const int64_t u = -static_cast<int64_t>(nw) * s - static_cast<int64_t>(nh) * c;
        Coordinate startX{hw + static_cast<int>(t / kOne), static_cast<int>(t % kOne)};
        Coordinate startY{hh + static_cast<int>(u / kOne), static_cast<int>(u % kOne)};
        SpanProgress progress(first, last, newHeight);
        rc = progress.Begin();
        for (int i = 0; i < newHeight && rc == K_OK; ++i) {
            std::memcpy(row.get(), fillRow.get(), targetBytes);
            Coordinate x = startX, y = startY;
            for (int j = 0; j < newWidth; ++j) {
                if (static_cast<unsigned>(x.whole) < static_cast<unsigned>(w) &&
                    static_cast<unsigned>(y.whole) < static_cast<unsigned>(h)) {
                    const unsigned char* from;
                    if (sourceRows) {
                        from = sourceRows + static_cast<size_t>(y.whole) * sourceBytes;
                    } else {
                        if (y.whole != cachedRow) {
                            rc = RowTransferResult(K_GetBitmapRow(bitmap, sourceCache.get(), y.whole, sourceBytes),
                                                   sourceBytes);
                            if (rc != K_OK) break;
                            cachedRow = y.whole;
                        }
                        from = sourceCache.get();
                    }
                    CopyPixel(from, x.whole, row.get(), j, bits);
                }
                x.Add(c);
                y.Add(s);
            }
            if (rc != K_OK) break;
            startX.Add(-s);
            startY.Add(c);
            if ((rc = RowTransferResult(K_PutBitmapRow(turned, row.get(), i, targetBytes), targetBytes)) != K_OK) break;
            rc = progress.Step();
        }
    }
    if (rc != K_OK) {
        FreeBitmapIfAllocated(turned, 0);
        return rc;
    }
    FreeBitmapIfAllocated(bitmap, 0);
    std::memcpy(bitmap, turned, sizeof(BitmapRecord));
    return K_OK;
}

}  // namespace

int RotateBitmapAngle(BitmapRecord* bitmap, int angle, int resize, COLORREF fill, int first, int last) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    // Clockwise as displayed is the negative direction of the tables.
    int a = -(angle % 36000);
    if (a < 0) a += 36000;
    if (a == 0) {
        SpanProgress progress(first, last, 1);
        rc = progress.Begin();
        return rc != K_OK ? rc : progress.Step();
    }
    const bool square = bitmap->Width == bitmap->Height;
    if (a == 9000 && (resize || square)) return RotateBitmap90(bitmap, 0, first, last);
    if (a == 27000 && (resize || square)) return RotateBitmap90(bitmap, 1, first, last);
    if (a == 18000) return RotateBitmap180(bitmap, first, last);
    return RotateGeneral(bitmap, a, resize, fill, first, last);
}

extern "C" int KAPI K_RotateBitmap(BitmapRecord* bitmap, int angle, int resize) {
    // Whole degrees beyond a turn are reduced first so the hundredths fit.
    return RotateBitmapAngle(bitmap, (angle % 360) * 100, resize, 0, 0, 100);
}

extern "C" int KAPI K_RotateBitmapFine(BitmapRecord* bitmap, int angle, int resize, COLORREF fill) {
    return RotateBitmapAngle(bitmap, angle, resize, fill, 0, 100);
}
