// K_ResampleBitmap: a resize that averages whole groups of pixels where a
// direction shrinks and interpolates linearly where it grows, in integer
// steps only.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/bitmap_copy.h"
#include "process/process_frame.h"

namespace {

// Lengths of the groups (shrinking) or intervals (growing) between an old
// and a new size: q or q + 1, the remainder spread by an accumulator.
class Steps {
public:
    Steps(int from, int to) : shrink_(to < from), base_(shrink_ ? to : from) {
        const int big = shrink_ ? from : to;
        whole_ = big / base_, rest_ = big % base_;
    }
    bool Shrinks() const { return shrink_; }
    int Next() {
        accumulated_ += rest_;
        if (accumulated_ >= base_) {
            accumulated_ -= base_;
            return whole_ + 1;
        }
        return whole_;
    }

private:
    bool shrink_;
    int base_, whole_ = 0, rest_ = 0, accumulated_ = 0;
};

// Floor of a / b for b > 0.
inline int FloorDiv(int64_t a, int b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }

// Step i of length from value a toward value b.
inline unsigned char Between(int a, int b, int i, int length) {
    return static_cast<unsigned char>(a + FloorDiv(int64_t(i) * (b - a), length));
}

// One B, G, R line from `from` pixels to `to` pixels.
void ResampleLine(const unsigned char* in, int from, unsigned char* out, int to) {
    Steps steps(from, to);
    if (steps.Shrinks()) {
        for (int o = 0, p = 0; o < to; ++o) {
            const int length = steps.Next();
            unsigned sum[3] = {0, 0, 0};
            for (int i = 0; i < length; ++i)
                for (int ch = 0; ch < 3; ++ch) sum[ch] += in[3 * (p + i) + ch];
            for (int ch = 0; ch < 3; ++ch) out[3 * o + ch] = static_cast<unsigned char>(sum[ch] / length);
            p += length;
        }
        return;
    }
    int o = 0;
    for (int k = 0; o < to; ++k) {
        const int length = steps.Next();
        const unsigned char* a = in + 3 * std::min(k, from - 1);
        const unsigned char* b = in + 3 * std::min(k + 1, from - 1);
        // The first value is repeated for half the first interval so the
        // ramps sit centred.
        if (k == 0)
            for (int i = 0; i < length / 2 && o < to; ++i, ++o) std::memcpy(out + 3 * o, a, 3);
        for (int i = 0; i < length && o < to; ++i, ++o)
            for (int ch = 0; ch < 3; ++ch) out[3 * o + ch] = Between(a[ch], b[ch], i, length);
    }
}

}  // namespace

extern "C" int KAPI K_ResampleBitmap(BitmapRecord* bitmap, int width, int height) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (width <= 0 || height <= 0) return K_ERR_ARGUMENT;
    GlobalBuffer block(sizeof(BitmapRecord), true);
    if (!block) return K_ERR_MEMORY;
    auto* resampled = reinterpret_cast<BitmapRecord*>(block.get());
    if ((rc = CreateBitmapLike(resampled, bitmap, width, height, bitmap->BitsPerPixel, kCloneAllocate)) != K_OK)
        return rc;
    {
        WorkRows source(bitmap), target(resampled);
        const int w = bitmap->Width, h = bitmap->Height;
        const size_t lineBytes = static_cast<size_t>(width) * 3;
        GlobalBuffer in(static_cast<size_t>(source.RowBytes())), upper(lineBytes), lower(lineBytes),
            out(static_cast<size_t>(std::max<int64_t>(target.RowBytes(), static_cast<int64_t>(lineBytes)))),
            sumBlock(lineBytes * sizeof(uint32_t));
        if (!in || !upper || !lower || !out || !sumBlock) rc = K_ERR_MEMORY;
        if (rc == K_OK) rc = target.Begin();
        BitmapLock lockSource(bitmap);
        BitmapLock lockTarget(resampled);
        int next = 0;  // the next source row to read
        // Source row `next` read, made 24-bit and resampled along the row.
        auto readLine = [&](unsigned char* line) {
            int r = source.Read(std::min(next, h - 1), in.get());
            if (r == K_OK) ResampleLine(in.get(), w, line, width);
            ++next;
            return r;
        };
        auto put = [&](int y, const unsigned char* line) {
            std::memcpy(out.get(), line, lineBytes);
            return target.Write(y, out.get());
        };
        SpanProgress progress(0, 100, height);
        if (rc == K_OK) rc = progress.Begin();
        Steps steps(h, height);
        auto* sums = reinterpret_cast<uint32_t*>(sumBlock.get());
        if (steps.Shrinks()) {
            for (int o = 0; o < height && rc == K_OK; ++o) {
                const int length = steps.Next();
                std::fill(sums, sums + lineBytes, 0u);
                for (int i = 0; i < length && rc == K_OK; ++i) {
                    rc = readLine(upper.get());
                    for (size_t k = 0; k < lineBytes; ++k) sums[k] += upper.get()[k];
                }
                for (size_t k = 0; k < lineBytes; ++k) lower.get()[k] = static_cast<unsigned char>(sums[k] / length);
                if (rc == K_OK) rc = put(o, lower.get());
                if (rc == K_OK) rc = progress.Step();
            }
        } else {
            int o = 0;
            unsigned char *a = upper.get(), *b = lower.get();
            if (rc == K_OK) rc = readLine(b);
            for (int k = 0; o < height && rc == K_OK; ++k) {
                const int length = steps.Next();
                std::swap(a, b);
                // Past the last row the last row repeats: a flat tail.
                if (next < h)
                    rc = readLine(b);
                else
                    std::memcpy(b, a, lineBytes);
                if (k == 0)
                    for (int i = 0; i < length / 2 && o < height && rc == K_OK; ++i, ++o) {
                        rc = put(o, a);
                        if (rc == K_OK) rc = progress.Step();
                    }
                for (int i = 0; i < length && o < height && rc == K_OK; ++i, ++o) {
                    unsigned char* line = out.get();
                    for (size_t c = 0; c < lineBytes; ++c) line[c] = Between(a[c], b[c], i, length);
                    if ((rc = target.Write(o, line)) == K_OK) rc = progress.Step();
                }
            }
        }
    }
    if (rc != K_OK) {
        FreeBitmapIfAllocated(resampled, 0);
        return rc;
    }
    FreeBitmapIfAllocated(bitmap, 0);
    std::memcpy(bitmap, resampled, sizeof(BitmapRecord));
    return K_OK;
}
