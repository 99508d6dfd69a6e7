// The compressed-data stream's decoder: the first bytes pick the picture
// (width, height, 8 or 24 bits), the rows per call and the read callback's
// chunk; the rest follows a good header as the coded part.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_load.h"

namespace {

struct Feed {
    const uint8_t* data;
    size_t size, at = 0, chunk;
};

int KAPI Supply(unsigned char* buffer, int room, void* user) {
    auto* f = static_cast<Feed*>(user);
    const size_t n = std::min({static_cast<size_t>(room), f->size - f->at, f->chunk});
    std::memcpy(buffer, f->data + f->at, n);
    f->at += n;
    return static_cast<int>(n);
}

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5 || size > fuzz::kMaxInput) return 0;
    const int width = 1 + data[0] % 64, height = 1 + data[1] % 64, bits = (data[2] & 1) ? 24 : 8;
    const int rowsPerCall = 1 + data[3] % height;
    std::vector<uint8_t> stream = {'Q', 'R', 'N', 'O'};
    Put32(stream, width);
    Put32(stream, height);
    Put32(stream, bits);
    Put32(stream, 0);
    Put32(stream, 0);
    Put32(stream, 1);
    stream.insert(stream.end(), data + 5, data + size);
    fuzz::Bitmap b;
    K_InitBitmap(&b.r, width, height, bits);
    const int rowSize = width * bits / 8;
    std::vector<unsigned char> buffer(1 + data[4] % 97), rows(static_cast<size_t>(rowSize) * rowsPerCall);
    Feed feed{stream.data(), stream.size(), 0, 1 + static_cast<size_t>(data[4] % 13)};
    int n = 0;
    if (K_StartDecompressData(&b.r, Supply, static_cast<int>(buffer.size()), buffer.data(), rowSize * rowsPerCall, &n,
                              nullptr, &feed) == 1) {
        for (int y = 0; y < height; y += rowsPerCall)
            if (K_DecompressData(rows.data()) != 1) break;
        K_EndDecompressData();
    }
    return 0;
}
