// The byte coder's decoder.
#include <cstring>

#include "jpeg/lzss_coder.h"

namespace lzss {

int Decoder::Start(ByteSource source, void* context) {
    End();
    if (!text_.Allocate(kWindow) || literals_.Init(kLiteralChars) != 1 || distances_.Init(kDistanceChars) != 1) {
        End();
        return -1;
    }
    source_ = source;
    context_ = context;
    low_ = 0;
    high_ = kQ4;
    value_ = 0;
    mask_ = 0;
    byte_ = 0;
    r_ = kWindow - kLookAhead;
    begun_ = false;
    matchStart_ = copied_ = matchLength_ = 0;
    return 1;
}

void Decoder::End() {
    text_.Free();
    literals_.Free();
    distances_.Free();
}

int Decoder::GetBit() {
    mask_ >>= 1;
    if (mask_ == 0) {
        byte_ = source_(context_);
        mask_ = 0x80;
    }
    return (byte_ & mask_) != 0;
}

void Decoder::Renormalise() {
    for (;;) {
        if (low_ >= kQ2) {
            value_ -= kQ2;
            low_ -= kQ2;
            high_ -= kQ2;
        } else if (low_ >= kQ1 && high_ <= kQ3) {
            value_ -= kQ1;
            low_ -= kQ1;
            high_ -= kQ1;
        } else if (high_ > kQ2) {
            break;
        }
        low_ += low_;
        high_ += high_;
        value_ = 2 * value_ + static_cast<uint32_t>(GetBit());
    }
}

int Decoder::DecodeChar(FrequencyModel& model) {
    const uint32_t range = high_ - low_;
    const uint32_t total = static_cast<uint32_t>(model.cumulative[0]);
    // Damaged data can leave value outside [low, high): every step stays
    // in bounds all the same (unsigned arithmetic, a symbol in 1..S).
    const uint32_t x = ((value_ - low_ + 1) * total - 1) / range;
    int lo = 1, hi = model.symbols;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (static_cast<uint32_t>(model.cumulative[mid]) > x) lo = mid + 1;
        else hi = mid;
    }
    const int sym = lo;
    high_ = low_ + range * static_cast<uint32_t>(model.cumulative[sym - 1]) / total;
    low_ = low_ + range * static_cast<uint32_t>(model.cumulative[sym]) / total;
    Renormalise();
    const int c = model.symbolToChar[sym];
    model.Update(sym);
    return c;
}

int Decoder::DecodeBit() {
    const uint32_t range = high_ - low_;
    uint32_t c = (2 * (value_ - low_) + 1) / range;
    if (c > 1) c = 1;  // only damaged data gets here
    high_ = low_ + range * (c + 1) / 2;
    low_ = low_ + range * c / 2;
    Renormalise();
    return static_cast<int>(1 - c);
}

int Decoder::Decode(uint8_t* out, int count) {
    if (!begun_) {
        begun_ = true;
        for (int i = 0; i < 17; ++i) value_ = 2 * value_ + static_cast<uint32_t>(GetBit());
        std::memset(text_.get(), 0, kWindow - kLookAhead);
        r_ = kWindow - kLookAhead;
    }
    int done = 0;
    while (done < count) {
        if (copied_ < matchLength_) {
            // The rest of a match, as far as this call asks.
            while (copied_ < matchLength_ && done < count)
                out[done++] = Emit(text_[(matchStart_ + copied_++) & (kWindow - 1)]);
            continue;
        }
        const int c = DecodeChar(literals_);
        if (c < 256) {
            out[done++] = Emit(static_cast<uint8_t>(c));
            continue;
        }
        const int j = DecodeChar(distances_);
        int b = 0;
        for (int k = 0; k < j; ++k) b |= DecodeBit() << k;
        matchStart_ = (r_ - b - 1) & (kWindow - 1);
        matchLength_ = c - 255 + kThreshold;
        copied_ = 0;
    }
    return 1;
}

}  // namespace lzss
