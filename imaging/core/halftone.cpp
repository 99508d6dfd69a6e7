// K_HalfToneBitmap and K_HalfToneBitmapExt: black and white by thresholding
// each pixel's grey level against an 8 x 8 matrix, upright or rotated.
#include <cstdint>
#include <cstring>

#include "core/grayscale.h"
#include "core/row_converters.h"
#include "core/trig.h"

namespace {

constexpr int kUnit = 16384;

const unsigned char (*MatrixOfKind(int kind))[8] { return kind == 0 ? ClusteredDitherMatrix : DispersedDitherMatrix; }

inline void SetWhite(unsigned char* row, int x) { row[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7)); }

// Keeps a fraction within -16384 .. 16384, carrying into its coordinate.
inline void Advance(int& coordinate, int& fraction, int step) {
    fraction += step;
    if (fraction <= -kUnit) {
        fraction += kUnit;
        --coordinate;
    } else if (fraction >= kUnit) {
        fraction -= kUnit;
        ++coordinate;
    }
}

// The walk of a rotated screen: matrix coordinates of each pixel, row after
// row (rows are fed in order, 0 first).
class RotatedScreen {
public:
    explicit RotatedScreen(int angle) {
        int theta = static_cast<int>(((-static_cast<int64_t>(angle)) % 36000 + 36000) % 36000);
        cos_ = CosLookup(theta);
        sin_ = SinLookup(theta);
    }
    template <typename Visit>
    void Row(int width, Visit visit) {
        int u = u_, v = v_, fu = fu_, fv = fv_;
        for (int x = 0; x < width; ++x) {
            visit(x, u & 7, v & 7);
            Advance(u, fu, cos_);
            Advance(v, fv, sin_);
        }
        Advance(u_, fu_, -sin_);
        Advance(v_, fv_, cos_);
    }

private:
    int cos_, sin_;
    int u_ = 0, v_ = 0, fu_ = 0, fv_ = 0;
};

}  // namespace

extern "C" int KAPI K_HalfToneBitmap(BitmapRecord* bitmap, int kind) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (kind != 0 && kind != 1) return K_ERR_ARGUMENT;
    const unsigned char(*m)[8] = MatrixOfKind(kind);
    int width = bitmap->Width;
    int bytes = (width + 7) / 8;
    return ReplaceWithGrayDerived(bitmap, 1, [=](const unsigned char* levels, unsigned char* target, int row) {
        std::memset(target, 0, bytes);
        const unsigned char* thresholds = m[row & 7];
        for (int x = 0; x < width; ++x)
            if (thresholds[x & 7] < levels[x]) SetWhite(target, x);
    });
}

extern "C" int KAPI K_HalfToneBitmapExt(BitmapRecord* bitmap, int kind, int angle) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (kind != 0 && kind != 1) return K_ERR_ARGUMENT;
    const unsigned char(*m)[8] = MatrixOfKind(kind);
    int width = bitmap->Width;
    int bytes = (width + 7) / 8;
    RotatedScreen screen(angle);
    return ReplaceWithGrayDerived(bitmap, 1, [&](const unsigned char* levels, unsigned char* target, int) {
        std::memset(target, 0, bytes);
        screen.Row(width, [&](int x, int u, int v) {
            if (m[v][u] < levels[x]) SetWhite(target, x);
        });
    });
}
