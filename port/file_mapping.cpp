// Page-file mappings: a zero-filled block shared by every view of it. The
// block lives until the mapping is closed and its last view unmapped.
#include <windows.h>

#include <map>
#include <memory>
#include <new>
#include <vector>

#include "object.h"

namespace {

using Block = std::shared_ptr<std::vector<unsigned char>>;

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
    try {
        m->block = std::make_shared<std::vector<unsigned char>>(sizeLow);
    } catch (const std::bad_alloc&) {
        delete m;
        return nullptr;
    }
    return static_cast<port::Object*>(m);
}

LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD, DWORD offsetHigh, DWORD offsetLow, size_t bytes) {
    auto* m = dynamic_cast<Mapping*>(static_cast<port::Object*>(mapping));
    if (!m || offsetHigh != 0 || offsetLow > m->block->size()) return nullptr;
    if (bytes != 0 && bytes > m->block->size() - offsetLow) return nullptr;
    unsigned char* view = m->block->data() + offsetLow;
    Views().emplace(view, m->block);
    return view;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID address) {
    auto it = Views().find(address);
    if (it == Views().end()) return FALSE;
    Views().erase(it);
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<port::Object*>(handle);
    return TRUE;
}

}  // extern "C"
