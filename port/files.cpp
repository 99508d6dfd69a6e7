// Files over POSIX descriptors, and temporary file names.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#include "object.h"

namespace {

struct File : port::Object {
    int fd = -1;
    ~File() override {
        if (fd >= 0) ::close(fd);
    }
};

File* AsFile(HANDLE h) { return port::HandleAs<File>(h); }

DWORD g_lastError = 0;

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    if (!name) return INVALID_HANDLE_VALUE;
    int flags = 0;
    bool rd = access & GENERIC_READ, wr = access & GENERIC_WRITE;
    flags = (rd && wr) ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
    switch (disposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            flags |= O_TRUNC;
            break;
        default:
            break;
    }
    int fd = ::open(name, flags, 0644);
    if (fd < 0) {
        g_lastError = static_cast<DWORD>(errno);
        return INVALID_HANDLE_VALUE;
    }
    auto* f = new (std::nothrow) File;
    if (!f) {
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    f->fd = fd;
    HANDLE h = port::OpenHandle(f);
    return h ? h : INVALID_HANDLE_VALUE;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* done, void*) {
    File* f = AsFile(file);
    if (done) *done = 0;
    if (!f) return FALSE;
    DWORD total = 0;
    while (total < count) {
        ssize_t n = ::read(f->fd, static_cast<char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FALSE;
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (done) *done = total;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* done, void*) {
    File* f = AsFile(file);
    if (done) *done = 0;
    if (!f) return FALSE;
    DWORD total = 0;
    while (total < count) {
        ssize_t n = ::write(f->fd, static_cast<const char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return FALSE;
        total += static_cast<DWORD>(n);
    }
    if (done) *done = total;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    File* f = AsFile(file);
    if (!f) return INVALID_SET_FILE_POINTER;
    off_t offset = distance;
    if (distanceHigh)
        offset = static_cast<off_t>((static_cast<long long>(*distanceHigh) << 32) | static_cast<DWORD>(distance));
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(f->fd, offset, whence);
    if (pos < 0) return INVALID_SET_FILE_POINTER;
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<long long>(pos) >> 32);
    return static_cast<DWORD>(pos);
}

BOOL WINAPI SetEndOfFile(HANDLE file) {
    File* f = AsFile(file);
    if (!f) return FALSE;
    off_t pos = ::lseek(f->fd, 0, SEEK_CUR);
    return pos >= 0 && ::ftruncate(f->fd, pos) == 0;
}

DWORD WINAPI GetFileSize(HANDLE file, DWORD* high) {
    File* f = AsFile(file);
    if (!f) return 0xFFFFFFFFu;
    off_t cur = ::lseek(f->fd, 0, SEEK_CUR);
    off_t end = ::lseek(f->fd, 0, SEEK_END);
    ::lseek(f->fd, cur, SEEK_SET);
    if (high) *high = static_cast<DWORD>(static_cast<long long>(end) >> 32);
    return static_cast<DWORD>(end);
}

BOOL WINAPI DeleteFileA(LPCSTR name) { return name && ::unlink(name) == 0; }

// rename(2) replaces the target in one step, as the flag asks.
BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (!from || !to) return FALSE;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::access(to, F_OK) == 0) return FALSE;
    return ::rename(from, to) == 0;
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    char path[MAX_PATH];
    int n = std::snprintf(path, sizeof path, "%s%s", dir, dir[std::strlen(dir) - 1] == '/' ? "" : "/");
    if (n <= 0 || n >= MAX_PATH) return 0;
    if (static_cast<DWORD>(n) + 1 > size) return static_cast<DWORD>(n) + 1;
    std::memcpy(buffer, path, static_cast<size_t>(n) + 1);
    return static_cast<DWORD>(n);
}

// Like Windows: <path><first three letters of prefix><hex>.TMP, created empty.
UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer) {
    char pre[4] = {};
    std::strncpy(pre, prefix ? prefix : "", 3);
    const char* sep = (path[0] && path[std::strlen(path) - 1] != '/') ? "/" : "";
    static unsigned counter = static_cast<unsigned>(getpid());
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        UINT number = unique ? unique : ((++counter) & 0xFFFF);
        if (number == 0) continue;
        int n = std::snprintf(buffer, MAX_PATH, "%s%s%s%X.TMP", path, sep, pre, number);
        if (n <= 0 || n >= MAX_PATH) return 0;
        if (unique) return unique;
        int fd = ::open(buffer, O_CREAT | O_EXCL | O_WRONLY, 0644);
        if (fd >= 0) {
            ::close(fd);
            return number;
        }
        if (errno != EEXIST) return 0;
    }
    return 0;
}

DWORD WINAPI GetLastError(void) { return g_lastError; }

}  // extern "C"
