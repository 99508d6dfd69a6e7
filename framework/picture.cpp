#include "picture.h"

#include <vector>

#include "bitmap.h"
#include "jpeg.h"

namespace {

struct FileFormat {
  std::string extension;  // lower case, no dot
  std::string description;
  TGraphicFactory factory;
};

std::vector<FileFormat>& Formats() {
  static std::vector<FileFormat> formats = {
      {"bmp", "Bitmaps", [] { return static_cast<TGraphic*>(new TBitmap); }},
      {"jpg", "JPEG Image File", [] { return static_cast<TGraphic*>(new TJPEGImage); }},
      {"jpeg", "JPEG Image File", [] { return static_cast<TGraphic*>(new TJPEGImage); }},
  };
  return formats;
}

std::string Normalise(std::string extension) {
  if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
  return LowerCase(extension);
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicFactory factory) {
  // The latest registration wins, so it goes first.
  auto& formats = Formats();
  formats.insert(formats.begin(), FileFormat{Normalise(extension), description, std::move(factory)});
}

TGraphicFactory TPicture::FindFileFormat(const std::string& extension) {
  std::string wanted = Normalise(extension);
  for (auto& f : Formats())
    if (f.extension == wanted) return f.factory;
  return nullptr;
}

std::string TPicture::FileFormatDescription(const std::string& extension) {
  std::string wanted = Normalise(extension);
  for (auto& f : Formats())
    if (f.extension == wanted) return f.description;
  return std::string();
}

TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::Take(TGraphic* graphic) {
  graphic_.reset(graphic);
  if (graphic_) graphic_->OnChange = [this](TObject* s) { Changed(s); };
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (!graphic) {
    Take(nullptr);
    return;
  }
  if (graphic == graphic_.get()) return;
  TGraphic* copy = nullptr;
  if (dynamic_cast<TBitmap*>(graphic)) copy = new TBitmap;
  else if (dynamic_cast<TJPEGImage*>(graphic)) copy = new TJPEGImage;
  else copy = new TBitmap;  // other classes are kept as their bitmap form
  std::unique_ptr<TGraphic> holder(copy);
  copy->Assign(graphic);
  Take(holder.release());
}

TBitmap* TPicture::Bitmap() {
  auto* b = dynamic_cast<TBitmap*>(graphic_.get());
  if (!b) {
    b = new TBitmap;
    Take(b);
  }
  return b;
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  TGraphicFactory factory = FindFileFormat(ext);
  if (!factory) throw EInvalidGraphic("Unknown picture file extension (" + LowerCase(ext) + ")");
  std::unique_ptr<TGraphic> graphic(factory());
  graphic->LoadFromFile(fileName);
  Take(graphic.release());
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* source) {
  if (!source) return SetGraphic(nullptr);
  if (auto* p = dynamic_cast<TPicture*>(source)) return SetGraphic(p->Graphic());
  if (auto* g = dynamic_cast<TGraphic*>(source)) return SetGraphic(g);
  TPersistent::Assign(source);
}
