#include "io/save_limits.h"

int CheckDepth(const SaveRequest& request, const SaveLimits& limits) {
    return limits.Takes(request.bitsPerPixel) ? K_OK : K_ERR_BITS;
}

int SaveFlags(const SaveRequest& request, const SaveLimits& limits) {
    return limits.storesBGR && request.bitsPerPixel > 8 ? request.flags | kSaveStoresBGR : request.flags;
}

int CheckSides(int width, int height, const SaveLimits& limits) {
    return limits.Holds(width, height) ? K_OK : K_ERR_SIZE;
}

int BeginWithin(SaveWriter& writer, const SaveLimits& limits) {
    const int r = writer.Begin();
    if (r != K_OK) return r;
    return CheckSides(writer.Width(), writer.Height(), limits);
}
