// Bad calls, failing callbacks and damaged or cut streams: each ends with
// the stream's code in bounded time, and nothing is written past a buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compressed/lzss_coder.h"
#include "stream_fixture.h"

namespace {

int KAPI CountCalls(unsigned char*, int, void* user) {
    ++*static_cast<int*>(user);
    return 1;
}

TEST(DataStreamFaults, StartChecks) {
    unsigned char buffer[16];
    int calls = 0;
    BitmapRecord grey, colour, plain, wide;
    StreamRecord(PackedPicture{10, 4, 8, {}}, &grey);
    StreamRecord(PackedPicture{10, 4, 24, {}}, &colour);
    K_InitBitmap(&plain, 10, 4, 8);  // no grey palette
    K_InitBitmap(&wide, 10, 4, 16);
    BitmapRecord empty = grey;
    empty.Width = 0;
    struct Case {
        const char* what;
        BitmapRecord* bitmap;
        int bytesPerCall, bufferSize;
        unsigned char* buffer;
        int n;
        int expected;
    } cases[] = {
        {"no bitmap", nullptr, 10, 16, buffer, 0, K_ERR_NOBITMAP},
        {"16 bits", &wide, 20, 16, buffer, 0, K_ERR_BITS},
        {"8 bits without a grey palette", &plain, 10, 16, buffer, 0, K_ERR_BITS},
        {"width 0", &empty, 10, 16, buffer, 0, K_ERR_ARGUMENT},
        {"no rows per call", &grey, 0, 16, buffer, 0, K_ERR_ARGUMENT},
        {"part of a row", &colour, 20, 16, buffer, 0, K_ERR_ARGUMENT},
        {"buffer size 0", &grey, 10, 0, buffer, 0, K_ERR_ARGUMENT},
        {"no buffer", &grey, 10, 16, nullptr, 0, K_ERR_ARGUMENT},
        {"negative n", &grey, 10, 16, buffer, -1, K_ERR_ARGUMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(K_StartCompressData(c.bitmap, CountCalls, c.bytesPerCall, c.bufferSize, c.buffer, c.n, "", &calls),
                  c.expected);
        EXPECT_EQ(K_CompressData(buffer), K_ERR_ARGUMENT);  // no stream was started
        K_EndCompressData();
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(K_DecompressData(buffer), K_ERR_ARGUMENT);
}

TEST(DataStreamFaults, CallsAfterTheEnd) {
    const PackedPicture p = NoisePicture(9, 5, 24, 8);
    WrittenStream w;
    BitmapRecord bitmap;
    StreamRecord(p, &bitmap);
    std::vector<unsigned char> buffer(32);
    int calls = 0;
    ASSERT_EQ(K_StartCompressData(&bitmap, CountCalls, p.RowSize() * 5, 32, buffer.data(), 0, nullptr, &calls), 1);
    ASSERT_EQ(K_CompressData(p.bytes.data()), 1);
    const int written = calls;
    EXPECT_EQ(K_CompressData(p.bytes.data()), K_ERR_ARGUMENT);  // finished: nothing more, nothing freed twice
    EXPECT_EQ(calls, written);
    K_EndCompressData();
    K_EndCompressData();
    // Abandoned halfway: the end call frees the coder without writing.
    ASSERT_EQ(K_StartCompressData(&bitmap, CountCalls, p.RowSize(), 32, buffer.data(), 0, nullptr, &calls), 1);
    ASSERT_EQ(K_CompressData(p.bytes.data()), 1);
    const int before = calls;
    K_EndCompressData();
    EXPECT_EQ(calls, before);
}

TEST(DataStreamFaults, FailingCallbacksStopTheStream) {
    const PackedPicture p = HostPicture("rose:", 24);
    const WrittenStream good = Compress(p, 100, 1);
    for (int failValue : {0, -5, -14}) {
        SCOPED_TRACE(failValue);
        // A full disk: the write callback fails at its third call.
        WrittenStream w;
        w.failAtCall = 2;
        w.failValue = failValue;
        EXPECT_EQ(CompressInto(p, 100, 1, &w), failValue < 0 ? failValue : K_ERR_WRITE);
        EXPECT_EQ(w.counts.size(), 3u);  // no call after the failure
        // The read callback fails at its second call (the header came in the first).
        if (failValue < 0) {
            const ReadResult r = Decompress(good.bytes, p.width, p.height, 24, 100, 1, 0, 256, 1, failValue);
            EXPECT_EQ(r.start, 1);
            EXPECT_EQ(r.decode, failValue);
        }
    }
}

TEST(DataStreamFaults, HeaderAndCallerBytes) {
    const PackedPicture p = NoisePicture(6, 4, 8, 9);
    const std::string note = "ten bytes!";
    const WrittenStream w = Compress(p, 64, 1, note);
    // Room for 4 caller bytes: 4 are kept, the rest passed over, n is told.
    const ReadResult small = Decompress(w.bytes, 6, 4, 8, 64, 4, 0, 4);
    ASSERT_EQ(small.start, 1);
    EXPECT_EQ(small.callerCount, 10);
    EXPECT_EQ(small.callerBytes, "ten ");
    EXPECT_EQ(small.rows, p.bytes);
    // A stream of another size or depth, or no stream at all.
    struct Case {
        const char* what;
        int width, height, bits;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"other width", 5, 4, 8, w.bytes},
        {"other height", 6, 3, 8, w.bytes},
        {"other depth", 2, 4, 24, w.bytes},
        {"other magic", 6, 4, 8,
         [&] {
             auto b = w.bytes;
             b[0] = 'X';
             return b;
         }()},
        {"header cut short", 6, 4, 8, {w.bytes.begin(), w.bytes.begin() + 20}},
        {"caller bytes cut short", 6, 4, 8, {w.bytes.begin(), w.bytes.begin() + 33}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Decompress(c.bytes, c.width, c.height, c.bits, 16, 1).start, K_ERR_READ);
    }
}

// A stream of this header whose coded part is the byte coder's output for
// the given block-coder bytes.
std::vector<unsigned char> StreamOf(const std::vector<unsigned char>& header, const std::vector<uint8_t>& blockBytes) {
    struct Out {
        std::vector<unsigned char> bytes;
    } out{header};
    lzss::Encoder encoder;
    EXPECT_EQ(encoder.Start([](void* c, uint8_t b) { static_cast<Out*>(c)->bytes.push_back(b); }, &out), 1);
    encoder.Encode(blockBytes.data(), static_cast<int>(blockBytes.size()));
    encoder.End();
    return out.bytes;
}

TEST(DataStreamFaults, DamagedAndCutStreamsEndWithACode) {
    const PackedPicture p = HostPicture("logo:", 24, "64x48");
    const WrittenStream w = Compress(p, 4096, 1);
    const std::vector<unsigned char> header(w.bytes.begin(), w.bytes.begin() + 28);
    const struct {
        const char* what;
        std::vector<uint8_t> bits;
    } damaged[] = {
        {"unary run in Rice2", {0x00, 0x00}},      // 000...: no order or escape
        {"shift 9", {0x42, 0x80}},                 // 0100 00101: escape, shift 9
        {"escape twice", {0x44, 0x40}},            // escape, shift 4, escape again
        {"Rice parameter 9", {0x80, 0x00, 0x00}},  // order 0, then nine 0 bits
        {"residual past 255", {0x90, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},  // k = 0, then 256 zeros
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.what);
        const ReadResult r = Decompress(StreamOf(header, d.bits), p.width, p.height, 24, 4096, p.height);
        EXPECT_EQ(r.start, 1);
        EXPECT_EQ(r.decode, K_ERR_READ);
    }
    // Cut streams: the decoder finds the input ending.
    for (size_t keep : {size_t(28), size_t(29), w.bytes.size() / 2}) {
        SCOPED_TRACE(keep);
        const std::vector<unsigned char> cut(w.bytes.begin(), w.bytes.begin() + static_cast<long>(keep));
        EXPECT_EQ(Decompress(cut, p.width, p.height, 24, 7, 1).decode, K_ERR_READ);
    }
    // Bytes at random after a good header, through the byte coder or not:
    // any answer but a crash or a hang.
    std::mt19937 random(11);
    for (int i = 0; i < 30; ++i) {
        std::vector<uint8_t> junk(1 + random() % 400);
        for (auto& b : junk) b = static_cast<uint8_t>(random());
        std::vector<unsigned char> raw = header;
        raw.insert(raw.end(), junk.begin(), junk.end());
        for (const auto& stream : {raw, StreamOf(header, junk)}) {
            const int r = Decompress(stream, p.width, p.height, 24, 64, p.height).decode;
            EXPECT_TRUE(r == 1 || r == K_ERR_READ) << r;
        }
    }
}

TEST(DataStreamFaults, FileInfoReportsAStream) {
    const PackedPicture p = NoisePicture(7, 3, 24, 12);
    const WrittenStream w = Compress(p, 64, 3, "hello");
    const std::string path = TestTempPath("stream.qrno");
    WriteFileBytes(path, std::string(w.bytes.begin(), w.bytes.end()));
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), 1);
    EXPECT_EQ(info.FormatCode, 30);
    EXPECT_EQ(info.Width, 7);
    EXPECT_EQ(info.Height, 3);
    EXPECT_EQ(info.BitsPerPixel, 24);
    EXPECT_EQ(info.HeaderSize, 33);
    EXPECT_EQ(info.ColorOrder, K_ORDER_RGB);
    EXPECT_EQ(info.ImageSize, 63);
    EXPECT_EQ(info.ViewPerspective, K_TOP_DOWN);
    EXPECT_STREQ(info.Compression, "");
    // Read only through its own calls.
    RecordGuard record;
    K_InitBitmap(record.get(), 0, 0, 0);
    EXPECT_EQ(K_LoadBitmap(path.c_str(), record.get(), 24, 1), K_ERR_UNSUPPORTED);
}

}  // namespace
