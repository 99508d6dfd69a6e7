// TIFF LZW decoding. Strings are written backwards straight into the
// caller's row from their prefix chain; a string longer than what the
// request still needs goes to a side buffer whose rest the next request
// takes first.
#include <algorithm>
#include <cstring>

#include "tiff/lzw.h"
#include "volkg.h"

namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirst = 258;
// Entries are added while the next code is below this.
constexpr int kLimit = LzwDecoder::kTableSize - 1;

}  // namespace

LzwDecoder::LzwDecoder() {
    for (int i = 0; i < 256; ++i) {
        const auto b = static_cast<uint8_t>(i);
        table_[i] = {{b, 0, 0, 0}, 0, 1, b};
    }
}

void LzwDecoder::ResetTable() {
    width_ = 9;
    next_ = kFirst;
    // The early change: the width grows one code before it must.
    threshold_ = lsb_ ? 511 : 510;
    previous_ = -1;
}

// The next block of the strip into the bit reader.
bool LzwDecoder::Load() {
    if (inputError_) return false;
    const unsigned char* data = nullptr;
    size_t size = 0;
    int r;
    while ((r = input_->Next(&data, &size)) == 1 && size == 0) {
    }
    if (r != 1) {
        inputError_ = r < 0 ? r : K_ERR_READ;
        return false;
    }
    // Old-style strips start with a clear code written low bit first:
    // bytes 0x00 and then one with bit 0 set.
    if (atStart_) lsb_ = size >= 2 && data[0] == 0 && (data[1] & 1);
    atStart_ = false;
    if (lsb_) lsbBits_.Feed(data, size);
    else msbBits_.Feed(data, size);
    return true;
}

void LzwDecoder::Start(ChunkSource* input) {
    input_ = input;
    inputError_ = 0;
    msbBits_ = BitReaderMSB();
    lsbBits_ = BitReaderLSB();
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
    return lsb_ ? Run(lsbBits_, out, done, count) : Run(msbBits_, out, done, count);
}

// The decoding loop works on local copies of the state: stores into the
// output (bytes, which may alias anything) would otherwise reload every
// member after each byte.
template <class Bits>
int LzwDecoder::Run(Bits& reader, unsigned char* out, size_t done, size_t count) {
    Bits bits = reader;
    int width = width_, next = next_, threshold = threshold_, previous = previous_;
    Entry* const table = table_;
    unsigned char* to = out + done;
    unsigned char* const end = out + count;
    int result = K_OK;
    while (to < end) {
        uint32_t read;
        if (!bits.Read(width, &read)) {
            reader = bits;
            const bool more = Load();
            bits = reader;
            if (!more) {
                result = inputError_ ? inputError_ : K_ERR_READ;
                break;
            }
            continue;
        }
        const int code = static_cast<int>(read);
        // Clear and end codes, the first code after a clear, and codes the
        // table does not hold yet leave the common path.
        if (code >= next || previous < 0 || static_cast<unsigned>(code - kClear) < 2) {
            if (code == kClear) {
                width = 9;
                next = kFirst;
                threshold = (1 << width) - (lsb_ ? 1 : 2);
                previous = -1;
                continue;
            }
            if (code == kEnd) {
                result = K_ERR_BADCODE;
                break;
            }
            if (previous < 0) {
                // The first code after a clear stands for itself.
                if (code > 255) {
                    result = K_ERR_BADCODE;
                    break;
                }
                *to++ = static_cast<unsigned char>(code);
                previous = code;
                continue;
            }
            // Only the entry about to be added may be used before it exists.
            if (code > next || next >= kLimit) {
                result = K_ERR_BADCODE;
                break;
            }
        }
        if (next < kLimit) {
            // The new entry: the previous string and the first byte of this
            // one (of the previous one when this code is the new entry).
            const Entry& last = table[previous];
            Entry& added = table[next];
            const uint8_t head = code < next ? table[code].head[0] : last.head[0];
            std::memcpy(added.head, last.head, 4);
            if (last.length < 4) added.head[last.length] = head;
            added.prefix = static_cast<uint16_t>(previous);
            added.length = static_cast<uint16_t>(last.length + 1);
            added.suffix = head;
            if (++next > threshold && width < kMaxWidth) {
                ++width;
                threshold = (1 << width) - (lsb_ ? 1 : 2);
            }
        }
        previous = code;
        const Entry& entry = table[code];
        const size_t length = entry.length;
        const size_t room = static_cast<size_t>(end - to);
        if (length <= 4 && room >= 4) {
            // Four bytes written; those past the string are written again
            // by the next one.
            std::memcpy(to, entry.head, 4);
            to += length;
            continue;
        }
        unsigned char* at = length <= room ? to : pending_;
        unsigned c = static_cast<unsigned>(code);
        size_t n = length;
        while (n > 4) {
            at[--n] = table[c].suffix;
            c = table[c].prefix;
        }
        std::memcpy(at, table[c].head, n);
        if (at == pending_) {
            std::memcpy(to, pending_, room);
            pendingAt_ = room;
            pendingLeft_ = length - room;
            to = end;
        } else {
            to += length;
        }
    }
    reader = bits;
    width_ = width;
    next_ = next;
    threshold_ = threshold;
    previous_ = previous;
    return result;
}
