// MacPaint pictures: 576 x 720 pixels at 1 bit, a set bit black, each row
// of 72 bytes packed with PackBits after a 512-byte header, with or
// without a 128-byte MacBinary header in front.
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kMacWidth = 576;
constexpr int kMacHeight = 720;
constexpr int kMacRowBytes = kMacWidth / 8;
constexpr int kMacBinary = 128;
constexpr int kMacHeader = 512;

bool HasMacBinaryType(const unsigned char* h) { return std::memcmp(h + 65, "PNTG", 4) == 0; }

// Where the packed rows start: after a MacBinary header with the type
// "PNTG", or after the bare header whose version word is 2 or 0 (the
// version netpbm writes); -1 for a foreign file.
int DataOffset(const unsigned char* h, int count) {
    if (count < 100) return -1;
    if (HasMacBinaryType(h)) return kMacBinary + kMacHeader;
    if (h[0] != 0 || h[1] != 0 || h[2] != 0) return -1;
    if (h[3] == 2) return kMacHeader;
    // A PICT file also starts with a zero header: its version opcode at 522
    // tells it apart.
    if (h[3] == 0 && count >= 526 &&
        (std::memcmp(h + 522, "\x00\x11\x02\xFF", 4) == 0 || std::memcmp(h + 522, "\x11\x01", 2) == 0))
        return -1;
    return h[3] == 0 ? kMacHeader : -1;
}

}  // namespace

int ProbeMAC(const ProbeInput& input, FileInfoRecord* info) {
    if (DataOffset(input.header, input.headerCount) < 0) return 0;
    FillFileInfo(info, {.format = kFormatMacPaint,
                        .width = kMacWidth,
                        .height = kMacHeight,
                        .bitsPerPixel = 1,
                        .viewPerspective = K_TOP_DOWN,
                        .compression = "Run Length"});
    return 1;
}

extern "C" int KAPI K_LoadMACFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    unsigned char header[kMacBinary];
    if ((r = in.ReadExact(header, kMacBinary)) != K_OK) return r;
    const int offset = DataOffset(header, kMacBinary);
    if (offset < 0) return K_ERR_FORMAT;
    if ((r = in.SeekTo(offset)) != K_OK) return r;
    // The data must at least hold a repeat code for every row.
    if ((r = in.Require(2 * kMacHeight)) != K_OK) return r;

    if ((r = session.SetImage(kMacWidth, kMacHeight, 1, -1)) != K_OK) return r;
    bitmap->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
    bitmap->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
    session.FinishColors(2);
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatMacPaint;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;
    for (int y = 0; y < kMacHeight; ++y) {
        // A run past the row's end is cut there; the data ending first is -7.
        if ((r = PackBitsDecode(in, session.Row(), kMacRowBytes)) != K_OK) return r;
        if ((r = session.DeliverRow(y)) != K_OK) return r;
    }
    return K_OK;
}

extern "C" int KAPI K_LoadMACBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadMACFile, -1);
}

namespace {

// The MacBinary header: the file's base name, type "PNTG", creator "MPNT".
void MacBinaryHeader(const char* name, unsigned char* h) {
    std::memset(h, 0, kMacBinary);
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == ':' || *p == '\\' || *p == '/') base = p + 1;
    // The name field holds 63 characters.
    const size_t length = std::min<size_t>(std::strlen(base), 63);
    h[1] = static_cast<unsigned char>(length);
    std::memcpy(h + 2, base, length);
    std::memcpy(h + 65, "PNTGMPNT", 8);
}

int WriteMAC(const SaveRequest& request, BitmapRecord* source) {
    SaveWriter writer(source, 1, request.flags, request.callback, request.userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    // A set bit is black: turned over when entry 0 is the darker.
    const bool invert = writer.FirstColorDarker();

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    unsigned char h[kMacBinary];
    MacBinaryHeader(request.name, h);
    out.Write(h, kMacBinary);
    out.Zeros(kMacHeader);
    unsigned char row[kMacRowBytes];
    unsigned char packed[PackBitsBound(kMacRowBytes)];
    for (int y = 0; y < kMacHeight; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        std::memcpy(row, writer.Row(), kMacRowBytes);
        if (invert)
            for (unsigned char& b : row) b = static_cast<unsigned char>(~b);
        out.Write(packed, PackBitsEncode(row, kMacRowBytes, packed));
    }
    return out.Finish();
}

}  // namespace

int SaveMACFile(const SaveRequest& request) {
    if (request.bitsPerPixel != 1) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    if (source->Width == kMacWidth && source->Height == kMacHeight) return WriteMAC(request, source);
    // Rows asked for through a callback cannot be resized.
    if (request.callback) return K_ERR_SIZE;
    BitmapRecord copy{};
    int r = K_CopyBitmap(&copy, source);
    if (r == K_OK) r = K_SizeBitmap(&copy, kMacWidth, kMacHeight);
    if (r == K_OK) {
        const int wasLocked = AccessBitmapIfNeeded(&copy);
        r = WriteMAC(request, &copy);
        ReleaseBitmapIfNeeded(&copy, wasLocked);
    }
    K_FreeBitmap(&copy);
    return r;
}

extern "C" int KAPI K_SaveMACBitmap(const char* name, BitmapRecord* bitmap) {
    return K_SaveFile(name, bitmap, kFormatMacPaint, 1, 0, K_SAVE_FIXED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{160, true, ProbeMAC}};
const LoadEntry kLoads[] = {{kFormatMacPaint, K_LoadMACFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatMacPaint, SaveMACFile, 0, 0, false}};
}  // namespace

extern const CodecRow kMacPaintRow = {"MacPaint", kProbes, {}, kLoads, kSaves, nullptr};
