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
        prefix_[i] = 0;
        length_[i] = 1;
        suffix_[i] = first_[i] = static_cast<uint8_t>(i);
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

// The next code, or -1 when the data has ended.
int LzwDecoder::FetchCode() {
    uint32_t code;
    if (lsb_) {
        while (!lsbBits_.Read(width_, &code))
            if (!Load()) return -1;
    } else {
        while (!msbBits_.Read(width_, &code))
            if (!Load()) return -1;
    }
    return static_cast<int>(code);
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
    while (done < count) {
        const int code = FetchCode();
        if (code < 0) return inputError_ ? inputError_ : K_ERR_READ;
        if (code == kClear) {
            ResetTable();
            continue;
        }
        if (code == kEnd) return K_ERR_BADCODE;
        if (previous_ < 0) {
            // The first code after a clear stands for itself.
            if (code > 255) return K_ERR_BADCODE;
            out[done++] = static_cast<unsigned char>(code);
            previous_ = code;
            continue;
        }
        if (code > next_ || (code == next_ && next_ >= kLimit)) return K_ERR_BADCODE;
        if (next_ < kLimit) {
            // The new entry: the previous string and the first byte of this
            // one (of the previous one when this code is the new entry).
            const int head = code < next_ ? first_[code] : first_[previous_];
            prefix_[next_] = static_cast<uint16_t>(previous_);
            suffix_[next_] = static_cast<uint8_t>(head);
            first_[next_] = first_[previous_];
            length_[next_] = static_cast<uint16_t>(length_[previous_] + 1);
            if (++next_ > threshold_ && width_ < kMaxWidth) {
                ++width_;
                threshold_ = (1 << width_) - (lsb_ ? 1 : 2);
            }
        }
        const size_t length = length_[code];
        const size_t room = count - done;
        unsigned char* to = length <= room ? out + done : pending_;
        unsigned c = static_cast<unsigned>(code);
        for (size_t i = length - 1; i > 0; --i) {
            to[i] = suffix_[c];
            c = prefix_[c];
        }
        to[0] = static_cast<unsigned char>(c);
        if (to == pending_) {
            std::memcpy(out + done, pending_, room);
            pendingAt_ = room;
            pendingLeft_ = length - room;
            done = count;
        } else {
            done += length;
        }
        previous_ = code;
    }
    return K_OK;
}
