// Photoshop files: the flattened image in bitmap, greyscale, indexed and
// RGB modes, raw or PackBits-coded, channel after channel.
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kHeaderSize = 30;
constexpr int kMaxSide = limits::kPhotoshopSide;

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
int ReadHeader(Source& in, PsdHeader* p, unsigned char* raw) {
    if (in.ReadExact(raw, kHeaderSize) != K_OK) return K_ERR_READ;
    int r = ParseHeader(raw, p);
    if (r != K_OK) return r;
    long long position = kHeaderSize + static_cast<long long>(Be32(raw + 26));
    for (int section = 0; section < 2; ++section) {
        if (position > 0x7FFFFFF0 || in.SeekTo(static_cast<int>(position)) != K_OK) return K_ERR_READ;
        uint32_t length = in.U32BE();
        if (in.status() != K_OK) return K_ERR_READ;
        position += 4 + static_cast<long long>(length);
    }
    if (position > 0x7FFFFFF0 || in.SeekTo(static_cast<int>(position)) != K_OK) return K_ERR_READ;
    const int compression = in.U16BE();
    if (in.status() != K_OK) return K_ERR_READ;
    p->runLength = compression != 0;
    p->dataStart = static_cast<int>(position + 2);
    return K_OK;
}

int ChannelRowBytes(const PsdHeader& p) { return (p.depth * p.width + 7) / 8; }

void SetModeColors(BitmapRecord* b, const PsdHeader& p, const unsigned char* planar) {
    int colors = 0;
    switch (p.mode) {
        case 2:
            ColorsFromBytes(b->ColorTable, planar, 256, ColorBytes::RGBPlanar);
            colors = 256;
            break;
        case 0:
            b->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
            b->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
            colors = 2;
            break;
        case 1:
            FillGreyRamp(b->ColorTable, 256);
            colors = 256;
            break;
    }
    if (colors) b->Flags |= K_FILE_PALETTE;
    SetReaderColors(b, colors, p.bits);
    ResetDibHeader(b, p.bits);
}

// Quirk: a packed row longer than any row can code, or one that does not
// unpack to exactly one row, ends the load with 0, as the reader always has.
constexpr int kBadPackedRow = 0;

int ReadRows(Source& in, const PsdHeader& p, BitmapRecord* b, RowCallback callback, void* userData) {
    const int rowBytes = ChannelRowBytes(p);
    const int stride = p.readChannels;
    GlobalBuffer channelRow(static_cast<size_t>(rowBytes) * 2 + 16);
    GlobalBuffer pixels(static_cast<size_t>(std::max(b->BytesPerLine, rowBytes * stride)) + 16, true);
    if (!channelRow || !pixels) return K_ERR_MEMORY;
    GlobalBuffer unpacked(p.runLength ? static_cast<size_t>(rowBytes) + 16 : 0);
    if (p.runLength && !unpacked) return K_ERR_MEMORY;
    auto scatter = [&](const unsigned char* from, int c) {
        if (stride == 1)
            std::memcpy(pixels.get(), from, rowBytes);
        else
            for (int x = 0; x < rowBytes; ++x) pixels.get()[x * stride + c] = from[x];
    };
    if (p.runLength) {
        // The byte counts of every row of the channels we read.
        const size_t countBytes = static_cast<size_t>(p.readChannels) * p.height * 2;
        GlobalBuffer countBuffer(countBytes);
        if (!countBuffer) return K_ERR_MEMORY;
        const unsigned char* counts = countBuffer.get();
        if (in.SeekTo(p.dataStart) != K_OK) return K_ERR_READ;
        if (in.ReadExact(countBuffer.get(), static_cast<int>(countBytes)) != K_OK) return K_ERR_READ;
        long long next[3] = {};
        long long at = p.dataStart + static_cast<long long>(p.channels) * p.height * 2;
        for (int c = 0; c < p.readChannels; ++c) {
            next[c] = at;
            for (int y = 0; y < p.height; ++y) at += Be16(&counts[(static_cast<size_t>(c) * p.height + y) * 2]);
        }
        // The rows cannot be longer than the file.
        if (at > in.End()) return K_ERR_READ;
        for (int y = 0; y < p.height; ++y) {
            for (int c = 0; c < p.readChannels; ++c) {
                int length = Be16(&counts[(static_cast<size_t>(c) * p.height + y) * 2]);
                if (length > rowBytes * 2 + 16) return kBadPackedRow;
                if (next[c] > 0x7FFFFFFF || in.SeekTo(static_cast<int>(next[c])) != K_OK) return K_ERR_READ;
                if (in.ReadExact(channelRow.get(), length) != K_OK) return K_ERR_READ;
                next[c] += length;
                int used = 0;
                if (PackBitsDecode(channelRow.get(), length, unpacked.get(), rowBytes, &used) != K_OK || used != length)
                    return kBadPackedRow;
                scatter(unpacked.get(), c);
            }
            int r = callback(b, pixels.get(), 1, userData);
            if (r != K_OK) return r;
        }
    } else {
        const int64_t data = static_cast<int64_t>(p.readChannels) * p.height * rowBytes;
        if (in.SeekTo(p.dataStart) != K_OK || in.Require(data) != K_OK) return K_ERR_READ;
        for (int y = 0; y < p.height; ++y) {
            for (int c = 0; c < p.readChannels; ++c) {
                long long at = p.dataStart + (static_cast<long long>(c) * p.height + y) * rowBytes;
                if (at > 0x7FFFFFFF || in.SeekTo(static_cast<int>(at)) != K_OK) return K_ERR_READ;
                if (in.ReadExact(channelRow.get(), rowBytes) != K_OK) return K_ERR_READ;
                scatter(channelRow.get(), c);
            }
            int r = callback(b, pixels.get(), 1, userData);
            if (r != K_OK) return r;
        }
    }
    return K_OK;
}

}  // namespace

int ReadPSDInfo(int handle, FileInfoRecord* info) {
    Source in(handle, 4096);
    PsdHeader p;
    unsigned char raw[kHeaderSize];
    if (in.ReadExact(raw, kHeaderSize) != K_OK) return K_ERR_READ;
    int r = ParseHeader(raw, &p);
    if (r != K_OK) return r;
    FillFileInfo(info, {.format = kFormatPhotoshop,
                        .width = p.width,
                        .height = p.height,
                        .bitsPerPixel = p.bits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = K_ORDER_RGB});
    info->PageNumber = 1;
    if (in.SeekTo(0) != K_OK) return K_ERR_READ;
    r = ReadHeader(in, &p, raw);
    if (r != K_OK) return r;
    if (p.runLength) SetCompressionName(info, "Run Length");
    return 1;
}

int ProbePSD(const ProbeInput& input, FileInfoRecord* info) { return ReadPSDInfo(input.handle, info) == 1 ? 1 : 0; }

int KAPI LoadPSDFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData) {
    if (!IsValidDepth(bitsPerPixel)) return K_ERR_BITS;
    if (!name) return K_ERR_NONAME;
    if (!bitmap) return K_ERR_ARGUMENT;
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r;
    Source in(file.handle());
    PsdHeader p;
    unsigned char raw[kHeaderSize];
    r = ReadHeader(in, &p, raw);
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
    bitmap->FormatCode = kFormatPhotoshop;
    unsigned char planar[768] = {};
    if (p.mode == 2) {
        if (in.SeekTo(kHeaderSize) != K_OK)
            r = K_ERR_SEEK;
        else if (Be32(raw + 26) < 768 || in.ReadExact(planar, 768) != K_OK)
            r = K_ERR_READ;
    }
    if (r == K_OK) {
        SetModeColors(bitmap, p, planar);
        r = ReadRows(in, p, bitmap, callback, userData);
    }
    // The rows have all gone to the callback; the record is released.
    K_FreeBitmap(bitmap);
    return r;
}

// ---- Writing ----

namespace {

int ModeOf(const BitmapRecord& target, int bits) {
    if (bits == 1) return 0;
    if (bits == 24) return 3;
    // Greyscale only when index i is grey level i; any other grey table
    // keeps its order as an indexed image.
    return IsGreyRamp(target.ColorTable, 256) ? 1 : 2;
}

}  // namespace

void WritePSDHeader(Output& out, const BitmapRecord* bitmap, int bitsPerPixel) {
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
    out.Write(h, kHeaderSize);
    if (mode == 2) {
        unsigned char planar[768];
        ColorsToBytes(planar, bitmap->ColorTable, 256, ColorBytes::RGBPlanar);
        out.Write(planar, 768);
    }
    const unsigned char tail[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    out.Write(tail, 10);
}

int SavePSDFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (bits != 1 && bits != 8 && bits != 24) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    if (source->Width > kMaxSide || source->Height > kMaxSide) return K_ERR_SIZE;
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
    GlobalBuffer packed(static_cast<size_t>(PackBitsBound(rowBytes)) + 16);
    if (!plane || !packed) return K_ERR_MEMORY;
    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    WritePSDHeader(out, &target, bits);

    // The count table is written last, in front of the packed rows.
    const int tableStart = out.Tell();
    const int countBytes = height * channels * 2;
    GlobalBuffer countBuffer(static_cast<size_t>(countBytes), true);
    if (!countBuffer) return K_ERR_MEMORY;
    unsigned char* counts = countBuffer.get();
    out.Write(counts, countBytes);
    for (int c = 0; c < channels; ++c) {
        for (int y = 0; y < height; ++y) {
            if ((r = writer.RowFromTop(y)) != K_OK) return r;
            const unsigned char* data = writer.Row();
            for (int x = 0; x < rowBytes; ++x) {
                unsigned char v = data[x * channels + c];
                plane.get()[x] = invert ? static_cast<unsigned char>(~v) : v;
            }
            int n = PackBitsEncode(plane.get(), rowBytes, packed.get());
            out.Write(packed.get(), n);
            PutBe16(&counts[(static_cast<size_t>(c) * height + y) * 2], n);
        }
    }
    out.SeekTo(tableStart);
    out.Write(counts, countBytes);
    return out.Finish();
}

namespace {
const CodecProbe kProbes[] = {{130, true, ProbePSD}};
const LoadEntry kLoads[] = {{kFormatPhotoshop, LoadPSDFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatPhotoshop, SavePSDFile, 0, 0, false}};
}  // namespace

extern const CodecRow kPhotoshopRow = {"Photoshop", kProbes, {}, kLoads, kSaves, nullptr};
