// A picture of any registered class, chosen by file extension on load.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "graphic.h"

class TBitmap;

using TGraphicFactory = std::function<TGraphic*()>;

class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ~TPicture() override;

  // The picture held, or null.
  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes a copy of the graphic (null clears).
  void SetGraphic(TGraphic* graphic);
  // The picture as a bitmap: a non-bitmap picture is replaced by an empty bitmap.
  TBitmap* Bitmap();
  int Width() const;
  int Height() const;

  // Chooses the class by the extension (case-insensitive); an unknown one
  // raises EInvalidGraphic "Unknown picture file extension (.xxx)".
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  void Assign(TPersistent* source) override;

  TNotifyEvent OnChange;

  // The registry of picture classes by extension (without the dot). The
  // bitmap class serves "bmp" and the JPEG class "jpg" and "jpeg" from the
  // start; a later registration of an extension takes precedence.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 TGraphicFactory factory);
  static TGraphicFactory FindFileFormat(const std::string& extension);
  static std::string FileFormatDescription(const std::string& extension);

 private:
  void Changed(TObject*);
  void Take(TGraphic* graphic);
  std::unique_ptr<TGraphic> graphic_;
};
