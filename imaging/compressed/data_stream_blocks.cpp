// The block residual coder of the compressed-data stream.
#include "compressed/data_stream_blocks.h"

#include <cstring>

#include "volkg.h"

namespace datastream {

namespace {

int Cost(const uint8_t* bytes, int n) {
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        const int v = static_cast<int8_t>(bytes[i]);
        sum += v < 0 ? -v : v;
    }
    return sum;
}

int BitLength(unsigned v) {
    int n = 0;
    while (v >> n) ++n;
    return n;
}

}  // namespace

int BlockEncoder::Start(lzss::ByteSink sink, void* context) {
    fill_ = 0;
    shift_ = 0;
    std::memset(carried_, 0, sizeof carried_);
    acc_ = 0;
    mask_ = 0x80;
    return lz_.Start(sink, context);
}

void BlockEncoder::Write(const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (fill_ == kBlock) {
            EncodeBlock();
            fill_ = 0;
        }
        block_[fill_++] = bytes[i];
    }
}

void BlockEncoder::EncodeBlock() {
    const int n = fill_;
    unsigned all = 0;
    for (int i = 0; i < n; ++i) all |= block_[i];
    int s = kMaxShift;
    if (all != 0) {
        s = 0;
        while (!((all >> s) & 1)) ++s;
        for (int i = 0; i < n; ++i) block_[i] = static_cast<uint8_t>(block_[i] >> s);
    } else {
        std::memset(block_, 0, n);
    }
    if (s != shift_) {
        PutRice2(kShiftEscape);
        PutRice2(s);
        shift_ = s;
    }
    int bestCost = Cost(block_, n);
    int bestOrder = 0;
    std::memcpy(best_, block_, n);
    for (int order = 1; order <= kMaxOrder; ++order) {
        uint8_t previous = carried_[order];
        carried_[order] = block_[n - 1];
        for (int i = 0; i < n; ++i) {
            const uint8_t value = block_[i];
            block_[i] = static_cast<uint8_t>(value - previous);
            previous = value;
        }
        const int cost = Cost(block_, n);
        if (cost < bestCost) {
            bestCost = cost;
            bestOrder = order;
            std::memcpy(best_, block_, n);
        }
    }
    const int k = BitLength(static_cast<unsigned>(bestCost / n));
    PutRice2(bestOrder);
    PutZeros(k);
    PutBit(1);
    for (int i = 0; i < n; ++i) {
        const int r = static_cast<int8_t>(best_[i]);
        const unsigned z = r >= 0 ? 2u * r : static_cast<unsigned>(-2 * r - 1);
        PutZeros(static_cast<int>(z >> k));
        PutBit(1);
        PutBits(z, k);
    }
}

int BlockEncoder::End() {
    if (!lz_.started()) return 1;
    if (fill_ > 0) EncodeBlock();
    fill_ = 0;
    // Complete a byte that holds bits; nothing when none is pending.
    if (mask_ != 0x80) PutZeros(7);
    return lz_.End();
}

void BlockEncoder::Free() { lz_.Free(); }

int BlockDecoder::Start(lzss::ByteSource source, void* context, int64_t total) {
    pos_ = end_ = 0;
    remaining_ = total;
    shift_ = 0;
    std::memset(carried_, 0, sizeof carried_);
    window_ = 0;
    count_ = 0;
    return lz_.Start(source, context);
}

void BlockDecoder::End() { lz_.End(); }

int BlockDecoder::DecodeBlock() {
    const int n = remaining_ < kBlock ? static_cast<int>(remaining_) : kBlock;
    int order = GetRice2();
    if (order == kShiftEscape) {
        const int s = GetRice2();
        if (s < 0 || s > kMaxShift) return K_ERR_READ;
        shift_ = s;
        order = GetRice2();
    }
    if (order < 0 || order > kMaxOrder) return K_ERR_READ;
    const int k = GetUnary(kMaxRiceK);
    if (k < 0) return K_ERR_READ;
    const int qLimit = 255 >> k;
    for (int i = 0; i < n; ++i) {
        const int q = GetUnary(qLimit);
        if (q < 0) return K_ERR_READ;
        const unsigned z = static_cast<unsigned>(q) << k | GetBits(k);
        block_[i] = static_cast<uint8_t>((z & 1) ? -static_cast<int>(z >> 1) - 1 : static_cast<int>(z >> 1));
    }
    if (n == kBlock) {
        // The carried values of the orders above this block's, as the
        // encoder's passes left them.
        const uint8_t last = block_[n - 1], second = block_[n - 2], third = block_[n - 3];
        const uint8_t rebuilt[3] = {last, static_cast<uint8_t>(last - second),
                                    static_cast<uint8_t>(last - 2 * second + third)};
        for (int i = order + 1, j = 0; i <= kMaxOrder; ++i, ++j) carried_[i] = rebuilt[j];
    }
    for (int i = order; i >= 1; --i) {
        uint8_t sum = carried_[i];
        for (int j = 0; j < n; ++j) {
            sum = static_cast<uint8_t>(sum + block_[j]);
            block_[j] = sum;
        }
        carried_[i] = sum;
    }
    if (shift_ > 0)
        for (int j = 0; j < n; ++j) block_[j] = static_cast<uint8_t>(block_[j] << shift_);
    pos_ = 0;
    end_ = n;
    remaining_ -= n;
    return K_OK;
}

int BlockDecoder::Read(uint8_t* out, int count, const int* stop) {
    while (count > 0) {
        if (pos_ == end_) {
            if (remaining_ <= 0) return K_OK;  // the stream holds no more
            const int r = DecodeBlock();
            if (*stop != K_OK) return *stop;  // the input failed first
            if (r != K_OK) return r;
        }
        const int n = end_ - pos_ < count ? end_ - pos_ : count;
        std::memcpy(out, block_ + pos_, n);
        out += n;
        pos_ += n;
        count -= n;
    }
    return K_OK;
}

}  // namespace datastream
