#include "controls/raster_dib_win32.h"

#include <cstdint>
#include <vector>

#include "bitmap.h"

namespace {

// A top-down 32-bit DIB header of the size.
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

// 0x00BBGGRR colours and the DIB's blue-green-red-x bytes.
std::uint32_t SwapRedBlue(std::uint32_t c) { return (c & 0x00FF00) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF); }

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
    for (std::uint32_t& c : raster.Pixels) c = SwapRedBlue(c) & 0xFFFFFF;
    return raster;
}

void RasterToBitmap(const Raster& raster, TBitmap& bitmap) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(raster.Width, raster.Height);
    if (raster.Empty()) return;
    for (int y = 0; y < raster.Height; ++y) {
        auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
        if (!row) return;
        for (int x = 0; x < raster.Width; ++x) {
            const std::uint32_t c = raster.At(x, y);
            row[3 * x] = static_cast<std::uint8_t>(c >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c);
        }
    }
    bitmap.Changed();
}

void PaintRaster(HDC dc, int x, int y, const Raster& raster) {
    if (raster.Empty()) return;
    std::vector<std::uint32_t> pixels(raster.Pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = SwapRedBlue(raster.Pixels[i]);
    BITMAPINFO info = TopDown32(raster.Width, raster.Height);
    SetDIBitsToDevice(dc, x, y, raster.Width, raster.Height, 0, 0, 0, raster.Height, pixels.data(), &info,
                      DIB_RGB_COLORS);
}
