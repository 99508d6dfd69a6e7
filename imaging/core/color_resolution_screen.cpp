// The screen's static colours kept at both ends of an optimized palette.
#include <algorithm>

#include "core/dither.h"

int PlaceStaticColors(RGBQUAD* palette, int count, const PALETTEENTRY* system, int size, int reserved) {
    int n = std::clamp(std::min(reserved, count), 0, std::min(size, 256));
    int low = n / 2, high = n - n / 2;
    for (int i = 0; i < n; ++i) {
        // The first half from the start of the system palette, the rest
        // from its end, to the same ends of ours.
        const PALETTEENTRY& s = system[i < low ? i : size - high + (i - low)];
        RGBQUAD& e = palette[i < low ? i : count - high + (i - low)];
        e.rgbRed = s.peRed;
        e.rgbGreen = s.peGreen;
        e.rgbBlue = s.peBlue;
        e.rgbReserved = 0;
    }
    return n;
}

int GetSystemPaletteSplit(RGBQUAD* palette, int count) {
    HDC screen = GetDC(nullptr);
    if (!screen) return 0;
    int n = 0;
    if (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) {
        int size = std::clamp(GetDeviceCaps(screen, SIZEPALETTE), 0, 256);
        PALETTEENTRY system[256] = {};
        GetSystemPaletteEntries(screen, 0, size, system);
        n = PlaceStaticColors(palette, count, system, size, GetDeviceCaps(screen, NUMRESERVED));
    }
    ReleaseDC(nullptr, screen);
    return n;
}
