#include "picture/kora_win32.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "bitmap.h"
#include "graphics.h"
#include "jpeg.h"
#include "picture.h"
#include "picture/picture_route.h"
#include "picture/psd_decode.h"
#include "settings/paths.h"
#include "sysutils.h"

namespace {

void InitEmpty(BitmapRecord& record) {
    std::memset(&record, 0, sizeof record);
    K_InitBitmap(&record, 0, 0, 0);
}

// The palette a record paints with: the fixed one while it is in use.
HPALETTE PaletteInUse(const BitmapRecord& record) {
    if ((record.Flags & K_FIXED_PALETTE_IN_USE) && record.FixedPaletteHandle) return record.FixedPaletteHandle;
    return record.PaletteHandle;
}

}  // namespace

TKora::TKora() {
    K_DefaultDithering(1);
    InitEmpty(Image);
}

TKora::~TKora() { K_FreeBitmap(&Image); }

void TKora::Replace(BitmapRecord& loaded) {
    K_FreeBitmap(&Image);
    std::memcpy(&Image, &loaded, sizeof Image);
}

void TKora::SetWidth(int width) {
    K_SizeBitmap(&Image, width, Image.Height);
    Changed();
}

void TKora::SetHeight(int height) {
    K_SizeBitmap(&Image, Image.Width, height);
    Changed();
}

void TKora::Assign(TPersistent* source) {
    if (source == this) return;
    if (!source) {
        K_FreeBitmap(&Image);
        InitEmpty(Image);
    } else if (auto* other = dynamic_cast<TKora*>(source)) {
        // The copy is built beside the old picture, which is released only
        // when the copy exists.
        BitmapRecord temporary;
        std::memcpy(&temporary, &other->Image, sizeof temporary);
        BitmapRecord copy;
        InitEmpty(copy);
        lastResult_ = K_CopyBitmap(&copy, &temporary);
        if (lastResult_ == K_OK) {
            Replace(copy);
        } else {
            K_FreeBitmap(&copy);
        }
    }
    Changed();
}

void TKora::Draw(TCanvas* canvas, const RECT& rect) {
    HDC dc = canvas->Handle();
    HPALETTE palette = Palette();
    HPALETTE old = palette ? SelectPalette(dc, palette, TRUE) : nullptr;
    if (palette) RealizePalette(dc);
    RECT source{0, 0, Image.Width, Image.Height};
    K_PaintDC(dc, &Image, &source, &source, &rect, &rect, canvas->CopyMode());
    if (old) SelectPalette(dc, old, TRUE);
}

void TKora::LoadFromFile(const std::string& fileName) {
    BitmapRecord loaded;
    InitEmpty(loaded);
    lastResult_ = K_LoadBitmap(fileName.c_str(), &loaded, 0, 1);
    if (lastResult_ == K_OK) {
        Replace(loaded);
    } else {
        K_FreeBitmap(&loaded);
        K_FreeBitmap(&Image);
        InitEmpty(Image);
    }
    Changed();
}

void TKora::SaveToFile(const std::string& fileName) {
    const int bits = Image.BitsPerPixel <= 8 ? Image.BitsPerPixel : 24;
    lastResult_ = K_SaveBitmap(fileName.c_str(), &Image, 6, bits, 0);
}

void TKora::LoadFromClipboardFormat(WORD, HANDLE, HPALETTE) {
    if (!K_ClipboardReady()) return;
    BitmapRecord loaded;
    InitEmpty(loaded);
    lastResult_ = K_CopyFromClipboard(nullptr, &loaded);
    if (lastResult_ == K_OK)
        Replace(loaded);
    else
        K_FreeBitmap(&loaded);
}

void TKora::SaveToClipboardFormat(WORD&, HANDLE&, HPALETTE&) { lastResult_ = K_CopyToClipboard(nullptr, &Image); }

void RegisterKoraFormats() {
    for (const PictureFormatEntry& f : KoraFileFormats)
        TPicture::RegisterFileFormat(f.Extension, f.Description, [] { return static_cast<TGraphic*>(new TKora); });
    TPicture::RegisterGraphicClass<TKora>("TKora");
}

void LoadPhotoshopFile(TBitmap& bitmap, const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError(FormatMessage1("Cannot open file \"%s\"", fileName));
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PsdImage image;
    const PsdResult result = DecodePhotoshop(bytes.data(), bytes.size(), image);
    if (result == PsdResult::Invalid) throw EInvalidGraphic("Invalid PSD format");
    if (result != PsdResult::Ok) {
        bitmap.Clear();
        return;
    }
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(image.Width, image.Height);
    if (bitmap.Empty()) return;
    const std::size_t rowBytes = static_cast<std::size_t>(image.Width) * 4;
    for (int y = 0; y < image.Height; ++y)
        if (void* row = bitmap.ScanLine(y)) std::memcpy(row, &image.Pixels[y * rowBytes], rowBytes);
    bitmap.Changed();
}

int LoadPictureViaLibrary(TBitmap& bitmap, const std::string& fileName) {
    K_DefaultDithering(1);
    BitmapRecord local;
    InitEmpty(local);
    HDC screen = GetDC(nullptr);
    const int depth = LibraryLoadDepth(GetDeviceCaps(screen, BITSPIXEL), GetDeviceCaps(screen, PLANES));
    int result = K_LoadBitmap(fileName.c_str(), &local, depth, 1);
    bitmap.Clear();
    if (result == K_OK) {
        // K_ChangeToDDB frees the record, palettes included: the palette is
        // taken before the change.
        HPALETTE held = PaletteInUse(local);
        HPALETTE palette = held ? K_DupPalette(held) : nullptr;
        if (HBITMAP ddb = K_ChangeToDDB(screen, &local)) {
            bitmap.SetHandle(ddb);
            if (palette) bitmap.SetPalette(palette);
        } else {
            if (palette) DeleteObject(palette);
            result = K_ERR_MEMORY;
        }
    }
    K_FreeBitmap(&local);
    ReleaseDC(nullptr, screen);
    return result;
}

int LoadPictureFile(TBitmap& bitmap, const std::string& fileName) {
    bool loaded = false;
    switch (PictureRouteFor(fileName)) {
        case PictureRoute::Photoshop:
            LoadPhotoshopFile(bitmap, fileName);
            loaded = !bitmap.Empty();
            break;
        case PictureRoute::Jpeg: {
            TJPEGImage jpeg;
            try {
                jpeg.LoadFromFile(fileName);
                loaded = true;
            } catch (const Exception&) {
                loaded = false;
            }
            if (loaded)
                bitmap.Assign(jpeg.Bitmap());
            else
                bitmap.Clear();
            break;
        }
        case PictureRoute::Bitmap:
            bitmap.LoadFromFile(fileName);
            loaded = !bitmap.Empty();
            break;
        case PictureRoute::Library:
            break;
    }
    return loaded ? 1 : LoadPictureViaLibrary(bitmap, fileName);
}

void LoadProgramPicture(TBitmap& bitmap, const std::string& relativeName) {
    LoadPictureFile(bitmap, ResolveProgramPath(relativeName));
}
