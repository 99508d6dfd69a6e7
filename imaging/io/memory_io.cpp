#include "io/memory_io.h"

#include <algorithm>
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "io/file_info.h"
#include "io/loading.h"
#include "io/codecs.h"

namespace {

constexpr int kMemoryHandle = 5;
constexpr int kGrowStep = 32768;

struct MemoryState {
    const unsigned char* source = nullptr;  // reading mode
    unsigned char* block = nullptr;         // writing mode, working memory
    int capacity = 0;
    int length = 0;
    int position = 0;
    bool writing = false;
};

MemoryState g_mem;

int KAPI MemoryOpen(const char*, int, int) { return kMemoryHandle; }

int KAPI MemoryRead(int, void* buffer, int count) {
    if (count <= 0 || g_mem.position >= g_mem.length) return 0;
    count = std::min(count, g_mem.length - g_mem.position);
    const unsigned char* data = g_mem.writing ? g_mem.block : g_mem.source;
    std::memcpy(buffer, data + g_mem.position, count);
    g_mem.position += count;
    return count;
}

int KAPI MemoryWrite(int, const void* buffer, int count) {
    if (!g_mem.writing) return count;
    if (count < 0) return -1;
    long long need = static_cast<long long>(g_mem.position) + count;
    if (need > 0x7FFFFFFF) return -1;
    if (!g_mem.block) {
        int capacity = std::max({count, kGrowStep, static_cast<int>(need)});
        g_mem.block = static_cast<unsigned char*>(AllocGlobalLocked(capacity));
        if (!g_mem.block) return -1;
        g_mem.capacity = capacity;
    } else if (need > g_mem.capacity) {
        long long capacity =
            std::max<long long>(static_cast<long long>(g_mem.capacity) + std::max(count, kGrowStep), need);
        if (capacity > 0x7FFFFFFF) return -1;
        auto* grown = static_cast<unsigned char*>(ReallocGlobalLocked(g_mem.block, static_cast<size_t>(capacity)));
        if (!grown) return -1;
        g_mem.block = grown;
        g_mem.capacity = static_cast<int>(capacity);
    }
    // A seek past the end leaves a gap: it reads as zeros.
    if (g_mem.position > g_mem.length) std::memset(g_mem.block + g_mem.length, 0, g_mem.position - g_mem.length);
    std::memcpy(g_mem.block + g_mem.position, buffer, count);
    g_mem.position += count;
    g_mem.length = std::max(g_mem.length, g_mem.position);
    return count;
}

int KAPI MemorySeek(int, int offset, int origin) {
    long long position;
    switch (origin) {
        case 0:
            position = offset;
            break;
        case 1:
            position = static_cast<long long>(g_mem.position) + offset;
            break;
        default:
            position = offset < 0 ? static_cast<long long>(g_mem.length) + offset : g_mem.length;
            break;
    }
    g_mem.position = static_cast<int>(std::clamp<long long>(position, 0, 0x7FFFFFFF));
    return g_mem.position;
}

int KAPI MemoryClose(int) {
    if (!g_mem.writing) {
        g_mem.position = 0;
        return 0;
    }
    if (g_mem.block && g_mem.length > 0 && g_mem.length < g_mem.capacity) {
        auto* shrunk = static_cast<unsigned char*>(ReallocGlobalLocked(g_mem.block, g_mem.length));
        if (!shrunk) return -1;
        g_mem.block = shrunk;
        g_mem.capacity = g_mem.length;
    }
    return 0;
}

const FileAccessCallbacks kMemorySet = {MemoryOpen, MemoryRead, MemoryWrite, MemorySeek, MemoryClose};

}  // namespace

MemoryReadScope::MemoryReadScope(const void* block, int size) : swap_(kMemorySet) {
    g_mem = MemoryState{};
    g_mem.source = static_cast<const unsigned char*>(block);
    g_mem.length = block ? std::max(size, 0) : 0;
}

MemoryReadScope::~MemoryReadScope() { g_mem = MemoryState{}; }

MemoryWriteScope::MemoryWriteScope() : swap_(kMemorySet) {
    g_mem = MemoryState{};
    g_mem.writing = true;
}

MemoryWriteScope::~MemoryWriteScope() {
    if (g_mem.block) FreeGlobalLocked(g_mem.block);
    g_mem = MemoryState{};
}

int MemoryWriteScope::Length() const { return g_mem.length; }
int MemoryWriteScope::Capacity() const { return g_mem.capacity; }

HGLOBAL MemoryWriteScope::Take() {
    if (!g_mem.block) return nullptr;
    HGLOBAL handle = GlobalHandle(g_mem.block);
    GlobalUnlock(handle);
    g_mem.block = nullptr;
    return handle;
}

extern "C" int KAPI K_LoadMemory(const void* block, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder, int flags,
                                 RowCallback callback, void* userData, int blockSize) {
    if (!block) return K_ERR_NONAME;
    MemoryReadScope scope(block, blockSize);
    return K_LoadFile(kWindowFileName, bitmap, bitsPerPixel, colorOrder, flags, callback, userData);
}

extern "C" int KAPI K_LoadBitmapMemory(const void* block, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder,
                                       int blockSize) {
    if (!block) return K_ERR_NONAME;
    MemoryReadScope scope(block, blockSize);
    return K_LoadBitmap(kWindowFileName, bitmap, bitsPerPixel, colorOrder);
}

extern "C" int KAPI K_FileInfoMemory(const void* block, FileInfoRecord* info, int blockSize) {
    if (!block) return K_ERR_NONAME;
    MemoryReadScope scope(block, blockSize);
    return K_FileInfo(kWindowFileName, info);
}

extern "C" int KAPI K_DecompressMemory(const void* block, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                       void* userData, int mode, int blockSize) {
    if (!block) return K_ERR_NONAME;
    if (!CompressedCodec().decompress) return K_ERR_UNSUPPORTED;
    MemoryReadScope scope(block, blockSize);
    return CompressedCodec().decompress(kWindowFileName, bitmap, callback, bitsPerPixel, userData, mode);
}

namespace {

// Stores rows one after another from row 0; stops at the first failed put.
struct StoreRows {
    int next = 0;
};

int KAPI StoreDecompressedRows(BitmapRecord* bitmap, unsigned char* rows, int count, void* user) {
    auto* store = static_cast<StoreRows*>(user);
    for (int i = 0; i < count; ++i) {
        int put = K_PutBitmapRow(bitmap, rows + static_cast<size_t>(i) * bitmap->BytesPerLine, store->next,
                                 bitmap->BytesPerLine);
        if (put < 1) return put;
        ++store->next;
    }
    return K_OK;
}

}  // namespace

extern "C" int KAPI K_DecompressBitmapMemory(const void* block, BitmapRecord* bitmap, int bitsPerPixel, int blockSize) {
    if (!block || !bitmap) return K_ERR_ARGUMENT;
    FileInfoRecord info;
    int result = K_FileInfoMemory(block, &info, blockSize);
    if (result != K_OK) return result;
    if (!(bitmap->Flags & K_ALLOCATED) || bitmap->Width != info.Width || bitmap->Height != info.Height) {
        int order = bitmap->ColorOrder;
        FreeBitmapIfAllocated(bitmap, 1);
        result = K_InitBitmap(bitmap, info.Width, info.Height, bitsPerPixel);
        if (result != K_OK) return result;
        bitmap->ColorOrder = order;
        result = K_AllocateBitmap(bitmap, K_STORAGE_ANY);
        if (result != K_OK) return result;
    }
    K_AccessBitmap(bitmap);
    StoreRows store;
    result = K_DecompressMemory(block, bitmap, StoreDecompressedRows, bitsPerPixel, &store, 4, blockSize);
    if (result <= 0) {
        K_ReleaseBitmap(bitmap);
        K_FreeBitmap(bitmap);
    }
    return result;
}

extern "C" int KAPI K_SaveBitmapMemory(HGLOBAL* memory, BitmapRecord* bitmap, int format, int bitsPerPixel, int quality,
                                       int* size) {
    if (memory) *memory = nullptr;
    if (size) *size = 0;
    MemoryWriteScope scope;
    int result = K_SaveBitmap(kWindowFileName, bitmap, format, bitsPerPixel, quality);
    if (result != K_OK) return result;
    if (size) *size = scope.Length();
    HGLOBAL handle = scope.Take();
    if (memory)
        *memory = handle;
    else if (handle)
        GlobalFree(handle);
    return result;
}
