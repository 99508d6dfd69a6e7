// BitmapRecord construction and the process default dithering method.
#include <climits>
#include <cstring>

#include "core/bitmap.h"

int DefaultDitheringMethod = 7;

namespace {

// The resolution new records take (0 or less: none set, 150 is used); the
// option block above keeps it current.
int g_defaultXResolution = 150;
int g_defaultYResolution = 150;

}  // namespace

void SetDefaultResolution(int x, int y) {
    g_defaultXResolution = x;
    g_defaultYResolution = y;
}

bool IsValidDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

int GetBytesPerLine(int width, int bits) {
    if (!IsValidDepth(bits)) return K_ERR_BITS;
    int64_t bytes = (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
    return bytes > INT_MAX ? K_ERR_SIZE : static_cast<int>(bytes);
}

int64_t GetPaddedImageSize(int width, int height, int bits) {
    if (width < 0 || height < 0 || bits < 0 || bits > 32) return -1;
    // A row fits in 64 bits for any width; the product is checked before
    // it is formed, so no header value can overflow it.
    const int64_t row = (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
    if (height > 0 && row > INT_MAX / height) return -1;
    return row * height;
}

extern "C" int KAPI K_InitBitmap(BitmapRecord* bitmap, int width, int height, int bits) {
    if (!bitmap) return K_ERR_ARGUMENT;
    std::memset(bitmap, 0, sizeof *bitmap);
    if (!IsValidDepth(bits)) return K_ERR_BITS;
    // Sizes that cannot be stored are refused here, before any arithmetic
    // on them wraps around.
    int64_t imageSize = GetPaddedImageSize(width, height, bits);
    if (imageSize < 0) return K_ERR_SIZE;

    bitmap->Width = width;
    bitmap->Height = height;
    bitmap->BitsPerPixel = bits;
    bitmap->BytesPerLine = GetBytesPerLine(width, bits);
    bitmap->ImageSize = static_cast<unsigned>(imageSize);
    bitmap->ViewPerspective = K_BOTTOM_UP;
    bitmap->DitheringMethod = DefaultDitheringMethod;
    bitmap->ColorOrder = bits > 8 ? K_ORDER_BGR : K_ORDER_RGB;
    bitmap->Colors = bits <= 8 ? 1 << bits : 0;
    bitmap->XResolution = g_defaultXResolution > 0 ? g_defaultXResolution : 150;
    bitmap->YResolution = g_defaultYResolution > 0 ? g_defaultYResolution : 150;

    BITMAPINFOHEADER& h = bitmap->DibHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = bitmap->ImageSize;
    h.biClrUsed = static_cast<DWORD>(bitmap->Colors);
    return K_OK;
}

extern "C" int KAPI K_DefaultDithering(int method) {
    if (static_cast<unsigned>(method) > 7) return K_ERR_ARGUMENT;
    DefaultDitheringMethod = method;
    return K_OK;
}
