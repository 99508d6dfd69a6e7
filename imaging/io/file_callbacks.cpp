#include "io/file_callbacks.h"

#include "core/file_access.h"

namespace {

FileAccessCallbacks g_current = {DefaultOpen, DefaultRead, DefaultWrite, DefaultSeek, DefaultClose};

}  // namespace

FileAccessCallbacks& CurrentFileAccess() { return g_current; }

FileAccessCallbacks BuiltInFileAccess() { return {DefaultOpen, DefaultRead, DefaultWrite, DefaultSeek, DefaultClose}; }

extern "C" int KAPI K_RedirectIO(FileOpenCallback open, FileReadCallback read, FileWriteCallback write,
                                 FileSeekCallback seek, FileCloseCallback close) {
    g_current.open = open ? open : DefaultOpen;
    g_current.read = read ? read : DefaultRead;
    g_current.write = write ? write : DefaultWrite;
    g_current.seek = seek ? seek : DefaultSeek;
    g_current.close = close ? close : DefaultClose;
    return K_OK;
}
