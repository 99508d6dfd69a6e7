// The screen's static colours kept at both ends of an optimized palette.
#include <algorithm>

#include "dither.h"

int GetSystemPaletteSplit(RGBQUAD* palette, int count) {
    HDC screen = GetDC(nullptr);
    if (!screen) return 0;
    int n = 0;
    if (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) {
        int size = GetDeviceCaps(screen, SIZEPALETTE);
        n = std::clamp(std::min(GetDeviceCaps(screen, NUMRESERVED), count), 0, size);
        PALETTEENTRY system[256] = {};
        int low = n / 2, high = n - n / 2;
        GetSystemPaletteEntries(screen, 0, low, system);
        GetSystemPaletteEntries(screen, size - high, high, system + low);
        for (int i = 0; i < n; ++i) {
            RGBQUAD& e = palette[i < low ? i : count - n + i];
            e.rgbRed = system[i].peRed;
            e.rgbGreen = system[i].peGreen;
            e.rgbBlue = system[i].peBlue;
            e.rgbReserved = 0;
        }
    }
    ReleaseDC(nullptr, screen);
    return n;
}
