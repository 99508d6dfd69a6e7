// Point operations of the intensity family: each builds a 256-entry table
// once and hands it to the remapper (all three channels, 0 to 100 percent).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "process/process_frame.h"

namespace {

constexpr int kMaxChange = 1000;

bool ChangeInRange(int change) { return change >= -kMaxChange && change <= kMaxChange; }

unsigned char Clamp(int v, int low, int high) { return static_cast<unsigned char>(std::min(std::max(v, low), high)); }

// Argument checks come after the bitmap check, as everywhere.
template <typename Fill>
int RemapWith(BitmapRecord* bitmap, bool argumentsValid, Fill&& fill) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (!argumentsValid) return K_ERR_ARGUMENT;
    unsigned char table[256];
    for (int i = 0; i < 256; ++i) table[i] = fill(i);
    return RemapBitmapChannel(bitmap, table, 0, 0, 100);
}

}  // namespace

extern "C" int KAPI K_RemapBitmapIntensity(BitmapRecord* bitmap, const unsigned char* table, unsigned channel) {
    return RemapBitmapChannel(bitmap, table, channel, 0, 100);
}

extern "C" int KAPI K_ChangeBitmapIntensity(BitmapRecord* bitmap, int change) {
    // Out-of-range changes are refused before any product is formed.
    const int offset = ChangeInRange(change) ? (change * 255 + 500) / 1000 : 0;
    return RemapWith(bitmap, ChangeInRange(change), [&](int i) { return Clamp(i + offset, 0, 255); });
}

extern "C" int KAPI K_ChangeBitmapContrast(BitmapRecord* bitmap, int change) {
    // The lower half never rises above 128 and the upper never falls below
    // it: a negative change pulls both halves toward 128.
    const int k = ChangeInRange(change) ? (change * 128 + 500) / 1000 : 0;
    return RemapWith(bitmap, ChangeInRange(change),
                     [&](int i) { return i < 128 ? Clamp(i - k, 0, 128) : Clamp(i + k, 128, 255); });
}

extern "C" int KAPI K_PosterizeBitmap(BitmapRecord* bitmap, unsigned levels) {
    // 64-bit products: any level count is taken, and counts of 256 and more
    // leave every value where it is.
    const uint64_t n = static_cast<uint64_t>(levels) - 1;
    return RemapWith(bitmap, levels >= 2, [&](int i) {
        uint64_t step = (n * static_cast<uint64_t>(i) + 128) / 255;
        uint64_t v = (step * 255 + n / 2) / n;
        return static_cast<unsigned char>(std::min<uint64_t>(v, 255));
    });
}

extern "C" int KAPI K_InvertBitmap(BitmapRecord* bitmap) {
    return RemapWith(bitmap, true, [](int i) { return static_cast<unsigned char>(255 - i); });
}

extern "C" int KAPI K_IntensityDetectBitmap(BitmapRecord* bitmap, unsigned low, unsigned high) {
    return RemapWith(bitmap, low <= 255 && high <= 255, [&](int i) {
        unsigned v = static_cast<unsigned>(i);
        return static_cast<unsigned char>(low <= v && v <= high ? 255 : 0);
    });
}

extern "C" int KAPI K_GammaCorrectBitmap(BitmapRecord* bitmap, int gamma) {
    // Gamma in hundredths; 0 and negative values have no curve in 0..255.
    const double exponent = gamma > 0 ? 100.0 / gamma : 1.0;
    return RemapWith(bitmap, gamma > 0, [&](int i) {
        return static_cast<unsigned char>(static_cast<int>(255.0 * std::pow(i / 255.0, exponent) + 0.5));
    });
}
