// TIFF LZW decoding. A code is taken from a 32-bit word refilled two bytes
// at a time; strings of up to four bytes are written in one store, longer
// ones backwards from their prefix chain straight into the caller's row. A
// string longer than what the request still needs goes to a side buffer
// whose rest the next request takes first.
#include <algorithm>
#include <bit>
#include <cstring>

#include "tiff/lzw.h"
#include "volkg.h"

namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirst = 258;
// Entries are added while the next code is below this.
constexpr int kLimit = LzwDecoder::kTableSize - 1;
// A string's head is a word whose bytes are the string's in memory order.
static_assert(std::endian::native == std::endian::little, "LZW heads are built little-endian");

uint32_t Length(uint32_t link) { return link >> 16; }
unsigned Prefix(uint32_t link) { return link & 0xFFFF; }

}  // namespace

LzwDecoder::LzwDecoder() {
    for (int i = 0; i < 256; ++i) {
        const auto b = static_cast<uint8_t>(i);
        table_[i] = {b, 1u << 16};
        suffix_[i] = b;
    }
    // The clear code's entry is an empty string: after a clear the table
    // starts one code early, so that the first code adds a harmless entry
    // in the end code's place instead of being a case of its own.
    table_[kClear] = {0, 0};
}

void LzwDecoder::ResetTable() {
    width_ = 9;
    next_ = kFirst - 1;
    // The early change: the width grows one code before it must.
    threshold_ = lsb_ ? 511 : 510;
    previous_ = kClear;
}

// The next block of the strip.
bool LzwDecoder::Load() {
    if (inputError_) return false;
    const unsigned char* data = nullptr;
    size_t size = 0;
    int r;
    while ((r = input_->Next(&data, &size)) == 1 && size == 0) {}
    if (r != 1) {
        inputError_ = r < 0 ? r : K_ERR_READ;
        return false;
    }
    // Old-style strips start with a clear code written low bit first:
    // bytes 0x00 and then one with bit 0 set.
    if (atStart_) lsb_ = size >= 2 && data[0] == 0 && (data[1] & 1);
    atStart_ = false;
    in_ = data;
    inEnd_ = data + size;
    return true;
}

void LzwDecoder::Start(ChunkSource* input) {
    input_ = input;
    inputError_ = 0;
    in_ = inEnd_ = nullptr;
    held_ = 0;
    bits_ = 0;
    pendingLeft_ = 0;
    atStart_ = true;
    lsb_ = false;
    Load();
    ResetTable();
}

int LzwDecoder::Decode(unsigned char* out, size_t count) {
    size_t done = 0;
    if (pendingLeft_) {
        const size_t n = std::min(pendingLeft_, count);
        std::memcpy(out, pending_ + pendingAt_, n);
        pendingAt_ += n;
        pendingLeft_ -= n;
        done = n;
    }
    if (done == count) return K_OK;
    return lsb_ ? Run<false>(out, done, count) : Run<true>(out, done, count);
}

// The decoding loop works on local copies of the state: stores into the
// output (bytes, which may alias anything) would otherwise reload every
// member after each byte. It is written for few live values (32-bit x86
// has seven registers): whatever is rare (a new code width, a full table, a
// clear code, the end of a block or of the request) leaves the common path.
template <bool Msb>
int LzwDecoder::Run(unsigned char* out, size_t done, size_t count) {
    const unsigned char* in = in_;
    const unsigned char* inEnd = inEnd_;
    uint32_t held = held_;
    int bits = bits_;
    int width = width_, next = next_, threshold = threshold_, previous = previous_;
    uint32_t mask = (1u << width) - 1;
    // Past this the width grows or the table is full.
    auto boundFor = [&] { return width < kMaxWidth ? std::min(threshold + 1, kLimit) : kLimit; };
    int bound = boundFor();
    Entry* const table = table_;
    uint8_t* const suffix = suffix_;
    unsigned char* to = out + done;
    unsigned char* const end = out + count;
    int result = K_OK;
    while (to < end) {
        if (bits < width) {
            // At most 13 bits are wanted and fewer than 13 held: two bytes
            // always fit beside them.
            if (inEnd - in >= 2) [[likely]] {
                if (Msb)
                    held = held << 16 | static_cast<uint32_t>(in[0]) << 8 | in[1];
                else
                    held |= (static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8) << bits;
                in += 2;
                bits += 16;
            } else {
                // The end of a block: a byte at a time, across blocks.
                bool more = true;
                while (bits < width) {
                    if (in == inEnd) {
                        more = Load();
                        if (!more) break;
                        in = in_;
                        inEnd = inEnd_;
                    }
                    if (Msb)
                        held = held << 8 | *in++;
                    else
                        held |= static_cast<uint32_t>(*in++) << bits;
                    bits += 8;
                }
                if (!more) {
                    result = inputError_;
                    break;
                }
            }
        }
        int code;
        if (Msb) {
            bits -= width;
            code = static_cast<int>(held >> bits & mask);
        } else {
            code = static_cast<int>(held & mask);
            held >>= width;
            bits -= width;
        }
        // The first byte of the string, which ends the entry added now.
        uint8_t first;
        if (code < next && static_cast<unsigned>(code - kClear) >= 2) [[likely]] {
            first = static_cast<uint8_t>(table[code].head);
        } else {
            if (code == kClear) {
                width = 9;
                mask = (1u << width) - 1;
                next = kFirst - 1;
                threshold = (1 << width) - (Msb ? 2 : 1);
                bound = boundFor();
                previous = kClear;
                continue;
            }
            // Only the entry about to be added may be used before it
            // exists (an end code before the bytes asked for is bad too).
            if (code == kEnd || code != next || next >= kLimit) {
                result = K_ERR_BADCODE;
                break;
            }
            first = static_cast<uint8_t>(table[previous].head);
        }
        // The new entry: the previous string and that byte. Once the table
        // is full the last entry is written over and over, and never read:
        // its code is refused above.
        {
            const Entry last = table[previous];
            const uint32_t length = Length(last.link);
            uint32_t head = last.head;
            if (length < 4) head |= static_cast<uint32_t>(first) << (8 * length);
            table[next] = {head, static_cast<uint32_t>(previous) | (length + 1) << 16};
            suffix[next] = first;
        }
        if (++next >= bound) [[unlikely]] {
            if (next > threshold && width < kMaxWidth) {
                ++width;
                mask = (1u << width) - 1;
                threshold = (1 << width) - (Msb ? 2 : 1);
            }
            next = std::min(next, kLimit);
            bound = boundFor();
        }
        previous = code;
        const Entry entry = table[code];
        const size_t length = Length(entry.link);
        if (length <= 4 && end - to >= 4) [[likely]] {
            // Four bytes written; those past the string are written again
            // by the next one.
            std::memcpy(to, &entry.head, 4);
            to += length;
            continue;
        }
        const size_t room = static_cast<size_t>(end - to);
        unsigned char* at = length <= room ? to : pending_;
        unsigned c = static_cast<unsigned>(code);
        size_t n = length;
        while (n > 4) {
            at[--n] = suffix[c];
            c = Prefix(table[c].link);
        }
        for (size_t i = 0; i < n; ++i) at[i] = static_cast<uint8_t>(table[c].head >> 8 * i);
        if (at == pending_) {
            for (size_t i = 0; i < room; ++i) to[i] = pending_[i];
            pendingAt_ = room;
            pendingLeft_ = length - room;
            to = end;
        } else {
            to += length;
        }
    }
    in_ = in;
    inEnd_ = inEnd;
    held_ = held;
    bits_ = bits;
    width_ = width;
    next_ = next;
    threshold_ = threshold;
    previous_ = previous;
    return result;
}
