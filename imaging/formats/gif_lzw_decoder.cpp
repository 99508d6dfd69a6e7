#include "formats/gif_lzw_decoder.h"

#include <algorithm>
#include <cstring>

namespace {

inline void Copy8(unsigned char* to, const unsigned char* from) { std::memcpy(to, from, 8); }

}  // namespace

GifLzwDecoder::GifLzwDecoder(Source& in, int minimum)
    : in_(in), minimum_(minimum), clear_(1 << minimum), end_(clear_ + 1) {
    for (int i = 0; i < clear_; ++i) {
        length_[i] = 1;
        first_[i] = last_[i][0] = static_cast<unsigned char>(i);
    }
    Reset();
}

void GifLzwDecoder::Reset() {
    size_ = minimum_ + 1;
    limit_ = 1 << size_;
    next_ = clear_ + 2;
    prev_ = -1;
}

// Writes the string of code back to front from its end; returns its end.
unsigned char* GifLzwDecoder::WriteString(int code, unsigned char* out) const {
    const int length = length_[code];
    unsigned char* p = out + ((length - 1) & ~7);
    Copy8(p, last_[code]);
    while (p > out) {
        code = prefix_[code];
        p -= 8;
        Copy8(p, last_[code]);
    }
    return out + length;
}

int GifLzwDecoder::Decode(unsigned char* out, int count) {
    int i = 0;
    if (held_ < heldEnd_) {
        const int n = std::min(count, heldEnd_ - held_);
        std::memcpy(out, holding_ + held_, n);
        held_ += n;
        i = n;
    }
    // The state in locals: stores through out could alias the members.
    uint32_t bit = bit_, bitEnd = bitEnd_;
    int size = size_, limit = limit_, next = next_, prev = prev_;
    uint32_t mask = (1u << size) - 1;
    int result = K_OK;
    while (i < count) {
        if (bit + size > bitEnd) {
            bit_ = bit;
            if (!ended_ && MoreData()) {
                bit = bit_;
                bitEnd = bitEnd_;
                continue;
            }
            ended_ = true;
            std::memset(out + i, 0, count - i);
            if (cutShort_) result = K_ERR_READ;
            break;
        }
        uint32_t word;
        std::memcpy(&word, data_ + (bit >> 3), 4);
        const int code = static_cast<int>(word >> (bit & 7) & mask);
        bit += size;

        // Each code after the first adds the previous string and the first
        // pixel of this one, until the table is full.
        int firstPixel;
        if (code < clear_) {
            firstPixel = code;
        } else if (code == clear_) {
            size = minimum_ + 1;
            limit = 1 << size;
            mask = (1u << size) - 1;
            next = clear_ + 2;
            prev = -1;
            continue;
        } else if (code == end_) {
            ended_ = true;
            bit = bitEnd;
            std::memset(out + i, 0, count - i);
            if (cutShort_) result = K_ERR_READ;
            break;
        } else {
            if (prev < 0 || code > next || (code == next && next >= kCodes)) {
                result = K_ERR_BADCODE;
                break;
            }
            // A code not yet in the table is the previous string and its
            // own first pixel.
            firstPixel = first_[code == next ? prev : code];
        }
        if (prev >= 0 && next < kCodes) {
            const int length = length_[prev];
            const int last = (length - 1) & 7;
            if (last < 7) {
                Copy8(last_[next], last_[prev]);
                last_[next][last + 1] = static_cast<unsigned char>(firstPixel);
                prefix_[next] = prefix_[prev];
            } else {
                last_[next][0] = static_cast<unsigned char>(firstPixel);
                prefix_[next] = static_cast<uint16_t>(prev);
            }
            length_[next] = static_cast<uint16_t>(length + 1);
            first_[next] = first_[prev];
            if (++next >= limit && size < 12) {
                ++size;
                limit <<= 1;
                mask = (1u << size) - 1;
            }
        }
        prev = code;
        if (code < clear_) {
            out[i++] = static_cast<unsigned char>(code);
            continue;
        }
        // A string is written with up to 7 bytes more: in place where they
        // fit in the row, else through the holding area, which keeps what
        // runs past the row for the next.
        const int length = length_[code];
        if (length + 7 <= count - i) {
            WriteString(code, out + i);
            i += length;
        } else {
            WriteString(code, holding_);
            const int n = std::min(length, count - i);
            std::memcpy(out + i, holding_, n);
            held_ = n;
            heldEnd_ = length;
            i += n;
        }
    }
    bit_ = bit;
    bitEnd_ = bitEnd;
    size_ = size;
    limit_ = limit;
    next_ = next;
    prev_ = prev;
    return result;
}

// Moves the unread bytes to the front and joins the next sub-blocks behind
// them; false when no byte was added (the end of the data).
bool GifLzwDecoder::MoreData() {
    if (dataEnd_) return false;
    const uint32_t used = bit_ >> 3;
    const int kept = static_cast<int>((bitEnd_ >> 3) - used);
    std::memmove(data_, data_ + used, static_cast<size_t>(kept));
    bit_ &= 7;
    int length = kept;
    while (length < kBlockBytes) {
        const int n = in_.Byte();
        if (n <= 0) {
            cutShort_ = n < 0;
            dataEnd_ = true;
            break;
        }
        const int got = in_.Read(data_ + length, n);
        length += got;
        if (got < n) {
            cutShort_ = true;
            dataEnd_ = true;
            break;
        }
    }
    bitEnd_ = static_cast<uint32_t>(length) * 8;
    return length > kept;
}
