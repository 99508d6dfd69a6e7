// Photoshop files: the flattened image in bitmap, greyscale, indexed and
// RGB modes, raw or PackBits-coded, channel after channel.
#include <algorithm>
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "formats/raster_formats.h"
#include "formats/reader_steps.h"
#include "io/file_callbacks.h"
#include "io/file_info.h"
#include "io/reader_session.h"
#include "io/save_writer.h"

namespace {

constexpr int kHeaderSize = 30;
// Photoshop's own limit on either side.
constexpr int kMaxSide = 300000;

struct PsdHeader {
    int channels, width, height, depth, mode;
    int bits;          // delivered bits per pixel
    int readChannels;  // channels that go into the pixel
    bool runLength;
    int dataStart;
};

// The header's layout checks: -9 not Photoshop, -16 a mode or layout we do
// not read. Only the channels a pixel holds are read; extra channels (alpha,
// spot colours) are passed over.
int ParseHeader(const unsigned char* h, PsdHeader* p) {
    if (std::memcmp(h, "8BPS", 4) != 0 || Be16(h + 4) != 1) return K_ERR_FORMAT;
    p->channels = Be16(h + 12);
    p->height = static_cast<int>(std::min<uint32_t>(Be32(h + 14), 0x7FFFFFFF));
    p->width = static_cast<int>(std::min<uint32_t>(Be32(h + 18), 0x7FFFFFFF));
    p->depth = Be16(h + 22);
    p->mode = Be16(h + 24);
    if (p->mode > 3) return K_ERR_UNSUPPORTED;
    if (p->channels < 1 || p->width < 1 || p->height < 1 || p->width > kMaxSide || p->height > kMaxSide)
        return K_ERR_FORMAT;
    if (p->mode == 0 && p->depth == 1) {
        p->bits = 1;
        p->readChannels = 1;
    } else if ((p->mode == 1 || p->mode == 2) && p->depth == 8) {
        p->bits = 8;
        p->readChannels = 1;
    } else if (p->mode == 3 && p->depth == 8 && p->channels == 3) {
        p->bits = 24;
        p->readChannels = 3;
    } else {
        return K_ERR_UNSUPPORTED;
    }
    return K_OK;
}

// Header, colour-mode data, resources and layers, compression word: leaves
// the position at the image data. -7 short, or ParseHeader's codes.
int ReadHeader(int handle, PsdHeader* p, unsigned char* raw) {
    if (FileRead(handle, raw, kHeaderSize) != kHeaderSize) return K_ERR_READ;
    int r = ParseHeader(raw, p);
    if (r != K_OK) return r;
    long long position = kHeaderSize + static_cast<long long>(Be32(raw + 26));
    for (int section = 0; section < 2; ++section) {
        unsigned char length[4];
        if (position > 0x7FFFFFF0 || FileSeek(handle, static_cast<int>(position), 0) != position) return K_ERR_READ;
        if (FileRead(handle, length, 4) != 4) return K_ERR_READ;
        position += 4 + static_cast<long long>(Be32(length));
    }
    unsigned char compression[2];
    if (position > 0x7FFFFFF0 || FileSeek(handle, static_cast<int>(position), 0) != position) return K_ERR_READ;
    if (FileRead(handle, compression, 2) != 2) return K_ERR_READ;
    p->runLength = Be16(compression) != 0;
    p->dataStart = static_cast<int>(position + 2);
    return K_OK;
}

int ChannelRowBytes(const PsdHeader& p) { return (p.depth * p.width + 7) / 8; }

// PackBits into exactly count bytes spread at a stride; false when the data
// does not make exactly one row.
bool UnpackRow(const unsigned char* in, int length, unsigned char* out, int count, int stride) {
    int i = 0, n = 0;
    while (i < length) {
        int h = in[i++];
        if (h < 128) {
            int run = h + 1;
            if (i + run > length || n + run > count) return false;
            for (int k = 0; k < run; ++k) out[(n++) * stride] = in[i++];
        } else if (h > 128) {
            int run = 257 - h;
            if (i >= length || n + run > count) return false;
            unsigned char v = in[i++];
            for (int k = 0; k < run; ++k) out[(n++) * stride] = v;
        }
        // 128 is PackBits' no-op.
    }
    return n == count;
}

void SetModeColors(BitmapRecord* b, const PsdHeader& p, const unsigned char* planar) {
    switch (p.mode) {
        case 2:
            for (int i = 0; i < 256; ++i) b->ColorTable[i] = RGBQUAD{planar[512 + i], planar[256 + i], planar[i], 0};
            b->Flags |= K_FILE_PALETTE;
            FinishReaderColors(b, 256, 8, 8);
            break;
        case 0:
            b->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
            b->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
            b->Flags |= K_FILE_PALETTE;
            FinishReaderColors(b, 2, 1, 1);
            break;
        case 1:
            for (int i = 0; i < 256; ++i) b->ColorTable[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
            b->Flags |= K_FILE_PALETTE;
            FinishReaderColors(b, 256, 8, 8);
            break;
        default:
            FinishReaderColors(b, 0, 24, 24);
            break;
    }
}

int ReadRows(int handle, const PsdHeader& p, BitmapRecord* b, RowCallback callback, void* userData) {
    const int rowBytes = ChannelRowBytes(p);
    const int stride = p.readChannels;
    GlobalBuffer channelRow(static_cast<size_t>(rowBytes) * 2 + 16);
    GlobalBuffer pixels(static_cast<size_t>(std::max(b->BytesPerLine, rowBytes * stride)) + 16, true);
    if (!channelRow || !pixels) return K_ERR_MEMORY;
    if (p.runLength) {
        // The byte counts of every row of the channels we read.
        const size_t countBytes = static_cast<size_t>(p.readChannels) * p.height * 2;
        GlobalBuffer countBuffer(countBytes);
        if (!countBuffer) return K_ERR_MEMORY;
        const unsigned char* counts = countBuffer.get();
        if (FileSeek(handle, p.dataStart, 0) != p.dataStart) return K_ERR_READ;
        if (FileRead(handle, countBuffer.get(), static_cast<int>(countBytes)) != static_cast<int>(countBytes))
            return K_ERR_READ;
        long long next[3] = {};
        long long at = p.dataStart + static_cast<long long>(p.channels) * p.height * 2;
        for (int c = 0; c < p.readChannels; ++c) {
            next[c] = at;
            for (int y = 0; y < p.height; ++y) at += Be16(&counts[(static_cast<size_t>(c) * p.height + y) * 2]);
        }
        for (int y = 0; y < p.height; ++y) {
            for (int c = 0; c < p.readChannels; ++c) {
                int length = Be16(&counts[(static_cast<size_t>(c) * p.height + y) * 2]);
                if (length > rowBytes * 2 + 16) return 0;
                if (next[c] > 0x7FFFFFFF || FileSeek(handle, static_cast<int>(next[c]), 0) != next[c]) return K_ERR_READ;
                if (FileRead(handle, channelRow.get(), length) != length) return K_ERR_READ;
                next[c] += length;
                if (!UnpackRow(channelRow.get(), length, pixels.get() + c, rowBytes, stride)) return 0;
            }
            int r = callback(b, pixels.get(), 1, userData);
            if (r != K_OK) return r;
        }
    } else {
        for (int y = 0; y < p.height; ++y) {
            for (int c = 0; c < p.readChannels; ++c) {
                long long at = p.dataStart + (static_cast<long long>(c) * p.height + y) * rowBytes;
                if (at > 0x7FFFFFFF || FileSeek(handle, static_cast<int>(at), 0) != at) return K_ERR_READ;
                if (FileRead(handle, channelRow.get(), rowBytes) != rowBytes) return K_ERR_READ;
                for (int x = 0; x < rowBytes; ++x) pixels.get()[x * stride + c] = channelRow.get()[x];
            }
            int r = callback(b, pixels.get(), 1, userData);
            if (r != K_OK) return r;
        }
    }
    return K_OK;
}

}  // namespace

int ReadPSDInfo(int handle, FileInfoRecord* info) {
    PsdHeader p;
    unsigned char raw[kHeaderSize];
    if (FileRead(handle, raw, kHeaderSize) != kHeaderSize) return K_ERR_READ;
    int r = ParseHeader(raw, &p);
    if (r != K_OK) return r;
    info->FormatCode = K_FORMAT_PHOTOSHOP;
    info->Width = p.width;
    info->Height = p.height;
    info->BitsPerPixel = p.bits;
    info->ImageSize = ComputeImageSize(p.width, p.height, p.bits);
    info->ViewPerspective = K_TOP_DOWN;
    info->ColorOrder = K_ORDER_RGB;
    info->PageNumber = 1;
    if (FileSeek(handle, 0, 0) != 0) return K_ERR_READ;
    r = ReadHeader(handle, &p, raw);
    if (r != K_OK) return r;
    if (p.runLength) SetCompressionName(info, "Run Length");
    return 1;
}

int ProbePSD(const ProbeInput& input, FileInfoRecord* info) { return ReadPSDInfo(input.handle, info) == 1 ? 1 : 0; }

int KAPI LoadPSDFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData) {
    if (!IsValidDepth(bitsPerPixel)) return K_ERR_BITS;
    if (!name) return K_ERR_NONAME;
    if (!bitmap) return K_ERR_ARGUMENT;
    CallbackFile file;
    if (!file.OpenForRead(name)) return K_ERR_OPEN;
    PsdHeader p;
    unsigned char raw[kHeaderSize];
    int r = ReadHeader(file.handle(), &p, raw);
    if (r != K_OK) return r == K_ERR_READ ? r : K_ERR_FORMAT;
    ResetStaleBitmapFlags(bitmap);
    if (!(bitmap->Flags & K_ALLOCATED)) {
        r = K_InitBitmap(bitmap, p.width, p.height, p.bits);
        if (r != K_OK) return r;
    } else if (bitmap->Width != p.width || bitmap->Height != p.height || bitmap->BitsPerPixel != p.bits) {
        return K_ERR_FORMAT;
    }
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->ColorOrder = K_ORDER_RGB;
    bitmap->Colors = 0;
    bitmap->FormatCode = K_FORMAT_PHOTOSHOP;
    unsigned char planar[768] = {};
    if (p.mode == 2) {
        if (FileSeek(file.handle(), kHeaderSize, 0) != kHeaderSize) r = K_ERR_SEEK;
        else if (Be32(raw + 26) < 768 || FileRead(file.handle(), planar, 768) != 768) r = K_ERR_READ;
    }
    if (r == K_OK) {
        SetModeColors(bitmap, p, planar);
        r = ReadRows(file.handle(), p, bitmap, callback, userData);
    }
    // The rows have all gone to the callback; the record is released.
    K_FreeBitmap(bitmap);
    return r;
}

// ---- Writing ----

namespace {

// PackBits: runs of three or more equal bytes (at most 127) and literal
// stretches of at most 127.
int PackRow(const unsigned char* in, int count, unsigned char* out) {
    int n = 0, literal = 0;
    auto flush = [&](int end) {
        if (literal == 0) return;
        out[n++] = static_cast<unsigned char>(literal - 1);
        std::memcpy(out + n, in + end - literal, literal);
        n += literal;
        literal = 0;
    };
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && run < 127 && in[i + run] == in[i]) ++run;
        if (run >= 3) {
            flush(i);
            out[n++] = static_cast<unsigned char>(1 - run);
            out[n++] = in[i];
            i += run;
        } else {
            ++i;
            if (++literal == 127) flush(i);
        }
    }
    flush(count);
    return n;
}

bool IsGrayRamp(const BitmapRecord& t) {
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = t.ColorTable[i];
        if (q.rgbRed != i || q.rgbGreen != i || q.rgbBlue != i) return false;
    }
    return true;
}

int ModeOf(const BitmapRecord& target, int bits) {
    if (bits == 1) return 0;
    if (bits == 24) return 3;
    // Greyscale only when index i is grey level i; any other grey table
    // keeps its order as an indexed image.
    return IsGrayRamp(target) ? 1 : 2;
}

}  // namespace

int WritePSDHeader(int handle, const BitmapRecord* bitmap, int bitsPerPixel) {
    const int mode = ModeOf(*bitmap, bitsPerPixel);
    unsigned char h[kHeaderSize] = {};
    std::memcpy(h, "8BPS", 4);
    PutBe16(h + 4, 1);
    PutBe16(h + 12, bitsPerPixel == 24 ? 3 : 1);
    PutBe32(h + 14, static_cast<uint32_t>(bitmap->Height));
    PutBe32(h + 18, static_cast<uint32_t>(bitmap->Width));
    PutBe16(h + 22, bitsPerPixel == 1 ? 1 : 8);
    PutBe16(h + 24, mode);
    PutBe32(h + 26, mode == 2 ? 768 : 0);
    if (FileWrite(handle, h, kHeaderSize) != kHeaderSize) return K_ERR_WRITE;
    if (mode == 2) {
        unsigned char planar[768];
        for (int i = 0; i < 256; ++i) {
            planar[i] = bitmap->ColorTable[i].rgbRed;
            planar[256 + i] = bitmap->ColorTable[i].rgbGreen;
            planar[512 + i] = bitmap->ColorTable[i].rgbBlue;
        }
        if (FileWrite(handle, planar, 768) != 768) return K_ERR_WRITE;
    }
    const unsigned char tail[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    if (FileWrite(handle, tail, 10) != 10) return K_ERR_WRITE;
    return K_OK;
}

int SavePSDFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (bits != 1 && bits != 8 && bits != 24) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    int flags = request.flags;
    if (bits == 24 && source->BitsPerPixel == 24) flags |= kSaveConverting;
    SaveWriter writer(source, bits, flags, request.callback, request.userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    const BitmapRecord& target = writer.Target();
    const int width = source->Width, height = source->Height;
    const int channels = bits == 24 ? 3 : 1;
    const int rowBytes = bits == 1 ? (width + 7) / 8 : width;
    const bool invert = bits == 1 && target.ColorTable[0].rgbRed != 255;
    GlobalBuffer plane(static_cast<size_t>(rowBytes) + 16);
    GlobalBuffer packed(static_cast<size_t>(rowBytes) * 2 + 16);
    if (!plane || !packed) return K_ERR_MEMORY;
    CallbackFile file;
    if (!file.OpenForWrite(request.name)) return K_ERR_CREATE;
    if (WritePSDHeader(file.handle(), &target, bits) != K_OK) return K_ERR_WRITE;

    // The count table is written last, in front of the packed rows.
    const int tableStart = file.Tell();
    const int countBytes = height * channels * 2;
    GlobalBuffer countBuffer(static_cast<size_t>(countBytes), true);
    if (!countBuffer) return K_ERR_MEMORY;
    unsigned char* counts = countBuffer.get();
    if (!file.WriteExact(counts, countBytes)) return K_ERR_WRITE;
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < height; ++i) {
            int row = source->ViewPerspective == K_BOTTOM_UP ? height - 1 - i : i;
            r = writer.GetRow(row);
            if (r != K_OK) return r;
            const unsigned char* data = writer.Row();
            for (int x = 0; x < rowBytes; ++x) {
                unsigned char v = data[x * channels + c];
                plane.get()[x] = invert ? static_cast<unsigned char>(~v) : v;
            }
            int n = PackRow(plane.get(), rowBytes, packed.get());
            if (!file.WriteExact(packed.get(), n)) return K_ERR_WRITE;
            PutBe16(&counts[(static_cast<size_t>(c) * height + i) * 2], n);
        }
    }
    if (!file.SeekTo(tableStart) || !file.WriteExact(counts, countBytes))
        return K_ERR_WRITE;
    return K_OK;
}
