// Palettes taken from the screen and chosen for painting on a device.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/palette.h"
#include "volkg.h"

namespace {

std::vector<PALETTEENTRY> Entries(HPALETTE palette) {
    WORD count = 0;
    if (!palette || GetObjectA(palette, sizeof count, &count) == 0) return {};
    std::vector<PALETTEENTRY> entries(count);
    entries.resize(GetPaletteEntries(palette, 0, count, entries.data()));
    return entries;
}

int ScreenDepth() {
    HDC screen = GetDC(nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return depth;
}

TEST(ScreenPalettes, FollowTheScreenDepth) {
    int depth = ScreenDepth();
    HPALETTE p = K_CreateScreenPalette();
    if (depth > 8) {
        EXPECT_EQ(p, nullptr);
    } else {
        size_t want = depth < 2 ? 2 : depth <= 4 ? 16 : 256;
        EXPECT_EQ(Entries(p).size(), want);
        DeleteObject(p);
    }
    HDC screen = GetDC(nullptr);
    bool paletteDevice = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, screen);
    HPALETTE system = CreateSystemPaletteCopy();
    EXPECT_EQ(system != nullptr, paletteDevice);
    if (system) DeleteObject(system);
}

TEST(PaintPalettes, CopyThePaletteInUseOrNothing) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HDC metafile = CreateMetaFileA(nullptr);  // counts as a 24-bit device
    ASSERT_NE(memory, nullptr);
    ASSERT_NE(metafile, nullptr);

    BitmapRecord r;
    K_InitBitmap(&r, 4, 4, 4);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_MEMORY), K_OK);
    r.Colors = 3;
    r.ColorTable[0] = RGBQUAD{1, 2, 3, 0};
    r.ColorTable[1] = RGBQUAD{4, 5, 6, 0};
    r.ColorTable[2] = RGBQUAD{7, 8, 9, 0};
    CreateBitmapPalette(&r);
    for (HDC dc : {metafile, ScreenDepth() > 8 ? memory : metafile}) {
        HPALETTE p = K_CreatePaintPalette(dc, &r);
        ASSERT_NE(p, nullptr);
        EXPECT_NE(p, r.PaletteHandle);
        std::vector<PALETTEENTRY> e = Entries(p);
        ASSERT_EQ(e.size(), 3u);
        EXPECT_EQ(e[2].peRed, 9);
        EXPECT_EQ(e[2].peBlue, 7);
        DeleteObject(p);
    }
    K_FreeBitmap(&r);

    K_InitBitmap(&r, 4, 4, 24);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_MEMORY), K_OK);
    EXPECT_EQ(K_CreatePaintPalette(metafile, &r), nullptr);
    K_FreeBitmap(&r);
    EXPECT_EQ(K_CreatePaintPalette(memory, nullptr), nullptr);

    DeleteMetaFile(CloseMetaFile(metafile));
    DeleteDC(memory);
}

}  // namespace
