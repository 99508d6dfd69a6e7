// Exact quarter and half turns.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/bitmap_copy.h"
#include "core/rows.h"
#include "process/process_frame.h"
#include "process/rotate.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Bit transposition at one bit per pixel: entry [k][nibble] spreads the
// four pixels of a nibble of the k-th row of a group of eight into four
// bytes (leftmost pixel in the lowest byte), each 0x80 >> k when set.
const std::array<std::array<uint32_t, 16>, 8>& TransposeTable() {
    static const auto table = [] {
        std::array<std::array<uint32_t, 16>, 8> t{};
        for (int k = 0; k < 8; ++k)
            for (int n = 0; n < 16; ++n)
                for (int p = 0; p < 4; ++p)
                    if (n & (8 >> p)) t[k][n] |= static_cast<uint32_t>(0x80u >> k) << (8 * p);
        return t;
    }();
    return table;
}

// Source rows per group: one destination byte at 1 and 4 bits, a run of
// pixels long enough to fill cache lines otherwise.
int GroupRows(int bits) { return bits == 1 ? 8 : bits == 4 ? 2 : 16; }

#if defined(__SSE2__)
// Sixteen rows of sixteen bytes exchanged rows for columns.
inline void Transpose16x16(const unsigned char* const* in, unsigned char* const* out) {
    __m128i r[16];
    for (int i = 0; i < 16; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[i]));
    // Four rounds of interleaving row i with row i + 8 move every byte
    // to its transposed place.
    for (int round = 0; round < 4; ++round) {
        __m128i t[16];
        for (int i = 0; i < 8; ++i) {
            t[2 * i] = _mm_unpacklo_epi8(r[i], r[i + 8]);
            t[2 * i + 1] = _mm_unpackhi_epi8(r[i], r[i + 8]);
        }
        std::copy(t, t + 16, r);
    }
    for (int i = 0; i < 16; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(out[i]), r[i]);
}
#endif

// Gathers a group of n source rows into column entries: entry x holds the
// destination bytes that pixel x of the rows becomes.
void GatherGroup(const unsigned char* const* rows, int n, int width, int bits, unsigned char* column, int entryBytes) {
    if (bits == 1) {
        const auto& table = TransposeTable();
        std::memset(column, 0, static_cast<size_t>((width + 7) & ~7));
        for (int k = 0; k < n; ++k) {
            const unsigned char* row = rows[k];
            for (int b = 0, x = 0; x < width; ++b, x += 8) {
                uint32_t hi = table[k][row[b] >> 4], lo = table[k][row[b] & 15], c[2];
                std::memcpy(c, column + x, 8);
                c[0] |= hi, c[1] |= lo;
                std::memcpy(column + x, c, 8);
            }
        }
    } else if (bits == 4) {
        for (int x = 0; x < width; ++x) {
            int a = x & 1 ? rows[0][x >> 1] & 15 : rows[0][x >> 1] >> 4;
            int b = n < 2 ? 0 : x & 1 ? rows[1][x >> 1] & 15 : rows[1][x >> 1] >> 4;
            column[x] = static_cast<unsigned char>(a << 4 | b);
        }
    } else {
        const int size = bits / 8;
        for (int k = 0; k < n; ++k) {
            const unsigned char* row = rows[k];
            unsigned char* out = column + k * size;
            switch (size) {
                case 1:
                    for (int x = 0; x < width; ++x) out[static_cast<size_t>(x) * entryBytes] = row[x];
                    break;
                case 2:
                    for (int x = 0; x < width; ++x)
                        std::memcpy(out + static_cast<size_t>(x) * entryBytes, row + 2 * x, 2);
                    break;
                case 3:
                    for (int x = 0; x < width; ++x)
                        std::memcpy(out + static_cast<size_t>(x) * entryBytes, row + 3 * x, 3);
                    break;
                default:
                    for (int x = 0; x < width; ++x)
                        std::memcpy(out + static_cast<size_t>(x) * entryBytes, row + 4 * x, 4);
                    break;
            }
        }
    }
}

}  // namespace

int RotateQuarterInto(BitmapRecord* source, BitmapRecord* target, int direction, int first, int last) {
    int rc = CheckProcessBitmap(source);
    if (rc != K_OK) return rc;
    const int w = source->Width, h = source->Height, bits = source->BitsPerPixel;
    rc = CreateBitmapLike(target, source, h, w, bits, kCloneAllocate);
    if (rc != K_OK) return rc;
    // Source rows are read bottom to top of the picture's reading order:
    // reading index k becomes destination column k, and pixel x of it goes
    // to destination row x, or w - 1 - x when the first pixel must end last.
    const bool ordered = source->ViewPerspective == K_BOTTOM_UP ? direction != 0 : direction == 0;
    const int group = GroupRows(bits), size = bits > 8 ? bits / 8 : 1;
    const int entryBytes = bits <= 4 ? 1 : group * size;
    const int sourceBytes = source->BytesPerLine, targetBytes = target->BytesPerLine;
    GlobalBuffer rowBuffer(static_cast<size_t>(sourceBytes) * group);
    GlobalBuffer column(static_cast<size_t>((w + 7) & ~7) * entryBytes + 8);
    if (!rowBuffer || !column) {
        FreeBitmapIfAllocated(target, 0);
        return K_ERR_MEMORY;
    }
    {
        BitmapLock lockSource(source);
        BitmapLock lockTarget(target);
        unsigned char* sourceRows = LockedRows(source);
        unsigned char* targetRows = LockedRows(target);
        SpanProgress progress(first, last, h);
        rc = progress.Begin();
        for (int k0 = 0; k0 < h && rc == K_OK; k0 += group) {
            const int n = std::min(group, h - k0);
            const unsigned char* rows[16];
            for (int j = 0; j < n; ++j) {
                const int row = ordered ? k0 + j : h - 1 - (k0 + j);
                if (sourceRows) {
                    rows[j] = sourceRows + static_cast<size_t>(row) * sourceBytes;
                } else {
                    unsigned char* into = rowBuffer.get() + static_cast<size_t>(j) * sourceBytes;
                    if ((rc = RowTransferResult(K_GetBitmapRow(source, into, row, sourceBytes), sourceBytes)) != K_OK)
                        break;
                    rows[j] = into;
                }
            }
            if (rc != K_OK) break;
            const int offset = ColumnByteOffset(k0, bits);
            const int bytes = bits <= 4 ? 1 : n * size;
#if defined(__SSE2__)
            if (bits == 8 && n == 16 && targetRows) {
                // Whole 16 x 16 blocks straight into the destination rows.
                int x = 0;
                for (; x + 16 <= w; x += 16) {
                    const unsigned char* in[16];
                    unsigned char* out[16];
                    for (int j = 0; j < 16; ++j) in[j] = rows[j] + x;
                    for (int i = 0; i < 16; ++i) {
                        int r = ordered ? w - 1 - (x + i) : x + i;
                        out[i] = targetRows + static_cast<size_t>(r) * targetBytes + offset;
                    }
                    Transpose16x16(in, out);
                }
                for (; x < w; ++x) {
                    unsigned char* out =
                        targetRows + static_cast<size_t>(ordered ? w - 1 - x : x) * targetBytes + offset;
                    for (int j = 0; j < 16; ++j) out[j] = rows[j][x];
                }
                for (int j = 0; j < n && rc == K_OK; ++j) rc = progress.Step();
                continue;
            }
#endif
            GatherGroup(rows, n, w, bits, column.get(), entryBytes);
            for (int x = 0; x < w; ++x) {
                const int r = ordered ? w - 1 - x : x;
                const unsigned char* entry = column.get() + static_cast<size_t>(x) * entryBytes;
                if (targetRows) {
                    std::memcpy(targetRows + static_cast<size_t>(r) * targetBytes + offset, entry, bytes);
                } else if ((rc = RowTransferResult(K_PutBitmapRowCol(target, entry, r, k0, bytes), bytes)) != K_OK) {
                    break;
                }
            }
            for (int j = 0; j < n && rc == K_OK; ++j) rc = progress.Step();
        }
    }
    if (rc != K_OK) FreeBitmapIfAllocated(target, 0);
    return rc;
}

int RotateBitmap90(BitmapRecord* bitmap, int direction, int first, int last) {
    GlobalBuffer block(sizeof(BitmapRecord), true);
    if (!block) return K_ERR_MEMORY;
    auto* turned = reinterpret_cast<BitmapRecord*>(block.get());
    int rc = RotateQuarterInto(bitmap, turned, direction, first, last);
    if (rc != K_OK) return rc;
    // The new record shares the palettes, which stay with the picture.
    FreeBitmapIfAllocated(bitmap, 0);
    std::memcpy(bitmap, turned, sizeof(BitmapRecord));
    return K_OK;
}

int RotateBitmap180(BitmapRecord* bitmap, int first, int last) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    const int bytes = bitmap->BytesPerLine, h = bitmap->Height;
    GlobalBuffer low(static_cast<size_t>(bytes)), high(static_cast<size_t>(bytes));
    if (!low || !high) return K_ERR_MEMORY;
    BitmapLock lock(bitmap);
    // Row j and row h - 1 - j exchange places, each mirrored. The exchange
    // undoes itself, so a stop runs it again over the pairs already done.
    auto exchange = [&](int j) {
        int i = h - 1 - j;
        int r = RowTransferResult(K_GetBitmapRow(bitmap, low.get(), j, bytes), bytes);
        if (r != K_OK) return r;
        ReverseRow(bitmap, low.get());
        if (i != j) {
            if ((r = RowTransferResult(K_GetBitmapRow(bitmap, high.get(), i, bytes), bytes)) != K_OK) return r;
            ReverseRow(bitmap, high.get());
            if ((r = RowTransferResult(K_PutBitmapRow(bitmap, high.get(), j, bytes), bytes)) != K_OK) return r;
        }
        return RowTransferResult(K_PutBitmapRow(bitmap, low.get(), i, bytes), bytes);
    };
    const int pairs = (h + 1) / 2;
    SpanProgress progress(first, last, pairs);
    rc = progress.Begin();
    int done = 0;
    while (rc == K_OK && done < pairs) {
        if ((rc = exchange(done)) != K_OK) return rc;
        ++done;
        rc = progress.Step();
    }
    if (rc != K_OK)
        for (int j = 0; j < done; ++j)
            if (exchange(j) != K_OK) break;
    return rc;
}
