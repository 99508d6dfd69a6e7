#include "fax/code_tables.h"

#include <windows.h>

#include "core/platform.h"
#include "volkg.h"

namespace {

const unsigned char* g_tables[kCodeTableCount] = {};
int g_refCount = 0;

void ReleaseTables() {
    // Resources belong to the module image; releasing them is forgetting them.
    for (auto*& table : g_tables) table = nullptr;
}

}  // namespace

unsigned CodeTableSize(int id) { return id >= 1 && id <= 4 ? 5120u : id <= 6 ? 58880u : 0u; }

const unsigned char* CcittCodeTable(int id) { return id >= 1 && id <= kCodeTableCount ? g_tables[id - 1] : nullptr; }

int CodeTableRefCount() { return g_refCount; }

extern "C" int KAPI K_Create1BitTable(void) {
    if (g_refCount > 0) {
        ++g_refCount;
        return K_OK;
    }
    for (int id = 1; id <= kCodeTableCount; ++id) {
        HRSRC found = FindResourceA(LibraryInstance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(kCodeTableResourceType));
        HGLOBAL loaded = found ? LoadResource(LibraryInstance, found) : nullptr;
        void* data = loaded ? LockResource(loaded) : nullptr;
        // A table shorter than the coder reads is as good as missing.
        if (!data || SizeofResource(LibraryInstance, found) < CodeTableSize(id)) {
            ReleaseTables();
            return K_ERR_MEMORY;
        }
        g_tables[id - 1] = static_cast<const unsigned char*>(data);
    }
    g_refCount = 1;
    return K_OK;
}

extern "C" int KAPI K_Free1BitTable(void) {
    // More releases than holds would leave the count below zero and the
    // tables unloadable; an extra release changes nothing.
    if (g_refCount <= 0) return 0;
    if (g_refCount == 1) ReleaseTables();
    return --g_refCount;
}
