// Loading a Windows metafile: GDI plays it into a memory device context
// over a new 24-bit bitmap.
#include <vector>

#include "formats/raster_formats.h"
#include "formats/wmf_metafile.h"
#include "io/codec_kit.h"

extern "C" int KAPI K_LoadWMFBitmap(const char* name, BitmapRecord* bitmap, int boxWidth, int boxHeight) {
    if (!bitmap) return K_ERR_ARGUMENT;
    if (boxWidth == 0 || boxHeight == 0) ScreenSize(&boxWidth, &boxHeight);
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r;
    WmfMeasure measure;
    if ((r = MeasureMetafile(file.handle(), boxWidth, boxHeight, &measure)) != K_OK) return r;
    // Plain and placeable metafiles alike are read through the file-access
    // callbacks (so memory and offset loads draw too) and given to GDI with
    // their exact byte count.
    std::vector<unsigned char> bytes;
    if ((r = ReadMetafileBytes(file.handle(), &bytes)) != K_OK) return r;
    if (measure.width <= 0 || measure.height <= 0) return K_ERR_SIZE;

    if ((r = K_InitBitmap(bitmap, measure.width, measure.height, 24)) != K_OK) return r;
    bitmap->ColorOrder = K_ORDER_BGR;
    bitmap->FormatCode = kFormatWMF;
    if ((r = K_AllocateBitmap(bitmap, K_STORAGE_ANY)) != K_OK) return r;
    HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(bytes.size()), bytes.data());
    if (!metafile) {
        K_FreeBitmap(bitmap);
        return K_ERR_FORMAT;
    }
    HDC dc = K_CreateVolkDC(bitmap);
    if (!dc) {
        DeleteMetaFile(metafile);
        K_FreeBitmap(bitmap);
        return K_ERR_UNSUPPORTED;
    }
    const int width = measure.width, height = measure.height;
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    const WmfMapping map = MappingFor(measure);
    if (map.isotropic) {
        SetMapMode(dc, MM_ISOTROPIC);
        SetWindowOrgEx(dc, map.originX, map.originY, nullptr);
        SetWindowExtEx(dc, map.extentX, map.extentY, nullptr);
    } else {
        SetMapMode(dc, MM_TEXT);
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    PlayMetaFile(dc, metafile);
    DeleteMetaFile(metafile);
    SetMapMode(dc, MM_TEXT);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, width, height, nullptr);
    K_DeleteVolkDC(dc);
    return K_OK;
}

int WmfWholeImage(const char* name, BitmapRecord* bitmap) { return K_LoadWMFBitmap(name, bitmap, 0, 0); }
