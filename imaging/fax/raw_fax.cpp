// Headerless fax files: CCITT data of one page that says nothing about
// itself, described by the application through the load-info callback.
#include <cstring>

#include "core/bitmap.h"
#include "io/codec_row.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"
#include "fax/ccitt_coder.h"
#include "fax/fax_containers.h"

namespace {

LoadInfoCallback g_loadInfo = nullptr;

int FormatOfLetter(unsigned char letter) {
    switch (letter) {
        case 'B':
            return kFormatFaxRaw;
        case 'C':
            return kFormatFaxRaw2;
        case 'D':
            return kFormatFaxRaw3;
        default:
            return 0;
    }
}

// A description the page reader can follow: a size the coder takes and
// whose rows can be stored, one bit per pixel, no negative offset or
// resolution.
bool Describable(const RawFaxInfo& info) {
    return info.Width > 0 && info.Width <= ccitt::kMaxWidth && info.Height > 0 && info.BitsPerPixel == 1 &&
           GetPaddedImageSize(info.Width, info.Height, limits::kRowBits) >= 0 && info.DataOffset >= 0 &&
           info.XResolution >= 0 && info.YResolution >= 0;
}

// Asks the callback about the open file: 1, the callback's result when it
// refuses, -9 when its description is no page we can read.
int Describe(int handle, RawFaxInfo* info) {
    std::memset(info, 0, sizeof *info);
    const int r = g_loadInfo(handle, info);
    if (r != K_OK) return r;
    return Describable(*info) ? K_OK : K_ERR_FORMAT;
}

}  // namespace

extern "C" LoadInfoCallback KAPI K_SetLoadInfoCallback(LoadInfoCallback callback) {
    LoadInfoCallback previous = g_loadInfo;
    g_loadInfo = callback;
    return previous;
}

FaxPageLayout FaxLayoutOf(const RawFaxInfo& info) {
    FaxPageLayout layout;
    layout.letter = static_cast<char>(info.Format);
    layout.width = info.Width;
    layout.height = info.Height;
    layout.xResolution = info.XResolution;
    layout.yResolution = info.YResolution;
    layout.dataOffset = static_cast<uint32_t>(info.DataOffset);
    layout.flags = info.Flags & (kFaxPageTopDown | kFaxPageColor0Black | kFaxPageReversed);
    return layout;
}

int ReadRawFaxInfo(const char* name, FileInfoRecord* info) {
    if (!g_loadInfo) return K_ERR_FORMAT;
    RawFaxInfo fax;
    {
        InputFile file;
        if (file.Open(name) != K_OK) return K_ERR_OPEN;
        const int r = Describe(file.handle(), &fax);
        if (r != K_OK) return r;
    }
    const int code = FormatOfLetter(fax.Format);
    if (!code) return K_ERR_FORMAT;
    FillFileInfo(info, {.format = code,
                        .width = fax.Width,
                        .height = fax.Height,
                        .bitsPerPixel = 1,
                        .viewPerspective = (fax.Flags & K_FAX_TOP_DOWN) ? K_TOP_DOWN : K_BOTTOM_UP,
                        .colorOrder = (fax.Flags & K_FAX_RGB) ? K_ORDER_RGB : K_ORDER_BGR,
                        .compression = code == kFormatFaxRaw3 ? "CCITT Group 4 Fax" : "CCITT Group 3 Fax"});
    info->XResolution = fax.XResolution;
    info->YResolution = fax.YResolution;
    return K_OK;
}

int KAPI LoadRawFaxFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                        void* userData) {
    if (!bitmap) return K_ERR_ARGUMENT;
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r;
    if (!g_loadInfo) return K_ERR_FORMAT;
    RawFaxInfo fax;
    if ((r = Describe(file.handle(), &fax)) != K_OK) return r;
    const int code = FormatOfLetter(fax.Format);
    bitmap->FormatCode = code ? code : kFormatFaxRaw3;
    // Any letter but 'B' and 'C' is read as Group 4.
    return ReadFaxPage(file.handle(), FaxLayoutOf(fax), bitmap, callback, bitsPerPixel, userData);
}

int SaveRawFaxFile(const SaveRequest& request) {
    if (request.bitsPerPixel != 1) return K_ERR_BITS;
    Output out;
    int r = out.Open(request.name);
    if (r != K_OK) return r;
    FaxPageRequest page;
    page.handle = out.handle();
    page.source = request.bitmap;
    page.format = request.formatCode;
    page.saveFlags = request.flags;
    page.callback = request.callback;
    page.userData = request.userData;
    if ((r = WriteFaxPage(page)) != K_OK) return r;
    return out.Finish();
}

namespace {
// Last of all, and only with a load-info callback.
const CodecNameProbe kNameProbes[] = {{20, ReadRawFaxInfo}};
const LoadEntry kLoads[] = {
    {kFormatFaxRaw, LoadRawFaxFile, nullptr, false},
    {kFormatFaxRaw2, LoadRawFaxFile, nullptr, false},
    {kFormatFaxRaw3, LoadRawFaxFile, nullptr, false},
};
const SaveEntry kSaves[] = {
    {kFormatFaxRaw, SaveRawFaxFile, 0, 0, false},
    {kFormatFaxRaw2, SaveRawFaxFile, 0, 0, false},
    {kFormatFaxRaw3, SaveRawFaxFile, 0, 0, false},
};
}  // namespace

extern const CodecRow kFaxRawRow = {"headerless fax", {}, kNameProbes, kLoads, kSaves, nullptr};
