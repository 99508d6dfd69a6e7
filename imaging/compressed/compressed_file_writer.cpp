// The writer of the compressed family for K_SaveFile (codes 5, 10, 11 and
// 20 to 24) and K_CompressBitmap: rows of the bitmap, top line first, 16 at
// a time through the compress-buffer triple into the save output.
#include "io/codec_row.h"
#include "compressed/compressed_file_writer.h"

#include <cstring>
#include <memory>

#include "core/memory.h"
#include "io/codec_kit.h"

namespace {

constexpr int kRowsPerStrip = 16;

int KAPI CompressedRowWriter(BitmapRecord*, unsigned char* bytes, int count, void* userData) {
    return static_cast<Output*>(userData)->Write(bytes, count) == K_OK ? K_OK : K_ERR_WRITE;
}

}  // namespace

int SaveCompressedFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (bits != 8 && bits != 24) return K_ERR_BITS;
    if (request.variant != 0 && request.quality < 2) return K_ERR_COMPRESSARG;
    SaveWriter writer(request.bitmap, bits, request.flags | (bits == 8 ? kSaveGrayTarget : kSaveStoresBGR),
                      request.callback, request.userData);
    int result = writer.Begin();
    if (result != K_OK) return result;
    BitmapRecord target = writer.Target();
    const int rowBytes = writer.Width() * (bits / 8);

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

    Output out;
    if ((result = out.Open(request.name)) != K_OK) return result;
    target.ViewPerspective = K_TOP_DOWN;
    result = K_StartCompressBuffer(&target, CompressedRowWriter, kRowsPerStrip * rowBytes, outputSize, output.get(),
                                   request.variant, request.quality, &out);
    if (result != K_OK) return result;

    int filled = 0;
    for (int y = 0; y < writer.Height() && result == K_OK; ++y) {
        if ((result = writer.RowFromTop(y)) != K_OK) break;
        std::memcpy(strip.get() + static_cast<size_t>(filled) * rowBytes, writer.Row(), rowBytes);
        if (++filled == kRowsPerStrip || y == writer.Height() - 1) {
            result = K_CompressBuffer(strip.get());
            filled = 0;
        }
    }
    const int end = K_EndCompressBuffer();
    if (result != K_OK) return result;
    if (end != K_OK) return end;
    return out.Finish();
}

extern "C" int KAPI K_CompressBitmap(BitmapRecord* bitmap, const char* name, int variant, int quality, int) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    const bool grey = bitmap->BitsPerPixel == 1 ||
                      ((bitmap->BitsPerPixel == 4 || bitmap->BitsPerPixel == 8) && (bitmap->Flags & K_GRAY_PALETTE));
    BitmapLock lock(bitmap);
    SaveRequest request{name,    bitmap, grey ? 8 : 24, variant == 0 ? kFormatCompressed : kFormatJPEG,
                        variant, 0,      quality,       0,
                        nullptr, nullptr};
    return SaveCompressedFile(request);
}

namespace {
// The own header first; JPEG after the formats whose headers hold no
// SOI marker up front.
const CodecProbe kProbes[] = {{10, false, ReadCompressedInfo}, {140, true, ProbeJPEG}};
const LoadEntry kLoads[] = {
    {kFormatCompressed, nullptr, nullptr, true},
    {kFormatJPEG, nullptr, nullptr, true},
    {kFormatTIFFJPEG, nullptr, nullptr, true},  // TIFF with JPEG compression
};
const SaveEntry kSaves[] = {
    {kFormatCompressed, SaveCompressedFile, 0, 0, true},  {kFormatCompressedGrey, SaveCompressedFile, 0, 0, true},
    {kFormatJPEG, SaveCompressedFile, 1, 0, true},        {kFormatTIFFJPEG, SaveCompressedFile, 2, 24, true},
    {kFormatCompressed3, SaveCompressedFile, 3, 0, true}, {kFormatCompressed4, SaveCompressedFile, 4, 24, true},
    {kFormatCompressed5, SaveCompressedFile, 5, 0, true}, {kFormatCompressed6, SaveCompressedFile, 6, 24, true},
};
}  // namespace

extern const CodecRow kCompressedRow = {"compressed family", kProbes, {}, kLoads, kSaves, nullptr};
