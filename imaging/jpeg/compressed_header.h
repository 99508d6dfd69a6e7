// The 24-byte header and the 12-byte trailer of the library's compressed
// file format (format code 5), and its thumbnail stamp's size. One place
// for reading and writing: the JPEG encoder and decoder, the probes and the
// 1-bit format all use them. Numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "volkg.h"

constexpr int kCompressedHeaderSize = 24;
constexpr int kCompressedTrailerSize = 12;

// Byte 5: what follows the header.
constexpr uint8_t kFollowsNothing = 0x00;
constexpr uint8_t kFollowsPalette = 0x01;  // 768 bytes; read, never written
constexpr uint8_t kFollowsStamp = 0x10;

// Byte 6: coding flags. Without 0x20 or 0x10 the luminance is sampled 2x1.
constexpr uint8_t kCodedHalfRows = 0x80;  // every second row; stored height halved
constexpr uint8_t kCodedGrey = 0x40;
constexpr uint8_t kCodedSampling1x1 = 0x20;
constexpr uint8_t kCodedSampling2x2 = 0x10;

// Byte 21: row order.
constexpr uint8_t kRowsTopDown = 0x20;

// Byte 20 of the 1-bit format.
constexpr uint8_t kBilevelBits = 1;

struct CompressedHeader {
    char tag[4] = {'K', 'O', 'R', 'A'};  // "KORA", or "VAVO" or "CSI " when read
    uint8_t follows = kFollowsNothing;
    uint8_t codingFlags = 0;
    uint16_t width = 0;
    uint16_t codedHeight = 0;   // rows as coded (halved with kCodedHalfRows)
    uint8_t bitsPerPixel = 24;  // of the rows given to the encoder; 1 for the 1-bit format
    uint8_t rowOrder = 0;       // kRowsTopDown or 0
    uint16_t quality = 0;       // Q that scaled the tables

    // The picture's height (the coded height doubled for half rows).
    int ImageHeight() const { return (codingFlags & kCodedHalfRows) ? codedHeight * 2 : codedHeight; }
};

struct CompressedTrailer {
    uint16_t xResolution = 0;  // dots per inch, low 16 bits
    uint16_t yResolution = 0;
};

// Stamp (thumbnail) after the header: 3 descriptor bytes, a 768-byte palette
// at 8 bits, then width x height x bits/8 bytes of rows, top row first.
constexpr int kStampMinWidth = 4;
constexpr int kStampMaxSide = 255;
constexpr int kStampPaletteSize = 768;
// Bytes between the header and the scan for a stamp (0 for bad sizes).
int StampDataSize(int width, int height, int bits);

void WriteCompressedHeader(const CompressedHeader& header, uint8_t out[kCompressedHeaderSize]);
// False when the bytes are fewer than 24 or the tag is none of "KORA", "VAVO", "CSI ".
bool ReadCompressedHeader(const uint8_t* bytes, size_t count, CompressedHeader* header);

void WriteCompressedTrailer(const CompressedTrailer& trailer, uint8_t out[kCompressedTrailerSize]);
// False (resolutions 0) when the trailer does not begin with "KORA".
bool ReadCompressedTrailer(const uint8_t bytes[kCompressedTrailerSize], CompressedTrailer* trailer);

// The fields of a file information record for a compressed-format header,
// with the trailer when it was read (null otherwise): format 5, size, bits,
// row order, colour order 1, compression "KORA", resolutions.
void FillCompressedInfo(const CompressedHeader& header, const CompressedTrailer* trailer, FileInfoRecord* info);
