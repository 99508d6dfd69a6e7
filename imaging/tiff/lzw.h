// TIFF LZW (compression 5): a decoder that produces exactly the bytes asked
// for, one request at a time, and an encoder with a hashed string table and
// a compression-ratio watch. Codes are read most significant bit first with
// the early width change, or (older files, recognised by their first bytes)
// least significant bit first with the late change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "io/format_codes.h"
#include "io/byte_chunks.h"
#include "io/packing.h"

// Coded bytes of one strip or tile, handed over in blocks.
class LzwDecoder {
public:
    LzwDecoder();
    // A new strip: a clear table, its data from input.
    void Start(ChunkSource* input);
    // Exactly count bytes into out: 1; -77 for a code the table does not
    // hold (or an end code before count bytes); -7 when the data ends
    // first; a read failure of the input.
    int Decode(unsigned char* out, size_t count);

    static constexpr int kMaxWidth = limits::kTiffLzwReadBits;
    static constexpr int kTableSize = 1 << kMaxWidth;

private:
    void ResetTable();
    bool Load();
    template <bool Msb>
    int Run(unsigned char* out, size_t done, size_t count);

    ChunkSource* input_ = nullptr;
    int inputError_ = 0;
    // The block being read, and the bits taken from it not yet used (the
    // low `bits_` bits of held_).
    const unsigned char* in_ = nullptr;
    const unsigned char* inEnd_ = nullptr;
    uint32_t held_ = 0;
    int bits_ = 0;
    bool lsb_ = false;
    bool atStart_ = true;
    int width_ = 9;
    int next_ = 258;
    int threshold_ = 510;
    int previous_ = 256;
    size_t pendingAt_ = 0;
    size_t pendingLeft_ = 0;
    // One entry per code: the string is prefix's string followed by
    // suffix_[code]; its first four bytes (fewer when shorter, the rest
    // zero) are kept whole in memory order, since most strings of
    // photographs are that short and are then written in one store.
    struct Entry {
        uint32_t head;
        uint32_t link;  // prefix code, and the length above bit 16
    };
    Entry table_[kTableSize];
    uint8_t suffix_[kTableSize];
    uint8_t pending_[kTableSize];
};

class LzwEncoder {
public:
    LzwEncoder();
    // A new strip into output.
    void Start(ByteSink* output);
    // Codes count more bytes.
    void Encode(const unsigned char* data, size_t count);
    // The last string and the end code, padded to a whole byte.
    void Finish();

    // The table restarts before a code would need a 13th bit.
    static constexpr int kMaxCode = limits::kTiffLzwWriteCodes - 1;
    static constexpr int kHashSize = 9001;

private:
    void ClearHash();
    void Put(int code);
    void Restart();

    ByteSink* output_ = nullptr;
    int width_ = 9;
    int maxCode_ = 511;
    int pendingCode_ = -1;
    int next_ = 258;
    int64_t checkpoint_ = 0;
    int64_t inCount_ = 0;
    int64_t outBits_ = 0;
    int64_t ratio_ = 0;
    std::optional<BitWriter<true, ByteSink>> bits_;
    int32_t keys_[kHashSize];
    uint16_t codes_[kHashSize];
};
