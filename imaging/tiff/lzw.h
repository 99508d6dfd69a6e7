// TIFF LZW (compression 5): a decoder that produces exactly the bytes asked
// for, one request at a time, and an encoder with a hashed string table and
// a compression-ratio watch. Codes are read most significant bit first with
// the early width change, or (older files, recognised by their first bytes)
// least significant bit first with the late change.
#pragma once

#include <cstddef>
#include <cstdint>

// Coded bytes of one strip or tile, handed over in blocks.
class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    // The next block: 1 with data and size set, 0 at the end of the data, a
    // negative code when it cannot be read.
    virtual int Next(const unsigned char** data, size_t* size) = 0;
};

// Where coded bytes go.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // 1, or a negative code (-5 for a short write).
    virtual int Write(const unsigned char* data, size_t size) = 0;
};

class LzwDecoder {
public:
    LzwDecoder();
    // A new strip: a clear table, its data from input.
    void Start(ChunkSource* input);
    // Exactly count bytes into out: 1; -77 for a code the table does not
    // hold (or an end code before count bytes); -7 when the data ends
    // first; a read failure of the input.
    int Decode(unsigned char* out, size_t count);

    // Codes up to 13 bits are read, as older writers of this library wrote
    // them; a 12-bit table holds strings of at most 4096 - 257 bytes.
    static constexpr int kMaxWidth = 13;
    static constexpr int kTableSize = 1 << kMaxWidth;

private:
    void ResetTable();
    int FetchCode();
    bool Load();

    ChunkSource* input_ = nullptr;
    int inputError_ = 0;
    const unsigned char* in_ = nullptr;
    const unsigned char* inEnd_ = nullptr;
    uint64_t bits_ = 0;
    int bitCount_ = 0;
    bool lsb_ = false;
    int width_ = 9;
    int next_ = 258;
    int threshold_ = 510;
    int previous_ = -1;
    size_t pendingAt_ = 0;
    size_t pendingLeft_ = 0;
    uint16_t prefix_[kTableSize];
    uint16_t length_[kTableSize];
    uint8_t suffix_[kTableSize];
    uint8_t first_[kTableSize];
    uint8_t pending_[kTableSize];
};

class LzwEncoder {
public:
    LzwEncoder();
    // A new strip into output.
    void Start(ByteSink* output);
    // Codes count more bytes: 1 or the sink's failure.
    int Encode(const unsigned char* data, size_t count);
    // The last string and the end code, and every byte to the sink: 1 or
    // the sink's failure.
    int Finish();
    // Coded bytes handed to the sink so far.
    uint64_t bytesOut() const { return written_; }

    // The table restarts before a code would need a 13th bit, as libtiff
    // and every other common reader expect.
    static constexpr int kMaxCode = 4095;
    static constexpr int kHashSize = 9001;

private:
    void ClearHash();
    void Put(int code);
    int Flush();
    void Restart();

    ByteSink* output_ = nullptr;
    int status_ = 1;
    int width_ = 9;
    int maxCode_ = 511;
    int pendingCode_ = -1;
    int next_ = 258;
    int64_t checkpoint_ = 0;
    int64_t inCount_ = 0;
    int64_t outBits_ = 0;
    int64_t ratio_ = 0;
    uint32_t acc_ = 0;
    int accBits_ = 0;
    size_t used_ = 0;
    uint64_t written_ = 0;
    int32_t keys_[kHashSize];
    uint16_t codes_[kHashSize];
    unsigned char buffer_[16384];
};
