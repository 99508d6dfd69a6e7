// The baseline JPEG decoder: one frame, one interleaved Huffman-coded scan,
// one or three 8-bit components. The state is process-wide (one decode at a
// time); the pieces meet here: input window, markers, decoding tables,
// entropy decoding, inverse DCT, colour output and the strip loop.
#pragma once

#include <cstdint>
#include <vector>

#include "volkg.h"

// Return codes of the engine (the driver returns them unchanged). Its
// steps return K_OK or one of these, as the rest of the library does.
constexpr int kJpegOutOfMemory = K_ERR_MEMORY;
constexpr int kJpegBadSeek = K_ERR_READ;
constexpr int kJpegBadStream = K_ERR_FORMAT;
constexpr int kJpegCallbackStop = -29;
constexpr int kJpegBusy = -31;
constexpr int kJpegNoInput = -34;
constexpr int kJpegNoFile = -42;
constexpr int kJpegNoQuantTable = -49;
constexpr int kJpegNoDcTable = -50;
constexpr int kJpegNoAcTable = -51;
constexpr int kJpegShortSegment = -52;
constexpr int kJpegNoInputCallback = -53;
constexpr int kJpegTooManyDc = -54;
constexpr int kJpegTooManyAc = -55;
constexpr int kJpegEmptyMcu = -58;
constexpr int kJpegDataMissing = -62;

// The input window: 65,504 bytes a read, plus a zeroed tail so that the
// fast block decoder may look a few bytes past the data it was given.
constexpr int kJpegInputChunk = 0xFFE0;
constexpr int kJpegInputTail = 64;
// The fast block decoder runs only with this many bytes left in the window:
// one block of 64 coefficients takes at most 16 + 15 bits per symbol, 248
// bytes, and twice that when every byte is a stuffed FF; plus the refill's
// look-ahead (up to 8 bytes, twice that when stuffed).
constexpr int kJpegFastMargin = 2 * 248 + 16;

// Huffman slots: 16 counts (BITS) then up to 256 symbols (HUFFVAL).
struct HuffmanSlot {
    bool present = false;
    uint8_t counts[16] = {};
    uint8_t symbols[256] = {};
};

struct JpegComponent {
    int h = 1, v = 1;
    int quantTable = 0;
    int dcTable = 0, acTable = 0;
};

// Where the tables come from: given (own format), the marker stream, or a
// TIFF directory.
enum class HeaderMode { Tables, Markers, TiffDirectory };

// The decoder's copy of the picture's facts and tables.
struct JpegDecodeParams {
    int width = 0, height = 0;
    int codedWidth = 0;  // columns the MCUs cover when more than the width (a padded TIFF tile)
    int restartInterval = 0;
    HeaderMode headerMode = HeaderMode::Markers;
    int components = 3;
    JpegComponent component[3];
    bool quantPresent[4] = {};
    uint8_t quant[4][64] = {};  // zigzag order, as stored in DQT
    HuffmanSlot dc[4], ac[4];
    int quality = 25;
    double xDensity = 0, yDensity = 0;
    bool jfifSeen = false;
};

// Decoding forms of the tables, built per table in use.
struct HuffmanLookup {
    int lookupBits = 0;
    std::vector<int16_t> entries;
    // AC tables: per first-level index, an AC code and its value bits when
    // both fit the index and the value fits -128..127: value << 8 | run << 4
    // | bits taken; 0 where the full lookup is needed.
    std::vector<int16_t> fastAc;
};
// Per natural position: 8192 x Q x s_u x s_v (s_0 = cos(pi/4), s_k =
// cos(k pi/16)), so that (v x m + 64) >> 7 is the coefficient on the scale
// the inverse DCT wants (2^kJpegLevelBits per output level). m < 2^21: for
// |v| < 1024, all an 8-bit picture's AC values need, the product fits 32
// bits.
constexpr int kJpegLevelBits = 8;
struct DequantTable {
    int32_t multiplier[64];
};

// The bit reader over the input window.
struct JpegBitReader {
    uint64_t buffer = 0;  // next bit is bit 63
    int bits = 0;         // valid bits at the top of the buffer
    const uint8_t* cursor = nullptr;
    const uint8_t* end = nullptr;
    bool markerSeen = false;  // the cursor rests on an FF that starts a marker
    bool endOfInput = false;
    // Zero bits put in after a marker or the end of the data. More of them
    // than the buffer holds means the decoding went on past the data.
    int padBits = 0;
    bool ranDry() const { return padBits > bits; }
};

// What the probes found (process-wide, read by the decoder).
struct JpegProbeFacts {
    int headerCount = 0;
    int width = 0, height = 0;
    int components = 0;
    bool probe2x2 = false, probe1x2 = false;
    bool dqtDoubled = false;
    uint8_t ownByte5 = 0, ownByte6 = 0;
    int bracketMark = 100;
};
JpegProbeFacts& ProbeFacts();

// ---- Probes (jpeg_probe.cpp) ----
// K_FileInfo's JPEG probe over its header buffer: 1 recognised, 0 not.
int ReadJpegInfo(int handle, const unsigned char* header, int headerCount, FileInfoRecord* info);
// The marker segments from SOI to SOF0: 1, -7 short read, -4 segment too long.
int JpegScanHeader(int handle, int* width, int* height, int* components, FileInfoRecord* info);
// What a compressed file holds: the library's own format, a JPEG stream,
// JPEG inside TIFF, or none of these.
enum class CompressedKind { None, Own, JpegStream, TiffJpeg };
CompressedKind ProbeCompressedFile(const char* name);
// Length of an APPn segment to skip, given its length field and the first
// payload bytes: a JFXX stamp longer than 64 KB carries its length modulo
// 65536, so its real size is taken from its own size bytes.
long JpegAppSegmentBytes(int lengthField, const unsigned char* payload, int payloadCount);

// ---- Input (jpeg_input.cpp) ----
class JpegInput {
public:
    // Reads through the file-access callbacks from the handle's position.
    void Begin(int handle, uint8_t* window, bool ownStream);
    // The next byte, or -1 at the end of the data.
    int Byte() {
        if (pos_ < end_) return *pos_++;
        return Refill() ? *pos_++ : -1;
    }
    // Exactly count bytes, or false at the end of the data.
    bool Read(uint8_t* out, long count);
    bool Skip(long count);
    // Steps back one byte of the current window (never past its start).
    void Unread() {
        if (pos_ > start_) --pos_;
    }
    // Fills an empty window; false at the end of the data.
    bool Refill();
    const uint8_t*& pos() { return pos_; }
    const uint8_t* end() const { return end_; }
    bool atEnd() const { return ended_; }
    int readError() const { return error_; }

private:
    int handle_ = -1;
    uint8_t* window_ = nullptr;
    const uint8_t* start_ = nullptr;
    const uint8_t* pos_ = nullptr;
    const uint8_t* end_ = nullptr;
    bool own_ = false;
    bool ended_ = false;
    int error_ = 0;
};

// ---- Markers and tables (jpeg_markers.cpp, jpeg_decode_tables.cpp) ----
struct JpegMarkerState {
    bool adobeSeen = false;
    bool afterComment = false;
    bool noJfifHeader = false;
};
// Header mode 1: the segments up to the scan. K_OK or a code.
int JpegReadMarkers(JpegInput& in, JpegDecodeParams& p, JpegMarkerState& state);
// Header mode 2 (jpeg_tiff_params.cpp): the first directory of a TIFF file
// with compression 6 in one tile or strip; the row order and the offset of
// the coded data. K_OK or a code (-9 for what this decoder cannot read).
int JpegReadTiffParams(int handle, JpegDecodeParams& p, bool* topDownRows, uint32_t* scanOffset);
// Two-level lookup of a Huffman table: K_OK, or -9 for a table whose counts
// overflow the code space or exceed 256 symbols.
int BuildHuffmanLookup(const HuffmanSlot& table, int lookupBits, HuffmanLookup& out);
// The fastAc entries of a built AC lookup.
void BuildFastAcLookup(HuffmanLookup& lookup);
// Multipliers and shifts of a quantisation table (zigzag order in).
void BuildDequantTable(const uint8_t* zigzag, DequantTable& out);
// Zigzag position to natural position, with guard entries 64..79.
extern const uint8_t kNaturalOrder[80];

// ---- Entropy decoding and the inverse DCT (jpeg_entropy.cpp, jpeg_idct.cpp) ----
struct JpegBlockTables {
    const int16_t* dc;
    const int16_t* ac;
    const int16_t* fastAc;
    const DequantTable* dequant;
};
// Careful decoder: refills through the input, stops at markers and at the
// end of the data (missing bits read as zeros). K_OK, or the input's code.
int JpegDecodeBlock(JpegBitReader& r, JpegInput& in, int32_t* coef, int16_t& predictor, const JpegBlockTables& t);
// Fast decoder: no end or marker checks; needs kJpegFastMargin bytes and
// coef all zero (as the inverse DCT leaves it). Returns the natural
// positions of the AC coefficients written, ORed together (0: DC only).
int JpegDecodeBlockFast(JpegBitReader& r, int32_t* coef, int16_t& predictor, const JpegBlockTables& t);
// Samples: levels 0..255 with this many bits of fraction.
constexpr int kJpegSampleBits = 4;
constexpr uint32_t kJpegSampleMax = (256u << kJpegSampleBits) - 1;
// Transforms a dequantised block (natural order, each within +-2^23) into
// 64 samples: levels 0..255 with kJpegSampleBits of fraction, kept to the
// colour conversion's last step. positions: the natural positions of the
// non-zero AC coefficients ORed together (0: only DC; 63 when not known).
// Leaves coef all zero.
void JpegInverseDct(int16_t* out, int32_t* coef, int positions);

// ---- Colour output (jpeg_color_out.cpp) ----
enum class McuLayout { Grey, S1x1, S2x1, S2x2, S4x1, S1x2 };
// Converts the MCU's samples (luminance blocks, then Cb, Cr) into pixels of
// `pixelBytes` (1 grey, 3 or 4) at rows[r] + x0 * pixelBytes.
void JpegColorOut(McuLayout layout, const int16_t* samples, uint8_t* const* rows, int x0, int pixelBytes, bool rgb);
