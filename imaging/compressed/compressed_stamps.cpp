// K_GetCompressFileStamp: the thumbnail stamp of a compressed-format file
// (after its header) or of a JFIF file (its JFXX segment) into a bitmap of
// 8 or 24 bits, top row first, blue first.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/bitmap.h"
#include "core/palette.h"
#include "io/file_callbacks.h"
#include "io/source.h"
#include "jpeg/compressed_header.h"
#include "jpeg/jpeg_decoder.h"
#include "volkg.h"

namespace {

constexpr int kStampNoFile = -42;  // the file cannot be opened
constexpr int kNoStamp = -65;      // no stamp of a kind we store
constexpr int kJfxxLook = 1000;    // bytes searched for the JFXX segment

// JFXX extension codes (JFIF 1.02): a JPEG-coded thumbnail, one byte a
// pixel with a palette, three bytes a pixel.
constexpr int kJfxxJpeg = 0x10;
constexpr int kJfxxPalette = 0x11;
constexpr int kJfxxRgb = 0x13;

struct Stamp {
    int width = 0, height = 0, bits = 0;
    bool redFirst = false;                    // JFXX stores red first, the own format blue first
    uint8_t palette[kStampPaletteSize] = {};  // red, green, blue triples
    std::vector<uint8_t> pixels;              // rows top first
};

// The stamp's palette and pixels from the source's position.
int ReadStampData(Source& in, Stamp& s) {
    if (s.bits == 8 && in.ReadExact(s.palette, kStampPaletteSize) != K_OK) return K_ERR_READ;
    const size_t bytes = static_cast<size_t>(s.width) * s.height * (s.bits / 8);
    s.pixels.resize(bytes);
    return in.ReadExact(s.pixels.data(), static_cast<int>(bytes));
}

int ReadOwnStamp(Source& in, Stamp& s) {
    if (ProbeFacts().ownByte5 != kFollowsStamp) return kNoStamp;
    if (in.Skip(kCompressedHeaderSize) != K_OK) return K_ERR_READ;
    uint8_t d[3];
    if (in.ReadExact(d, 3) != K_OK) return K_ERR_READ;
    s.width = d[0];
    s.height = d[1];
    s.bits = d[2];
    if (s.width == 0 || s.height == 0 || (s.bits != 8 && s.bits != 24)) return K_ERR_FORMAT;
    return ReadStampData(in, s);
}

int ReadJfxxStamp(Source& in, Stamp& s) {
    uint8_t head[kJfxxLook] = {};
    const int count = in.Read(head, kJfxxLook);
    int at = -1;
    for (int i = 0; i + 12 <= count && at < 0; ++i)
        if (head[i] == 0xFF && head[i + 1] == 0xE0 && std::memcmp(head + i + 4, "JFXX", 5) == 0) at = i;
    if (at < 0) return kNoStamp;
    const int code = head[at + 9];
    // A JPEG-coded thumbnail is no stamp this call can store.
    if (code == kJfxxJpeg || (code != kJfxxPalette && code != kJfxxRgb)) return kNoStamp;
    s.bits = code == kJfxxRgb ? 24 : 8;
    s.width = head[at + 10];
    s.height = head[at + 11];
    s.redFirst = true;
    if (s.width == 0 || s.height == 0) return kNoStamp;
    if (in.SeekTo(at + 12) != K_OK) return K_ERR_READ;
    return ReadStampData(in, s);
}

// The stamp into the caller's bitmap: 1, or a code with the bitmap freed.
int StoreStamp(const Stamp& s, BitmapRecord* bitmap) {
    int r = K_InitBitmap(bitmap, s.width, s.height, s.bits);
    if (r != K_OK) return r;
    bitmap->ViewPerspective = K_TOP_DOWN;
    if ((r = K_AllocateBitmap(bitmap, K_STORAGE_ANY)) != K_OK) return r;
    bitmap->ColorOrder = K_ORDER_BGR;
    const int rowBytes = s.width * (s.bits / 8);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    {
        BitmapLock lock(bitmap);
        for (int y = 0; y < s.height; ++y) {
            std::memcpy(row.data(), s.pixels.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
            if (s.bits == 24 && s.redFirst)
                for (int x = 0; x < s.width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
            const int put = K_PutBitmapRow(bitmap, row.data(), y, rowBytes);
            if (put < rowBytes) {
                K_FreeBitmap(bitmap);
                return put < 0 ? put : K_ERR_WRITE;
            }
        }
    }
    if (s.bits == 8) {
        for (int i = 0; i < 256; ++i)
            bitmap->ColorTable[i] = RGBQUAD{s.palette[3 * i + 2], s.palette[3 * i + 1], s.palette[3 * i], 0};
        bitmap->Colors = 256;
        if (!CreateBitmapPalette(bitmap)) {
            K_FreeBitmap(bitmap);
            return K_ERR_MEMORY;
        }
    }
    return K_OK;
}

}  // namespace

extern "C" int KAPI K_GetCompressFileStamp(const char* name, BitmapRecord* bitmap) {
    if (!name) return K_ERR_NONAME;
    if (!bitmap) return K_ERR_ARGUMENT;
    const CompressedKind kind = ProbeCompressedFile(name);
    if (kind == CompressedKind::None) return K_ERR_FORMAT;
    if (kind == CompressedKind::TiffJpeg) return kNoStamp;
    const int handle = FileOpen(name, kReaderOpenFlags, kReaderPermission);
    if (handle < 0) return kStampNoFile;
    Stamp stamp;
    int r;
    {
        Source in(handle);
        r = kind == CompressedKind::Own ? ReadOwnStamp(in, stamp) : ReadJfxxStamp(in, stamp);
    }
    FileClose(handle);
    if (r != K_OK) return r;
    FreeBitmapIfAllocated(bitmap, 1);
    return StoreStamp(stamp, bitmap);
}
