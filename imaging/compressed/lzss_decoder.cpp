// The byte coder's decoder.
#include <cstring>

#include "compressed/lzss_coder.h"

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
    bits_ = 0;
    bitCount_ = 0;
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

unsigned Decoder::GetBits(int n) {
    // A byte is taken only when a bit of it is needed.
    while (bitCount_ < n) {
        bits_ = bits_ << 8 | source_(context_);
        bitCount_ += 8;
    }
    bitCount_ -= n;
    return (bits_ >> bitCount_) & ((1u << n) - 1);
}

void Decoder::Renormalise() {
    constexpr uint32_t kMask = kQ4 - 1;
    for (;;) {
        // Leading bits that low and high - 1 share go out together (each is
        // a step with high <= Q2 or low >= Q2, the top bit dropped).
        const uint32_t differ = (low_ ^ (high_ - 1)) & kMask;
        const int shared = differ ? 16 - (31 - __builtin_clz(differ)) : 16;
        if (shared > 0) {
            low_ = (low_ << shared) & kMask;
            high_ = ((((high_ - 1) << shared) | ((1u << shared) - 1)) & kMask) + 1;
            value_ = ((value_ << shared) | GetBits(shared)) & kMask;
        } else if (low_ >= kQ1 && high_ <= kQ3) {
            low_ = (low_ - kQ1) << 1;
            high_ = (high_ - kQ1) << 1;
            value_ = (((value_ - kQ1) << 1) | GetBits(1)) & kMask;
        } else {
            break;
        }
    }
}

int Decoder::DecodeChar(FrequencyModel& model) {
    const uint32_t range = high_ - low_;
    const uint32_t total = static_cast<uint32_t>(model.Total());
    // Damaged data can leave value outside [low, high): every step stays
    // in bounds all the same (unsigned arithmetic, a symbol in 1..S).
    const uint32_t x = ((value_ - low_ + 1) * total - 1) / range;
    int cumulative = 0;
    const int sym = model.FindSymbol(x, &cumulative);
    const uint32_t above = static_cast<uint32_t>(cumulative);
    high_ = low_ + range * (above + static_cast<uint32_t>(model.Frequency(sym))) / total;
    low_ = low_ + range * above / total;
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
        value_ = GetBits(17);
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
