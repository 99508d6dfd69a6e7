// Resources of the library module: the native build has no resource section,
// so the blocks are registered in code and found by type and id.
#include <windows.h>

#include <map>
#include <utility>

namespace {

struct Resource {
    const void* data;
    DWORD size;
};

std::map<std::pair<unsigned, unsigned>, Resource>& Table() {
    static std::map<std::pair<unsigned, unsigned>, Resource> table;
    return table;
}

}  // namespace

extern "C" {

int PortRegisterResource(unsigned type, unsigned id, const void* data, DWORD size) {
    Table()[{type, id}] = Resource{data, size};
    return 1;
}

int PortUnregisterResource(unsigned type, unsigned id) { return Table().erase({type, id}) ? 1 : 0; }

HRSRC WINAPI FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
    auto it = Table().find({static_cast<unsigned>(reinterpret_cast<uintptr_t>(type)),
                            static_cast<unsigned>(reinterpret_cast<uintptr_t>(name))});
    return it == Table().end() ? nullptr : reinterpret_cast<HRSRC>(&it->second);
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
    return resource ? const_cast<void*>(reinterpret_cast<Resource*>(resource)->data) : nullptr;
}

LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
    return resource ? reinterpret_cast<Resource*>(resource)->size : 0;
}

BOOL WINAPI FreeResource(HGLOBAL) { return FALSE; }

}  // extern "C"
