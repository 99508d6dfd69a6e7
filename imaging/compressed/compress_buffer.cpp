// K_StartCompressBuffer, K_CompressBuffer, K_EndCompressBuffer and
// K_LoadCustomQTable: the caller's bitmap description and quality become an
// encoder set-up in one of three containers; coded bytes go out through the
// caller's write callback a full output buffer at a time.
#include "compressed/compress_buffer.h"

#include <cstring>
#include <new>
#include <vector>

#include "io/format_codes.h"
#include "jpeg/compressed_header.h"
#include "volkg.h"

namespace {

struct Compression {
    bool active = false;
    int variant = 0;
    BitmapRecord* bitmap = nullptr;
    CompressWriteCallback write = nullptr;
    void* userData = nullptr;
    unsigned char* out = nullptr;
    int outSize = 0;
    int outFill = 0;
    int rowBytes = 0;
    int rowsPerBuffer = 0;
    int rowsLeft = 0;
    bool halving = false;
    int headerLeft = 0;    // own format: bytes before the scan, stored as they are
    bool holdAll = false;  // TIFF: the whole file is held until its tile size is known
    std::vector<uint8_t> held;
    std::vector<const uint8_t*> rowTable;
};

Compression g_state;
const StampSource* g_stamp = nullptr;
bool g_customQuantSet = false;
uint8_t g_customQuant[64];

// Hands the filled part of the output buffer to the caller; the own format's
// scan bytes are stored minus 128.
int FlushOutput() {
    Compression& s = g_state;
    if (s.outFill == 0) return K_OK;
    if (s.variant == 0) {
        int plain = s.headerLeft < s.outFill ? s.headerLeft : s.outFill;
        for (int i = plain; i < s.outFill; ++i) s.out[i] ^= 0x80;
        s.headerLeft -= plain;
    }
    int length = s.outFill;
    s.outFill = 0;
    return s.write(s.bitmap, s.out, length, s.userData);
}

int CopyOut(const uint8_t* bytes, int count) {
    Compression& s = g_state;
    while (count > 0) {
        int n = s.outSize - s.outFill < count ? s.outSize - s.outFill : count;
        std::memcpy(s.out + s.outFill, bytes, n);
        s.outFill += n;
        bytes += n;
        count -= n;
        if (s.outFill == s.outSize) {
            int result = FlushOutput();
            if (result != K_OK) return result;
        }
    }
    return K_OK;
}

int EncoderWrite(const uint8_t* bytes, int count, void*) {
    Compression& s = g_state;
    if (!s.holdAll) return CopyOut(bytes, count);
    try {
        s.held.insert(s.held.end(), bytes, bytes + count);
    } catch (const std::bad_alloc&) {
        return K_ERR_MEMORY;
    }
    return K_OK;
}

int EncoderPatch(uint32_t position, const uint8_t* bytes, int count, void*) {
    Compression& s = g_state;
    if (!s.holdAll || position + count > s.held.size()) return K_ERR_SEEK;
    std::memcpy(s.held.data() + position, bytes, count);
    return K_OK;
}

// After the scan is closed: the held TIFF file, then the rest of the buffer.
int FinishOutput() {
    Compression& s = g_state;
    if (s.holdAll) {
        std::vector<uint8_t> held;
        held.swap(s.held);
        int result = CopyOut(held.data(), static_cast<int>(held.size()));
        if (result != K_OK) return result;
    }
    return FlushOutput();
}

struct QualityChoice {
    int q;
    bool halving;
    int hSampling, vSampling;
};

// Presets of the own format for qualities -1 to -9.
constexpr QualityChoice kPresets[9] = {
    {5, false, 1, 1},  {5, false, 2, 1}, {15, false, 2, 1}, {30, false, 2, 1}, {45, false, 2, 2},
    {90, false, 2, 2}, {55, true, 2, 1}, {93, true, 2, 1},  {93, true, 2, 1},
};

int ChooseQuality(int variant, int quality, QualityChoice* choice) {
    if (quality < -9 || quality > 255 || (quality < 0 && variant != 0)) return K_ERR_COMPRESSARG;
    if (variant != 0) {
        static const int h[7] = {0, 1, 1, 2, 2, 2, 2}, v[7] = {0, 1, 1, 2, 2, 1, 1};
        *choice = {quality, false, h[variant], v[variant]};
    } else if (quality < 0) {
        *choice = kPresets[-quality - 1];
    } else if (quality <= 100) {
        int q = quality + 6;
        if (q < 14)
            *choice = {q, false, 1, 1};
        else if (q >= 55)
            *choice = {q, false, 2, 2};
        else
            *choice = {q, false, 2, 1};
    } else {
        *choice = {quality / 2, true, 2, 1};
    }
    return K_OK;
}

int WriteOwnHeader(const BitmapRecord* bitmap, const EncoderParameters& p, bool grey, bool halving, int bytesPerPixel) {
    CompressedHeader header;
    header.follows = g_stamp ? kFollowsStamp : kFollowsNothing;
    uint8_t flags = 0;
    if (grey || p.hSampling == 1)
        flags |= kCodedSampling1x1;
    else if (p.vSampling == 2)
        flags |= kCodedSampling2x2;
    if (grey) flags |= kCodedGrey;
    if (halving) flags |= kCodedHalfRows;
    header.codingFlags = flags;
    header.width = static_cast<uint16_t>(p.width);
    header.codedHeight = static_cast<uint16_t>(p.height);
    header.bitsPerPixel = static_cast<uint8_t>(8 * bytesPerPixel);
    header.rowOrder = bitmap->ViewPerspective == K_TOP_DOWN ? kRowsTopDown : 0;
    header.quality = static_cast<uint16_t>(p.quality);
    uint8_t bytes[kCompressedHeaderSize];
    WriteCompressedHeader(header, bytes);
    int result = JpegWriteBytes(bytes, kCompressedHeaderSize);
    if (result != K_OK || !g_stamp) return result;

    const StampSource& stamp = *g_stamp;
    const uint8_t descriptor[3] = {static_cast<uint8_t>(stamp.width), static_cast<uint8_t>(stamp.height),
                                   static_cast<uint8_t>(stamp.bits)};
    result = JpegWriteBytes(descriptor, 3);
    if (result == K_OK && stamp.bits == 8) result = JpegWriteBytes(stamp.palette, kStampPaletteSize);
    std::vector<uint8_t> row(static_cast<size_t>(stamp.width) * 3);
    for (int y = 0; y < stamp.height && result == K_OK; ++y) {
        result = stamp.row(y, row.data(), stamp.context);
        if (result == K_OK) result = JpegWriteBytes(row.data(), stamp.width * (stamp.bits / 8));
    }
    return result;
}

}  // namespace

void SetCompressStamp(const StampSource* stamp) { g_stamp = stamp; }

extern "C" int KAPI K_StartCompressBuffer(BitmapRecord* bitmap, CompressWriteCallback write, int inputSize,
                                          int outputSize, unsigned char* outputBuffer, int variant, int quality,
                                          void* userData) {
    if (!bitmap || !write) return K_ERR_MEMORY;
    if (JpegEncoderStarted()) return kEncStarted;
    g_state.active = false;
    if (variant < 0 || variant > 6) return K_ERR_FORMAT;
    QualityChoice choice{};
    int result = ChooseQuality(variant, quality, &choice);
    if (result != K_OK) return result;

    const int bits = bitmap->BitsPerPixel;
    const bool grey = bits == 8 && (bitmap->Flags & K_GRAY_PALETTE);
    if (grey && choice.halving) {
        choice.halving = false;
        choice.q *= 2;
    }
    if (bits < 8) return K_ERR_BITS;
    if (bitmap->ColorOrder != 0 && bitmap->ColorOrder != 1) return K_ERR_ARGUMENT;
    // An 8-bit palette bitmap is given as 24-bit rows.
    const int bytesPerPixel = bits == 8 && !grey ? 3 : bits / 8;
    const long rowBytes = static_cast<long>(bitmap->Width) * bytesPerPixel;
    if (bitmap->Width <= 0 || rowBytes > 65535 || bitmap->Height <= 0 || bits > 32) return K_ERR_ROWWIDTH;
    if (bitmap->Height > limits::kCompressedSide) return K_ERR_ROWWIDTH;
    const int rowsPerBuffer = static_cast<int>(inputSize / rowBytes);
    if (rowsPerBuffer <= 0 || rowsPerBuffer % (choice.halving ? 16 : 8) != 0) return K_ERR_SIZE;
    if (!grey && choice.vSampling == 2 && rowsPerBuffer % 16 != 0) return K_ERR_SIZE;
    if (!outputBuffer || outputSize <= 0) return K_ERR_MEMORY;

    Compression& s = g_state;
    s = Compression{};
    s.variant = variant;
    s.bitmap = bitmap;
    s.write = write;
    s.userData = userData;
    s.out = outputBuffer;
    s.outSize = outputSize;
    s.rowBytes = static_cast<int>(rowBytes);
    s.rowsPerBuffer = rowsPerBuffer;
    s.rowsLeft = bitmap->Height;
    s.halving = choice.halving;
    s.holdAll = variant == 2 || variant == 4 || variant == 6;
    try {
        s.rowTable.resize(rowsPerBuffer);
    } catch (const std::bad_alloc&) {
        return K_ERR_MEMORY;
    }

    EncoderParameters p;
    p.width = bitmap->Width;
    // With halving rows 0, 2, 4 ... are coded, the last one too for an odd height.
    p.height = choice.halving ? (bitmap->Height + 1) / 2 : bitmap->Height;
    p.headKind = variant == 0 ? kHeadNone : (variant & 1) ? kHeadJfif : kHeadTiff;
    p.components = grey ? 1 : 3;
    p.hSampling = choice.hSampling;
    p.vSampling = choice.vSampling;
    p.bitsPerPixel = 8 * bytesPerPixel;
    p.redFirst = bitmap->ColorOrder == K_ORDER_RGB;
    p.quality = choice.q;
    p.customQuant = g_customQuantSet ? g_customQuant : nullptr;
    p.rowsPerBuffer = choice.halving ? rowsPerBuffer / 2 : rowsPerBuffer;
    p.xResolution = bitmap->XResolution;
    p.yResolution = bitmap->YResolution;
    p.topDown = bitmap->ViewPerspective == K_TOP_DOWN;
    p.stamp = variant != 0 && p.headKind == kHeadJfif ? g_stamp : nullptr;
    p.output.write = EncoderWrite;
    p.output.patch = EncoderPatch;

    result = JpegStartEncoder(p);
    if (result != K_OK) {
        s = Compression{};
        return result;
    }
    if (variant == 0) {
        s.headerLeft =
            kCompressedHeaderSize + (g_stamp ? StampDataSize(g_stamp->width, g_stamp->height, g_stamp->bits) : 0);
        result = WriteOwnHeader(bitmap, p, grey, choice.halving, bytesPerPixel);
        if (result != K_OK) {
            JpegStopEncoder();
            s = Compression{};
            return result;
        }
    }
    s.active = true;
    return K_OK;
}

extern "C" int KAPI K_CompressBuffer(unsigned char* rows) {
    if (!rows) return K_ERR_MEMORY;
    Compression& s = g_state;
    if (!s.active || !JpegEncoderStarted()) return kEncNotStarted;
    const int step = s.halving ? 2 : 1;
    for (int i = 0; i * step < s.rowsPerBuffer; ++i) s.rowTable[i] = rows + static_cast<size_t>(i) * step * s.rowBytes;
    int result = JpegEncodeRows(s.rowTable.data());
    if (result != K_OK) return result;
    s.rowsLeft -= s.rowsPerBuffer;
    if (!JpegEncoderStarted()) return FinishOutput();
    return K_OK;
}

extern "C" int KAPI K_EndCompressBuffer(void) {
    Compression& s = g_state;
    JpegStopEncoder();
    if (!s.active) return K_OK;
    int result = K_OK;
    if (s.variant == 0) {
        CompressedTrailer trailer;
        trailer.xResolution = static_cast<uint16_t>(s.bitmap->XResolution);
        trailer.yResolution = static_cast<uint16_t>(s.bitmap->YResolution);
        uint8_t bytes[kCompressedTrailerSize];
        WriteCompressedTrailer(trailer, bytes);
        for (int i = 0; i < kCompressedTrailerSize && result == K_OK; ++i)
            if (s.write(s.bitmap, bytes + i, 1, s.userData) != K_OK) result = K_ERR_WRITE;
    }
    const int rowsLeft = s.rowsLeft;
    s = Compression{};
    if (result != K_OK) return result;
    return rowsLeft > 0 ? -57 : K_OK;
}

extern "C" void KAPI K_LoadCustomQTable(const int* table) {
    g_customQuantSet = table != nullptr;
    if (table)
        for (int i = 0; i < 64; ++i) g_customQuant[i] = static_cast<uint8_t>(table[i]);
}
