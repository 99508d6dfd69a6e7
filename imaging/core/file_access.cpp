#include "core/file_access.h"

extern "C" int KAPI DefaultOpen(const char* name, int flags, int permission) {
    if (!name) return -1;
    int access = flags & 3;
    DWORD desired = access == 0 ? GENERIC_READ : access == 1 ? GENERIC_WRITE : (GENERIC_READ | GENERIC_WRITE);
    DWORD share = permission == K_SHARE_READWRITE ? (FILE_SHARE_READ | FILE_SHARE_WRITE)
                  : permission == K_SHARE_NONE    ? 0
                                                  : FILE_SHARE_READ;
    DWORD disposition = (flags & K_OPEN_CREATE)     ? CREATE_ALWAYS
                        : (flags & K_OPEN_TRUNCATE) ? TRUNCATE_EXISTING
                                                    : OPEN_EXISTING;
    DWORD attributes = access == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    HANDLE h = CreateFileA(name, desired, share, nullptr, disposition, attributes, nullptr);
    int handle = FileAccessHandle(h);
    if (handle < 0 && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return handle;
}

extern "C" int KAPI DefaultRead(int handle, void* buffer, int count) {
    if (count < 0) return -1;
    DWORD done = 0;
    if (!ReadFile(KernelHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
    return static_cast<int>(done);
}

extern "C" int KAPI DefaultWrite(int handle, const void* buffer, int count) {
    if (count < 0) return -1;
    DWORD done = 0;
    if (!WriteFile(KernelHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
    return static_cast<int>(done);
}

extern "C" int KAPI DefaultSeek(int handle, int offset, int origin) {
    DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    return static_cast<int>(SetFilePointer(KernelHandle(handle), offset, nullptr, method));
}

extern "C" int KAPI DefaultClose(int handle) { return CloseHandle(KernelHandle(handle)) ? 0 : -1; }
