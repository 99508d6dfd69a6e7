// The writer of the compressed family for K_SaveFile (codes 5, 10, 11 and
// 20 to 24) and K_CompressBitmap: rows of the bitmap, top line first, 16 at
// a time through the compress-buffer triple into a file.
#include "jpeg/compressed_file_writer.h"

#include <cstring>
#include <memory>

#include "core/bitmap.h"
#include "core/memory.h"
#include "io/file_callbacks.h"
#include "io/writer_helpers.h"
#include "volkg.h"

namespace {

constexpr int kRowsPerStrip = 16;

int KAPI CompressedRowWriter(BitmapRecord*, unsigned char* bytes, int count, void* userData) {
    return WriteExact(*static_cast<int*>(userData), bytes, count) == K_OK ? K_OK : K_ERR_WRITE;
}

class WrittenFile {
public:
    ~WrittenFile() {
        if (handle >= 0) FileClose(handle);
    }
    int handle = -1;
};

}  // namespace

int SaveCompressedFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (bits != 8 && bits != 24) return K_ERR_BITS;
    if (request.variant != 0 && request.quality < 2) return K_ERR_COMPRESSARG;
    SaveWriter writer(request.bitmap, bits, request.flags | (bits == 8 ? kSaveGrayTarget : kSaveStoresBGR),
                      request.callback, request.userData);
    int result = writer.Begin();
    if (result <= 0) return result;
    BitmapRecord target = writer.Target();
    const int width = target.Width, height = target.Height;
    const int rowBytes = width * (bits / 8);

    // The output buffer: as large as can be had, from 16 KB down to 1 KB.
    int outputSize = 16384;
    unsigned char* outputBytes = nullptr;
    for (; outputSize >= 1024 && !outputBytes; outputSize /= 2)
        outputBytes = static_cast<unsigned char*>(AllocGlobalLocked(outputSize));
    if (!outputBytes) return K_ERR_MEMORY;
    outputSize *= 2;
    std::unique_ptr<unsigned char, void (*)(void*)> output(outputBytes, FreeGlobalLocked);
    GlobalBuffer strip(static_cast<size_t>(rowBytes) * kRowsPerStrip);
    if (!strip) return K_ERR_MEMORY;

    WrittenFile file;
    if (OpenForWriting(request.name, &file.handle) != K_OK) return K_ERR_CREATE;
    target.ViewPerspective = K_TOP_DOWN;
    result = K_StartCompressBuffer(&target, CompressedRowWriter, kRowsPerStrip * rowBytes, outputSize, output.get(),
                                   request.variant, request.quality, &file.handle);
    if (result != K_OK) return result;

    const bool bottomUp = request.bitmap->ViewPerspective == K_BOTTOM_UP;
    int filled = 0;
    for (int y = 0; y < height && result == K_OK; ++y) {
        result = writer.GetRow(bottomUp ? height - 1 - y : y);
        if (result != K_OK) break;
        std::memcpy(strip.get() + static_cast<size_t>(filled) * rowBytes, writer.Row(), rowBytes);
        if (++filled == kRowsPerStrip || y == height - 1) {
            result = K_CompressBuffer(strip.get());
            filled = 0;
        }
    }
    int end = K_EndCompressBuffer();
    return result != K_OK ? result : end;
}

extern "C" int KAPI K_CompressBitmap(BitmapRecord* bitmap, const char* name, int variant, int quality, int) {
    if (!bitmap) return K_ERR_NOBITMAP;
    if (!(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    const bool grey = bitmap->BitsPerPixel == 1 ||
                      ((bitmap->BitsPerPixel == 4 || bitmap->BitsPerPixel == 8) && (bitmap->Flags & K_GRAY_PALETTE));
    const int wasLocked = AccessBitmapIfNeeded(bitmap);
    SaveRequest request{name, bitmap, grey ? 8 : 24, variant == 0 ? 5 : 10, variant, 0, quality, 0, nullptr, nullptr};
    int result = SaveCompressedFile(request);
    ReleaseBitmapIfNeeded(bitmap, wasLocked);
    return result;
}
