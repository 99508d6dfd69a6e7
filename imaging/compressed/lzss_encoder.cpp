// The byte coder's encoder: match search in binary trees, one per first
// byte, and arithmetic coding of literals, lengths and distances.
#include <cstring>

#include "compressed/lzss_coder.h"

namespace lzss {

namespace {
// Resume points of Encode.
enum State { kNotStarted, kFilling, kCodeItem, kReading, kDone };
}  // namespace

int Encoder::Start(ByteSink sink, void* context) {
    Free();
    if (!text_.Allocate(kTextSize) || !left_.Allocate(kWindow + 1) || !right_.Allocate(kWindow + 257) ||
        !parent_.Allocate(kWindow + 1) || literals_.Init(kLiteralChars) != 1 || distances_.Init(kDistanceChars) != 1) {
        Free();
        return -1;
    }
    for (int i = kWindow + 1; i <= kWindow + 256; ++i) right_[i] = kEmpty;
    for (int i = 0; i < kWindow; ++i) parent_[i] = kEmpty;
    sink_ = sink;
    context_ = context;
    low_ = 0;
    high_ = kQ4;
    pending_ = 0;
    mask_ = 0x80;
    byte_ = 0;
    matchLength_ = matchPosition_ = 0;
    r_ = kWindow - kLookAhead;
    s_ = 0;
    len_ = 0;
    state_ = kNotStarted;
    count_ = lastMatchLength_ = 0;
    started_ = true;
    return 1;
}

int Encoder::End() {
    if (started_ && state_ != kDone) Encode(nullptr, 0);
    Free();
    return 1;
}

void Encoder::Free() {
    started_ = false;
    text_.Free();
    left_.Free();
    right_.Free();
    parent_.Free();
    literals_.Free();
    distances_.Free();
}

void Encoder::PutBit(int bit) {
    if (bit) byte_ |= mask_;
    mask_ >>= 1;
    if (mask_ == 0) {
        sink_(context_, byte_);
        byte_ = 0;
        mask_ = 0x80;
    }
}

void Encoder::Renormalise() {
    for (;;) {
        if (high_ <= kQ2) {
            PutBit(0);
            for (; pending_ > 0; --pending_) PutBit(1);
        } else if (low_ >= kQ2) {
            PutBit(1);
            for (; pending_ > 0; --pending_) PutBit(0);
            low_ -= kQ2;
            high_ -= kQ2;
        } else if (low_ >= kQ1 && high_ <= kQ3) {
            ++pending_;
            low_ -= kQ1;
            high_ -= kQ1;
        } else {
            break;
        }
        low_ += low_;
        high_ += high_;
    }
}

void Encoder::EncodeChar(FrequencyModel& model, int c) {
    const int sym = model.charToSymbol[c];
    const uint32_t range = high_ - low_;
    const uint32_t total = static_cast<uint32_t>(model.Total());
    const uint32_t above = static_cast<uint32_t>(model.Cumulative(sym));  // symbols after sym
    high_ = low_ + range * (above + static_cast<uint32_t>(model.Frequency(sym))) / total;
    low_ = low_ + range * above / total;
    Renormalise();
    model.Update(sym);
}

void Encoder::EncodeBit(int bit) {
    const uint32_t range = high_ - low_;
    if (bit)
        high_ = low_ + range / 2;
    else
        low_ = low_ + range / 2;
    Renormalise();
}

void Encoder::InsertNode(int r) {
    const uint8_t* key = &text_[r];
    int cmp = 1;
    int p = kWindow + 1 + key[0];
    right_[r] = left_[r] = kEmpty;
    matchLength_ = 0;
    for (;;) {
        if (cmp >= 0) {
            if (right_[p] != kEmpty) {
                p = right_[p];
            } else {
                right_[p] = r;
                parent_[r] = p;
                return;
            }
        } else {
            if (left_[p] != kEmpty) {
                p = left_[p];
            } else {
                left_[p] = r;
                parent_[r] = p;
                return;
            }
        }
        const uint8_t* other = &text_[p];
        int i = 1;
        while (i < kLookAhead && key[i] == other[i]) ++i;
        cmp = i < kLookAhead ? key[i] - other[i] : 0;
        if (i > kThreshold) {
            const int distance = (r - p) & (kWindow - 1);
            if (i > matchLength_) {
                matchPosition_ = distance;
                matchLength_ = i;
                if (i >= kLookAhead) break;
            } else if (i == matchLength_ && distance < matchPosition_) {
                matchPosition_ = distance;  // the nearest of equal matches
            }
        }
    }
    // A full-length match: r takes p's place in the tree.
    parent_[r] = parent_[p];
    left_[r] = left_[p];
    right_[r] = right_[p];
    parent_[left_[p]] = r;
    parent_[right_[p]] = r;
    if (right_[parent_[p]] == p)
        right_[parent_[p]] = r;
    else
        left_[parent_[p]] = r;
    parent_[p] = kEmpty;
}

void Encoder::DeleteNode(int p) {
    if (parent_[p] == kEmpty) return;
    int q;
    if (right_[p] == kEmpty) {
        q = left_[p];
    } else if (left_[p] == kEmpty) {
        q = right_[p];
    } else {
        q = left_[p];
        if (right_[q] != kEmpty) {
            do q = right_[q];
            while (right_[q] != kEmpty);
            right_[parent_[q]] = left_[q];
            parent_[left_[q]] = parent_[q];
            left_[q] = left_[p];
            parent_[left_[p]] = q;
        }
        right_[q] = right_[p];
        parent_[right_[p]] = q;
    }
    parent_[q] = parent_[p];
    if (right_[parent_[p]] == p)
        right_[parent_[p]] = q;
    else
        left_[parent_[p]] = q;
    parent_[p] = kEmpty;
}

void Encoder::CodeItem() {
    if (matchLength_ > len_) matchLength_ = len_;
    if (matchLength_ <= kThreshold) {
        matchLength_ = 1;
        EncodeChar(literals_, text_[r_]);
    } else {
        EncodeChar(literals_, 255 - kThreshold + matchLength_);
        const int b = matchPosition_ - 1;  // 0..8190
        int j = 0;
        while ((b >> j) != 0) ++j;
        EncodeChar(distances_, j);
        for (int k = 0; k < j; ++k) EncodeBit((b >> k) & 1);
    }
    lastMatchLength_ = matchLength_;
    count_ = 0;
}

void Encoder::Flush() {
    ++pending_;
    if (low_ < kQ1) {
        PutBit(0);
        for (; pending_ > 0; --pending_) PutBit(1);
    } else {
        PutBit(1);
        for (; pending_ > 0; --pending_) PutBit(0);
    }
    for (int i = 0; i < 7; ++i) PutBit(0);
}

int Encoder::Encode(const uint8_t* bytes, int count) {
    if (!started_ || state_ == kDone) return 1;
    const bool finishing = count == 0;
    int next = 0;
    for (;;) {
        switch (state_) {
            case kNotStarted:
                std::memset(text_.get(), 0, kWindow - kLookAhead);
                len_ = 0;
                state_ = kFilling;
                break;
            case kFilling:
                while (len_ < kLookAhead && next < count) text_[r_ + len_++] = bytes[next++];
                if (len_ < kLookAhead && !finishing) return 1;
                for (int i = 1; i <= kLookAhead; ++i) InsertNode(r_ - i);
                InsertNode(r_);
                state_ = kCodeItem;
                break;
            case kCodeItem:
                CodeItem();
                state_ = kReading;
                break;
            case kReading:
                while (count_ < lastMatchLength_ && next < count) {
                    DeleteNode(s_);
                    const uint8_t c = bytes[next++];
                    text_[s_] = c;
                    if (s_ < kLookAhead - 1) text_[s_ + kWindow] = c;
                    s_ = (s_ + 1) & (kWindow - 1);
                    r_ = (r_ + 1) & (kWindow - 1);
                    InsertNode(r_);
                    ++count_;
                }
                if (count_ < lastMatchLength_) {
                    if (!finishing) return 1;
                    // The stream ends: the look-ahead shrinks instead.
                    for (; count_ < lastMatchLength_; ++count_) {
                        DeleteNode(s_);
                        s_ = (s_ + 1) & (kWindow - 1);
                        r_ = (r_ + 1) & (kWindow - 1);
                        if (--len_ > 0) InsertNode(r_);
                    }
                }
                if (len_ > 0) {
                    state_ = kCodeItem;
                    break;
                }
                Flush();
                state_ = kDone;
                return 1;
            default:
                return 1;
        }
    }
}

}  // namespace lzss
