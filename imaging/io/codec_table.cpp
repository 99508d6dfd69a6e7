// The load and save tables by format code. A codec joins by filling in its
// entries here; null entries answer -16.
#include <iterator>

#include "formats/raster_formats.h"
#include "io/codecs.h"

namespace {

const LoadEntry kLoadTable[] = {
    {1, K_LoadPCXFile, nullptr, false},       // PCX, DCX
    {2, K_LoadGIFFile, GifWholeImage, false}, // GIF
    {3, nullptr, nullptr, false},             // TIFF
    {4, K_LoadTGAFile, nullptr, false},       // TGA
    {5, nullptr, nullptr, true},              // compressed format
    {6, K_LoadBMPFile, nullptr, false},       // BMP, Windows
    {10, nullptr, nullptr, true},             // JPEG
    {11, nullptr, nullptr, true},             // TIFF with JPEG compression
    {14, K_LoadBMPFile, nullptr, false},      // BMP, OS/2 1.x
    {15, nullptr, nullptr, false},            // metafile: K_LoadWMFBitmap
    {16, nullptr, nullptr, false},            // EPS
    {17, nullptr, nullptr, false},            // TIFF, LZW
    {26, nullptr, nullptr, true},             // 1-bit adaptive format
    {50, nullptr, nullptr, false},            // CALS
    {51, K_LoadMACFile, nullptr, false},      // MacPaint
    {52, nullptr, nullptr, false},            // GEM IMG
    {53, nullptr, nullptr, false},            // MSP
    {54, nullptr, nullptr, false},            // WPG
    {55, K_LoadRASFile, nullptr, false},      // Sun raster
    {56, nullptr, nullptr, false},            // PICT
    {57, nullptr, nullptr, false},            // PhotoCD
    {63, nullptr, nullptr, false},            // EPS with a TIFF preview
    {66, nullptr, nullptr, false},            // headerless fax
    {67, nullptr, nullptr, false},
    {68, nullptr, nullptr, false},
    {69, nullptr, nullptr, false},            // fax file
    {70, nullptr, nullptr, false},
    {71, nullptr, nullptr, false},            // IOCA in MO:DCA
    {72, nullptr, nullptr, false},
    {73, nullptr, nullptr, false},
    {74, K_LoadBMPFile, nullptr, false},      // BMP, OS/2 2.x
    {75, LoadPNGFile, nullptr, false},        // PNG
    {76, LoadPSDFile, nullptr, false},        // Photoshop
    {77, nullptr, nullptr, false},            // bare IOCA
    {78, nullptr, nullptr, false},
    {79, nullptr, nullptr, false},
};

const SaveEntry kSaveTable[] = {
    {1, SavePCXFile, 0, 0},    // PCX
    {2, SaveGIFFile, 0, 0},    // GIF
    {3, nullptr, 0, 0},        // TIFF variants 0, 1, 3, 4, 5, 6
    {17, nullptr, 1, 0},
    {25, nullptr, 3, 0},
    {27, nullptr, 4, 0},
    {28, nullptr, 5, 0},
    {29, nullptr, 6, 0},
    {4, SaveTGAFile, 0, 0},    // TGA
    {5, nullptr, 0, 0},        // compressed variants
    {20, nullptr, 0, 0},
    {10, nullptr, 1, 0},
    {11, nullptr, 2, 24},
    {21, nullptr, 3, 0},
    {22, nullptr, 4, 24},
    {23, nullptr, 5, 0},
    {24, nullptr, 6, 24},
    {6, SaveBMPFile, 0, 0},    // BMP
    {14, SaveBMPFile, 0, 0},
    {74, SaveBMPFile, 0, 0},
    {15, nullptr, 0, 0},       // metafile
    {16, nullptr, 0, 0},       // EPS
    {26, nullptr, 0, 0},       // 1-bit adaptive format
    {50, nullptr, 0, 0},       // CALS
    {51, SaveMACFile, 0, 0},   // MacPaint
    {52, nullptr, 0, 0},       // GEM IMG
    {53, nullptr, 0, 0},       // MSP
    {54, nullptr, 0, 0},       // WPG
    {55, SaveRASFile, 0, 0},   // Sun raster
    {56, nullptr, 0, 0},       // PICT
    {66, nullptr, 0, 0},       // headerless fax
    {67, nullptr, 0, 0},
    {68, nullptr, 0, 0},
    {69, nullptr, 0, 0},       // fax file
    {70, nullptr, 0, 0},
    {71, nullptr, 0, 0},       // IOCA
    {72, nullptr, 0, 0},
    {73, nullptr, 0, 0},
    {77, nullptr, 0, 0},
    {78, nullptr, 0, 0},
    {79, nullptr, 0, 0},
    {75, SavePNGFile, 0, 0},   // PNG
    {76, SavePSDFile, 0, 0},   // Photoshop
};

const CompressedCodecHooks kCompressed = {
    nullptr,  // K_DecompressFile
    nullptr,  // K_SetCallbackLine
    nullptr,  // K_DecompressBitmap1Bit
    nullptr,  // K_CompressTIF
    nullptr,  // K_CompressBMP
    nullptr,  // K_CompressTGA
    nullptr,  // K_NormalizeWFXBitmap
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
