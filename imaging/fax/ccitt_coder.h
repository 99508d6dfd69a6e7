// The CCITT coder of every 1-bit fax stream in the library: modified
// Huffman (TIFF compression 2), Group 3 one- and two-dimensional (ITU T.4)
// and Group 4 (ITU T.6). One row at a time, in both directions.
//
// Rows are (width + 7) / 8 bytes, first pixel in the top bit, 1 = black,
// 0 = white (what the codes call black and white; a caller whose colour 0
// is black inverts its rows around the coder).
//
// The decoder reads coded bytes from a ChunkSource (io/byte_chunks.h) and is
// driven by the six code tables of the library's resources
// (K_Create1BitTable); the encoder writes to a ByteSink (io/byte_chunks.h).
// Decoder and encoder are objects of their own: any number may run at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/byte_chunks.h"

enum class FaxCoding {
    ModifiedHuffman,  // 1-D rows without EOL, each starting on a byte (TIFF 2)
    Group3OneD,       // EOL before every row (TIFF 3, raw fax 'B')
    Group3TwoD,       // EOL and a 1-D/2-D tag bit before every row, K = 4 (TIFF 3 with T4Options bit 0, 'C')
    Group4,           // 2-D rows, no EOL (TIFF 4, 'D')
};

namespace ccitt {
// Widest row the coder takes: positions of the change lists stay below
// their end mark 30000 (T.4 pages are 1728..4864 pixels; CALS and IOCA
// pages are larger, but far below this).
constexpr int kMaxWidth = 29999;
// Results of the decoder (volkg.h codes).
constexpr int kDataEnded = -73;    // coded data ran out inside a row; bad uncompressed-mode code
constexpr int kEolInRow = -74;     // an EOL began inside a Group 3 2-D row (the decoder is past it)
constexpr int kBadModeCode = -77;  // a 2-D mode code that does not exist
}  // namespace ccitt

struct FaxOptions {
    FaxCoding coding = FaxCoding::Group4;
    int width = 0;             // pixels per row, 1 .. ccitt::kMaxWidth
    bool reverseBits = false;  // fill order 2: every coded byte is stored lowest bit first
    // Encoding Group 3: every EOL ends on a byte boundary (T.4 fill bits).
    bool alignEol = false;
    // Encoding: RTC (six EOLs) after the last Group 3 row, EOFB (two EOLs)
    // after the last Group 4 row. Not written for modified Huffman.
    bool endOfPage = true;
    // Decoding Group 3: the data has no EOL before its first row (and the
    // decoder looks for none between rows). TIFF and raw fax data has them.
    bool noEol = false;
};

class FaxDecoder {
public:
    FaxDecoder();
    ~FaxDecoder();
    FaxDecoder(const FaxDecoder&) = delete;
    FaxDecoder& operator=(const FaxDecoder&) = delete;

    // Holds the code tables (K_Create1BitTable) for the decoder's life and
    // sets the coding: 1; -1 no memory or no tables; -13 a width out of range.
    int Init(const FaxOptions& options);
    // A new strip or page from input: the reference row white, and for
    // Group 3 with EOLs the data up to the first EOL (and its tag bit)
    // passed over. 1, or the input's error.
    int Start(ChunkSource* input);
    // The next row into row ((width + 7) / 8 bytes, zero-filled first):
    // 1; -73, -74, -77 (ccitt::); the input's negative code. A bad 1-D
    // code is no error: the rest of the row stays white and decoding goes
    // on after the next EOL. A modified Huffman row with a bad code ends
    // with -73 likewise, its decoded part kept.
    int DecodeRow(unsigned char* row);

    struct State;

private:
    State* s_ = nullptr;
};

class FaxEncoder {
public:
    FaxEncoder();
    ~FaxEncoder();
    FaxEncoder(const FaxEncoder&) = delete;
    FaxEncoder& operator=(const FaxEncoder&) = delete;

    // 1; -1 no memory; -13 a width out of range.
    int Start(const FaxOptions& options, ByteSink* output);
    // Codes one row ((width + 7) / 8 bytes; pixels past the width are
    // ignored): 1, or the sink's first failure (kept and returned by every
    // later call).
    int EncodeRow(const unsigned char* row);
    // The end-of-page codes (when asked for) and the last partial byte,
    // padded with 0 bits: 1 or the sink's failure.
    int Finish();
    // Coded bytes handed to the sink so far.
    uint64_t bytesWritten() const;

    struct State;

private:
    State* s_ = nullptr;
};
