// GIF: the first image of a GIF87a/GIF89a file, interlaced or not, through
// a variable-width LZW decoder; 8-bit images written as single-image GIF89a
// files through a hashing LZW encoder.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "core/memory.h"
#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/gif_lzw_decoder.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kMaxCodes = limits::kLzwCodes;

// Block introducers and the trailer.
constexpr int kExtension = '!';
constexpr int kImageSeparator = ',';
constexpr int kTrailer = ';';
// Packed fields of the screen and image descriptors.
constexpr int kTableFlag = 0x80;       // a (global or local) colour table follows
constexpr int kInterlacedFlag = 0x40;  // image descriptor: rows interlaced
constexpr int kTableFieldMask = 7;     // the table holds 2^(field + 1) entries
constexpr int kResolutionShift = 4;    // colour resolution - 1, in bits 4..6
// What the writer puts there: a global table of 256 entries, 7 bits of
// colour resolution; the image descriptor has no local table.
constexpr int kTableField256 = 7;
constexpr int kWrittenResolution = 6;
constexpr int kMinimumCodeSize = 8;

// Depth of an image whose colour table has 2^(field + 1) entries.
int DepthOfTableField(int field) {
    if (field == 0) return 1;
    return field & 4 ? 8 : 4;
}

// Reads extension blocks after their introducer; returns the first
// introducer that is not an extension's, or -1 when the data ends.
int SkipExtensions(Source& in, int introducer) {
    while (introducer == kExtension) {
        if (in.Byte() < 0) return -1;  // label
        for (;;) {
            int n = in.Byte();
            if (n < 0) return -1;
            if (n == 0) break;
            if (in.Skip(n) != K_OK) return -1;
        }
        introducer = in.Byte();
    }
    return introducer;
}

// The screen descriptor and the image descriptor of the first image, with
// the colour table in use.
struct GifImage {
    int width = 0, height = 0;
    int tableField = 0;
    bool hasTable = false;
    bool interlaced = false;
    int tableEntries = 0;
    unsigned char table[768] = {};
};

int ReadTable(Source& in, GifImage* image, int field, bool keep) {
    const int entries = 1 << (field + 1);
    int r = keep ? in.ReadExact(image->table, entries * 3) : in.Skip(entries * 3);
    if (r != K_OK) return K_ERR_READ;
    image->hasTable = true;
    image->tableEntries = entries;
    return K_OK;
}

// -9 not GIF, -7 short or no image descriptor.
int ReadImageHeader(Source& in, GifImage* image, bool keepTable) {
    unsigned char screen[13];
    if (in.ReadExact(screen, 13, K_ERR_FORMAT) != K_OK || std::memcmp(screen, "GIF", 3) != 0) return K_ERR_FORMAT;
    const int packed = screen[10];
    image->tableField = packed & kTableFieldMask;
    if ((packed & kTableFlag) && ReadTable(in, image, packed & kTableFieldMask, keepTable) != K_OK) return K_ERR_READ;
    if (SkipExtensions(in, in.Byte()) != kImageSeparator) return K_ERR_READ;
    unsigned char desc[9];
    if (in.ReadExact(desc, 9) != K_OK) return K_ERR_READ;
    image->width = Le16(desc + 4);
    image->height = Le16(desc + 6);
    image->interlaced = (desc[8] & kInterlacedFlag) != 0;
    if (desc[8] & kTableFlag) {
        // A local table replaces the global one, and its size sets the depth.
        if (ReadTable(in, image, desc[8] & kTableFieldMask, keepTable) != K_OK) return K_ERR_READ;
        image->tableField = desc[8] & kTableFieldMask;
    }
    return K_OK;
}

}  // namespace

int ProbeGIF(const ProbeInput& input, FileInfoRecord* info) {
    GifImage image;
    Source in(input.handle, 4096);
    if (ReadImageHeader(in, &image, false) != K_OK) return 0;
    if (image.width <= 0 || image.height <= 0) return 0;
    int bits = DepthOfTableField(image.tableField);
    FillFileInfo(info, {.format = kFormatGIF,
                        .width = image.width,
                        .height = image.height,
                        .bitsPerPixel = bits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = K_ORDER_RGB,
                        .compression = "LZW"});
    return 1;
}

extern "C" int KAPI K_LoadGIFFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();

    GifImage image;
    r = ReadImageHeader(in, &image, true);
    if (r != K_OK) return r;
    if (image.width <= 0 || image.height <= 0) return K_ERR_FORMAT;
    const int minimum = in.Byte();
    if (minimum < 0) return K_ERR_READ;
    // Pixel indices are bytes, so codes start at 2 to 9 bits (1 is taken
    // from writers that use it for two-colour pictures).
    if (minimum < 1 || minimum > 8) return K_ERR_FORMAT;
    const int bits = DepthOfTableField(image.tableField);

    r = session.SetImage(image.width, image.height, bits, K_ORDER_RGB);
    if (r != K_OK) return r;
    int colors;
    if (image.hasTable) {
        colors = std::min(image.tableEntries, 256);
        ColorsFromBytes(bitmap->ColorTable, image.table, colors, ColorBytes::RGB);
        bitmap->Flags |= K_FILE_PALETTE;
    } else {
        // No table at all: a grey ramp over the depth's range.
        colors = 1 << bits;
        FillGreyRamp(bitmap->ColorTable, colors);
        bitmap->Flags &= ~K_FILE_PALETTE;
    }
    if (image.interlaced)
        bitmap->Flags |= K_INTERLACED;
    else
        bitmap->Flags &= ~K_INTERLACED;
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->ImageOriginX = bitmap->ImageOriginY = 0;
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->ColorOrder = K_ORDER_RGB;
    bitmap->FormatCode = kFormatGIF;
    // No code stands for more than 4096 pixels, and every code takes more
    // than a byte: a file with less data than that cannot hold the picture.
    if ((r = in.Require(static_cast<int64_t>(image.width) * image.height / limits::kLzwExpansion)) != K_OK) return r;

    r = session.BeginRows(callback, userData);
    if (r != K_OK) return r;
    // At 8 bits the indices are the row: decoded straight into storage
    // where rows are stored unchanged, else into the row buffer.
    const int bytesPerLine = GetBytesPerLine(image.width, 8);
    GlobalBuffer indices(bits == 8 ? 0 : static_cast<size_t>(image.width));
    std::unique_ptr<GifLzwDecoder> decoder(new (std::nothrow) GifLzwDecoder(in, minimum));
    if ((bits != 8 && !indices) || !decoder) return K_ERR_MEMORY;
    for (int y = 0; y < image.height; ++y) {
        unsigned char* stored = bits == 8 && !image.interlaced ? session.StoredRows(1, bytesPerLine) : nullptr;
        if (stored) {
            r = decoder->Decode(stored, image.width);
            if (r != K_OK) return r;
            std::memset(stored + image.width, 0, bytesPerLine - image.width);
            r = session.PassStoredRow(stored);
            if (r != K_OK) return r;
            continue;
        }
        unsigned char* row = session.Row();
        r = decoder->Decode(bits == 8 ? row : indices.get(), image.width);
        if (r != K_OK) return r;
        if (bits != 8) PackIndices(indices.get(), image.width, bits, row);
        r = session.DeliverRow(y);
        // Quirk: for an interlaced picture a row callback may also answer 2
        // to go on, as the GIF reader has always allowed.
        if (r != K_OK && !(image.interlaced && r == 2)) return r;
    }
    return K_OK;
}

// Rows arrive in pass order; the one-call loader places them.
extern "C" int KAPI K_LoadGIFBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadGIFFile, -1);
}

int GifWholeImage(const char* name, BitmapRecord* bitmap) { return K_LoadGIFBitmap(name, bitmap); }

// ---- Writing ----

namespace {

// Data sub-blocks of at most 254 bytes, each behind its length byte.
class SubBlocks {
public:
    explicit SubBlocks(Output& out) : out_(out) {}
    int Byte(int b) {
        packet_[1 + length_++] = static_cast<unsigned char>(b);
        if (length_ == 254) Flush();
        return K_OK;
    }
    void Flush() {
        if (length_ == 0) return;
        packet_[0] = static_cast<unsigned char>(length_);
        out_.Write(packet_, length_ + 1);
        length_ = 0;
    }

private:
    Output& out_;
    unsigned char packet_[256] = {};
    int length_ = 0;
};

// Hashing LZW encoder: 9 to 12-bit codes packed least significant bit
// first into data sub-blocks.
class LzwEncoder {
public:
    explicit LzwEncoder(Output& out) : blocks_(out), bits_(blocks_) { ClearHash(); }

    void Encode(const unsigned char* pixels, int count, bool first) {
        int i = 0;
        if (first) {
            Put(kClear);
            clearFlag_ = false;
            ent_ = pixels[0];
            i = 1;
        }
        for (; i < count; ++i) {
            int c = pixels[i];
            int32_t fcode = (static_cast<int32_t>(c) << 12) + ent_;
            int h = (c << 4) ^ ent_;
            if (htab_[h] == fcode) {
                ent_ = codetab_[h];
                continue;
            }
            if (htab_[h] >= 0) {
                int disp = h == 0 ? 1 : kHashSize - h;
                bool found = false;
                do {
                    h -= disp;
                    if (h < 0) h += kHashSize;
                    if (htab_[h] == fcode) {
                        ent_ = codetab_[h];
                        found = true;
                        break;
                    }
                } while (htab_[h] >= 0);
                if (found) continue;
            }
            Put(ent_);
            ent_ = c;
            if (free_ < kMaxCodes) {
                codetab_[h] = static_cast<uint16_t>(free_++);
                htab_[h] = fcode;
            } else {
                ClearHash();
                free_ = kClear + 2;
                clearFlag_ = true;
                Put(kClear);
            }
        }
    }

    void Finish() {
        Put(ent_);
        Put(kClear + 1);
        bits_.Flush();
        blocks_.Flush();
    }

private:
    static constexpr int kClear = 256;
    static constexpr int kHashSize = 5003;

    void ClearHash() { std::fill(std::begin(htab_), std::end(htab_), -1); }
    void Put(int code) {
        bits_.Put(static_cast<uint32_t>(code), size_);
        if (clearFlag_) {
            size_ = 9;
            maxcode_ = (1 << size_) - 1;
            clearFlag_ = false;
        } else if (free_ > maxcode_ && size_ < 12) {
            ++size_;
            maxcode_ = size_ == 12 ? kMaxCodes : (1 << size_) - 1;
        }
    }

    SubBlocks blocks_;
    BitWriter<false, SubBlocks> bits_;
    int32_t htab_[kHashSize];
    uint16_t codetab_[kHashSize] = {};
    int size_ = 9;
    int maxcode_ = 511;
    int free_ = kClear + 2;
    bool clearFlag_ = true;
    int ent_ = 0;
};

void ScreenSize(int* width, int* height) {
#ifdef _WIN32
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
#else
    *width = *height = 0;  // no display in the native build
#endif
}

}  // namespace

// 8 bits; the screen's sides are 16-bit.
const SaveLimits kLimits = {DepthSet(8), 65535, 65535};

int SaveGIFFile(const SaveRequest& request) {
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    BitmapRecord* source = request.bitmap;
    const int width = source->Width, height = source->Height;
    if ((r = CheckSides(width, height, kLimits)) != K_OK) return r;
    SaveWriter writer(source, 8, request.flags, request.callback, request.userData);
    if ((r = writer.Begin()) != K_OK) return r;
    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    std::unique_ptr<LzwEncoder> encoder(new (std::nothrow) LzwEncoder(out));
    if (!encoder) return K_ERR_MEMORY;

    // The logical screen is the display, widened where the picture is larger.
    int screenW, screenH;
    ScreenSize(&screenW, &screenH);
    screenW = std::clamp(screenW, width, 65535);
    screenH = std::clamp(screenH, height, 65535);
    unsigned char head[13 + 768 + 11];
    std::memcpy(head, "GIF89a", 6);
    PutLe16(head + 6, screenW);
    PutLe16(head + 8, screenH);
    head[10] = kTableFlag | kWrittenResolution << kResolutionShift | kTableField256;
    head[11] = 0;  // background colour index
    head[12] = 0;  // no aspect ratio given
    writer.ColorTableBytes(head + 13, 256, ColorBytes::RGB);
    unsigned char* d = head + 13 + 768;
    d[0] = kImageSeparator;
    PutLe16(d + 1, 0);
    PutLe16(d + 3, 0);
    PutLe16(d + 5, width);
    PutLe16(d + 7, height);
    d[9] = kTableField256;  // with no local table flag: the global table of 256
    d[10] = kMinimumCodeSize;
    out.Write(head, sizeof head);

    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        encoder->Encode(writer.Row(), width, y == 0);
    }
    encoder->Finish();
    const unsigned char tail[2] = {0, kTrailer};
    out.Write(tail, 2);
    return out.Finish();
}

extern "C" int KAPI K_SaveGIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatGIF, bitsPerPixel, 0, K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{70, true, ProbeGIF}};
const LoadEntry kLoads[] = {{kFormatGIF, K_LoadGIFFile, GifWholeImage, false}};
const SaveEntry kSaves[] = {{kFormatGIF, SaveGIFFile, 0, 0, false}};
}  // namespace

extern const CodecRow kGIFRow = {"GIF", kProbes, {}, kLoads, kSaves, &kLimits};
