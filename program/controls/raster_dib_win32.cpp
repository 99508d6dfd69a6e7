#include "controls/raster_dib_win32.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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

Raster RasterOfBitmap(TBitmap& bitmap, int x, int y, int w, int h) {
    Raster raster(w, h);
    const int width = bitmap.Empty() ? 0 : bitmap.Width(), height = bitmap.Empty() ? 0 : bitmap.Height();
    const int top = std::max(y, 0), bottom = std::min(y + h, height);
    const int left = std::max(x, 0), right = std::min(x + w, width);
    if (raster.Empty() || top >= bottom || left >= right) return raster;
    // The band of rows, bottom-up as GetDIBits counts them from the bottom.
    const int rows = bottom - top;
    std::vector<RasterColor> band(static_cast<std::size_t>(width) * rows);
    BITMAPINFO info = TopDown32(width, height);
    info.bmiHeader.biHeight = height;
    HDC screen = GetDC(nullptr);
    const int got = GetDIBits(screen, bitmap.Handle(), height - bottom, rows, band.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (got != rows) return raster;
    for (int row = top; row < bottom; ++row) {
        const RasterColor* from = &band[static_cast<std::size_t>(bottom - 1 - row) * width + left];
        RasterColor* to = &raster.Pixels[static_cast<std::size_t>(row - y) * w + (left - x)];
        for (int i = 0; i < right - left; ++i) to[i] = from[i] & 0xFFFFFF;
    }
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
