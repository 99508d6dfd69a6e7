// Nearest-neighbour resizing of the photo: K_ResizeBitmap into a second
// record and K_SizeBitmap in place, beside a plain loop over the same
// storage (a column table, one source row per target row), and memcpy of
// the target's bytes as the limit.
#include "bench.h"
#include "core/bitmap.h"

namespace {

// The plain loop: both records locked, rows read where they are stored,
// pixels copied at their size known to the compiler.
template <int Bytes>
void PlainRows(const BitmapRecord& source, BitmapRecord& target) {
    const int ws = source.Width, hs = source.Height, wd = target.Width, hd = target.Height;
    std::vector<int> column(wd);
    for (int x = 0; x < wd; ++x) column[x] = static_cast<int>(static_cast<int64_t>(x) * ws / wd) * Bytes;
    for (int y = 0; y < hd; ++y) {
        const uint8_t* s =
            source.DataPointer + static_cast<size_t>(static_cast<int64_t>(y) * hs / hd) * source.BytesPerLine;
        uint8_t* d = target.DataPointer + static_cast<size_t>(y) * target.BytesPerLine;
        for (int x = 0; x < wd; ++x, d += Bytes) std::memcpy(d, s + column[x], Bytes);
    }
}

bool PlainResize(BitmapRecord& source, BitmapRecord& target) {
    BitmapLock a(&source), b(&target);
    switch (source.BitsPerPixel) {
        case 8:
            PlainRows<1>(source, target);
            break;
        case 24:
            PlainRows<3>(source, target);
            break;
        case 32:
            PlainRows<4>(source, target);
            break;
        default:
            return false;
    }
    return true;
}

bool Blank(BitmapRecord& r, int width, int height, int bits) {
    return K_InitBitmap(&r, width, height, bits) == K_OK && K_AllocateBitmap(&r, K_STORAGE_MEMORY) == K_OK;
}

}  // namespace

int main() {
    const struct { int num, den; } scales[] = {{1, 2}, {3, 2}};
    for (int bits : {8, 24, 32}) {
        BitmapRecord source{};
        if (!bench::PhotoRecord(source, bits)) {
            bench::Note("%d bits: no storage", bits);
            continue;
        }
        for (const auto& s : scales) {
            const int w = source.Width * s.num / s.den, h = source.Height * s.num / s.den;
            BitmapRecord target{}, plain{};
            if (!Blank(target, w, h, bits) || !Blank(plain, w, h, bits)) {
                bench::Note("%d bits to %d x %d: no storage", bits, w, h);
                K_FreeBitmap(&target);
                continue;
            }
            char name[64];
            std::snprintf(name, sizeof name, "K_ResizeBitmap x%d/%d, %d bits", s.num, s.den, bits);
            bench::Row(name)
                .Ours(bench::Median([&] { return K_ResizeBitmap(&source, &target) == K_OK; }))
                .Peer("plain loop", bench::Median([&] { return PlainResize(source, plain); }))
                .Limit("memcpy", bench::MemcpyMs(target.ImageSize))
                .Print();
            K_FreeBitmap(&target);
            K_FreeBitmap(&plain);
        }
        // In place: each run sizes a fresh copy to half; the plain loop
        // allocates its target too.
        {
            char name[64];
            std::snprintf(name, sizeof name, "K_SizeBitmap x1/2, %d bits", bits);
            bench::Row(name)
                .Ours(bench::Median([&] {
                    BitmapRecord copy{};
                    const bool ok = K_CopyBitmap(&copy, &source) == K_OK &&
                                    K_SizeBitmap(&copy, source.Width / 2, source.Height / 2) == K_OK;
                    K_FreeBitmap(&copy);
                    return ok;
                }))
                .Peer("copy+plain loop", bench::Median([&] {
                          BitmapRecord copy{}, half{};
                          const bool ok = K_CopyBitmap(&copy, &source) == K_OK &&
                                          Blank(half, source.Width / 2, source.Height / 2, bits) &&
                                          PlainResize(copy, half);
                          K_FreeBitmap(&copy);
                          K_FreeBitmap(&half);
                          return ok;
                      }))
                .Print();
        }
        K_FreeBitmap(&source);
    }
    return 0;
}
