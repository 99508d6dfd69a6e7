// Every format code the library knows, and every limit a codec applies to
// what a file declares, each with the reason for it. Codecs take their
// codes and limits from here, never as bare numbers.
#pragma once

#include <cstdint>

#include "volkg.h"

enum FormatCode : int {
    kFormatPCX = K_FORMAT_PCX,  // PCX and DCX
    kFormatGIF = K_FORMAT_GIF,
    kFormatTIFF = K_FORMAT_TIFF,  // uncompressed, PackBits, CCITT
    kFormatTGA = K_FORMAT_TGA,
    kFormatCompressed = K_FORMAT_COMPRESSED,  // the library's compressed format
    kFormatBMP = K_FORMAT_BMP,                // Windows BMP
    kFormatJPEG = K_FORMAT_JPEG,
    kFormatTIFFJPEG = K_FORMAT_TIFF_JPEG,
    kFormatBMPOS2v1 = K_FORMAT_BMP_OS2_1,
    kFormatWMF = K_FORMAT_WMF,  // metafile
    kFormatEPS = K_FORMAT_EPS,
    kFormatTIFFLZW = 17,
    kFormatCompressedGrey = 20,  // further variants of the compressed family
    kFormatCompressed3 = 21,
    kFormatCompressed4 = 22,
    kFormatCompressed5 = 23,
    kFormatCompressed6 = 24,
    kFormatTIFF3 = 25,    // further TIFF variants
    kFormatBilevel = 26,  // 1-bit adaptive format
    kFormatTIFF4 = 27,
    kFormatTIFF5 = 28,
    kFormatTIFF6 = 29,
    kFormatDataStream = K_FORMAT_DATA_STREAM,  // compressed-data stream (probe only)
    kFormatCALS = 50,
    kFormatMacPaint = 51,
    kFormatGEM = 52,
    kFormatMSP = 53,
    kFormatWPG = 54,
    kFormatSunRaster = 55,
    kFormatPICT = 56,
    kFormatPhotoCD = 57,
    kFormatEPSTIFF = 63,  // EPS with a TIFF preview
    kFormatFaxRaw = 66,   // headerless fax
    kFormatFaxRaw2 = 67,
    kFormatFaxRaw3 = 68,
    kFormatFax = 69,  // fax file
    kFormatFax2 = 70,
    kFormatIOCA = 71,  // IOCA in MO:DCA
    kFormatIOCA2 = 72,
    kFormatIOCA3 = 73,
    kFormatBMPOS2v2 = K_FORMAT_BMP_OS2_2,
    kFormatPNG = K_FORMAT_PNG,
    kFormatPhotoshop = K_FORMAT_PHOTOSHOP,
    kFormatIOCABare = 77,  // bare IOCA
    kFormatIOCABare2 = 78,
    kFormatIOCABare3 = 79,
};

namespace limits {

// A picture is handed on in rows whose 32-bit padded storage must fit a
// signed 32-bit image size (the record's ImageSize field and every row
// offset are 32-bit): checked with GetPaddedImageSize at 32 bits.
constexpr int kRowBits = 32;

// The greatest position a file-access callback can name: offsets are ints.
constexpr int kNoEnd = 0x7FFFFFFF;

// The compressed family's sides: 16-bit fields in its own header, in SOF0 and
// in the TIFF container's tile sizes (SHORT).
constexpr int kCompressedSide = 65535;

// TGA rows stay under 64000 bytes: the widest picture of each depth.
constexpr int kTgaRowBytes = 64000;

// Photoshop version 1 files allow at most 30000 pixels a side (the
// published format; larger sides need version 2, which we do not read).
constexpr int kPhotoshopSide = 30000;

// PNG: libpng's own default user limit is 1,000,000 a side; we take less,
// the largest side whose 32-bit rows still give a 32-bit image size at
// width x 1 (2^23 - 1).
constexpr uint32_t kPngSide = 0x7FFFFF;
// PNG working blocks: no picture we can store needs a larger one.
constexpr uint32_t kPngBlock = 1u << 28;
// PNG ancillary chunks (text, profiles) larger than this are passed over.
constexpr uint32_t kPngAncillaryChunk = 1u << 23;

// BMP info headers: the V5 form has 124 bytes; no writer we know of uses
// more than this, and the header is read whole.
constexpr int kBmpInfoHeader = 1024;

// GIF: LZW codes are at most 12 bits.
constexpr int kLzwCodes = 4096;

// DCX page tables hold at most 1023 offsets and a zero.
constexpr int kDcxPages = 1023;

// Greatest expansion of the run-length codings, bytes of pixels per byte
// of file, for refusing pictures the rest of a file cannot hold.
constexpr int kPackBitsExpansion = 128;  // a 2-byte run gives 128 bytes: 64 per byte, rounded up
constexpr int kPcxExpansion = 63;        // a 2-byte run gives 63 bytes
constexpr int kTgaRunPixels = 128;       // a packet of 1 + pixel bytes gives 128 pixels
constexpr int kLzwExpansion = 4096;      // no LZW code stands for more than 4096 pixels
constexpr int kDeflateExpansion = 1032;  // deflate's greatest ratio (258 bytes from 2 bits)

// TIFF: an honest file is read about once (directories, colour map, each
// strip); reads beyond this multiple of its size, plus a little for tiny
// files, come from strips or directories that point at each other.
constexpr uint64_t kTiffReadMultiple = 8;
constexpr uint64_t kTiffReadAllowance = 65536;
// TIFF strips and tiles: rows longer than this are no picture we can store
// (a 32-bit row of the widest storable picture is far shorter).
constexpr uint64_t kTiffRowBytes = uint64_t(1) << 28;
// TIFF LZW: codes of up to 13 bits are read, as this library's older
// writers wrote them; we write at most 12, as every common reader expects.
constexpr int kTiffLzwReadBits = 13;
constexpr int kTiffLzwWriteCodes = 4096;

// CALS header numbers: ImageMagick writes six digits, the published header
// five; no honest value needs more than seven.
constexpr int kCalsValue = 9999999;
// CALS sides we write: the rpelcnt field has five digits.
constexpr int kCalsWrittenSide = 99999;
// WFX page sides: 16-bit header fields.
constexpr int kWfxSide = 65535;
// IOCA sizes and resolutions: 2-byte fields below 0x8000.
constexpr int kIocaField = 0x7FFF;
// MO:DCA structured fields: a 2-byte length of at most 32767.
constexpr int kModcaField = 32767;

}  // namespace limits
