// CALS raster files: a 1-bit picture behind 2048 bytes of text header,
// read as Group 4 (rtype 1) or Group 3 one-dimensional data, written as
// Group 4.
#include <cstring>

#include "io/codec_row.h"
#include "io/codec_kit.h"
#include "fax/cals_header.h"
#include "fax/ccitt_coder.h"
#include "fax/ccitt_page.h"
#include "fax/fax_containers.h"

namespace {

constexpr int kGroup4Type = 1;
// Group 3 data starts with an EOL: eleven or more 0 bits before a 1 bit.
constexpr int kEolZeros = 11;

// True when the data at the source's position begins with an EOL (fill
// zeros before it allowed); the position is kept.
bool StartsWithEol(Source& in) {
    const int at = in.Tell();
    int zeros = 0;
    bool eol = false;
    for (int b; (b = in.Byte()) >= 0;) {
        if (b == 0) {
            zeros += 8;
            continue;
        }
        zeros += __builtin_clz(static_cast<unsigned>(b)) - 24;
        eol = zeros >= kEolZeros;
        break;
    }
    return in.SeekTo(at) == K_OK && eol;
}

// The page reader's letter for a header: Group 4 for rtype 1. Other types
// are read as Group 3 one-dimensional data when the data is that (it
// starts with an EOL); anything else, such as tiled rasters, is refused.
int LetterOf(const CALSHeader& h, Source& in, char* letter) {
    if (h.rtype == kGroup4Type) {
        *letter = 'D';
        return K_OK;
    }
    *letter = 'B';
    return StartsWithEol(in) ? K_OK : K_ERR_FORMAT;
}

// The page reader decodes into a record of its own; its rows go on
// through the session, resized or dithered as the caller asked.
struct SessionRows {
    ReaderSession& session;
    int next = 0;
};

int KAPI PassRow(BitmapRecord*, unsigned char* row, int, void* user) {
    auto* rows = static_cast<SessionRows*>(user);
    std::memcpy(rows->session.Row(), row, rows->session.FileRowBytes());
    return rows->session.DeliverRow(rows->next++);
}

}  // namespace

int ProbeCALS(const ProbeInput& input, FileInfoRecord* info) {
    Source in(input.handle);
    CALSHeader h;
    if (ParseCALSHeader(in, &h) != K_OK) return 0;
    FillFileInfo(info, {.format = kFormatCALS,
                        .width = h.width,
                        .height = h.height,
                        .bitsPerPixel = 1,
                        .viewPerspective = K_TOP_DOWN,
                        .compression = "CALS Raster"});
    info->XResolution = info->YResolution = h.density;
    return 1;
}

extern "C" int KAPI K_LoadCALSFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                   void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    CALSHeader h;
    if ((r = ParseCALSHeader(in, &h)) != K_OK) return r;
    if (h.width > ccitt::kMaxWidth) return K_ERR_SIZE;
    if ((r = in.SeekTo(kCalsHeaderBytes)) != K_OK) return r;
    char letter;
    if ((r = LetterOf(h, in, &letter)) != K_OK) return r;

    if ((r = session.SetImage(h.width, h.height, 1, K_ORDER_BGR)) != K_OK) return r;
    bitmap->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
    bitmap->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
    bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(2);
    session.ResetDibHeader();
    bitmap->ImageOriginX = bitmap->ImageOriginY = 0;
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->XResolution = bitmap->YResolution = h.density;
    bitmap->FormatCode = kFormatCALS;

    FaxPageLayout layout;
    layout.letter = letter;
    layout.width = h.width;
    layout.height = h.height;
    layout.dataOffset = kCalsHeaderBytes;
    layout.flags = kFaxPageTopDown;
    BitmapRecord decoded;
    K_InitBitmap(&decoded, h.width, h.height, 1);
    if ((r = session.BeginRows(callback, userData)) == K_OK) {
        SessionRows rows{session};
        r = ReadFaxPage(session.handle(), layout, &decoded, PassRow, 1, &rows);
    }
    K_FreeBitmap(&decoded);
    if (r != K_OK) return r;
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadCALSBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadCALSFile, -1);
}

int SaveCALSFile(const SaveRequest& request) {
    if (request.bitsPerPixel != 1) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    if (source->Width > ccitt::kMaxWidth || source->Width > limits::kCalsWrittenSide ||
        source->Height > limits::kCalsWrittenSide)
        return K_ERR_SIZE;
    Output out;
    int r = out.Open(request.name);
    if (r != K_OK) return r;
    if ((r = WriteCALSHeader(out, source->Width, source->Height, source->XResolution)) != K_OK) return r;
    if ((r = out.Flush()) != K_OK) return r;
    FaxPageRequest page;
    page.handle = out.handle();
    page.source = source;
    page.format = 'D';
    page.saveFlags = request.flags;
    page.callback = request.callback;
    page.userData = request.userData;
    if ((r = WriteFaxPage(page)) != K_OK) return r;
    return out.Finish();
}

extern "C" int KAPI K_SaveCALSBitmap(const char* name, BitmapRecord* bitmap) {
    return K_SaveFile(name, bitmap, kFormatCALS, 1, 0, K_SAVE_FIXED_PALETTE, nullptr, nullptr);
}

namespace {
// Once early, and once more after the header is read again.
const CodecProbe kProbes[] = {{60, true, ProbeCALS}, {150, true, ProbeCALS}};
const LoadEntry kLoads[] = {{kFormatCALS, K_LoadCALSFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatCALS, SaveCALSFile, 0, 0, false}};
}  // namespace

extern const CodecRow kCALSRow = {"CALS", kProbes, {}, kLoads, kSaves, nullptr};
