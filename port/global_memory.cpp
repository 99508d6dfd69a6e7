// Global memory blocks: a header in front of the data, so that a block is
// found again from its data pointer (GlobalHandle) as on Windows.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kMagic = 0x6B6D656D;

struct alignas(16) Header {
    unsigned magic;
    size_t size;
    int locks;
};

Header* FromHandle(HGLOBAL mem) {
    auto* h = static_cast<Header*>(mem);
    return (h && h->magic == kMagic) ? h : nullptr;
}

}  // namespace

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT flags, size_t bytes) {
    if (bytes > 0x7FFFFFF0u - sizeof(Header)) return nullptr;
    void* raw = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(Header) + bytes) : std::malloc(sizeof(Header) + bytes);
    if (!raw) return nullptr;
    auto* h = static_cast<Header*>(raw);
    h->magic = kMagic;
    h->size = bytes;
    h->locks = 0;
    return h;
}

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags) {
    Header* h = FromHandle(mem);
    if (!h || bytes > 0x7FFFFFF0u - sizeof(Header)) return nullptr;
    size_t old = h->size;
    void* raw = std::realloc(h, sizeof(Header) + bytes);
    if (!raw) return nullptr;
    h = static_cast<Header*>(raw);
    if ((flags & GMEM_ZEROINIT) && bytes > old) std::memset(reinterpret_cast<char*>(h + 1) + old, 0, bytes - old);
    h->size = bytes;
    return h;
}

LPVOID WINAPI GlobalLock(HGLOBAL mem) {
    Header* h = FromHandle(mem);
    if (!h) return nullptr;
    ++h->locks;
    return h + 1;
}

BOOL WINAPI GlobalUnlock(HGLOBAL mem) {
    Header* h = FromHandle(mem);
    if (!h || h->locks == 0) return FALSE;
    return --h->locks > 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL mem) {
    Header* h = FromHandle(mem);
    if (!h) return mem;
    h->magic = 0;
    std::free(h);
    return nullptr;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID pointer) {
    if (!pointer) return nullptr;
    auto* h = const_cast<Header*>(static_cast<const Header*>(pointer)) - 1;
    return FromHandle(h);
}

size_t WINAPI GlobalSize(HGLOBAL mem) {
    Header* h = FromHandle(mem);
    return h ? h->size : 0;
}

}  // extern "C"
