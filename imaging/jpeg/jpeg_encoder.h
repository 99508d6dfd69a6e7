// The library's JPEG encoder: one per process. Start it with a parameter
// block (which writes the container's head), give it the rows of each input
// buffer, and it closes the scan by itself after the last row.
#pragma once

#include <cstdint>

constexpr int kHeadNone = 0;  // the library's own format: the bare scan
constexpr int kHeadJfif = 1;
constexpr int kHeadTiff = 2;

// Encoder codes.
constexpr int kEncNotStarted = -30;
constexpr int kEncStarted = -31;
constexpr int kEncQuality = -36;
constexpr int kEncSize = -44;
constexpr int kEncZeroQuant = -49;

// Where the coded bytes go. write takes the bytes in order; patch rewrites
// bytes already written at a stream position (the TIFF head's tile byte
// count), which only a consumer that holds the stream can do. 1 = go on,
// anything else stops the encoder and is returned.
struct EncoderOutput {
    int (*write)(const uint8_t* bytes, int count, void* context) = nullptr;
    int (*patch)(uint32_t position, const uint8_t* bytes, int count, void* context) = nullptr;
    void* context = nullptr;
};

// A thumbnail for the JFIF head's JFXX segment: rows come from the row
// source top row first, as 1 byte a pixel (with the palette) or 3 bytes
// blue, green, red.
struct StampSource {
    int width = 0;
    int height = 0;
    int bits = 0;                                              // 8 or 24
    const uint8_t* palette = nullptr;                          // 768 bytes red, green, blue at 8 bits
    int (*row)(int y, uint8_t* out, void* context) = nullptr;  // 1 = go on
    void* context = nullptr;
};

struct EncoderParameters {
    int width = 0;   // pixels
    int height = 0;  // rows as coded
    int headKind = kHeadJfif;
    int components = 3;  // 1 for grey
    int hSampling = 2;   // luminance factors: 1x1, 2x1 or 2x2
    int vSampling = 1;
    int bitsPerPixel = 24;                 // 8 grey, 16 (5-5-5), 24, 32 (8 bits unused)
    bool redFirst = false;                 // colour order red, green, blue
    int quality = 25;                      // Q: scales the standard tables
    const uint8_t* customQuant = nullptr;  // 64 entries in zigzag order for every table, or null
    int rowsPerBuffer = 0;                 // coded rows of each input buffer
    int xResolution = 0;                   // dots per inch, for the heads
    int yResolution = 0;
    bool topDown = true;                 // first coded row is the picture's top (TIFF Orientation)
    const StampSource* stamp = nullptr;  // JFIF only
    EncoderOutput output;
};

// 1 or a negative code (-31 when started, -36 quality, -44 size, -49 a zero
// table entry, -1 memory, -11 stamp too large for JFXX, output results).
int JpegStartEncoder(const EncoderParameters& parameters);
// Bytes before the scan (the own format's header and stamp); only between
// start and the first rows.
int JpegWriteBytes(const uint8_t* bytes, int count);
// Codes the rows of one input buffer (rowsPerBuffer pointers; those past the
// picture's last row are not read). 1, -30 when not started, or an output
// result. After the last row the scan is closed and the encoder stops.
int JpegEncodeRows(const uint8_t* const* rows);
bool JpegEncoderStarted();
// Stops the encoder and frees its tables and work memory.
void JpegStopEncoder();
