#include "controls/raster_dib_win32.h"

#include <cstdint>

#include "bitmap.h"

namespace {

// A top-down 32-bit DIB header of the size: a raster's own layout, so its
// pixels go to and from GDI as they are.
BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

Raster RasterOfBitmap(TBitmap& bitmap) {
    if (bitmap.Empty()) return Raster();
    Raster raster(bitmap.Width(), bitmap.Height());
    BITMAPINFO info = TopDown32(raster.Width, raster.Height);
    HDC screen = GetDC(nullptr);
    HBITMAP handle = bitmap.Handle();
    const int rows = GetDIBits(screen, handle, 0, raster.Height, raster.Pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != raster.Height) return Raster();
    // The fourth byte is no colour: a 32-bit bitmap may hold alpha there.
    for (RasterColor& c : raster.Pixels) c &= 0xFFFFFF;
    return raster;
}

void RasterToBitmap(const Raster& raster, TBitmap& bitmap) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(raster.Width, raster.Height);
    if (raster.Empty()) return;
    for (int y = 0; y < raster.Height; ++y) {
        auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
        if (!row) return;
        // Blue, green, red: the raster's bytes without the fourth.
        const RasterColor* from = &raster.Pixels[static_cast<std::size_t>(y) * raster.Width];
        for (int x = 0; x < raster.Width; ++x) {
            const RasterColor c = from[x];
            row[3 * x] = static_cast<std::uint8_t>(c);
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
        }
    }
    bitmap.Changed();
}

void PaintRaster(HDC dc, int x, int y, const Raster& raster) {
    if (raster.Empty()) return;
    BITMAPINFO info = TopDown32(raster.Width, raster.Height);
    SetDIBitsToDevice(dc, x, y, raster.Width, raster.Height, 0, 0, 0, raster.Height, raster.Pixels.data(), &info,
                      DIB_RGB_COLORS);
}
