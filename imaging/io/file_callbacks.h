// The five process-wide file-access callbacks through which every reader,
// writer and probe reaches its file, and the scoped swap that memory,
// offset and sub-file windows use.
#pragma once

#include "volkg.h"

struct FileAccessCallbacks {
    FileOpenCallback open;
    FileReadCallback read;
    FileWriteCallback write;
    FileSeekCallback seek;
    FileCloseCallback close;
};

// The set in force now.
FileAccessCallbacks& CurrentFileAccess();
// The built-in set over the Win32 file API.
FileAccessCallbacks BuiltInFileAccess();

inline int FileOpen(const char* name, int flags, int permission) {
    return CurrentFileAccess().open(name, flags, permission);
}
inline int FileRead(int handle, void* buffer, int count) { return CurrentFileAccess().read(handle, buffer, count); }
inline int FileWrite(int handle, const void* buffer, int count) {
    return CurrentFileAccess().write(handle, buffer, count);
}
inline int FileSeek(int handle, int offset, int origin) { return CurrentFileAccess().seek(handle, offset, origin); }
inline int FileClose(int handle) { return CurrentFileAccess().close(handle); }

// Open flags the readers and writers use.
constexpr int kReaderOpenFlags = K_OPEN_UNTRANSLATED;                                                       // 0x8000
constexpr int kReaderPermission = K_SHARE_READ;                                                             // 0x100
constexpr int kWriterOpenFlags = K_OPEN_UNTRANSLATED | K_OPEN_TRUNCATE | K_OPEN_CREATE | K_OPEN_READWRITE;  // 0x8302
constexpr int kWriterPermission = K_SHARE_NONE;                                                             // 0x80

// Installs a set for the length of a scope and puts back the one that was
// in force before, on every path.
class FileAccessSwap {
public:
    explicit FileAccessSwap(const FileAccessCallbacks& set) : saved_(CurrentFileAccess()) { CurrentFileAccess() = set; }
    ~FileAccessSwap() { CurrentFileAccess() = saved_; }
    FileAccessSwap(const FileAccessSwap&) = delete;
    FileAccessSwap& operator=(const FileAccessSwap&) = delete;

private:
    FileAccessCallbacks saved_;
};

// Sub-file window over a byte range of an open file (the EPS reader reads
// its embedded preview through it). Begin installs the window's open, seek
// and close over the read, write and seek in force then; End restores the callbacks
// that were in force at Begin. One window at a time.
void BeginSubFileWindow(int length, int file, int start);
void EndSubFileWindow();
