#include "stream_fixture.h"

#include <algorithm>
#include <cctype>
#include <random>

PackedPicture HostPicture(const std::string& source, int bits, const std::string& resize) {
    PackedPicture p;
    const std::string path = TestTempPath("stream_source." + std::string(bits == 8 ? "pgm" : "ppm"));
    const std::string op = resize.empty() ? "" : " -resize " + resize + "!";
    EXPECT_EQ(RunHost(kConvert + " " + source + op + " -depth 8 " + (bits == 8 ? "-colorspace Gray " : "") + path), 0);
    const std::string file = ReadFileBytes(path);
    // PNM: magic, width, height, maxval, one whitespace, then the rows.
    int fields[3] = {};
    size_t at = 2;
    for (int& f : fields) {
        while (at < file.size() && !isdigit(static_cast<unsigned char>(file[at]))) ++at;
        while (at < file.size() && isdigit(static_cast<unsigned char>(file[at]))) f = f * 10 + (file[at++] - '0');
    }
    ++at;
    p.width = fields[0];
    p.height = fields[1];
    p.bits = bits;
    p.bytes.assign(file.begin() + static_cast<long>(std::min(at, file.size())), file.end());
    EXPECT_EQ(p.bytes.size(), static_cast<size_t>(p.RowSize()) * p.height) << source;
    return p;
}

PackedPicture NoisePicture(int width, int height, int bits, unsigned seed) {
    PackedPicture p{width, height, bits, {}};
    std::mt19937 random(seed);
    p.bytes.resize(static_cast<size_t>(p.RowSize()) * height);
    for (auto& b : p.bytes) b = static_cast<unsigned char>(random());
    return p;
}

void StreamRecord(const PackedPicture& picture, BitmapRecord* bitmap) {
    K_InitBitmap(bitmap, picture.width, picture.height, picture.bits);
    if (picture.bits == 8) bitmap->Flags |= K_GRAY_PALETTE;
}

namespace {

int KAPI Collect(unsigned char* buffer, int count, void* user) {
    auto* w = static_cast<WrittenStream*>(user);
    const int call = static_cast<int>(w->counts.size());
    w->counts.push_back(count);
    if (call == w->failAtCall) return w->failValue;
    w->bytes.insert(w->bytes.end(), buffer, buffer + count);
    return 1;
}

struct Feed {
    const std::vector<unsigned char>* stream;
    size_t at = 0;
    int chunk = 0;
    int call = 0, failAtCall = -1, failValue = 0;
};

int KAPI Supply(unsigned char* buffer, int size, void* user) {
    auto* f = static_cast<Feed*>(user);
    if (f->call++ == f->failAtCall) return f->failValue;
    size_t n = std::min(static_cast<size_t>(size), f->stream->size() - f->at);
    if (f->chunk > 0) n = std::min(n, static_cast<size_t>(f->chunk));
    std::copy_n(f->stream->begin() + static_cast<long>(f->at), n, buffer);
    f->at += n;
    return static_cast<int>(n);
}

}  // namespace

int CompressInto(const PackedPicture& picture, int bufferSize, int rowsPerCall, WrittenStream* written,
                 const std::string& callerBytes) {
    BitmapRecord bitmap;
    StreamRecord(picture, &bitmap);
    bitmap.ColorOrder = K_ORDER_RGB;
    std::vector<unsigned char> buffer(bufferSize);
    int r = K_StartCompressData(&bitmap, Collect, rowsPerCall * picture.RowSize(), bufferSize, buffer.data(),
                                static_cast<int>(callerBytes.size()), callerBytes.data(), written);
    for (int y = 0; y < picture.height && r == 1; y += rowsPerCall)
        r = K_CompressData(picture.bytes.data() + static_cast<size_t>(y) * picture.RowSize());
    K_EndCompressData();
    return r;
}

WrittenStream Compress(const PackedPicture& picture, int bufferSize, int rowsPerCall, const std::string& callerBytes) {
    WrittenStream written;
    EXPECT_EQ(CompressInto(picture, bufferSize, rowsPerCall, &written, callerBytes), 1);
    return written;
}

ReadResult Decompress(const std::vector<unsigned char>& stream, int width, int height, int bits, int bufferSize,
                      int rowsPerCall, int chunk, int callerRoom, int failAtCall, int failValue) {
    ReadResult result;
    BitmapRecord bitmap;
    PackedPicture shape{width, height, bits, {}};
    StreamRecord(shape, &bitmap);
    std::vector<unsigned char> buffer(bufferSize);
    Feed feed{&stream, 0, chunk, 0, failAtCall, failValue};
    result.callerCount = callerRoom;
    std::string caller(std::max(callerRoom, 0), '\0');
    result.start = K_StartDecompressData(&bitmap, Supply, bufferSize, buffer.data(), rowsPerCall * shape.RowSize(),
                                         &result.callerCount, caller.data(), &feed);
    if (result.start != 1) return result;
    result.callerBytes = caller.substr(0, std::min(std::max(result.callerCount, 0), callerRoom));
    result.colorOrder = bitmap.ColorOrder;
    result.rows.resize(static_cast<size_t>(shape.RowSize()) * height);
    for (int y = 0; y < height && result.decode == 1; y += rowsPerCall)
        result.decode = K_DecompressData(result.rows.data() + static_cast<size_t>(y) * shape.RowSize());
    K_EndDecompressData();
    return result;
}
