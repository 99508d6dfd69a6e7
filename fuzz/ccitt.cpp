// The CCITT decoder on raw streams: the first byte picks the coding and the
// bit order, the next two the width; the rest is coded data, decoded row
// by row until the decoder reports an error or the rows would pass the
// pixel budget. Every row must stay in its buffer (ASan) and every call end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fax/ccitt_coder.h"

namespace {

class Chunks : public ChunkSource {
public:
    Chunks(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Blocks of 61 bytes, so that codes cross block ends.
    int Next(const unsigned char** data, size_t* size) override {
        if (at_ >= size_) return 0;
        *data = data_ + at_;
        *size = std::min<size_t>(61, size_ - at_);
        at_ += *size;
        return 1;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static const FaxCoding kCodings[] = {FaxCoding::ModifiedHuffman, FaxCoding::Group3OneD, FaxCoding::Group3TwoD,
                                         FaxCoding::Group4};
    FaxOptions o;
    o.coding = kCodings[data[0] & 3];
    o.reverseBits = data[0] & 4;
    o.noEol = data[0] & 8;
    o.width = 1 + ((data[1] << 8 | data[2]) % 5000);
    FaxDecoder decoder;
    if (decoder.Init(o) != 1) return 0;
    Chunks chunks(data + 3, size - 3);
    if (decoder.Start(&chunks) != 1) return 0;
    // Exactly the row's bytes, so that ASan sees any write past them.
    std::vector<unsigned char> row((o.width + 7) / 8);
    const int rows = std::min(4096, (1 << 22) / o.width);
    for (int y = 0; y < rows; ++y)
        if (decoder.DecodeRow(row.data()) != 1) break;
    return 0;
}
