// GIF: the first image of a GIF87a/GIF89a file, interlaced or not, through
// a variable-width LZW decoder; 8-bit images written as single-image GIF89a
// files through a hashing LZW encoder.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "core/bitmap.h"
#include "core/memory.h"
#include "formats/raster_formats.h"
#include "formats/reader_steps.h"
#include "io/file_callbacks.h"
#include "io/file_info.h"
#include "io/reader_session.h"
#include "io/save_writer.h"

namespace {

constexpr int kMaxCodes = 4096;

// Depth of an image whose colour table has 2^(field + 1) entries.
int DepthOfTableField(int field) {
    if (field == 0) return 1;
    return field & 4 ? 8 : 4;
}

// Reads extension blocks after a '!' introducer; returns the first
// introducer that is not '!', or -1 when the data ends.
int SkipExtensions(int handle, int introducer) {
    unsigned char b;
    while (introducer == '!') {
        if (FileRead(handle, &b, 1) != 1) return -1;  // label
        for (;;) {
            if (FileRead(handle, &b, 1) != 1) return -1;
            if (b == 0) break;
            if (FileSeek(handle, b, 1) < 0) return -1;
        }
        if (FileRead(handle, &b, 1) != 1) return -1;
        introducer = b;
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

// -9 not GIF, -7 short or no image descriptor.
int ReadImageHeader(int handle, GifImage* image, bool keepTable) {
    unsigned char screen[13];
    if (FileRead(handle, screen, 13) != 13 || std::memcmp(screen, "GIF", 3) != 0) return K_ERR_FORMAT;
    int packed = screen[10];
    image->tableField = packed & 7;
    if (packed & 0x80) {
        int entries = 1 << ((packed & 7) + 1);
        if (keepTable) {
            if (FileRead(handle, image->table, entries * 3) != entries * 3) return K_ERR_READ;
        } else if (FileSeek(handle, entries * 3, 1) < 0) {
            return K_ERR_READ;
        }
        image->hasTable = true;
        image->tableEntries = entries;
    }
    unsigned char b;
    if (FileRead(handle, &b, 1) != 1) return K_ERR_READ;
    if (SkipExtensions(handle, b) != ',') return K_ERR_READ;
    unsigned char desc[9];
    if (FileRead(handle, desc, 9) != 9) return K_ERR_READ;
    image->width = Le16(desc + 4);
    image->height = Le16(desc + 6);
    image->interlaced = (desc[8] & 0x40) != 0;
    if (desc[8] & 0x80) {
        // A local table replaces the global one, and its size sets the depth.
        int entries = 1 << ((desc[8] & 7) + 1);
        if (keepTable) {
            if (FileRead(handle, image->table, entries * 3) != entries * 3) return K_ERR_READ;
        } else if (FileSeek(handle, entries * 3, 1) < 0) {
            return K_ERR_READ;
        }
        image->tableField = desc[8] & 7;
        image->hasTable = true;
        image->tableEntries = entries;
    }
    return K_OK;
}

// Variable-width LZW over the data sub-blocks, codes least significant
// bit first.
class LzwDecoder {
public:
    LzwDecoder(ByteInput& in, int minimum) : in_(in), minimum_(minimum), clear_(1 << minimum), end_(clear_ + 1) {
        for (int i = 0; i < clear_; ++i) suffix_[i] = static_cast<unsigned char>(i);
        Reset();
    }
    // The next pixel index, -1 when the data has ended, -77 on a code that
    // cannot occur.
    int Pixel() {
        if (sp_ > 0) return stack_[--sp_];
        for (;;) {
            if (finished_) return -1;
            int code = NextCode();
            if (code < 0 || code == end_) {
                finished_ = true;
                return -1;
            }
            if (code == clear_) {
                Reset();
                continue;
            }
            if (prev_ < 0) {
                if (code >= clear_) return K_ERR_BADCODE;
                prev_ = first_ = code;
                return code;
            }
            if (code > next_) return K_ERR_BADCODE;
            int in = code;
            if (code == next_) {
                if (next_ >= kMaxCodes) return K_ERR_BADCODE;
                stack_[sp_++] = static_cast<unsigned char>(first_);
                code = prev_;
            }
            while (code >= clear_) {
                if (sp_ >= kMaxCodes) return K_ERR_BADCODE;
                stack_[sp_++] = suffix_[code];
                code = prefix_[code];
            }
            first_ = code;
            stack_[sp_++] = static_cast<unsigned char>(first_);
            if (next_ < kMaxCodes) {
                prefix_[next_] = static_cast<uint16_t>(prev_);
                suffix_[next_] = static_cast<unsigned char>(first_);
                ++next_;
                if (next_ >= limit_ && size_ < 12) {
                    ++size_;
                    limit_ <<= 1;
                }
            }
            prev_ = in;
            return stack_[--sp_];
        }
    }

private:
    void Reset() {
        size_ = minimum_ + 1;
        limit_ = 1 << size_;
        next_ = clear_ + 2;
        prev_ = -1;
    }
    int DataByte() {
        if (blockLeft_ == 0) {
            if (dataEnd_) return -1;
            int n = in_.Next();
            if (n <= 0) {
                dataEnd_ = true;
                return -1;
            }
            blockLeft_ = n;
        }
        int b = in_.Next();
        if (b < 0) {
            dataEnd_ = true;
            return -1;
        }
        --blockLeft_;
        return b;
    }
    int NextCode() {
        while (bits_ < size_) {
            int b = DataByte();
            if (b < 0) return -1;
            buffer_ |= static_cast<uint32_t>(b) << bits_;
            bits_ += 8;
        }
        int code = static_cast<int>(buffer_ & ((1u << size_) - 1));
        buffer_ >>= size_;
        bits_ -= size_;
        return code;
    }

    ByteInput& in_;
    const int minimum_, clear_, end_;
    int size_ = 0, limit_ = 0, next_ = 0, prev_ = -1, first_ = 0;
    int sp_ = 0;
    bool finished_ = false, dataEnd_ = false;
    int blockLeft_ = 0;
    uint32_t buffer_ = 0;
    int bits_ = 0;
    uint16_t prefix_[kMaxCodes] = {};
    unsigned char suffix_[kMaxCodes] = {};
    unsigned char stack_[kMaxCodes + 1] = {};
};

// Pixel indices (one byte each) into a row at the file's depth.
void PackRow(const unsigned char* indices, int width, int bits, unsigned char* row) {
    if (bits == 8) {
        std::memcpy(row, indices, width);
    } else if (bits == 4) {
        std::memset(row, 0, (width + 1) / 2);
        for (int x = 0; x < width; ++x)
            row[x >> 1] |= static_cast<unsigned char>(x & 1 ? indices[x] & 15 : (indices[x] & 15) << 4);
    } else {
        std::memset(row, 0, (width + 7) / 8);
        for (int x = 0; x < width; ++x)
            if (indices[x] & 1) row[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
    }
}

// Stored row of the n-th delivered row of an interlaced image: passes start
// at rows 0, 4, 2, 1 and step 8, 8, 4, 2. Every height gets each row once.
int InterlacedRow(int n, int height) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        int rows = kStart[pass] < height ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < rows) return kStart[pass] + n * kStep[pass];
        n -= rows;
    }
    return -1;
}

}  // namespace

int ProbeGIF(const ProbeInput& input, FileInfoRecord* info) {
    GifImage image;
    if (ReadImageHeader(input.handle, &image, false) != K_OK) return 0;
    if (image.width <= 0 || image.height <= 0) return 0;
    int bits = DepthOfTableField(image.tableField);
    info->FormatCode = K_FORMAT_GIF;
    info->Width = image.width;
    info->Height = image.height;
    info->BitsPerPixel = bits;
    info->ViewPerspective = K_TOP_DOWN;
    info->ColorOrder = K_ORDER_RGB;
    info->ImageSize = ComputeImageSize(image.width, image.height, bits);
    SetCompressionName(info, "LZW");
    return 1;
}

extern "C" int KAPI K_LoadGIFFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    if (!IsValidDepth(bitsPerPixel)) return K_ERR_BITS;
    if (!bitmap) return K_ERR_ARGUMENT;
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    const int handle = session.handle();

    GifImage image;
    r = ReadImageHeader(handle, &image, true);
    if (r != K_OK) return r;
    if (image.width <= 0 || image.height <= 0) return K_ERR_FORMAT;
    unsigned char minimum;
    if (FileRead(handle, &minimum, 1) != 1) return K_ERR_READ;
    // Pixel indices are bytes, so codes start at 2 to 9 bits (1 is taken
    // from writers that use it for two-colour pictures).
    if (minimum < 1 || minimum > 8) return K_ERR_FORMAT;
    const int bits = DepthOfTableField(image.tableField);

    r = session.SetImage(image.width, image.height, bits, K_ORDER_RGB);
    if (r != K_OK) return r;
    int colors;
    if (image.hasTable) {
        colors = std::min(image.tableEntries, 256);
        for (int i = 0; i < colors; ++i)
            bitmap->ColorTable[i] = RGBQUAD{image.table[i * 3 + 2], image.table[i * 3 + 1], image.table[i * 3], 0};
        bitmap->Flags |= K_FILE_PALETTE;
    } else {
        // No table at all: a grey ramp over the depth's range.
        colors = 1 << bits;
        for (int i = 0; i < colors; ++i) {
            BYTE v = static_cast<BYTE>(i * 255 / (colors - 1));
            bitmap->ColorTable[i] = RGBQUAD{v, v, v, 0};
        }
        bitmap->Flags &= ~K_FILE_PALETTE;
    }
    if (image.interlaced)
        bitmap->Flags |= K_INTERLACED;
    else
        bitmap->Flags &= ~K_INTERLACED;
    FinishReaderColors(bitmap, colors, bits, bitsPerPixel);
    bitmap->ImageOriginX = bitmap->ImageOriginY = 0;
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->ColorOrder = K_ORDER_RGB;
    bitmap->FormatCode = K_FORMAT_GIF;

    r = session.BeginRows(callback, userData);
    if (r != K_OK) return r;
    const int position = FileSeek(handle, 0, 1);
    ByteInput in(handle, 0x7FFFFFFF, 65536, 4096, 1024);
    GlobalBuffer indices(static_cast<size_t>(image.width) + 4);
    if (!in.ok() || !indices) return K_ERR_MEMORY;
    in.Reset(position);
    std::unique_ptr<LzwDecoder> decoder(new (std::nothrow) LzwDecoder(in, minimum));
    if (!decoder) return K_ERR_MEMORY;
    for (int y = 0; y < image.height; ++y) {
        unsigned char* px = indices.get();
        for (int x = 0; x < image.width; ++x) {
            int v = decoder->Pixel();
            if (v == K_ERR_BADCODE) return K_ERR_BADCODE;
            // Data that ends early leaves the rest of the picture at index 0.
            px[x] = static_cast<unsigned char>(v < 0 ? 0 : v);
        }
        PackRow(px, image.width, bits, session.Row());
        r = session.DeliverRow(y);
        if (r != K_OK && !(image.interlaced && r == 2)) return r;
    }
    return K_OK;
}

namespace {

struct PlaceState {
    int delivered;
};

int KAPI PlaceRow(BitmapRecord* bitmap, unsigned char* rows, int count, void* userData) {
    auto* state = static_cast<PlaceState*>(userData);
    for (int i = 0; i < count; ++i) {
        int n = state->delivered++;
        int row = (bitmap->Flags & K_INTERLACED) ? InterlacedRow(n, bitmap->Height) : n;
        if (row < 0) return K_ERR_SIZE;
        int moved = K_PutBitmapRow(bitmap, rows + i * bitmap->BytesPerLine, row, bitmap->BytesPerLine);
        if (moved < 1) return moved;
    }
    return K_OK;
}

}  // namespace

extern "C" int KAPI K_LoadGIFBitmap(const char* name, BitmapRecord* bitmap) {
    FileInfoRecord info;
    int r = K_FileInfo(name, &info);
    if (r != K_OK) return r;
    int bits = info.BitsPerPixel >= 5 ? 8 : info.BitsPerPixel >= 2 ? 4 : 1;
    r = K_InitBitmap(bitmap, info.Width, info.Height, bits);
    if (r != K_OK) return r;
    r = K_AllocateBitmap(bitmap, K_STORAGE_ANY);
    if (r != K_OK) return r;
    K_AccessBitmap(bitmap);
    bitmap->ColorOrder = -1;
    PlaceState state{0};
    r = K_LoadGIFFile(name, bitmap, PlaceRow, bitmap->BitsPerPixel, &state);
    K_ReleaseBitmap(bitmap);
    if (r != K_OK) K_FreeBitmap(bitmap);
    return r;
}

int GifWholeImage(const char* name, BitmapRecord* bitmap) { return K_LoadGIFBitmap(name, bitmap); }

// ---- Writing ----

namespace {

constexpr int kHashSize = 5003;

// Hashing LZW encoder: 9 to 12-bit codes packed least significant bit
// first into data sub-blocks of at most 254 bytes.
class LzwEncoder {
public:
    explicit LzwEncoder(int handle) : handle_(handle) { ClearHash(); }

    int Encode(const unsigned char* pixels, int count, bool first) {
        int i = 0;
        if (first) {
            Output(kClear);
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
            Output(ent_);
            ent_ = c;
            if (free_ < kMaxCodes) {
                codetab_[h] = static_cast<uint16_t>(free_++);
                htab_[h] = fcode;
            } else {
                ClearHash();
                free_ = kClear + 2;
                clearFlag_ = true;
                Output(kClear);
            }
        }
        return failed_ ? K_ERR_WRITE : K_OK;
    }

    int Finish() {
        Output(ent_);
        Output(kClear + 1);
        while (bits_ > 0) {
            PutByte(static_cast<unsigned char>(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ = bits_ > 8 ? bits_ - 8 : 0;
        }
        Flush();
        return failed_ ? K_ERR_WRITE : K_OK;
    }

private:
    static constexpr int kClear = 256;

    void ClearHash() { std::fill(std::begin(htab_), std::end(htab_), -1); }
    void Output(int code) {
        acc_ |= static_cast<uint32_t>(code) << bits_;
        bits_ += size_;
        while (bits_ >= 8) {
            PutByte(static_cast<unsigned char>(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ -= 8;
        }
        if (clearFlag_) {
            size_ = 9;
            maxcode_ = (1 << size_) - 1;
            clearFlag_ = false;
        } else if (free_ > maxcode_ && size_ < 12) {
            ++size_;
            maxcode_ = size_ == 12 ? kMaxCodes : (1 << size_) - 1;
        }
    }
    void PutByte(unsigned char b) {
        packet_[1 + packetLength_++] = b;
        if (packetLength_ == 254) Flush();
    }
    void Flush() {
        if (packetLength_ == 0) return;
        packet_[0] = static_cast<unsigned char>(packetLength_);
        if (FileWrite(handle_, packet_, packetLength_ + 1) != packetLength_ + 1) failed_ = true;
        packetLength_ = 0;
    }

    int handle_;
    int32_t htab_[kHashSize];
    uint16_t codetab_[kHashSize] = {};
    int size_ = 9;
    int maxcode_ = 511;
    int free_ = kClear + 2;
    bool clearFlag_ = true;
    int ent_ = 0;
    uint32_t acc_ = 0;
    int bits_ = 0;
    unsigned char packet_[256] = {};
    int packetLength_ = 0;
    bool failed_ = false;
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

int SaveGIFFile(const SaveRequest& request) {
    if (request.bitsPerPixel != 8) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    const int width = source->Width, height = source->Height;
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return K_ERR_SIZE;
    SaveWriter writer(source, 8, request.flags, request.callback, request.userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    CallbackFile file;
    if (!file.OpenForWrite(request.name)) return K_ERR_CREATE;
    std::unique_ptr<LzwEncoder> encoder(new (std::nothrow) LzwEncoder(file.handle()));
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
    head[10] = 0xE7;
    head[11] = 0;
    head[12] = 0;
    const BitmapRecord& target = writer.Target();
    for (int i = 0; i < 256; ++i) {
        head[13 + i * 3] = target.ColorTable[i].rgbRed;
        head[14 + i * 3] = target.ColorTable[i].rgbGreen;
        head[15 + i * 3] = target.ColorTable[i].rgbBlue;
    }
    unsigned char* d = head + 13 + 768;
    d[0] = ',';
    PutLe16(d + 1, 0);
    PutLe16(d + 3, 0);
    PutLe16(d + 5, width);
    PutLe16(d + 7, height);
    d[9] = 7;
    d[10] = 8;  // minimum code size
    if (!file.WriteExact(head, sizeof head)) return K_ERR_WRITE;

    for (int i = 0; i < height; ++i) {
        int row = source->ViewPerspective == K_BOTTOM_UP ? height - 1 - i : i;
        r = writer.GetRow(row);
        if (r != K_OK) return r;
        r = encoder->Encode(writer.Row(), width, i == 0);
        if (r != K_OK) return r;
    }
    r = encoder->Finish();
    if (r != K_OK) return r;
    const unsigned char tail[2] = {0, ';'};
    if (!file.WriteExact(tail, 2)) return K_ERR_WRITE;
    return K_OK;
}

extern "C" int KAPI K_SaveGIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, K_FORMAT_GIF, bitsPerPixel, 0, K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}
