// Palettes taken from the screen.
#include <vector>

#include "core/palette.h"

namespace {

int ScreenDepth(HDC dc) {
    if (GetDeviceCaps(dc, TECHNOLOGY) == DT_METAFILE) return 24;
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
}

}  // namespace

HPALETTE CreateSystemPaletteCopy() {
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HPALETTE result = nullptr;
    if (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) {
        int count = GetDeviceCaps(screen, SIZEPALETTE);
        if (count > 0 && count <= 4096) {
            std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count, 0);
            auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
            lp->palVersion = 0x300;
            UINT got = GetSystemPaletteEntries(screen, 0, static_cast<UINT>(count), lp->palPalEntry);
            lp->palNumEntries = static_cast<WORD>(got);
            for (UINT i = 0; i < got; ++i) lp->palPalEntry[i].peFlags = 0;
            if (got > 0) result = CreatePalette(lp);
        }
    }
    ReleaseDC(nullptr, screen);
    return result;
}

extern "C" HPALETTE KAPI K_CreateScreenPalette(void) {
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    int depth = ScreenDepth(screen);
    ReleaseDC(nullptr, screen);
    return CreateFixedPalette(depth);
}
