// Windows metafiles (the 16-bit kind, plain or with the placeable header),
// made from a file or from bytes and played stretched into a rectangle.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "graphic.h"

class TMetafile : public TGraphic {
public:
    TMetafile() = default;
    ~TMetafile() override;

    bool Empty() const override { return handle_ == nullptr; }
    // The size the picture is drawn at by Draw(x, y): from the placeable
    // header at the screen's resolution, else as set (0 until then).
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    // The metafile in the bytes: a placeable header is optional. The count
    // the metafile header gives is used, so a buffer may be longer; a
    // shorter one, or a header that is not a metafile's, raises EInvalidGraphic.
    void LoadFromBytes(const void* data, size_t size);
    void LoadFromFile(const std::string& fileName) override;
    void SaveToFile(const std::string& fileName) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // The clipboard form of metafiles is not supported: loading raises EInvalidGraphic.
    void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
    // Plays the metafile with its logical extent mapped onto the rectangle.
    void Draw(TCanvas* canvas, const RECT& rect) override;
    void Assign(TPersistent* source) override;

    HMETAFILE Handle() const { return handle_; }
    void Clear();

private:
    HMETAFILE handle_ = nullptr;
    std::vector<unsigned char> bytes_;  // as loaded, placeable header included
    int width_ = 0, height_ = 0;
};
