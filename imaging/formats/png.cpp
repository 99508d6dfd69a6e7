// PNG through libpng: the library's file access and memory under libpng,
// and the mapping between PNG images and bitmap records. libpng reports
// errors by a non-local jump; the frames it jumps across hold only plain C
// state, and everything with a destructor lives in the caller of the frame.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <ctime>

#include "core/memory.h"
#include "io/codec_row.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

const unsigned char kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Depth of the rows we deliver for a colour type and bit depth; 0 when the
// colour type is not PNG's.
int DeliveredBits(int colorType, int bitDepth) {
    switch (colorType) {
        case 0:
            return (bitDepth == 2 || bitDepth == 16) ? 8 : bitDepth;
        case 2:
            return 24;
        case 3:
            return bitDepth == 2 ? 8 : bitDepth;
        case 4:
        case 6:
            return 32;  // grey with alpha is widened to RGBA
        default:
            return 0;
    }
}

// What libpng's callbacks reach: the source or the output, and the jump
// target.
struct PngIo {
    Source* in;
    Output* out;
    std::jmp_buf jump;
};

void ReadData(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (length > 0x7FFFFFFF || io->in->ReadExact(data, static_cast<int>(length)) != K_OK) png_error(png, "short read");
}

void WriteData(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (length > 0x7FFFFFFF || io->out->Write(data, static_cast<int>(length)) != K_OK) png_error(png, "short write");
}

void FlushData(png_structp) {}

[[noreturn]] void ErrorExit(png_structp png, png_const_charp) {
    auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
    std::longjmp(io->jump, 1);
}

void Warning(png_structp, png_const_charp) {}

// No block libpng needs comes near this (rows are at most 64 MB); a chunk
// length from a broken file does, and is refused as a libpng error.
constexpr png_alloc_size_t kMaxBlock = limits::kPngBlock;
// Text and other ancillary chunks beyond this are passed over.
constexpr png_alloc_size_t kMaxAncillaryChunk = limits::kPngAncillaryChunk;

// libpng only warns about an ancillary chunk longer than its limit and then
// asks for all of it. While reading (the read struct's memory pointer is its
// PngIo), such a block that is larger than what is left of the file is
// refused: the chunk cannot be whole, and the read fails as short without
// the memory. A chunk that is really there is still read and passed over.
png_voidp Allocate(png_structp png, png_alloc_size_t size) {
    if (size > kMaxBlock) return nullptr;
    if (size > kMaxAncillaryChunk && ((png_get_io_chunk_type(png) >> 29) & 1)) {
        if (auto* io = static_cast<PngIo*>(png_get_mem_ptr(png))) {
            const int64_t left = io->in->Remaining();
            if (left < 0 || size > static_cast<png_alloc_size_t>(left) + 1) return nullptr;
        }
    }
    return AllocGlobalLocked(size);
}

void Release(png_structp, png_voidp p) {
    if (p) FreeGlobalLocked(p);
}

// Plain state of one read; the frame below may be left by the jump.
struct PngRead {
    PngIo io;
    png_structp png;
    png_infop info;
    BitmapRecord* bitmap;
    RowCallback callback;
    void* userData;
    unsigned char* row;
    unsigned char* block;
    unsigned char** rows;
};

int ReadFrame(PngRead* s) {
    if (setjmp(s->io.jump)) return K_ERR_FORMAT;
    png_structp png = s->png;
    png_infop info = s->info;
    png_set_read_fn(png, &s->io, ReadData);
    png_set_chunk_malloc_max(png, kMaxAncillaryChunk);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    const int bits = DeliveredBits(colorType, bitDepth);
    if (bits == 0 || width == 0 || height == 0 || width > limits::kPngSide || height > limits::kPngSide)
        return K_ERR_FORMAT;
    BitmapRecord* b = s->bitmap;
    if (!(b->Flags & K_ALLOCATED)) {
        int r = K_InitBitmap(b, static_cast<int>(width), static_cast<int>(height), bits);
        if (r != K_OK) return r;
    } else if (b->Width != static_cast<int>(width) || b->Height != static_cast<int>(height) ||
               b->BitsPerPixel != bits) {
        return K_ERR_FORMAT;
    }

    if (bitDepth == 16) {
        png_set_swap(png);
        png_set_strip_16(png);
    }
    if (bitDepth == 2) {
        if (colorType == 0)
            png_set_expand_gray_1_2_4_to_8(png);
        else
            png_set_packing(png);
    }
    if (colorType == 4) png_set_gray_to_rgb(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const size_t bufferBytes = std::max(rowBytes, static_cast<size_t>(b->BytesPerLine)) + 4;

    int colors = 0;
    if (bits <= 8) {
        colors = 1 << bits;
        std::memset(b->ColorTable, 0, sizeof b->ColorTable);
        if (colorType == 0 || colorType == 4) FillGreyRamp(b->ColorTable, colors);
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) && palette)
            ColorsFromBytes(b->ColorTable, reinterpret_cast<const uint8_t*>(palette), std::min(count, colors),
                            ColorBytes::RGB);
        b->Flags |= K_FILE_PALETTE;
    } else {
        b->Flags &= ~K_GRAY_PALETTE;
    }
    b->ViewPerspective = K_TOP_DOWN;
    b->ColorOrder = K_ORDER_RGB;
    b->FormatCode = kFormatPNG;
    b->ImageOriginX = b->ImageOriginY = 0;
    SetReaderColors(b, colors, bits);
    ResetDibHeader(b, bits);

    int result = K_OK;
    if (passes > 1) {
        if (static_cast<unsigned long long>(bufferBytes) * height > 0x7FFFFFFFull) return K_ERR_MEMORY;
        // The whole picture is held: not before the rest of the file could
        // inflate to it.
        const int64_t left = s->io.in->Remaining();
        if (static_cast<unsigned long long>(bufferBytes) * height >
            static_cast<unsigned long long>(left < 0 ? 0 : left) * limits::kDeflateExpansion)
            return K_ERR_FORMAT;
        s->block = static_cast<unsigned char*>(AllocGlobalLockedExt(bufferBytes * height, 1));
        s->rows = static_cast<unsigned char**>(AllocGlobalLocked(sizeof(unsigned char*) * height));
        if (!s->block || !s->rows) return K_ERR_MEMORY;
        for (png_uint_32 y = 0; y < height; ++y) s->rows[y] = s->block + bufferBytes * y;
        png_read_image(png, s->rows);
        for (png_uint_32 y = 0; y < height && result == K_OK; ++y) result = s->callback(b, s->rows[y], 1, s->userData);
    } else {
        s->row = static_cast<unsigned char*>(AllocGlobalLockedExt(bufferBytes, 1));
        if (!s->row) return K_ERR_MEMORY;
        const int stride = b->BytesPerLine;
        for (png_uint_32 y = 0; y < height && result == K_OK; ++y) {
            // Rows the callback would store unchanged are decoded where it
            // stores them (from the second row: the first allocates).
            unsigned char* row =
                rowBytes <= static_cast<size_t>(stride) ? StoredRowsFor(s->callback, s->userData, b, 1) : nullptr;
            if (row) {
                png_read_row(png, row, nullptr);
                std::memset(row + rowBytes, 0, stride - rowBytes);
            } else {
                row = s->row;
                png_read_row(png, row, nullptr);
            }
            result = s->callback(b, row, 1, s->userData);
        }
    }
    if (result == K_OK) png_read_end(png, nullptr);
    return result;
}

// Plain state of one write.
struct PngWrite {
    PngIo io;
    png_structp png;
    png_infop info;
    SaveWriter* writer;
    const BitmapRecord* source;
    int bits;
};

int WriteFrame(PngWrite* s) {
    if (setjmp(s->io.jump)) return K_ERR_WRITE;
    png_structp png = s->png;
    png_infop info = s->info;
    png_set_write_fn(png, &s->io, WriteData, FlushData);
    // Image data in chunks of 256 KB rather than 8 KB: fewer chunk headers
    // and checksums, the same compressed stream.
    png_set_compression_buffer_size(png, 256 * 1024);
    const int width = s->source->Width, height = s->source->Height;
    const bool mapped = s->bits <= 8;
    png_set_IHDR(png, info, width, height, mapped ? s->bits : 8, mapped ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    if (mapped) {
        const int count = 1 << s->bits;
        static_assert(sizeof(png_color) == 3, "png_color is a byte triplet");
        s->writer->ColorTableBytes(reinterpret_cast<uint8_t*>(palette), count, ColorBytes::RGB);
        png_set_PLTE(png, info, palette, count);
    }
    png_write_info(png, info);
    png_set_swap(png);
    png_set_bgr(png);
    for (int y = 0; y < height; ++y) {
        int r = s->writer->RowFromTop(y);
        if (r != K_OK) return r;
        png_write_row(png, s->writer->Row());
    }
    png_time stamp;
    png_convert_from_time_t(&stamp, std::time(nullptr));
    png_set_tIME(png, info, &stamp);
    png_write_end(png, info);
    return K_OK;
}

}  // namespace

int ProbePNG(const ProbeInput& input, FileInfoRecord* info) {
    unsigned char head[33];
    if (input.headerCount < 33) return 0;
    std::memcpy(head, input.header, 33);
    if (std::memcmp(head, kSignature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) return 0;
    int width = static_cast<int>(Be32(head + 16)), height = static_cast<int>(Be32(head + 20));
    int bitDepth = head[24], colorType = head[25], compression = head[26];
    if ((colorType & 3) == 1 || colorType > 6 || compression != 0) return 0;
    int bits = DeliveredBits(colorType, bitDepth);
    if (bits == 0 || width <= 0 || height <= 0) return 0;
    FillFileInfo(info, {.format = kFormatPNG,
                        .width = width,
                        .height = height,
                        .bitsPerPixel = bits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = K_ORDER_RGB,
                        .compression = "ZIPLIB"});
    return 1;
}

int KAPI LoadPNGFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData) {
    const int depth = bitmap ? bitmap->BitsPerPixel : bitsPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return K_ERR_BITS;
    InputFile file;
    int opened = file.Open(name);
    if (opened != K_OK) return opened;
    Source in(file.handle());
    PngRead s{};
    s.io.in = &in;
    s.bitmap = bitmap;
    s.callback = callback;
    s.userData = userData;
    s.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s.io, ErrorExit, Warning, &s.io, Allocate, Release);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    int result = K_ERR_PNG;
    if (s.png && s.info) result = ReadFrame(&s);
    if (s.png) png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
    FreeGlobalLocked(s.row);
    FreeGlobalLocked(s.block);
    FreeGlobalLocked(s.rows);
    return result;
}

int SavePNGFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return K_ERR_BITS;
    int flags = request.flags;
    if (bits == 24) flags |= kSaveStoresBGR;
    Output out;
    int opened = out.Open(request.name);
    if (opened != K_OK) return opened;
    PngWrite s{};
    s.io.out = &out;
    s.source = request.bitmap;
    s.bits = bits;
    s.png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &s.io, ErrorExit, Warning, nullptr, Allocate, Release);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    int result = K_ERR_PNG;
    if (s.png && s.info) {
        SaveWriter writer(request.bitmap, bits, flags, request.callback, request.userData);
        result = writer.Begin();
        if (result == K_OK) {
            s.writer = &writer;
            result = WriteFrame(&s);
        }
    }
    if (s.png) png_destroy_write_struct(&s.png, s.info ? &s.info : nullptr);
    return result == K_OK ? out.Finish() : result;
}

namespace {
const CodecProbe kProbes[] = {{80, true, ProbePNG}};
const LoadEntry kLoads[] = {{kFormatPNG, LoadPNGFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatPNG, SavePNGFile, 0, 0, false}};
}  // namespace

extern const CodecRow kPNGRow = {"PNG", kProbes, {}, kLoads, kSaves, nullptr};
