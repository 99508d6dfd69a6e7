// Sub-file window: a byte range [start, start + length) of a file that is
// already open, seen as a whole file of its own. It reads and seeks through
// the callbacks in force when it began, so a window over a file in memory
// works as one over a file on disk.
#include "io/file_callbacks.h"

namespace {

struct SubFileState {
    int file = -1;
    int start = 0;
    int length = 0;
    bool active = false;
    FileAccessCallbacks saved{};
};

SubFileState g_sub;

int KAPI SubFileOpen(const char*, int, int) {
    g_sub.saved.seek(g_sub.file, g_sub.start, 0);
    return g_sub.file;
}

int KAPI SubFileSeek(int handle, int offset, int origin) {
    switch (origin) {
        case 0:
            g_sub.saved.seek(handle, g_sub.start + offset, 0);
            return offset;
        case 1:
            return g_sub.saved.seek(handle, offset, 1) - g_sub.start;
        default:
            g_sub.saved.seek(handle, g_sub.start + g_sub.length + offset, 0);
            return offset + g_sub.length;
    }
}

int KAPI SubFileClose(int) { return 1; }

}  // namespace

void BeginSubFileWindow(int length, int file, int start) {
    if (!g_sub.active) g_sub.saved = CurrentFileAccess();
    g_sub.file = file;
    g_sub.start = start;
    g_sub.length = length;
    g_sub.active = true;
    FileAccessCallbacks set = g_sub.saved;
    set.open = SubFileOpen;
    set.seek = SubFileSeek;
    set.close = SubFileClose;
    CurrentFileAccess() = set;
}

void EndSubFileWindow() {
    if (!g_sub.active) return;
    CurrentFileAccess() = g_sub.saved;
    g_sub.active = false;
}
