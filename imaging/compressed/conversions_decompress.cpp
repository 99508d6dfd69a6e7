// Compressed files (the own format, JFIF, JPEG inside TIFF) to raster
// files: the picture is decoded into a bitmap (grey files at 8 bits, colour
// at 24) and saved by the format's writer, which converts or dithers the
// rows to the depth the type names. K_DecompressALL takes any loadable file.
#include "io/format_codes.h"
#include "volkg.h"

namespace {

struct OutputType {
    int type;
    int format;
    int bitsPerPixel;
};

// The output types of K_DecompressALL.
const OutputType kConversionTypes[] = {
    {0, kFormatTGA, 8},         {1, kFormatTGA, 16},        {2, kFormatTGA, 24},         {3, kFormatTGA, 32},
    {130, kFormatTIFF, 1},      {7, kFormatTIFF, 8},        {16, kFormatTIFF, 16},       {8, kFormatTIFF, 24},
    {131, kFormatTIFFLZW, 1},   {30, kFormatTIFFLZW, 8},    {31, kFormatTIFFLZW, 16},    {32, kFormatTIFFLZW, 24},
    {140, kFormatTIFF3, 1},     {141, kFormatTIFF4, 1},     {142, kFormatTIFF5, 1},      {143, kFormatTIFF6, 1},
    {150, kFormatCALS, 1},      {151, kFormatMacPaint, 1},  {152, kFormatGEM, 1},        {153, kFormatMSP, 1},
    {160, kFormatWPG, 1},       {161, kFormatWPG, 4},       {162, kFormatWPG, 8},        {170, kFormatSunRaster, 1},
    {171, kFormatSunRaster, 4}, {172, kFormatSunRaster, 8}, {173, kFormatSunRaster, 24}, {174, kFormatSunRaster, 32},
    {180, kFormatPICT, 1},      {181, kFormatPICT, 4},      {182, kFormatPICT, 8},       {183, kFormatPICT, 24},
    {132, kFormatBMP, 1},       {4, kFormatBMP, 4},         {5, kFormatBMP, 8},          {24, kFormatBMP, 24},
    {133, kFormatBMPOS2v1, 1},  {104, kFormatBMPOS2v1, 4},  {108, kFormatBMPOS2v1, 8},   {124, kFormatBMPOS2v1, 24},
    {134, kFormatPCX, 1},       {135, kFormatPCX, 4},       {9, kFormatPCX, 8},          {11, kFormatPCX, 24},
    {10, kFormatGIF, 8},        {13, kFormatWMF, 1},        {14, kFormatWMF, 8},         {15, kFormatWMF, 24},
    {12, kFormatEPS, 8},        {190, kFormatBMPOS2v2, 1},  {191, kFormatBMPOS2v2, 4},   {192, kFormatBMPOS2v2, 8},
    {193, kFormatBMPOS2v2, 24},
};

const OutputType* FindOutputType(int type) {
    for (const OutputType& t : kConversionTypes)
        if (t.type == type) return &t;
    return nullptr;
}

// A record freed at the end of the conversion, whatever happened.
struct ScopedRecord {
    BitmapRecord record{};
    ~ScopedRecord() { K_FreeBitmap(&record); }
    BitmapRecord* get() { return &record; }
};

using Saver = int(KAPI*)(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

// Decodes a file of the compressed family and saves it as format at bits,
// or by the format's own save export when one is given.
int DecompressAndSave(const char* source, const char* output, int format, int bits, Saver saver = nullptr) {
    if (!source || !output) return K_ERR_NONAME;
    FileInfoRecord info;
    int r = K_FileInfo(source, &info);
    if (r != K_OK) return r;
    if (info.FormatCode != kFormatCompressed && info.FormatCode != kFormatJPEG && info.FormatCode != kFormatTIFFJPEG)
        return K_ERR_FORMAT;
    ScopedRecord record;
    r = K_DecompressBitmap(source, record.get(), info.BitsPerPixel == 8 ? 8 : 24);
    if (r != K_OK) return r;
    if (saver) return saver(output, record.get(), bits);
    // Colour to 8 bits or less: dithered to the fixed palette of the depth.
    const int flags = record.get()->BitsPerPixel > 8 && bits <= 8 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE;
    return K_SaveFile(output, record.get(), format, bits, 0, flags, nullptr, nullptr);
}

}  // namespace

extern "C" int KAPI K_DecompressTGA(const char* source, const char* output, int type) {
    if (type < 0 || type > 3) return K_ERR_ARGUMENT;
    return DecompressAndSave(source, output, kFormatTGA, FindOutputType(type)->bitsPerPixel);
}

extern "C" int KAPI K_DecompressTIF(const char* source, const char* output, int type) {
    if (type != 7 && type != 8 && type != 16) return K_ERR_ARGUMENT;
    return DecompressAndSave(source, output, kFormatTIFF, FindOutputType(type)->bitsPerPixel);
}

extern "C" int KAPI K_DecompressBMP(const char* source, const char* output, int type) {
    int bits;
    switch (type) {
        case 4:
        case 104:
        case 191:
            bits = 4;
            break;
        case 5:
        case 108:
        case 192:
            bits = 8;
            break;
        case 24:
        case 124:
        case 193:
            bits = 24;
            break;
        default:
            return K_ERR_ARGUMENT;
    }
    // The Windows info header for every type.
    return DecompressAndSave(source, output, kFormatBMP, bits);
}

extern "C" int KAPI K_DecompressGIF(const char* source, const char* output, int) {
    return DecompressAndSave(source, output, kFormatGIF, 8, K_SaveGIFBitmap);
}

extern "C" int KAPI K_DecompressPCX(const char* source, const char* output, int type) {
    return DecompressAndSave(source, output, kFormatPCX, type == 11 ? 24 : 8, K_SavePCXBitmap);
}

extern "C" int KAPI K_DecompressALL(const char* source, const char* output, int type) {
    const OutputType* t = FindOutputType(type);
    if (!t) return K_ERR_ARGUMENT;
    ScopedRecord record;
    int r = K_LoadBitmap(source, record.get(), 0, K_ORDER_BGR);
    if (r != K_OK) return r;
    return K_SaveBitmap(output, record.get(), t->format, t->bitsPerPixel, 0);
}
