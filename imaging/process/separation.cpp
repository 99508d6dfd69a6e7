// Colour separation into 8-bit grey planes, one per component of a colour
// space, and merging such planes back into a 24-bit bitmap.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/dither.h"
#include "core/pixel_format.h"
#include "process/colorspace.h"
#include "process/process_frame.h"

namespace {

struct SeparationKind {
    int space, planes;
};
// Indexed by separation kind.
constexpr SeparationKind kKinds[] = {
    {K_SPACE_BGR, 3}, {K_SPACE_CMYK, 4}, {K_SPACE_HSV, 3}, {K_SPACE_HLS, 3}, {K_SPACE_CMY, 3},
};
constexpr int kKindCount = sizeof kKinds / sizeof kKinds[0];
constexpr int kMaxPlanes = 4;

// Locks a set of records for a scope.
class PlaneLocks {
public:
    void Add(BitmapRecord* bitmap) { locks_[count_++] = {bitmap, AccessBitmapIfNeeded(bitmap)}; }
    ~PlaneLocks() {
        for (int i = 0; i < count_; ++i) ReleaseBitmapIfNeeded(locks_[i].bitmap, locks_[i].was);
    }

private:
    struct Lock {
        BitmapRecord* bitmap;
        int was;
    } locks_[kMaxPlanes] = {};
    int count_ = 0;
};

inline int StorageRowFromTop(const BitmapRecord* b, int y) {
    return b->ViewPerspective == K_BOTTOM_UP ? b->Height - 1 - y : y;
}

}  // namespace

extern "C" int KAPI K_ColorSeparateBitmap(BitmapRecord* bitmap, BitmapRecord** planes, int kind) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (kind < 0 || kind >= kKindCount || !planes) return K_ERR_ARGUMENT;
    const SeparationKind k = kKinds[kind];
    // Every plane a record of its own, apart from the source.
    for (int p = 0; p < k.planes; ++p) {
        if (!planes[p] || planes[p] == bitmap) return K_ERR_ARGUMENT;
        for (int q = 0; q < p; ++q)
            if (planes[q] == planes[p]) return K_ERR_ARGUMENT;
    }

    const int width = bitmap->Width, height = bitmap->Height;
    RGBQUAD colors[256] = {};
    if (bitmap->BitsPerPixel <= 8) ReadPaletteInUse(bitmap, colors);
    GlobalBuffer row(static_cast<size_t>(GetMaxRowBytes(width, bitmap->BitsPerPixel, width, 24)));
    GlobalBuffer spaceRow(static_cast<size_t>(width) * ColorSpaceBytesPerPixel(k.space));
    GlobalBuffer planeRow(static_cast<size_t>(GetBytesPerLine(width, 8)), true);
    if (!row || !spaceRow || !planeRow) return K_ERR_MEMORY;

    for (int p = 0; p < k.planes; ++p) {
        // A plane used before gives its storage and palette back first.
        FreeBitmapIfAllocated(planes[p], 1);
        rc = K_CreateBitmap(planes[p], K_STORAGE_ANY, width, height, 0, K_ORDER_RGB, nullptr, bitmap->ViewPerspective);
        if (rc != K_OK) {
            for (int made = 0; made < p; ++made) K_FreeBitmap(planes[made]);
            return rc;
        }
    }

    PlaneLocks locks;
    for (int p = 0; p < k.planes; ++p) locks.Add(planes[p]);
    BitmapLock lock(bitmap);
    const int bytes = bitmap->BytesPerLine, planeBytes = planes[0]->BytesPerLine;
    const int stride = ColorSpaceBytesPerPixel(k.space);
    SpanProgress progress(0, 100, height);
    rc = progress.Begin();
    for (int y = 0; rc == K_OK && y < height; ++y) {
        if ((rc = RowTransferResult(K_GetBitmapRow(bitmap, row.get(), y, bytes), bytes)) != K_OK) break;
        K_ConvertBuffer(row.get(), width, bitmap->BitsPerPixel, 24, bitmap->ColorOrder, K_ORDER_BGR, colors, nullptr);
        K_ConvertColorSpace(row.get(), spaceRow.get(), width, K_SPACE_BGR, k.space);
        for (int p = 0; p < k.planes && rc == K_OK; ++p) {
            const unsigned char* from = spaceRow.get() + p;
            unsigned char* to = planeRow.get();
            for (int x = 0; x < width; ++x, from += stride) to[x] = *from;
            rc = RowTransferResult(K_PutBitmapRow(planes[p], to, y, planeBytes), planeBytes);
        }
        if (rc == K_OK) rc = progress.Step();
    }
    return rc;
}

extern "C" int KAPI K_ColorMergeBitmap(BitmapRecord* target, BitmapRecord** planes, int kind) {
    if (!target || !planes || kind < 0 || kind >= kKindCount) return K_ERR_ARGUMENT;
    const SeparationKind k = kKinds[kind];
    int width = 0, height = 0, rowBytes = 0;
    for (int p = 0; p < k.planes; ++p) {
        const BitmapRecord* plane = planes[p];
        if (CheckProcessBitmap(plane) != K_OK) return K_ERR_NOBITMAP;
        width = p ? std::min(width, plane->Width) : plane->Width;
        height = p ? std::min(height, plane->Height) : plane->Height;
        rowBytes = std::max(rowBytes, plane->BytesPerLine);
    }

    // The result is built beside the target and replaces it at the end, so
    // a target that is also a plane is read to the last row.
    BitmapRecord merged{};
    int rc = K_CreateBitmap(&merged, K_STORAGE_ANY, width, height, 24, K_ORDER_BGR, nullptr, K_BOTTOM_UP);
    if (rc != K_OK) return K_ERR_MEMORY;
    GlobalBuffer planeRow(static_cast<size_t>(std::max(rowBytes, GetMaxRowBytes(width, 32, width, 8))));
    GlobalBuffer interleaved(static_cast<size_t>(width) * ColorSpaceBytesPerPixel(k.space));
    GlobalBuffer bgr(static_cast<size_t>(merged.BytesPerLine));
    std::vector<RGBQUAD> colors(static_cast<size_t>(k.planes) * 256);
    if (!planeRow || !interleaved || !bgr) {
        K_FreeBitmap(&merged);
        return K_ERR_MEMORY;
    }
    // Planes of grey levels (as separation makes them) are read as they are.
    bool greyLevels[kMaxPlanes] = {};
    for (int p = 0; p < k.planes; ++p) {
        if (planes[p]->BitsPerPixel > 8) continue;
        RGBQUAD* table = &colors[static_cast<size_t>(p) * 256];
        ReadPaletteInUse(planes[p], table);
        greyLevels[p] = planes[p]->BitsPerPixel == 8 && IsFullGreyRamp(table, planes[p]->Colors);
    }

    bool transferFailed = false;
    {
        PlaneLocks locks;
        for (int p = 0; p < k.planes; ++p) locks.Add(planes[p]);
        BitmapLock lock(&merged);
        const int stride = ColorSpaceBytesPerPixel(k.space);
        SpanProgress progress(0, 100, height);
        rc = progress.Begin();
        for (int y = 0; rc == K_OK && y < height; ++y) {
            // Rows are matched from the top of each picture.
            for (int p = 0; p < k.planes && !transferFailed; ++p) {
                BitmapRecord* plane = planes[p];
                int bytes = plane->BytesPerLine;
                rc =
                    RowTransferResult(K_GetBitmapRow(plane, planeRow.get(), StorageRowFromTop(plane, y), bytes), bytes);
                if ((transferFailed = rc != K_OK)) break;
                if (!greyLevels[p])
                    K_ConvertBuffer(planeRow.get(), width, plane->BitsPerPixel, 0, plane->ColorOrder, K_ORDER_RGB,
                                    &colors[static_cast<size_t>(p) * 256], nullptr);
                unsigned char* to = interleaved.get() + p;
                for (int x = 0; x < width; ++x, to += stride) *to = planeRow.get()[x];
            }
            if (transferFailed) break;
            K_ConvertColorSpace(interleaved.get(), bgr.get(), width, k.space, K_SPACE_BGR);
            int bytes = merged.BytesPerLine;
            rc = RowTransferResult(K_PutBitmapRow(&merged, bgr.get(), StorageRowFromTop(&merged, y), bytes), bytes);
            if ((transferFailed = rc != K_OK)) break;
            rc = progress.Step();
        }
    }
    if (transferFailed) {
        K_FreeBitmap(&merged);
        return rc;
    }
    // Complete, or stopped by the status callback with the rows written so far.
    FreeBitmapIfAllocated(target, 1);
    std::memcpy(target, &merged, sizeof merged);
    return rc;
}
