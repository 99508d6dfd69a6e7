// The TIFF reader: the page the option block names, its record set-up and
// palette, its rows through the strip decoders; the probe, the one-call
// loader and the comment reader.
#include <algorithm>
#include <cstring>

#include "io/codec_kit.h"
#include "io/options.h"
#include "tiff/strip_codecs.h"
#include "tiff/tiff_codec.h"
#include "tiff/tiff_directory.h"
#include "tiff/tiff_page.h"

namespace {

// Fills the record's colour table: the file's colour map, or a grey ramp
// by the photometric value. The number of colours.
int LoadPalette(TiffSource& source, const TiffDirectory& d, const TiffLayout& l, BitmapRecord* bitmap) {
    const int fileBits = l.pixels == TiffPixels::Expand2 ? 2 : l.bits;
    if (l.bits > 8) return 0;
    const int entries = 1 << fileBits;
    if (d.colorMapCount) {
        // A map longer than the pixels can index has no place in the record.
        const uint32_t third = d.colorMapCount / 3;
        const uint32_t colors = std::min<uint32_t>(third, entries);
        GlobalBuffer map(static_cast<size_t>(d.colorMapCount) * 2);
        if (!map) return K_ERR_MEMORY;
        int r = source.ReadAt(d.colorMapOffset, map.get(), static_cast<size_t>(d.colorMapCount) * 2);
        if (r != K_OK) return r;
        // The high byte of each 16-bit value, the reds, greens and blues
        // each in a third of the map.
        const int hi = d.bigEndian ? 0 : 1;
        uint8_t planes[3 * 256];
        for (uint32_t i = 0; i < colors; ++i)
            for (uint32_t k = 0; k < 3; ++k) planes[k * colors + i] = map.get()[2 * (k * third + i) + hi];
        ColorsFromBytes(bitmap->ColorTable, planes, static_cast<int>(colors), ColorBytes::RGBPlanar);
        bitmap->Flags |= K_FILE_PALETTE;
        return static_cast<int>(colors);
    }
    if (!l.grey) return 0;
    std::fill(bitmap->ColorTable, bitmap->ColorTable + 256, RGBQUAD{});
    FillGreyRamp(bitmap->ColorTable, entries);
    // Photometric 0: white is zero.
    if (d.photometric == 0) std::reverse(bitmap->ColorTable, bitmap->ColorTable + entries);
    bitmap->Flags |= K_FILE_PALETTE | K_GRAY_PALETTE;
    return entries;
}

class SessionTarget : public TiffRowTarget {
public:
    explicit SessionTarget(ReaderSession& session) : session_(session) {}
    unsigned char* RowBuffer() override { return session_.Row(); }
    int Deliver(int y) override { return session_.DeliverRow(y); }

private:
    ReaderSession& session_;
};

// The delivered depth of a page, or the directory's own sum when the
// library does not read its layout.
int PageBits(const TiffDirectory& d, TiffLayout* layout) {
    if (DescribeTiffPage(d, layout) == K_OK) return layout->bits;
    return d.bitsPerSample * d.samplesPerPixel;
}

}  // namespace

int ReadTIFInfo(int handle, FileInfoRecord* info) {
    Source in(handle, 4096);
    TiffSource source(in);
    TiffHeader header;
    if (!ReadTiffHeader(source, &header)) return 0;
    TiffDirectory d;
    const int page = WalkToTiffPage(source, header, CurrentOptions().PageNumber, false, &d);
    if (page < 1) return 0;
    const StripCodec* codec = FindStripCodec(d.compression);
    if (!codec) return 0;
    TiffLayout layout;
    const int bits = PageBits(d, &layout);
    if (d.compression != 1) SetCompressionName(info, codec->name);
    FillFileInfo(info, {.format = codec->formatCode,
                        .width = d.width,
                        .height = d.height,
                        .bitsPerPixel = bits,
                        .viewPerspective = layout.bottomUp ? K_BOTTOM_UP : K_TOP_DOWN,
                        .colorOrder = bits <= 16 ? K_ORDER_BGR : K_ORDER_RGB});
    info->PageNumber = page;
    info->XResolution = static_cast<int>(d.xResolution);
    info->YResolution = static_cast<int>(d.yResolution);
    info->Extra1 = d.grayResponseUnit;
    return 1;
}

int ProbeTIFF(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < 8) return 0;
    const unsigned char* h = input.header;
    if (!((h[0] == 'I' && h[1] == 'I') || (h[0] == 'M' && h[1] == 'M'))) return 0;
    return ReadTIFInfo(input.handle, info);
}

extern "C" int KAPI K_LoadTIFFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;

    // A small buffer: strips and rows of 4 KB or more are read straight
    // into place, directories through the buffer.
    Source in(session.handle(), 4096);
    TiffSource source(in);
    TiffHeader header;
    if (!ReadTiffHeader(source, &header)) return K_ERR_FORMAT;
    TiffDirectory d;
    const int page = WalkToTiffPage(source, header, CurrentOptions().PageNumber, true, &d);
    if (page < 0) return K_ERR_MEMORY;
    if (page == 0) return K_ERR_FORMAT;
    const StripCodec* codec = FindStripCodec(d.compression);
    if (!codec || !codec->create) return K_ERR_TIFFCOMP;
    TiffLayout layout;
    r = DescribeTiffPage(d, &layout);
    if (r != K_OK) return r;
    const int fileOrder = layout.bits <= 16 ? K_ORDER_BGR : K_ORDER_RGB;

    r = session.SetImage(d.width, d.height, layout.bits, fileOrder);
    if (r != K_OK) return r;
    if (d.xResolution > 0) bitmap->XResolution = static_cast<int>(d.xResolution);
    if (d.yResolution > 0) bitmap->YResolution = static_cast<int>(d.yResolution);
    bitmap->ResolutionUnit = d.grayResponseUnit;
    bitmap->ImageOriginX = bitmap->ImageOriginY = 0;
    bitmap->ViewPerspective = layout.bottomUp ? K_BOTTOM_UP : K_TOP_DOWN;
    bitmap->FormatCode = kFormatTIFF;
    if (layout.bits > 8) bitmap->ColorOrder = session.OrderFor(fileOrder);

    const int colors = LoadPalette(source, d, layout, bitmap);
    if (colors < 0) return colors;
    session.FinishColors(colors);
    session.ResetDibHeader();

    r = session.BeginRows(callback, userData);
    if (r != K_OK) return r;
    SessionTarget target(session);
    r = ReadTiffPage(source, d, layout, target);
    if (r != K_OK) return r;
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadTIFBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadTIFFile, K_ORDER_BGR);
}

extern "C" int KAPI K_ReadFileComment(const char* name, unsigned index, void* buffer, unsigned size) {
    if (index > 9) return K_ERR_ARGUMENT;
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r == K_ERR_NONAME ? K_ERR_OPEN : r;
    FileInfoRecord info{};
    if (ReadTIFInfo(file.handle(), &info) != 1 || info.FormatCode != kFormatTIFF) return 0;
    Source in(file.handle(), 4096);
    TiffSource source(in);
    TiffHeader header;
    if (!ReadTiffHeader(source, &header)) return 0;
    TiffDirectory d;
    if (WalkToTiffPage(source, header, CurrentOptions().PageNumber, false, &d) < 1) return 0;
    TiffEntry entry;
    r = FindTiffEntry(source, header.bigEndian, d.position, tiff::kCommentTags[index], &entry);
    if (r != 1) return r;
    if (entry.count > source.size()) return K_ERR_READ;
    if (buffer) {
        r = ReadEntryBytes(source, entry, header.bigEndian, buffer, std::min<uint32_t>(entry.count, size));
        if (r != K_OK) return r;
    }
    return static_cast<int>(entry.count);
}
