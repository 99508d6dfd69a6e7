// The compressed-data stream: its header and rows in serpentine order, 24-bit
// rows split into byte planes of up to 8 rows, over the block coder. One
// stream exists in the process at a time; compressing and decompressing
// share its state.
#include <climits>
#include <cstring>

#include "compressed/data_stream_blocks.h"
#include "volkg.h"

namespace {

constexpr char kMagic[4] = {'Q', 'R', 'N', 'O'};
constexpr int kGroupRows = 8;  // rows per byte-plane group of 24-bit streams
// Bytes the decoder may take past the end of the input: the arithmetic
// decoder reads up to 17 bits ahead; more means the input is short.
constexpr int kReadAheadSlack = 16;

enum class Mode { Idle, Compressing, Finished, Decompressing };

struct StreamSettings {
    Mode mode = Mode::Idle;
    BitmapRecord* bitmap = nullptr;
    int width = 0, height = 0, bits = 0, rowSize = 0;
    CompressDataCallback write = nullptr;
    DecompressDataCallback read = nullptr;
    void* user = nullptr;
    unsigned char* buffer = nullptr;
    int size = 0, position = 0, available = 0, pastEnd = 0;
    int rowsDue = 0, rowsPerCall = 0;
    bool toggle = false;
    int group = 0, fill = 0;
    int status = K_OK;  // the first failure of the callbacks or the input
};

struct Stream : StreamSettings {
    lzss::WorkArray<uint8_t> row;
    lzss::WorkArray<uint8_t> planes[3];
    datastream::BlockEncoder encoder;
    datastream::BlockDecoder decoder;
};

Stream g;

void Fail(int code) {
    if (g.status == K_OK) g.status = code;
}

// PutStreamByte: the buffer goes to the callback when it is full and
// another byte comes.
void PutStreamByte(void*, uint8_t byte) {
    if (g.status != K_OK) return;
    if (g.position == g.size) {
        const int r = g.write(g.buffer, g.size, g.user);
        if (r != K_OK) {
            Fail(r < 0 ? r : K_ERR_WRITE);
            return;
        }
        g.position = 0;
    }
    g.buffer[g.position++] = byte;
}

// GetStreamByte: the callback refills the buffer once every byte is used.
uint8_t GetStreamByte(void*) {
    if (g.position >= g.available) {
        if (g.status != K_OK) return 0;
        const int r = g.read(g.buffer, g.size, g.user);
        if (r < 0) {
            Fail(r);
            return 0;
        }
        if (r == 0) {
            if (++g.pastEnd > kReadAheadSlack) Fail(K_ERR_READ);
            return 0;
        }
        g.available = r < g.size ? r : g.size;
        g.position = 0;
    }
    return g.buffer[g.position++];
}

void Put32(uint32_t v) {
    for (int i = 0; i < 4; ++i) PutStreamByte(nullptr, static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(GetStreamByte(nullptr)) << (8 * i);
    return v;
}

void FreeBuffers() {
    g.row.Free();
    for (auto& p : g.planes) p.Free();
}

// Everything released; the state returns to idle.
void Reset() {
    g.encoder.Free();
    g.decoder.End();
    FreeBuffers();
    static_cast<StreamSettings&>(g) = StreamSettings{};
}

int AllocateBuffers() {
    if (g.bits == 8) return g.row.Allocate(g.width) ? K_OK : K_ERR_MEMORY;
    for (auto& p : g.planes)
        if (!p.Allocate(kGroupRows * g.width)) return K_ERR_MEMORY;
    return K_OK;
}

// The checks and settings both Start calls share: 1 or the code.
// Streams hold 24-bit rows or 8-bit grey ones (the decoder takes any 8-bit record).
int Prepare(BitmapRecord* bitmap, int bytesPerCall, int bufferSize, unsigned char* buffer, bool needGrey) {
    if (!bitmap) return K_ERR_NOBITMAP;
    const int bits = bitmap->BitsPerPixel;
    if (bits != 24 && !(bits == 8 && (!needGrey || (bitmap->Flags & K_GRAY_PALETTE)))) return K_ERR_BITS;
    const long long rowSize = static_cast<long long>(bitmap->Width) * (bits / 8);
    // Planes hold 8 rows of one byte a pixel.
    if (bitmap->Width <= 0 || bitmap->Height <= 0 || rowSize > INT_MAX || bitmap->Width > INT_MAX / kGroupRows)
        return K_ERR_ARGUMENT;
    if (bytesPerCall <= 0 || bytesPerCall % rowSize != 0 || bufferSize <= 0 || !buffer) return K_ERR_ARGUMENT;
    g.bitmap = bitmap;
    g.width = bitmap->Width;
    g.height = bitmap->Height;
    g.bits = bits;
    g.rowSize = static_cast<int>(rowSize);
    g.rowsDue = g.height;
    g.rowsPerCall = bytesPerCall / g.rowSize;
    g.buffer = buffer;
    g.size = bufferSize;
    return K_OK;
}

void WritePlanes() {
    for (auto& p : g.planes) g.encoder.Write(p.get(), g.fill);
    g.group = 0;
    g.fill = 0;
}

}  // namespace

extern "C" int KAPI K_StartCompressData(BitmapRecord* bitmap, CompressDataCallback write, int bytesPerCall,
                                        int bufferSize, unsigned char* buffer, int callerCount, const void* callerBytes,
                                        void* userData) {
    Reset();
    int r = Prepare(bitmap, bytesPerCall, bufferSize, buffer, true);
    if (r == K_OK && (!write || callerCount < 0 || (callerCount > 0 && !callerBytes))) r = K_ERR_ARGUMENT;
    if (r != K_OK) {
        Reset();
        return r;
    }
    g.write = write;
    g.user = userData;
    if (g.encoder.Start(PutStreamByte, nullptr) != K_OK || AllocateBuffers() != K_OK) {
        Reset();
        return K_ERR_MEMORY;
    }
    PutStreamByte(nullptr, kMagic[0]);
    PutStreamByte(nullptr, kMagic[1]);
    PutStreamByte(nullptr, kMagic[2]);
    PutStreamByte(nullptr, kMagic[3]);
    Put32(static_cast<uint32_t>(g.width));
    Put32(static_cast<uint32_t>(g.height));
    Put32(static_cast<uint32_t>(g.bits));
    Put32(static_cast<uint32_t>(callerCount));
    Put32(0);
    Put32(static_cast<uint32_t>(bitmap->ColorOrder));
    const auto* extra = static_cast<const uint8_t*>(callerBytes);
    for (int i = 0; i < callerCount; ++i) PutStreamByte(nullptr, extra[i]);
    if (g.status != K_OK) {
        r = g.status;
        Reset();
        return r;
    }
    g.mode = Mode::Compressing;
    return K_OK;
}

extern "C" int KAPI K_CompressData(const unsigned char* rows) {
    if (g.mode != Mode::Compressing || !rows) return K_ERR_ARGUMENT;
    const int k = g.rowsDue < g.rowsPerCall ? g.rowsDue : g.rowsPerCall;
    for (int i = 0; i < k; ++i, rows += g.rowSize) {
        const bool reversed = !g.toggle;  // the first row runs right to left
        g.toggle = !g.toggle;
        --g.rowsDue;
        if (g.bits == 8) {
            if (reversed) {
                for (int x = 0; x < g.width; ++x) g.row[x] = rows[g.width - 1 - x];
                g.encoder.Write(g.row.get(), g.width);
            } else {
                g.encoder.Write(rows, g.width);
            }
        } else {
            uint8_t* p0 = g.planes[0].get() + g.fill;
            uint8_t* p1 = g.planes[1].get() + g.fill;
            uint8_t* p2 = g.planes[2].get() + g.fill;
            for (int x = 0; x < g.width; ++x) {
                const unsigned char* pixel = rows + 3 * (reversed ? g.width - 1 - x : x);
                p0[x] = pixel[0];
                p1[x] = pixel[1];
                p2[x] = pixel[2];
            }
            g.fill += g.width;
            if (++g.group == kGroupRows || g.rowsDue == 0) WritePlanes();
        }
        if (g.status != K_OK) break;
    }
    if (g.status == K_OK && g.rowsDue == 0) {
        g.encoder.End();
        if (g.status == K_OK && g.position > 0) {
            const int r = g.write(g.buffer, g.position, g.user);
            if (r != K_OK) Fail(r < 0 ? r : K_ERR_WRITE);
            g.position = 0;
        }
        g.mode = Mode::Finished;
    }
    if (g.status != K_OK) {
        // A failed stream cannot go on: its coder is released now.
        g.encoder.Free();
        g.mode = Mode::Finished;
        return g.status;
    }
    return K_OK;
}

extern "C" void KAPI K_EndCompressData(void) {
    if (g.mode == Mode::Compressing || g.mode == Mode::Finished) Reset();
}

extern "C" int KAPI K_StartDecompressData(BitmapRecord* bitmap, DecompressDataCallback read, int bufferSize,
                                          unsigned char* buffer, int bytesPerCall, int* callerCount, void* callerBytes,
                                          void* userData) {
    Reset();
    int r = Prepare(bitmap, bytesPerCall, bufferSize, buffer, false);
    if (r == K_OK && !read) r = K_ERR_ARGUMENT;
    if (r != K_OK) {
        Reset();
        return r;
    }
    g.read = read;
    g.user = userData;
    g.group = kGroupRows;  // the first 24-bit row decodes a group
    g.fill = kGroupRows * g.width;
    g.position = g.available = 0;
    const long long total = static_cast<long long>(g.rowSize) * g.height;
    if (g.decoder.Start(GetStreamByte, nullptr, total) != K_OK || AllocateBuffers() != K_OK) {
        Reset();
        return K_ERR_MEMORY;
    }
    uint8_t magic[4];
    for (auto& b : magic) b = GetStreamByte(nullptr);
    const int32_t width = static_cast<int32_t>(Get32()), height = static_cast<int32_t>(Get32());
    const int32_t bits = static_cast<int32_t>(Get32()), count = static_cast<int32_t>(Get32());
    Get32();  // reserved
    const int32_t order = static_cast<int32_t>(Get32());
    if (g.status == K_OK &&
        (std::memcmp(magic, kMagic, 4) != 0 || width != g.width || height != g.height || bits != g.bits || count < 0))
        Fail(K_ERR_READ);
    // The caller bytes, as far as the caller has room for them.
    const int room = callerCount && callerBytes && *callerCount > 0 ? *callerCount : 0;
    auto* extra = static_cast<uint8_t*>(callerBytes);
    for (int i = 0; i < count && g.status == K_OK; ++i) {
        const uint8_t b = GetStreamByte(nullptr);
        if (i < room) extra[i] = b;
    }
    if (g.pastEnd > 0) Fail(K_ERR_READ);  // the header and caller bytes are never read ahead
    if (g.status != K_OK) {
        r = g.status;
        Reset();
        return r;
    }
    if (callerCount) *callerCount = count;
    bitmap->ColorOrder = order;
    g.mode = Mode::Decompressing;
    return K_OK;
}

extern "C" int KAPI K_DecompressData(unsigned char* rows) {
    if (g.mode != Mode::Decompressing || !rows) return K_ERR_ARGUMENT;
    if (g.status != K_OK) return g.status;
    const int k = g.rowsDue < g.rowsPerCall ? g.rowsDue : g.rowsPerCall;
    for (int i = 0; i < k; ++i, rows += g.rowSize) {
        int r = K_OK;
        if (g.bits == 8) {
            const bool reversed = !g.toggle;
            g.toggle = !g.toggle;
            if (reversed) {
                r = g.decoder.Read(g.row.get(), g.width, &g.status);
                for (int x = 0; x < g.width; ++x) rows[x] = g.row[g.width - 1 - x];
            } else {
                r = g.decoder.Read(rows, g.width, &g.status);
            }
        } else {
            if (g.group == kGroupRows) {
                const int groupRows = g.rowsDue < kGroupRows ? g.rowsDue : kGroupRows;
                for (auto& p : g.planes) {
                    if (r == K_OK) r = g.decoder.Read(p.get(), groupRows * g.width, &g.status);
                }
                g.fill = 0;
                g.group = 0;
            }
            const bool reversed = !g.toggle;
            g.toggle = !g.toggle;
            const uint8_t* p0 = g.planes[0].get() + g.fill;
            const uint8_t* p1 = g.planes[1].get() + g.fill;
            const uint8_t* p2 = g.planes[2].get() + g.fill;
            for (int x = 0; x < g.width; ++x) {
                const int j = reversed ? g.width - 1 - x : x;
                rows[3 * x] = p0[j];
                rows[3 * x + 1] = p1[j];
                rows[3 * x + 2] = p2[j];
            }
            g.fill += g.width;
            ++g.group;
        }
        --g.rowsDue;
        if (r == K_OK && g.status != K_OK) r = g.status;
        if (r != K_OK) {
            Fail(r);
            return r;
        }
    }
    return K_OK;
}

extern "C" void KAPI K_EndDecompressData(void) {
    if (g.mode == Mode::Decompressing) Reset();
}
