// CALS raster files: a 1-bit picture behind 2048 bytes of text header,
// read as Group 4 (rtype 1) or Group 3 one-dimensional data, written as
// Group 4.
#include <algorithm>

#include "io/codec_kit.h"
#include "tiff/cals_header.h"
#include "tiff/ccitt_coder.h"
#include "tiff/fax_containers.h"

namespace {

constexpr int kGroup4Type = 1;
// Group 3 data starts with an EOL: eleven or more 0 bits before a 1 bit.
constexpr int kEolZeros = 11;

// Coded bytes from the source's position to the end of the file.
class SourceChunks : public ChunkSource {
public:
    explicit SourceChunks(Source& in) : in_(in) {}
    int Next(const unsigned char** data, size_t* size) override {
        int available;
        const unsigned char* p = in_.Window(&available);
        if (!p) return in_.status() == K_OK ? 0 : in_.status();
        in_.Consume(available);
        *data = p;
        *size = static_cast<size_t>(available);
        return 1;
    }

private:
    Source& in_;
};

// Coded bytes into the output.
class OutputBytes : public ByteSink {
public:
    explicit OutputBytes(Output& out) : out_(out) {}
    int Byte(int value) override { return out_.Byte(value); }

private:
    Output& out_;
};

// True when the data at the source's position begins with an EOL (fill
// zeros before it allowed); the position is kept.
bool StartsWithEol(Source& in) {
    const int at = in.Tell();
    int zeros = 0;
    bool eol = false;
    for (int b; !eol && (b = in.Byte()) >= 0;) {
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

// The coding of a header: Group 4 for rtype 1. Other types are read as
// Group 3 one-dimensional data when the data is that (it starts with an
// EOL); anything else, such as tiled rasters, is refused.
int CodingOf(const CALSHeader& h, Source& in, FaxCoding* coding) {
    if (h.rtype == kGroup4Type) {
        *coding = FaxCoding::Group4;
        return K_OK;
    }
    *coding = FaxCoding::Group3OneD;
    return StartsWithEol(in) ? K_OK : K_ERR_FORMAT;
}

}  // namespace

int ProbeCALS(const ProbeInput& input, FileInfoRecord* info) {
    Source in(input.handle);
    CALSHeader h;
    if (ParseCALSHeader(in, &h) != K_OK) return 0;
    info->FormatCode = kFormatCALS;
    info->Width = h.width;
    info->Height = h.height;
    info->BitsPerPixel = 1;
    info->XResolution = info->YResolution = h.density;
    info->ImageSize = ComputeImageSize(h.width, h.height, 1);
    info->ViewPerspective = K_TOP_DOWN;
    SetCompressionName(info, "CALS Raster");
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
    FaxOptions options;
    if ((r = CodingOf(h, in, &options.coding)) != K_OK) return r;
    options.width = h.width;

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

    FaxDecoder decoder;
    SourceChunks chunks(in);
    if ((r = decoder.Init(options)) != K_OK) return r;
    if ((r = decoder.Start(&chunks)) != K_OK) return r;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;
    for (int y = 0; y < h.height; ++y) {
        if ((r = decoder.DecodeRow(session.Row())) != K_OK) return r;
        if ((r = session.DeliverRow(y)) != K_OK) return r;
    }
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
    SaveWriter writer(source, 1, request.flags, request.callback, request.userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    // Black is coded as 1: a stored colour 0 that is dark is inverted.
    const bool invert = writer.Target().ColorTable[0].rgbRed == 0;
    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    if ((r = WriteCALSHeader(out, writer.Width(), writer.Height(), source->XResolution)) != K_OK) return r;

    OutputBytes sink(out);
    FaxEncoder encoder;
    FaxOptions options;
    options.coding = FaxCoding::Group4;
    options.width = writer.Width();
    if ((r = encoder.Start(options, &sink)) != K_OK) return r;
    const int rowBytes = (writer.Width() + 7) / 8;
    for (int y = 0; y < writer.Height(); ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        unsigned char* row = writer.Row();
        if (invert)
            for (int i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(~row[i]);
        if ((r = encoder.EncodeRow(row)) != K_OK) return r;
    }
    if ((r = encoder.Finish()) != K_OK) return r;
    return out.Finish();
}

extern "C" int KAPI K_SaveCALSBitmap(const char* name, BitmapRecord* bitmap) {
    return K_SaveFile(name, bitmap, kFormatCALS, 1, 0, K_SAVE_FIXED_PALETTE, nullptr, nullptr);
}
