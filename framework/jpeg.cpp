// JPEG pictures through libjpeg. Errors of the decoder unwind by longjmp
// to the call and become EInvalidGraphic there.
#include "jpeg.h"

#include "streams.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
    auto* e = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, e->message);
    std::longjmp(e->jump, 1);
}

void SilentMessage(j_common_ptr) {}

}  // namespace

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadFromFile(const std::string& fileName) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!f) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    std::vector<unsigned char> data;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) data.insert(data.end(), buffer, buffer + got);
    LoadFromMemory(data.data(), data.size());
}

namespace {

// Decodes to top-down RGB rows; false with the library's message and code
// on an error. Kept apart from C++ objects: the error exit unwinds by longjmp.
bool DecompressRgb(const unsigned char* data, size_t size, std::vector<unsigned char>* rgb, int* width, int* height,
                   char* message, int* code) {
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = ErrorExit;
    err.base.output_message = SilentMessage;
    if (setjmp(err.jump)) {
        std::memcpy(message, err.message, JMSG_LENGTH_MAX);
        *code = err.base.msg_code;
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (static_cast<unsigned long long>(info.output_width) * info.output_height > 64ull * 1024 * 1024) {
        std::snprintf(message, JMSG_LENGTH_MAX, "Image too large");
        *code = 0;
        jpeg_destroy_decompress(&info);
        return false;
    }
    *width = static_cast<int>(info.output_width);
    *height = static_cast<int>(info.output_height);
    size_t stride = static_cast<size_t>(*width) * 3;
    rgb->resize(stride * *height);  // before any further jump: a throw here leaves by C++ rules
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb->data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

void TJPEGImage::LoadFromMemory(const void* data, size_t size) {
    if (size == 0) throw EInvalidGraphic("JPEG error #0: Empty input file");
    std::vector<unsigned char> rgb;
    int width = 0, height = 0, code = 0;
    char message[JMSG_LENGTH_MAX] = {};
    if (!DecompressRgb(static_cast<const unsigned char*>(data), size, &rgb, &width, &height, message, &code))
        throw EInvalidGraphic("JPEG error #" + IntToStr(code) + ": " + message);
    bitmap_->Clear();
    bitmap_->SetPixelFormat(pf24bit);
    bitmap_->SetSize(width, height);
    size_t stride = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        auto* out = static_cast<unsigned char*>(bitmap_->ScanLine(y));
        const unsigned char* in = rgb.data() + stride * y;
        for (int x = 0; x < width; ++x) {
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    Changed();
}

namespace {

// Compresses top-down RGB rows; false with the library's message on an error.
// Kept apart from C++ objects: the error exit unwinds by longjmp.
bool CompressRgb(FILE* file, const unsigned char* rgb, int width, int height, char* message) {
    jpeg_compress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = ErrorExit;
    err.base.output_message = SilentMessage;
    if (setjmp(err.jump)) {
        std::memcpy(message, err.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(rgb) + static_cast<size_t>(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

void TJPEGImage::LoadFromStream(TStream* stream) {
    std::vector<unsigned char> bytes = ReadRest(stream);
    LoadFromMemory(bytes.data(), bytes.size());
}

void TJPEGImage::SaveToFile(const std::string& fileName) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "wb"), std::fclose);
    if (!f) throw EFOpenError("Cannot create file \"" + fileName + "\"");
    Compress(f.get());
}

void TJPEGImage::SaveToStream(TStream* stream) {
    // libjpeg writes to a FILE: a temporary one, then its bytes go to the stream.
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::tmpfile(), std::fclose);
    if (!f) throw EWriteError("Stream write error");
    Compress(f.get());
    std::rewind(f.get());
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
        stream->WriteBuffer(buffer, static_cast<int>(got));
}

void TJPEGImage::Compress(FILE* out) {
    if (Empty()) throw EInvalidGraphic("JPEG image is empty");
    TBitmap copy;
    copy.Assign(bitmap_.get());
    copy.SetPixelFormat(pf24bit);
    int width = copy.Width(), height = copy.Height();
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        auto* in = static_cast<unsigned char*>(copy.ScanLine(y));
        unsigned char* out = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    char message[JMSG_LENGTH_MAX] = {};
    if (!CompressRgb(out, rgb.data(), width, height, message))
        throw EInvalidGraphic(std::string("JPEG error: ") + message);
}

void TJPEGImage::LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) {
    bitmap_->LoadFromClipboardFormat(format, data, palette);
    Changed();
}

void TJPEGImage::SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) {
    bitmap_->SaveToClipboardFormat(format, data, palette);
}

void TJPEGImage::Draw(TCanvas* canvas, const RECT& rect) { bitmap_->Draw(canvas, rect); }

void TJPEGImage::Assign(TPersistent* source) {
    if (auto* j = dynamic_cast<TJPEGImage*>(source)) {
        bitmap_->Assign(j->bitmap_.get());
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        bitmap_->Assign(b);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}
