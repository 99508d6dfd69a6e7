// TIFF LZW encoding: strings are found in a 9001-slot open-addressing hash
// keyed by (byte, prefix code); every 10000 input bytes the compression
// ratio is checked and the table restarts when it stopped improving.
#include <algorithm>
#include <cstring>

#include "tiff/lzw.h"
#include "volkg.h"

namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirst = 258;
constexpr int kCheckGap = 10000;

}  // namespace

LzwEncoder::LzwEncoder() { ClearHash(); }

void LzwEncoder::ClearHash() { std::fill(keys_, keys_ + kHashSize, -1); }

void LzwEncoder::Start(ByteSink* output) {
    output_ = output;
    bits_.emplace(*output);
    width_ = 9;
    maxCode_ = 511;
    pendingCode_ = -1;
    next_ = kFirst;
    checkpoint_ = kCheckGap;
    inCount_ = outBits_ = ratio_ = 0;
    ClearHash();
}

void LzwEncoder::Put(int code) {
    bits_->Put(static_cast<uint32_t>(code), width_);
    outBits_ += width_;
}

// Emits the clear code at the current width and starts a new table.
void LzwEncoder::Restart() {
    ClearHash();
    ratio_ = inCount_ = outBits_ = 0;
    next_ = kFirst;
    Put(kClear);
    width_ = 9;
    maxCode_ = 511;
}

void LzwEncoder::Encode(const unsigned char* data, size_t count) {
    if (count == 0) return;
    size_t i = 0;
    if (pendingCode_ < 0) {
        Put(kClear);
        pendingCode_ = data[i++];
        ++inCount_;
    }
    int ent = pendingCode_;
    for (; i < count; ++i) {
        const int c = data[i];
        ++inCount_;
        const int32_t key = (c << 12) + ent;
        int h = (c << 5) ^ ent;
        if (keys_[h] == key) {
            ent = codes_[h];
            continue;
        }
        if (keys_[h] >= 0) {
            const int step = h == 0 ? 1 : kHashSize - h;
            bool found = false;
            do {
                if ((h -= step) < 0) h += kHashSize;
                if (keys_[h] == key) {
                    found = true;
                    break;
                }
            } while (keys_[h] >= 0);
            if (found) {
                ent = codes_[h];
                continue;
            }
        }
        // Not in the table: emit the string so far, add it plus c.
        Put(ent);
        ent = c;
        codes_[h] = static_cast<uint16_t>(next_++);
        keys_[h] = key;
        if (next_ == kMaxCode - 1) {
            Restart();
        } else if (next_ > maxCode_) {
            ++width_;
            maxCode_ = (1 << width_) - 1;
        } else if (inCount_ >= checkpoint_) {
            checkpoint_ = inCount_ + kCheckGap;
            int64_t ratio;
            if (inCount_ > 0x7FFFFF) {
                const int64_t bits = outBits_ >> 8;
                ratio = bits == 0 ? 0x7FFFFFFF : inCount_ / bits;
            } else {
                ratio = outBits_ ? (inCount_ << 8) / outBits_ : 0x7FFFFFFF;
            }
            if (ratio <= ratio_)
                Restart();
            else
                ratio_ = ratio;
        }
    }
    pendingCode_ = ent;
}

void LzwEncoder::Finish() {
    if (pendingCode_ >= 0) {
        Put(pendingCode_);
        pendingCode_ = -1;
        // The reader adds an entry for this code and may widen before the
        // end code, or have its table full and expect a clear.
        if (next_ + 1 == kMaxCode - 1) {
            Put(kClear);
            width_ = 9;
        } else if (next_ + 1 > maxCode_) {
            ++width_;
        }
    }
    Put(kEnd);
    bits_->Flush();
}
