// The picture class over the imaging library, and the routines that load a
// picture file into a framework bitmap: by extension, through the program's
// own Photoshop reader, through the library into a device bitmap, and
// against the program folder.
#pragma once

#include <string>

#include "graphic.h"
#include "volkg.h"

class TBitmap;

// A picture whose pixels live in a BitmapRecord inside the object; the
// library owns the storage it allocates into it until K_FreeBitmap.
class TKora : public TGraphic {
public:
    BitmapRecord Image;

    TKora();
    ~TKora() override;
    TKora(const TKora&) = delete;
    TKora& operator=(const TKora&) = delete;

    bool Empty() const override { return Image.Width == 0 || Image.Height == 0; }
    int Width() const override { return Image.Width; }
    int Height() const override { return Image.Height; }
    HPALETTE Palette() const override { return Image.PaletteHandle; }
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    // From nothing: an empty record; from another TKora: a copy of its
    // pixels and palettes; any other class: nothing is copied. The old
    // storage is released first.
    void Assign(TPersistent* source) override;
    void Draw(TCanvas* canvas, const RECT& rect) override;
    // The library reads the file at its own depth; a failed load leaves an
    // empty picture.
    void LoadFromFile(const std::string& fileName) override;
    // A BMP file at the record's depth (up to 8 bits) or 24 bits.
    void SaveToFile(const std::string& fileName) override;
    // No stream form.
    void LoadFromStream(TStream*) override {}
    void SaveToStream(TStream*) override {}
    // Through the library's clipboard calls; the arguments are not used.
    void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;

    // The library's code of the last load, copy or clipboard read.
    int LastResult() const { return lastResult_; }

private:
    // Takes the loaded record over, releasing the old storage.
    void Replace(BitmapRecord& loaded);
    int lastResult_ = K_OK;
};

// Registers TKora for pcx, gif, tga, png, psd, eps and tif, and as a
// streamable class. Called once at program start.
void RegisterKoraFormats();

// 1 when the program's own reader or the framework loaded the picture,
// otherwise the library's code (1 success, negative failure). Errors of the
// framework's BMP reader and of the Photoshop reader reach the caller.
int LoadPictureFile(TBitmap& bitmap, const std::string& fileName);
// The name made absolute against the program folder; the result is dropped.
void LoadProgramPicture(TBitmap& bitmap, const std::string& relativeName);
// Loads at the screen's depth into a device bitmap with the picture's
// palette; the library's code, or -1 when the device bitmap could not be made.
int LoadPictureViaLibrary(TBitmap& bitmap, const std::string& fileName);
// 8 bits a channel, RGB or multichannel, into a 32-bit bitmap. Raises
// EInvalidGraphic "Invalid PSD format" for other files; a file it cannot
// read safely leaves the bitmap empty (the library then decides).
void LoadPhotoshopFile(TBitmap& bitmap, const std::string& fileName);
