#include "file_access.h"

#include <cstdint>

namespace {

#ifdef _WIN32
HANDLE ToHandle(int handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }
int FromHandle(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); }
void ForgetHandle(int) {}
#else
// The native stand-in's handles are pointers, which can read as negative
// ints, while a file-access handle is never negative: files opened here get
// small numbers instead. Raw handles (bitmap storage files) pass through.
constexpr int kFirstId = 0x100;
constexpr int kIds = 1024;
HANDLE g_open[kIds];

HANDLE ToHandle(int handle) {
    if (handle >= kFirstId && handle < kFirstId + kIds && g_open[handle - kFirstId]) return g_open[handle - kFirstId];
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

int FromHandle(HANDLE h) {
    for (int i = 0; i < kIds; ++i)
        if (!g_open[i]) {
            g_open[i] = h;
            return kFirstId + i;
        }
    CloseHandle(h);
    return -1;
}

void ForgetHandle(int handle) {
    if (handle >= kFirstId && handle < kFirstId + kIds) g_open[handle - kFirstId] = nullptr;
}
#endif

}  // namespace

extern "C" int KAPI DefaultOpen(const char* name, int flags, int permission) {
    if (!name) return -1;
    int access = flags & 3;
    DWORD desired = access == 0 ? GENERIC_READ : access == 1 ? GENERIC_WRITE : (GENERIC_READ | GENERIC_WRITE);
    DWORD share = permission == K_SHARE_READWRITE ? (FILE_SHARE_READ | FILE_SHARE_WRITE)
                  : permission == K_SHARE_NONE    ? 0
                                                  : FILE_SHARE_READ;
    DWORD disposition = (flags & K_OPEN_CREATE) ? CREATE_ALWAYS : (flags & K_OPEN_TRUNCATE) ? TRUNCATE_EXISTING : OPEN_EXISTING;
    DWORD attributes = access == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    HANDLE h = CreateFileA(name, desired, share, nullptr, disposition, attributes, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : FromHandle(h);
}

extern "C" int KAPI DefaultRead(int handle, void* buffer, int count) {
    if (count < 0) return -1;
    DWORD done = 0;
    if (!ReadFile(ToHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
    return static_cast<int>(done);
}

extern "C" int KAPI DefaultWrite(int handle, const void* buffer, int count) {
    if (count < 0) return -1;
    DWORD done = 0;
    if (!WriteFile(ToHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
    return static_cast<int>(done);
}

extern "C" int KAPI DefaultSeek(int handle, int offset, int origin) {
    DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    return static_cast<int>(SetFilePointer(ToHandle(handle), offset, nullptr, method));
}

extern "C" int KAPI DefaultClose(int handle) {
    BOOL closed = CloseHandle(ToHandle(handle));
    ForgetHandle(handle);
    return closed ? 0 : -1;
}
