// Encapsulated PostScript: the raster image of a PostScript text (code 16),
// given to `image` or `colorimage` as hexadecimal data, and the TIFF preview
// of a binary-headed file (code 63), read by the TIFF reader. Written as
// 8-bit grey with `image`.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/eps_program.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"
#include "tiff/tiff_codec.h"

namespace {

constexpr int kBinaryHeader = 30;
constexpr uint32_t kBinaryKey = 0xC6D3D0C5;

// The TIFF section of a binary header; false without the key or a section
// inside the file.
bool TiffSection(const unsigned char* h, int64_t fileLength, int* offset, int* length) {
    if (static_cast<uint32_t>(Le32(h)) != kBinaryKey) return false;
    const uint32_t start = static_cast<uint32_t>(Le32(h + 20));
    const uint32_t size = static_cast<uint32_t>(Le32(h + 24));
    if (start == 0) return false;
    // A window must lie inside the file: the TIFF reader trusts its end.
    if (start < kBinaryHeader || size == 0 || int64_t(start) + size > fileLength) return false;
    *offset = static_cast<int>(start);
    *length = static_cast<int>(size);
    return true;
}

// The sub-file window over the preview, closed on every path.
struct PreviewWindow {
    PreviewWindow(int handle, int offset, int length) {
        BeginSubFileWindow(length, handle, offset);
        FileSeek(handle, 0, 0);
    }
    ~PreviewWindow() { EndSubFileWindow(); }
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;
};

// The binary header: 1 with the section found, 0 when the file has none.
int ReadBinaryHeader(int handle, int* offset, int* length) {
    FileSeek(handle, 0, 0);
    Source in(handle, 1024);
    unsigned char h[kBinaryHeader];
    if (in.ReadExact(h, kBinaryHeader) != K_OK) return 0;
    return TiffSection(h, in.End(), offset, length) ? 1 : 0;
}

int ImageBits(const PsImage& image) {
    // CMYK is delivered as RGB.
    return image.components == 1 ? image.bitsPerComponent : 24;
}

// Plain text from its start: 1 with the image found, else 0.
int ReadPlainInfo(int handle, PsImage* image) {
    FileSeek(handle, 0, 0);
    Source in(handle, 4096);
    unsigned char magic[4];
    if (in.ReadExact(magic, 4) != K_OK || std::memcmp(magic, "%!PS", 4) != 0) return 0;
    return FindPsImage(in, image) ? 1 : 0;
}

// CMYK bytes to RGB, as PostScript's DeviceCMYK maps them without a profile.
void CmykToRgb(const unsigned char* in, unsigned char* out, int width) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        const int k = in[3];
        out[0] = static_cast<unsigned char>(255 - std::min(255, in[0] + k));
        out[1] = static_cast<unsigned char>(255 - std::min(255, in[1] + k));
        out[2] = static_cast<unsigned char>(255 - std::min(255, in[2] + k));
    }
}

// One component's rows of a planar image interleaved into pixels.
void Interleave(const unsigned char* planes, unsigned char* out, int width, int components) {
    for (int c = 0; c < components; ++c)
        for (int x = 0; x < width; ++x) out[x * components + c] = planes[c * width + x];
}

int LoadPreview(const char* name, int handle, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                void* userData) {
    int offset = 0, length = 0;
    if (!ReadBinaryHeader(handle, &offset, &length)) return 0;
    PreviewWindow window(handle, offset, length);
    return K_LoadTIFFile(name, bitmap, callback, bitsPerPixel, userData);
}

}  // namespace

int ReadEPSInfo(int handle, FileInfoRecord* info) {
    int offset = 0, length = 0;
    if (ReadBinaryHeader(handle, &offset, &length)) {
        PreviewWindow window(handle, offset, length);
        if (ReadTIFInfo(handle, info) != 1) return 0;
        info->FormatCode = kFormatEPSTIFF;
        return 1;
    }
    PsImage image;
    if (!ReadPlainInfo(handle, &image)) return 0;
    const int bits = ImageBits(image);
    FillFileInfo(info, {.format = kFormatEPS,
                        .width = image.width,
                        .height = image.height,
                        .bitsPerPixel = bits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = K_ORDER_RGB,
                        .compression = "None"});
    return 1;
}

int ProbeEPS(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < 4) return 0;
    const unsigned char* h = input.header;
    if (std::memcmp(h, "%!PS", 4) != 0 && static_cast<uint32_t>(Le32(h)) != kBinaryKey) return 0;
    return ReadEPSInfo(input.handle, info);
}

extern "C" int KAPI K_LoadEPSFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    const int handle = session.handle();
    {
        int offset = 0, length = 0;
        if (ReadBinaryHeader(handle, &offset, &length))
            return LoadPreview(name, handle, bitmap, callback, bitsPerPixel, userData);
    }
    PsImage image;
    if (!ReadPlainInfo(handle, &image)) return K_ERR_FORMAT;
    const int bits = ImageBits(image);
    if ((r = session.SetImage(image.width, image.height, bits, K_ORDER_RGB)) != K_OK) return r;
    int colors = 0;
    if (bits <= 8) {
        colors = 1 << bits;
        FillGreyRamp(bitmap->ColorTable, colors);  // black first: sample 0 is black
        bitmap->Flags |= K_FILE_PALETTE;
    }
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatEPS;

    Source& in = session.source();
    if ((r = in.SeekTo(image.dataOffset)) != K_OK) return r;
    const int64_t rowBytes = PsRowBytes(image);
    // Two digits a byte: a file too short for its rows gets no storage.
    if ((r = in.Require(2 * rowBytes * image.height)) != K_OK) return r;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;

    // Rows that are not stored as they are delivered go through a file row.
    const bool direct = image.components != 4 && !image.planar;
    GlobalBuffer fileRow(direct ? 0 : static_cast<size_t>(rowBytes) + 16);
    if (!direct && !fileRow) return K_ERR_MEMORY;
    GlobalBuffer pixels(image.components == 4 && image.planar ? static_cast<size_t>(rowBytes) + 16 : 0);
    if (image.components == 4 && image.planar && !pixels) return K_ERR_MEMORY;
    HexDecoder hex(in);
    const int count = static_cast<int>(rowBytes);
    for (int y = 0; y < image.height; ++y) {
        unsigned char* row = session.Row();
        if (direct) {
            if ((r = hex.Decode(row, count)) != K_OK) return r;
        } else {
            if ((r = hex.Decode(fileRow.get(), count)) != K_OK) return r;
            const unsigned char* interleaved = fileRow.get();
            if (image.planar) {
                unsigned char* out = image.components == 4 ? pixels.get() : row;
                Interleave(fileRow.get(), out, image.width, image.components);
                interleaved = out;
            }
            if (image.components == 4) CmykToRgb(interleaved, row, image.width);
        }
        if ((r = session.DeliverRow(y)) != K_OK) return r;
    }
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadEPSBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadEPSFile, -1);
}

namespace {

// A length in points, 1.25 of the pixels: exact (two decimals at most).
std::string Points(int pixels) {
    const int64_t hundredths = int64_t(pixels) * 125;
    char text[32];
    if (hundredths % 100 == 0)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(hundredths / 100));
    else
        std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(hundredths / 100),
                      static_cast<long long>(hundredths % 100));
    return text;
}

int WriteLine(Output& out, const char* text) { return out.Write(text, static_cast<int>(std::strlen(text))); }

}  // namespace

// 8-bit grey.
const SaveLimits kLimits = {DepthSet(8)};

int SaveEPSFile(const SaveRequest& request) {
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    SaveWriter writer(request.bitmap, 8, request.flags | kSaveGrayTarget, request.callback, request.userData);
    if ((r = BeginWithin(writer, kLimits)) != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;

    // The page is 1.25 points a pixel. The scale is written exactly, so that
    // a renderer at 57.6 dots an inch (or a multiple) draws whole pixels, and
    // the integer box is rounded up around it (its precise size follows).
    const std::string pw = Points(width), ph = Points(height);
    const int64_t boxWidth = (int64_t(width) * 125 + 99) / 100, boxHeight = (int64_t(height) * 125 + 99) / 100;
    char text[256];
    WriteLine(out, "%!PS-Adobe-3.0 EPSF-3.0\r\n");
    std::snprintf(text, sizeof text, "%%%%TemplateBox:0 0 %d %d\r\n", width, height);
    WriteLine(out, text);
    std::snprintf(text, sizeof text, "%%%%BoundingBox: 0 0 %lld %lld\r\n", static_cast<long long>(boxWidth),
                  static_cast<long long>(boxHeight));
    WriteLine(out, text);
    std::snprintf(text, sizeof text, "%%%%HiResBoundingBox: 0 0 %s %s\r\n", pw.c_str(), ph.c_str());
    WriteLine(out, text);
    WriteLine(out, "%%PageOrigin:0 0\r\n");
    std::snprintf(text, sizeof text, "/width %d def\r\n/height %d def\r\n/pixwidth %s def\r\n/pixheight %s def\r\n",
                  width, height, pw.c_str(), ph.c_str());
    WriteLine(out, text);
    WriteLine(out,
              "/picstr width string def\r\n/dopic {\r\ngsave\r\nwidth height 8\r\n[width 0 0 height neg 0 height]\r\n"
              "{currentfile picstr readhexstring pop}\r\nimage\r\ngrestore\r\n} def\r\npixwidth pixheight scale\r\n"
              "dopic\r\n");

    // Two upper-case digits a byte, a line end after every 120 digits and
    // at the end of each row.
    static const char kDigits[] = "0123456789ABCDEF";
    GlobalBuffer line(static_cast<size_t>(width) * 2 + static_cast<size_t>(width) / 60 * 2 + 8);
    if (!line) return K_ERR_MEMORY;
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        const unsigned char* row = writer.Row();
        unsigned char* p = line.get();
        for (int x = 0; x < width; ++x) {
            *p++ = kDigits[row[x] >> 4];
            *p++ = kDigits[row[x] & 15];
            if ((x + 1) % 60 == 0) {
                *p++ = '\r';
                *p++ = '\n';
            }
        }
        *p++ = '\r';
        *p++ = '\n';
        out.Write(line.get(), static_cast<int>(p - line.get()));
    }
    WriteLine(out, "%%Trailer\r\nshowpage\r\n");
    return out.Finish();
}

extern "C" int KAPI K_SaveEPSBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatEPS, bitsPerPixel, 0, K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{110, true, ProbeEPS}};
const LoadEntry kLoads[] = {
    {kFormatEPS, K_LoadEPSFile, nullptr, false},
    {kFormatEPSTIFF, K_LoadEPSFile, nullptr, false},  // with a TIFF preview
};
const SaveEntry kSaves[] = {{kFormatEPS, SaveEPSFile, 0, 0, false}};
}  // namespace

extern const CodecRow kEPSRow = {"EPS", kProbes, {}, kLoads, kSaves, &kLimits};
