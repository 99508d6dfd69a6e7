// Rotation by any angle: quarter and half turns exactly, other angles by
// mapping every destination pixel back into the source (nearest pixel,
// fixed point with 14 fraction bits). Each destination row's run of pixels
// inside the source is found once, so the copy loop tests no bounds.
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
        if (fraction > kOne - 1)
            fraction -= kOne, ++whole;
        else if (fraction < -(kOne - 1))
            fraction += kOne, --whole;
    }
};

// A coordinate along one destination row: where j steps of Add(step) from
// the row's start lead, without taking them. With one sign of step the
// fraction only moves one way, so the integer part after j steps is the
// start's plus the whole turns of fraction + j * step in that direction:
// the floor of its quotient once it is past zero upwards, the ceiling once
// past zero downwards, else none. It never decreases (or never increases)
// along the row.
struct RowAxis {
    int whole;
    int64_t fraction;
    int step;
    int At(int64_t j) const {
        const int64_t f = fraction + j * step;
        if (step > 0) return whole + static_cast<int>(f < 0 ? 0 : f >> 14);
        if (step < 0) return whole - static_cast<int>(f > 0 ? 0 : (-f) >> 14);
        return whole;
    }
};

// The destination pixels 0..count-1 of a row whose coordinate along one
// axis lies in 0..size-1, as [*from, *to); the coordinate is monotonic in j,
// so the edges are found by halving.
void InsideSpan(const RowAxis& axis, int size, int count, int* from, int* to) {
    const bool rising = axis.step >= 0;
    auto inside = [&](int j) { return static_cast<unsigned>(axis.At(j)) < static_cast<unsigned>(size); };
    // First j not before the picture (coordinate >= 0 rising, < size falling).
    auto before = [&](int j) { return rising ? axis.At(j) < 0 : axis.At(j) >= size; };
    int lo = 0, hi = count;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (before(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    const int first = lo;
    hi = count;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (inside(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    *from = first;
    *to = lo;
}

// Copies the span [from, to) of a destination row from locked source rows,
// the source position of pixel j being (x.At(j), y.At(j)).
template <int Bytes>
void CopySpan(const unsigned char* source, size_t stride, const RowAxis& x, const RowAxis& y, int from, int to,
              unsigned char* row) {
    for (int j = from; j < to; ++j) {
        const unsigned char* p = source + static_cast<size_t>(y.At(j)) * stride + static_cast<size_t>(x.At(j)) * Bytes;
        if (Bytes == 1)
            row[j] = *p;
        else
            std::memcpy(row + static_cast<size_t>(j) * Bytes, p, Bytes);
    }
}

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
            if (from[x >> 3] & (0x80 >> (x & 7)))
                to[i >> 3] |= m;
            else
                to[i >> 3] &= static_cast<unsigned char>(~m);
            break;
        }
        case 4: {
            int v = x & 1 ? from[x >> 1] & 15 : from[x >> 1] >> 4;
            unsigned char& b = to[i >> 1];
            b = static_cast<unsigned char>(i & 1 ? (b & 0xF0) | v : (b & 0x0F) | v << 4);
            break;
        }
        case 8:
            to[i] = from[x];
            break;
        case 16:
            std::memcpy(to + 2 * i, from + 2 * x, 2);
            break;
        case 24:
            std::memcpy(to + 3 * i, from + 3 * x, 3);
            break;
        default:
            std::memcpy(to + 4 * i, from + 4 * x, 4);
            break;
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
            // The pixels of this row that fall inside the source, found once.
            const RowAxis x{startX.whole, startX.fraction, c}, y{startY.whole, startY.fraction, s};
            int from, to, fromY, toY;
            InsideSpan(x, w, newWidth, &from, &to);
            InsideSpan(y, h, newWidth, &fromY, &toY);
            from = std::max(from, fromY), to = std::min(to, toY);
            if (sourceRows && (bits == 8 || bits == 24 || bits == 32)) {
                const size_t stride = static_cast<size_t>(sourceBytes);
                if (bits == 8)
                    CopySpan<1>(sourceRows, stride, x, y, from, to, row.get());
                else if (bits == 24)
                    CopySpan<3>(sourceRows, stride, x, y, from, to, row.get());
                else
                    CopySpan<4>(sourceRows, stride, x, y, from, to, row.get());
            } else {
                for (int j = from; j < to; ++j) {
                    const int sx = x.At(j), sy = y.At(j);
                    const unsigned char* source;
                    if (sourceRows) {
                        source = sourceRows + static_cast<size_t>(sy) * sourceBytes;
                    } else {
                        if (sy != cachedRow) {
                            rc = RowTransferResult(K_GetBitmapRow(bitmap, sourceCache.get(), sy, sourceBytes),
                                                   sourceBytes);
                            if (rc != K_OK) break;
                            cachedRow = sy;
                        }
                        source = sourceCache.get();
                    }
                    CopyPixel(source, sx, row.get(), j, bits);
                }
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
