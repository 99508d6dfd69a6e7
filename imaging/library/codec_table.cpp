// The load and save tables by format code. A codec joins by filling in its
// entries here; null entries answer -16.
#include <iterator>

#include "formats/raster_formats.h"
#include "io/codecs.h"
#include "compressed/compressed_file_writer.h"
#include "io/format_codes.h"
#include "fax/bilevel_codec.h"
#include "fax/fax_containers.h"
#include "tiff/tiff_codec.h"

namespace {

const LoadEntry kLoadTable[] = {
    {kFormatPCX, K_LoadPCXFile, nullptr, false},       // PCX, DCX
    {kFormatGIF, K_LoadGIFFile, GifWholeImage, false}, // GIF
    {kFormatTIFF, K_LoadTIFFile, nullptr, false},             // TIFF
    {kFormatTGA, K_LoadTGAFile, nullptr, false},       // TGA
    {kFormatCompressed, nullptr, nullptr, true},              // compressed format
    {kFormatBMP, K_LoadBMPFile, nullptr, false},       // BMP, Windows
    {kFormatJPEG, nullptr, nullptr, true},             // JPEG
    {kFormatTIFFJPEG, nullptr, nullptr, true},             // TIFF with JPEG compression
    {kFormatBMPOS2v1, K_LoadBMPFile, nullptr, false},      // BMP, OS/2 1.x
    #ifdef _WIN32
    {kFormatWMF, nullptr, WmfWholeImage, false},      // metafile: drawn by GDI
#else
    {kFormatWMF, nullptr, nullptr, false},            // metafile: no GDI natively
#endif
    {kFormatEPS, K_LoadEPSFile, nullptr, false},      // EPS
    {kFormatTIFFLZW, K_LoadTIFFile, nullptr, false},            // TIFF, LZW
    {kFormatBilevel, nullptr, nullptr, true},             // 1-bit adaptive format
    {kFormatDataStream, nullptr, nullptr, false},         // stream: only through K_StartDecompressData
    {kFormatCALS, K_LoadCALSFile, nullptr, false},     // CALS
    {kFormatMacPaint, K_LoadMACFile, nullptr, false},      // MacPaint
    {kFormatGEM, K_LoadIMGFile, nullptr, false},        // GEM IMG
    {kFormatMSP, K_LoadMSPFile, nullptr, false},        // MSP
    {kFormatWPG, K_LoadWPGFile, nullptr, false},        // WPG
    {kFormatSunRaster, K_LoadRASFile, nullptr, false},      // Sun raster
    {kFormatPICT, K_LoadPCTFile, nullptr, false},        // PICT
    {kFormatPhotoCD, K_LoadPCDFile, nullptr, false},  // PhotoCD
    {kFormatEPSTIFF, K_LoadEPSFile, nullptr, false},  // EPS with a TIFF preview
    {kFormatFaxRaw, LoadRawFaxFile, nullptr, false},   // headerless fax
    {kFormatFaxRaw2, LoadRawFaxFile, nullptr, false},
    {kFormatFaxRaw3, LoadRawFaxFile, nullptr, false},
    {kFormatFax, LoadWFXFile, nullptr, false},         // fax file
    {kFormatFax2, LoadWFXFile, nullptr, false},
    {kFormatIOCA, LoadIOCAFile, nullptr, false},       // IOCA in MO:DCA
    {kFormatIOCA2, LoadIOCAFile, nullptr, false},
    {kFormatIOCA3, LoadIOCAFile, nullptr, false},
    {kFormatBMPOS2v2, K_LoadBMPFile, nullptr, false},      // BMP, OS/2 2.x
    {kFormatPNG, LoadPNGFile, nullptr, false},        // PNG
    {kFormatPhotoshop, LoadPSDFile, nullptr, false},        // Photoshop
    {kFormatIOCABare, LoadIOCAFile, nullptr, false},   // bare IOCA
    {kFormatIOCABare2, LoadIOCAFile, nullptr, false},
    {kFormatIOCABare3, LoadIOCAFile, nullptr, false},
};

const SaveEntry kSaveTable[] = {
    {kFormatPCX, SavePCXFile, 0, 0, false},    // PCX
    {kFormatGIF, SaveGIFFile, 0, 0, false},    // GIF
    {kFormatTIFF, SaveTIFFile, 0, 0, false},        // TIFF variants 0, 1, 3, 4, 5, 6
    {kFormatTIFFLZW, SaveTIFFile, 1, 0, false},
    {kFormatTIFF3, SaveTIFFile, 3, 0, false},
    {kFormatTIFF4, SaveTIFFile, 4, 0, false},
    {kFormatTIFF5, SaveTIFFile, 5, 0, false},
    {kFormatTIFF6, SaveTIFFile, 6, 0, false},
    {kFormatTGA, SaveTGAFile, 0, 0, false},    // TGA
    {kFormatCompressed, SaveCompressedFile, 0, 0, true},        // compressed variants
    {kFormatCompressedGrey, SaveCompressedFile, 0, 0, true},
    {kFormatJPEG, SaveCompressedFile, 1, 0, true},
    {kFormatTIFFJPEG, SaveCompressedFile, 2, 24, true},
    {kFormatCompressed3, SaveCompressedFile, 3, 0, true},
    {kFormatCompressed4, SaveCompressedFile, 4, 24, true},
    {kFormatCompressed5, SaveCompressedFile, 5, 0, true},
    {kFormatCompressed6, SaveCompressedFile, 6, 24, true},
    {kFormatBMP, SaveBMPFile, 0, 0, false},    // BMP
    {kFormatBMPOS2v1, SaveBMPFile, 0, 0, false},
    {kFormatBMPOS2v2, SaveBMPFile, 0, 0, false},
    {kFormatWMF, SaveWMFFile, 0, 0, false},   // metafile
    {kFormatEPS, SaveEPSFile, 0, 0, false},   // EPS
    {kFormatBilevel, SaveBilevelFile, 0, 0, false},  // 1-bit adaptive format; quality = sub-type
    {kFormatDataStream, nullptr, 0, 0, false},    // stream: only through K_StartCompressData
    {kFormatCALS, SaveCALSFile, 0, 0, false},  // CALS
    {kFormatMacPaint, SaveMACFile, 0, 0, false},   // MacPaint
    {kFormatGEM, SaveIMGFile, 0, 0, false},    // GEM IMG
    {kFormatMSP, SaveMSPFile, 0, 0, false},    // MSP
    {kFormatWPG, SaveWPGFile, 0, 0, false},    // WPG
    {kFormatSunRaster, SaveRASFile, 0, 0, false},   // Sun raster
    {kFormatPICT, SavePCTFile, 0, 0, false},    // PICT
    {kFormatFaxRaw, SaveRawFaxFile, 0, 0, false},  // headerless fax
    {kFormatFaxRaw2, SaveRawFaxFile, 0, 0, false},
    {kFormatFaxRaw3, SaveRawFaxFile, 0, 0, false},
    {kFormatFax, SaveWFXFile, 0, 0, false},        // fax file
    {kFormatFax2, SaveWFXFile, 0, 0, false},
    {kFormatIOCA, SaveIOCAFile, 0, 0, false},      // IOCA
    {kFormatIOCA2, SaveIOCAFile, 0, 0, false},
    {kFormatIOCA3, SaveIOCAFile, 0, 0, false},
    {kFormatIOCABare, SaveIOCAFile, 0, 0, false},
    {kFormatIOCABare2, SaveIOCAFile, 0, 0, false},
    {kFormatIOCABare3, SaveIOCAFile, 0, 0, false},
    {kFormatPNG, SavePNGFile, 0, 0, false},   // PNG
    {kFormatPhotoshop, SavePSDFile, 0, 0, false},   // Photoshop
};

const CompressedCodecHooks kCompressed = {
    K_DecompressFile,
    K_SetCallbackLine,
    K_DecompressBitmap1Bit,
    K_CompressTIF,
    K_CompressBMP,
    K_CompressTGA,
    K_NormalizeWFXBitmap,
};

}  // namespace

const LoadEntry* FindLoadEntry(int code) {
    for (const LoadEntry& e : kLoadTable)
        if (e.code == code) return &e;
    return nullptr;
}

const SaveEntry* FindSaveEntry(int code) {
    for (const SaveEntry& e : kSaveTable)
        if (e.code == code) return &e;
    return nullptr;
}

const CompressedCodecHooks& CompressedCodec() { return kCompressed; }
