// The byte coder under the compressed-data stream: LZSS over an 8192-byte
// window with binary match trees, its literals, match lengths and match
// distances coded by an adaptive binary arithmetic coder (17-bit range).
// Both directions are resumable: the encoder takes any number of bytes per
// call and is finished by a call without bytes; the decoder hands out
// exactly the bytes asked for, stopping inside a match when it must.
#pragma once

#include <cstdint>

#include "core/memory.h"

namespace lzss {

constexpr int kWindow = 8192;                                 // N: 13-bit positions
constexpr int kLookAhead = 256;                               // F: the longest match
constexpr int kThreshold = 2;                                 // a match needs 3 bytes
constexpr int kEmpty = kWindow;                               // the empty tree link
constexpr int kTextSize = kWindow + kLookAhead - 1;           // ring plus the 255-byte mirror
constexpr int kLiteralChars = 256 + kLookAhead - kThreshold;  // 510: bytes, then lengths 3..256
constexpr int kDistanceChars = 14;                            // bit lengths 0..13 of (distance - 1)

// 17-bit coder registers and their quarter points.
constexpr uint32_t kQ1 = 0x8000, kQ2 = 0x10000, kQ3 = 0x18000, kQ4 = 0x20000;
// Frequencies are halved once their total reaches this (keeps range x total below 2^32).
constexpr int kMaxTotal = 32767;

// Zeroed working memory for n values of T, freed with the owner.
template <class T>
class WorkArray {
public:
    WorkArray() = default;
    ~WorkArray() { Free(); }
    WorkArray(const WorkArray&) = delete;
    WorkArray& operator=(const WorkArray&) = delete;
    bool Allocate(int n) {
        Free();
        p_ = static_cast<T*>(AllocGlobalLockedExt(sizeof(T) * static_cast<size_t>(n), 1));
        return p_ != nullptr;
    }
    void Free() {
        FreeGlobalLocked(p_);
        p_ = nullptr;
    }
    T& operator[](int i) { return p_[i]; }
    const T& operator[](int i) const { return p_[i]; }
    T* get() { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// Adaptive frequencies of S characters as symbols 1..S in falling order.
// The cumulative counts (cumulative(i) = the frequencies of symbols i+1..S,
// cumulative(0) the total) come from a Fenwick tree over the symbols, so
// neither a lookup nor an update walks the whole table.
class FrequencyModel {
public:
    // 1, or -1 when an array cannot be allocated (none is kept then).
    int Init(int symbols);
    void Free();
    void Update(int symbol);
    int Total() const { return total_; }
    int Frequency(int symbol) const { return frequency[symbol]; }
    // Frequencies of symbols 1..k.
    int Prefix(int k) const {
        int sum = 0;
        for (; k > 0; k &= k - 1) sum += tree_[k];
        return sum;
    }
    int Cumulative(int i) const { return total_ - Prefix(i); }
    // The lowest symbol whose cumulative count is at most x; *cumulative
    // gets that count.
    int FindSymbol(uint32_t x, int* cumulative) const;

    int symbols = 0;
    WorkArray<int32_t> charToSymbol;  // S
    WorkArray<int32_t> symbolToChar;  // S + 1
    WorkArray<int32_t> frequency;     // S + 1; [0] = 0 is the sentinel

private:
    void Add(int symbol, int amount) {
        for (; symbol <= symbols; symbol += symbol & -symbol) tree_[symbol] += amount;
    }
    void BuildTree();
    WorkArray<int32_t> tree_;  // S + 1
    int total_ = 0;
    int topStep_ = 1;  // the highest power of 2 up to S
};

// Receives each coded byte.
using ByteSink = void (*)(void* context, uint8_t byte);
// Supplies the next coded byte.
using ByteSource = uint8_t (*)(void* context);

class Encoder {
public:
    // 1, or -1 when the window, trees or models cannot be allocated.
    int Start(ByteSink sink, void* context);
    // Codes as far as the bytes allow; a call with count 0 finishes the
    // stream (codes the look-ahead, flushes the bits). 1.
    int Encode(const uint8_t* bytes, int count);
    // Finishes the stream when it is not finished yet, then frees everything. 1.
    int End();
    // Frees everything without finishing (an abandoned stream).
    void Free();
    bool started() const { return started_; }

private:
    void EncodeChar(FrequencyModel& model, int c);
    void EncodeBit(int bit);
    void Renormalise();
    void PutBit(int bit);
    void InsertNode(int r);
    void DeleteNode(int p);
    void CodeItem();
    void Flush();

    ByteSink sink_ = nullptr;
    void* context_ = nullptr;
    bool started_ = false;
    WorkArray<uint8_t> text_;
    WorkArray<int32_t> left_, right_, parent_;
    FrequencyModel literals_, distances_;
    uint32_t low_ = 0, high_ = kQ4, pending_ = 0;
    uint8_t mask_ = 0x80, byte_ = 0;
    int matchLength_ = 0, matchPosition_ = 0;
    int r_ = kWindow - kLookAhead, s_ = 0, len_ = 0;
    int state_ = 0, count_ = 0, lastMatchLength_ = 0;
};

class Decoder {
public:
    // 1, or -1 when the window or models cannot be allocated.
    int Start(ByteSource source, void* context);
    // Exactly count bytes into out. 1.
    int Decode(uint8_t* out, int count);
    uint8_t DecodeByte() {
        if (copied_ < matchLength_) return Emit(text_[(matchStart_ + copied_++) & (kWindow - 1)]);
        uint8_t b;
        Decode(&b, 1);
        return b;
    }
    void End();

private:
    int DecodeChar(FrequencyModel& model);
    int DecodeBit();
    void Renormalise();
    unsigned GetBits(int n);  // n <= 17
    uint8_t Emit(uint8_t byte) {
        text_[r_] = byte;
        r_ = (r_ + 1) & (kWindow - 1);
        return byte;
    }

    ByteSource source_ = nullptr;
    void* context_ = nullptr;
    WorkArray<uint8_t> text_;
    FrequencyModel literals_, distances_;
    uint32_t low_ = 0, high_ = kQ4, value_ = 0;
    uint32_t bits_ = 0;  // input bits not used yet: the low bitCount_ of them
    int bitCount_ = 0;
    int r_ = kWindow - kLookAhead;
    bool begun_ = false;
    int matchStart_ = 0, copied_ = 0, matchLength_ = 0;  // a match being copied out
};

}  // namespace lzss
