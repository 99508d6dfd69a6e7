// JPEG pictures through libjpeg. Errors of the decoder unwind by longjmp
// to the call and become EInvalidGraphic there.
#include "jpeg.h"

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

void TJPEGImage::LoadFromMemory(const void* data, size_t size) {
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = ErrorExit;
  err.base.output_message = SilentMessage;
  // Everything that must survive the jump lives outside this frame's locals.
  auto pixels = std::make_unique<std::vector<unsigned char>>();
  int width = 0, height = 0;
  if (setjmp(err.jump)) {
    int code = err.base.msg_code;
    jpeg_destroy_decompress(&info);
    throw EInvalidGraphic("JPEG error #" + IntToStr(code) + ": " + err.message);
  }
  jpeg_create_decompress(&info);
  if (size == 0) {
    std::snprintf(err.message, sizeof err.message, "Empty input file");
    err.base.msg_code = 0;
    std::longjmp(err.jump, 1);
  }
  jpeg_mem_src(&info, static_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width);
  height = static_cast<int>(info.output_height);
  if (static_cast<unsigned long long>(width) * height > 64ull * 1024 * 1024) {
    std::snprintf(err.message, sizeof err.message, "Image too large");
    err.base.msg_code = 0;
    std::longjmp(err.jump, 1);
  }
  size_t stride = static_cast<size_t>(width) * 3;
  pixels->resize(stride * height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels->data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);

  bitmap_->Clear();
  bitmap_->SetPixelFormat(pf24bit);
  bitmap_->SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    auto* out = static_cast<unsigned char*>(bitmap_->ScanLine(y));
    const unsigned char* in = pixels->data() + stride * y;
    for (int x = 0; x < width; ++x) {
      out[x * 3] = in[x * 3 + 2];
      out[x * 3 + 1] = in[x * 3 + 1];
      out[x * 3 + 2] = in[x * 3];
    }
  }
  Changed();
}

void TJPEGImage::SaveToFile(const std::string& fileName) {
  if (Empty()) throw EInvalidGraphic("JPEG image is empty");
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "wb"), std::fclose);
  if (!f) throw EFOpenError("Cannot create file \"" + fileName + "\"");
  TBitmap rgb;
  rgb.Assign(bitmap_.get());
  rgb.SetPixelFormat(pf24bit);
  int width = rgb.Width(), height = rgb.Height();
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  jpeg_compress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = ErrorExit;
  err.base.output_message = SilentMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    throw EInvalidGraphic(std::string("JPEG error: ") + err.message);
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f.get());
  info.image_width = width;
  info.image_height = height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < height; ++y) {
    auto* in = static_cast<unsigned char*>(rgb.ScanLine(y));
    for (int x = 0; x < width; ++x) {
      row[x * 3] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3];
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
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
