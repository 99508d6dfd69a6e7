// PhotoCD image packs, read through the PhotoCD access library: the probe
// by file name, the resolution steps, and the reader, which takes rows in
// blocks (last row first in each) or the whole image as a bottom-up DIB.
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "formats/photocd_library.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

PhotoCDLibrary PhotoCD;

namespace {

constexpr int kSteps = 6;           // 96 x 64 up to 3072 x 2048
constexpr int kBlockBytes = 65536;  // rows fetched at a time, at most
constexpr int kGreyFormat = 10;
constexpr int kPaletteFormat = 13;

// -1: the library's own default.
int g_resolution = -1;
// The step the last probe found, used by the next read.
int g_step = 0;

// An image open in the library, closed on every path.
class OpenImage {
public:
    ~OpenImage() {
        if (open_) PhotoCD.close(image_);
    }
    int Open(const char* name) {
        if (PhotoCD.open(name, &image_) != 0) return K_ERR_OPEN;
        open_ = true;
        return K_OK;
    }
    PcdImage get() const { return image_; }

private:
    PcdImage image_ = nullptr;
    bool open_ = false;
};

bool Portrait(int rotation) { return rotation == 4 || rotation == 7; }
bool ReadWhole(int rotation) { return (rotation & 4) != 0; }
int BitsOf(int format) { return format == kGreyFormat || format == kPaletteFormat ? 8 : 24; }

// The whole image the library made, locked and freed with the scope.
class WholeImage {
public:
    ~WholeImage() {
        if (data_) GlobalUnlock(memory_);
        if (memory_) PhotoCD.freeBitmap(memory_);
    }
    // 1, -1 when there is none, -9 when it is not the picture asked for.
    int Load(PcdImage image, int width, int height, int bits) {
        PcdBlock block{};
        if (PhotoCD.loadImage(image, &block, &memory_) != 0 || !memory_) return K_ERR_MEMORY;
        data_ = static_cast<const unsigned char*>(GlobalLock(memory_));
        if (!data_) return K_ERR_MEMORY;
        // The header must describe the picture, and the block must hold it.
        const size_t size = GlobalSize(memory_);
        if (size < 40) return K_ERR_FORMAT;
        const uint32_t colors = static_cast<uint32_t>(Le32(data_ + 32));
        if (Le32(data_ + 4) != width || Le32(data_ + 8) != height || Le16(data_ + 14) != bits || colors > 256)
            return K_ERR_FORMAT;
        rows_ = 40 + size_t(colors) * 4;
        if (size < rows_ + size_t(width) * bits / 8 * height) return K_ERR_FORMAT;
        return K_OK;
    }
    const unsigned char* Rows() const { return data_ + rows_; }

private:
    HGLOBAL memory_ = nullptr;
    const unsigned char* data_ = nullptr;
    size_t rows_ = 0;
};

}  // namespace

int ReadPCDInfo(const char* name, FileInfoRecord* info) {
    if (!PhotoCD.present) return 0;
    OpenImage image;
    if (image.Open(name) != K_OK) return K_ERR_READ;
    if (g_resolution >= 0) PhotoCD.setResolution(image.get(), g_resolution);
    int format = 0, step = 0, rotation = 0;
    if (PhotoCD.getFormat(image.get(), &format) != 0 || PhotoCD.getResolution(image.get(), &step) != 0 ||
        PhotoCD.getRotation(image.get(), &rotation) != 0)
        return K_ERR_READ;
    // A step the library should not give: no size to derive from it.
    if (step < 0 || step >= kSteps) return K_ERR_READ;
    g_step = step;
    int width = 96 << step, height = 64 << step;
    if (Portrait(rotation)) std::swap(width, height);
    const int bits = BitsOf(format);
    FillFileInfo(info, {.format = kFormatPhotoCD,
                        .width = width,
                        .height = height,
                        .bitsPerPixel = bits,
                        .viewPerspective = ReadWhole(rotation) ? K_BOTTOM_UP : K_TOP_DOWN,
                        .colorOrder = bits > 8 ? K_ORDER_BGR : K_ORDER_RGB,
                        .compression = "None"});
    return 1;
}

extern "C" int KAPI K_SetPCDResolution(int step) {
    if (step < 0 || step >= kSteps) return K_ERR_ARGUMENT;
    g_resolution = step;
    return K_OK;
}

extern "C" int KAPI K_GetPCDResolution(const char* name, int* availability) {
    // Without the library nothing can be read: a failure, not 0.
    if (!PhotoCD.present) return K_ERR_UNSUPPORTED;
    if (!name || !availability) return K_ERR_ARGUMENT;
    OpenImage image;
    if (image.Open(name) != K_OK) return K_ERR_READ;
    int format = 0;
    if (PhotoCD.getFormat(image.get(), &format) != 0) return K_ERR_READ;
    bool any = false;
    for (int j = 0; j < kSteps; ++j) {
        availability[j] = PhotoCD.setResolution(image.get(), j) == 0 ? 1 : 0;
        any = any || availability[j];
    }
    return any ? K_OK : K_ERR_READ;
}

extern "C" int KAPI K_LoadPCDFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    if (!PhotoCD.present) return K_ERR_UNSUPPORTED;
    FileInfoRecord info;
    if (ReadPCDInfo(name, &info) != 1) return K_ERR_FORMAT;
    const int width = info.Width, height = info.Height, bits = info.BitsPerPixel;
    OpenImage image;
    if ((r = image.Open(name)) != K_OK) return r;
    int format = 0, rotation = 0;
    if (PhotoCD.setResolution(image.get(), g_step) != 0 || PhotoCD.getFormat(image.get(), &format) != 0 ||
        PhotoCD.getRotation(image.get(), &rotation) != 0 || PhotoCD.setTransform(image.get(), rotation) != 0)
        return K_ERR_READ;
    // The image must be what the probe measured.
    if (BitsOf(format) != bits || ReadWhole(rotation) != (info.ViewPerspective == K_BOTTOM_UP) ||
        Portrait(rotation) != (height > width))
        return K_ERR_FORMAT;

    if ((r = session.SetImage(width, height, bits, bits > 8 ? K_ORDER_BGR : K_ORDER_RGB)) != K_OK) return r;
    int colors = 0;
    if (format == kGreyFormat) {
        FillGreyRamp(bitmap->ColorTable, 256);
        colors = 256;
    } else if (format == kPaletteFormat) {
        // The library gives no colours for this format: the fixed palette.
        K_GetFixedPalette(bitmap->ColorTable, 8);
        colors = 256;
    }
    if (colors) bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->ViewPerspective = ReadWhole(rotation) ? K_BOTTOM_UP : K_TOP_DOWN;
    bitmap->FormatCode = kFormatPhotoCD;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;

    const int rowBytes = width * bits / 8;
    if (ReadWhole(rotation)) {
        WholeImage whole;
        if ((r = whole.Load(image.get(), width, height, bits)) != K_OK) return r;
        for (int y = 0; y < height; ++y) {
            std::memcpy(session.Row(), whole.Rows() + size_t(y) * rowBytes, rowBytes);
            if ((r = session.DeliverRow(y)) != K_OK) return r;
        }
    } else {
        const int rowsPerBlock = kBlockBytes / rowBytes;
        GlobalBuffer buffer((size_t(std::max(bitmap->Width, width)) + 4) * rowsPerBlock * 4);
        if (!buffer) return K_ERR_MEMORY;
        for (int first = 0; first < height; first += rowsPerBlock) {
            PcdBlock block{};
            block.firstRow = static_cast<int16_t>(first);
            block.rowCount = static_cast<int16_t>(std::min(rowsPerBlock, height - first));
            // A block that cannot be fetched is a read failure (not 0, which callers take for no error).
            if (PhotoCD.getBlock(image.get(), &block, buffer.get(), rowBytes) != 0) return K_ERR_READ;
            const int count = std::min(rowsPerBlock, height - first);
            for (int i = 0; i < count; ++i) {
                std::memcpy(session.Row(), buffer.get() + size_t(count - 1 - i) * rowBytes, rowBytes);
                if ((r = session.DeliverRow(first + i)) != K_OK) return r;
            }
        }
    }
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadPCDBitmap(const char* name, BitmapRecord* bitmap) {
    // Without the access library the probe cannot tell the format either:
    // the same code as K_LoadPCDFile rather than a format error.
    if (!PhotoCD.present) return K_ERR_UNSUPPORTED;
    return LoadWholeBitmap(name, bitmap, K_LoadPCDFile, -1);
}

namespace {
// Only when the access library is bound.
const CodecNameProbe kNameProbes[] = {{10, ReadPCDInfo}};
const LoadEntry kLoads[] = {{kFormatPhotoCD, K_LoadPCDFile, nullptr, false}};
}  // namespace

extern const CodecRow kPhotoCDRow = {"PhotoCD", {}, kNameProbes, kLoads, {}, nullptr};
