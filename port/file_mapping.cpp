// Page-file mappings: a zero-filled block shared by every view of it,
// mapped lazily as Windows commits page-file sections: pages cost memory
// only once touched. The block lives until the mapping is closed and its
// last view unmapped.
#include <windows.h>
#include <sys/mman.h>

#include <map>
#include <memory>
#include <new>

#include "object.h"

namespace {

struct Pages {
    unsigned char* data = nullptr;
    size_t bytes = 0;
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;
    Pages() = default;
    ~Pages() {
        if (data) munmap(data, bytes);
    }
    unsigned char* begin() const { return data; }
    size_t size() const { return bytes; }
};
using Block = std::shared_ptr<Pages>;

struct Mapping : port::Object {
    Block block;
};

// Each mapped view keeps its block alive.
std::multimap<const void*, Block>& Views() {
    static std::multimap<const void*, Block> views;
    return views;
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileMappingA(HANDLE file, void*, DWORD, DWORD sizeHigh, DWORD sizeLow, LPCSTR) {
    if (file != INVALID_HANDLE_VALUE || sizeHigh != 0 || sizeLow == 0 || sizeLow > 0x7FFFFFFFu) return nullptr;
    auto* m = new (std::nothrow) Mapping;
    if (!m) return nullptr;
    void* p = mmap(nullptr, sizeLow, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) {
        delete m;
        return nullptr;
    }
    // Still committed lazily, but a picture's storage is then faulted in
    // 2 MB at a time: 4 KB faults cost more than the pixel work of a
    // filter on a virtual machine.
    if (sizeLow >= (4u << 20)) madvise(p, sizeLow, MADV_HUGEPAGE);
    try {
        m->block = std::make_shared<Pages>();
    } catch (const std::bad_alloc&) {
        munmap(p, sizeLow);
        delete m;
        return nullptr;
    }
    m->block->data = static_cast<unsigned char*>(p);
    m->block->bytes = sizeLow;
    return port::OpenHandle(m);
}

LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD, DWORD offsetHigh, DWORD offsetLow, size_t bytes) {
    auto* m = port::HandleAs<Mapping>(mapping);
    if (!m || offsetHigh != 0 || offsetLow > m->block->size()) return nullptr;
    if (bytes != 0 && bytes > m->block->size() - offsetLow) return nullptr;
    unsigned char* view = m->block->begin() + offsetLow;
    Views().emplace(view, m->block);
    return view;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID address) {
    auto it = Views().find(address);
    if (it == Views().end()) return FALSE;
    Views().erase(it);
    return TRUE;
}

}  // extern "C"
