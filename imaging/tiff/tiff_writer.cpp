// The TIFF writer: one page, uncompressed, LZW, or 1-bit with modified
// Huffman, Group 3 or Group 4, as a new file or appended to an existing
// one; and the convenience exports over K_SaveFile.
#include <algorithm>
#include <memory>
#include <new>

#include "io/codec_row.h"
#include "io/save_limits.h"
#include "io/codec_kit.h"
#include "fax/ccitt_coder.h"
#include "fax/ccitt_page.h"
#include "tiff/lzw.h"
#include "io/options.h"
#include "tiff/tiff_codec.h"
#include "tiff/tiff_directory.h"
#include "tiff/tiff_directory_writer.h"

namespace {

// Pages: the depths written, sides of any size. Fax pages: 1 bit, as wide
// as the CCITT coder takes.
const SaveLimits kPageLimits = {DepthSet(1, 4, 8, 16, 24)};
const SaveLimits kFaxLimits = {DepthSet(1), ccitt::kMaxWidth};

// Save codes by the index of K_SaveTIFBitmap.
const int kIndexFormats[] = {3, 17, 25, 28, 27, 29};

// The LZW encoder's bytes into the output.
class OutputSink : public ByteSink {
public:
    explicit OutputSink(Output& out) : out_(out) {}
    int Byte(int value) override { return out_.Byte(value); }

private:
    Output& out_;
};

int Photometric(int bits, const RGBQUAD* palette) {
    switch (bits) {
        case 1:
            return palette[0].rgbRed == 0 ? 1 : 0;
        case 24:
            return 2;
        default:
            return 3;
    }
}

int WritePage(const SaveRequest& request) {
    const bool lzw = request.variant == 1;
    // 16-bit pictures are written as 8-bit RGB, which every reader takes.
    const int bits = request.bitsPerPixel == 16 ? 24 : request.bitsPerPixel;
    BitmapRecord* source = request.bitmap;
    int flags = request.flags;
    if (bits == 24 && source->BitsPerPixel == 24) flags |= kSaveConverting;
    SaveWriter writer(source, bits, flags, request.callback, request.userData);
    int r = BeginWithin(writer, kPageLimits);
    if (r != K_OK) return r;
    const int width = source->Width, height = source->Height;

    TiffPageFile file;
    r = file.Open(request.name, request.addPage != 0);
    if (r != K_OK) return r;
    Output& out = file.out();

    // Strips of about 8 KB; an image that fits in one gets a strip per row.
    const uint32_t rowBytes = static_cast<uint32_t>((static_cast<uint64_t>(width) * bits + 7) / 8);
    uint32_t rowsPerStrip = std::max<uint32_t>(8192 / rowBytes, 1);
    uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    if (lzw) {
        rowsPerStrip = static_cast<uint32_t>(height);
        strips = 1;
    } else if (strips == 1) {
        rowsPerStrip = 1;
        strips = static_cast<uint32_t>(height);
    }
    TiffArray counts;
    if (!counts.Allocate(strips)) return K_ERR_MEMORY;
    for (uint32_t i = 0; i < strips; ++i) {
        const uint32_t rows = std::min<uint32_t>(rowsPerStrip, height - i * rowsPerStrip);
        counts.get()[i] = lzw ? 0 : rows * rowBytes;
    }

    const BitmapRecord& target = writer.Target();
    TiffPageSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitsPerPixel = bits;
    spec.compression = lzw ? 5 : 1;
    spec.photometric = Photometric(bits, target.ColorTable);
    spec.palette = bits == 4 || bits == 8 ? target.ColorTable : nullptr;
    spec.stripCount = strips;
    spec.byteCounts = counts.get();
    spec.rowsPerStrip = rowsPerStrip;
    spec.xResolution = target.XResolution;
    spec.yResolution = target.YResolution;
    TiffDirectoryPlace place;
    r = WriteTiffDirectory(out, file.order(), spec, &place);
    if (r != K_OK) return r;

    std::unique_ptr<LzwEncoder> encoder;
    OutputSink sink(out);
    if (lzw) {
        encoder.reset(new (std::nothrow) LzwEncoder);
        if (!encoder) return K_ERR_MEMORY;
        encoder->Start(&sink);
    }
    for (int y = 0; y < height; ++y) {
        r = writer.RowFromTop(y);
        if (r != K_OK) return r;
        if (lzw)
            encoder->Encode(writer.Row(), rowBytes);
        else
            out.Write(writer.Row(), static_cast<int>(rowBytes));
        if (out.status() != K_OK) return out.status();
    }
    if (lzw) {
        encoder->Finish();
        counts.get()[0] = static_cast<uint32_t>(out.Tell()) - place.data;
        r = PatchTiffStrips(out, file.order(), place, counts.get());
        if (r != K_OK) return r;
    }
    return file.Finish();
}

// Variants 3 (modified Huffman: a strip per row), 4 and 5 (Group 3 1-D
// and 2-D) and 6 (Group 4), one strip of every row. White is zero
// (photometric 0): a picture whose colour 0 is dark is inverted.
int WriteFaxTiff(const SaveRequest& request) {
    SaveWriter writer(request.bitmap, 1, request.flags, request.callback, request.userData);
    int r = BeginWithin(writer, kFaxLimits);
    if (r != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    const bool mh = request.variant == 3;

    FaxOptions o;
    o.width = width;
    o.coding = mh                     ? FaxCoding::ModifiedHuffman
               : request.variant == 4 ? FaxCoding::Group3OneD
               : request.variant == 5 ? FaxCoding::Group3TwoD
                                      : FaxCoding::Group4;
    o.reverseBits = !mh && (CurrentOptions().TiffFlags & 1);
    // libtiff ends a Group 3 strip without RTC: the strip's end is the page's.
    o.endOfPage = o.coding == FaxCoding::Group4;

    TiffPageFile file;
    r = file.Open(request.name, request.addPage != 0);
    if (r != K_OK) return r;
    Output& out = file.out();
    TiffArray counts;
    const uint32_t strips = mh ? static_cast<uint32_t>(height) : 1;
    if (!counts.Allocate(strips)) return K_ERR_MEMORY;
    TiffPageSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitsPerPixel = 1;
    spec.compression = mh ? 2 : request.variant == 6 ? 4 : 3;
    spec.photometric = 0;
    spec.stripCount = strips;
    spec.rowsPerStrip = mh ? 1 : static_cast<uint32_t>(height);
    spec.xResolution = writer.Target().XResolution;
    spec.yResolution = writer.Target().YResolution;
    if (!mh) {
        spec.fillOrder = o.reverseBits ? 2 : 1;
        spec.t4Options = request.variant == 5 ? 1 : 0;
    }
    TiffDirectoryPlace place;
    r = WriteTiffDirectory(out, file.order(), spec, &place);
    if (r != K_OK) return r;

    OutputSink sink(out);
    FaxEncoder encoder;
    r = encoder.Start(o, &sink);
    if (r != K_OK) return r;
    const bool invert = Color0IsDark(writer.Target().ColorTable);
    const int rowBytes = (width + 7) / 8;
    uint64_t before = 0;
    for (int y = 0; y < height; ++y) {
        r = writer.RowFromTop(y);
        if (r != K_OK) return r;
        unsigned char* row = writer.Row();
        if (invert)
            for (int i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(~row[i]);
        r = encoder.EncodeRow(row);
        if (r != K_OK) return r;
        if (mh) {
            counts.get()[y] = static_cast<uint32_t>(encoder.bytesWritten() - before);
            before = encoder.bytesWritten();
        }
    }
    r = encoder.Finish();
    if (r != K_OK) return r;
    if (!mh) counts.get()[0] = static_cast<uint32_t>(encoder.bytesWritten());
    r = PatchTiffStrips(out, file.order(), place, counts.get());
    if (r != K_OK) return r;
    return file.Finish();
}

int SaveWith(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int index, bool always) {
    if (index < 0 || index > 5) return K_ERR_ARGUMENT;
    int flags = bitsPerPixel <= 1 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE;
    if (always || CurrentOptions().PageNumber > 1) flags |= K_SAVE_ADD_PAGE;
    return K_SaveFile(name, bitmap, kIndexFormats[index], bitsPerPixel, 0, flags, nullptr, nullptr);
}

}  // namespace

int SaveTIFFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (request.variant >= 3) {
        if (int r = CheckDepth(request, kFaxLimits); r != K_OK) return r;
        // Other variants write nothing.
        if (request.variant > 6) return K_OK;
        return WriteFaxTiff(request);
    }
    if (int r = CheckDepth(request, kPageLimits); r != K_OK) return r;
    return WritePage(request);
}

extern "C" int KAPI K_SaveTIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int index) {
    return SaveWith(name, bitmap, bitsPerPixel, index, false);
}

extern "C" int KAPI K_SaveMultiTIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int index) {
    return SaveWith(name, bitmap, bitsPerPixel, index, true);
}

extern "C" int KAPI K_CompressBitmap1Bit(BitmapRecord* bitmap, const char* name, int format) {
    const int flags = K_SAVE_OPTIMIZED_PALETTE | (CurrentOptions().PageNumber >= 2 ? K_SAVE_ADD_PAGE : 0);
    return K_SaveFile(name, bitmap, format, 1, 0, flags, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{20, true, ProbeTIFF}};
const LoadEntry kLoads[] = {
    {kFormatTIFF, K_LoadTIFFile, nullptr, false},
    {kFormatTIFFLZW, K_LoadTIFFile, nullptr, false},
};
const SaveEntry kSaves[] = {
    {kFormatTIFF, SaveTIFFile, 0, 0, false},  {kFormatTIFFLZW, SaveTIFFile, 1, 0, false},
    {kFormatTIFF3, SaveTIFFile, 3, 0, false}, {kFormatTIFF4, SaveTIFFile, 4, 0, false},
    {kFormatTIFF5, SaveTIFFile, 5, 0, false}, {kFormatTIFF6, SaveTIFFile, 6, 0, false},
};
}  // namespace

extern const CodecRow kTIFFRow = {"TIFF", kProbes, {}, kLoads, kSaves, &kPageLimits};
