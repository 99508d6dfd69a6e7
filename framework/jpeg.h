// JPEG pictures (JFIF), decoded with libjpeg into a 24-bit bitmap.
#pragma once

#include <cstdio>
#include <memory>

#include "bitmap.h"

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    bool Empty() const override { return bitmap_->Empty(); }
    int Width() const override { return bitmap_->Width(); }
    int Height() const override { return bitmap_->Height(); }
    // A JPEG image is only read: its size follows the file.
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // Raises EInvalidGraphic ("JPEG error #n: text") on a bad or unsupported file.
    void LoadFromFile(const std::string& fileName) override;
    void LoadFromMemory(const void* data, size_t size);
    // Writes the decoded picture at quality 90.
    void SaveToFile(const std::string& fileName) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
    void Draw(TCanvas* canvas, const RECT& rect) override;
    // From another JPEG image or a bitmap.
    void Assign(TPersistent* source) override;

    // The decoded pixels.
    TBitmap* Bitmap() { return bitmap_.get(); }

private:
    void Compress(FILE* out);
    std::unique_ptr<TBitmap> bitmap_;
};
