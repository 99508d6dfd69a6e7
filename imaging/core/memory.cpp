#include "core/memory.h"

#include <windows.h>

void* AllocGlobalLocked(size_t bytes) { return AllocGlobalLockedExt(bytes, 0); }

void* AllocGlobalLockedExt(size_t bytes, int zeroInit) {
    UINT flags = GMEM_MOVEABLE | GMEM_DDESHARE | (zeroInit ? GMEM_ZEROINIT : 0);
    HGLOBAL h = GlobalAlloc(flags, bytes);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

void* ReallocGlobalLocked(void* pointer, size_t bytes) {
    if (!pointer) return AllocGlobalLocked(bytes);
    HGLOBAL h = GlobalHandle(pointer);
    if (!h) return nullptr;
    GlobalUnlock(h);
    HGLOBAL n = GlobalReAlloc(h, bytes, GMEM_MOVEABLE);
    // On failure the old block stays valid: lock it again for the caller.
    if (!n) {
        GlobalLock(h);
        return nullptr;
    }
    return GlobalLock(n);
}

void FreeGlobalLocked(void* pointer) {
    if (!pointer) return;
    HGLOBAL h = GlobalHandle(pointer);
    if (!h) return;
    GlobalUnlock(h);
    GlobalFree(h);
}
