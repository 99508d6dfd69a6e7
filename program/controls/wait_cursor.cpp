#include "controls/wait_cursor.h"

#include "forms.h"

namespace {
int depth = 0;
TCursor savedCursor = crDefault;
}  // namespace

void BeginWaitCursor() {
    if (depth == 0) {
        savedCursor = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
    }
    ++depth;
}

void EndWaitCursor() {
    if (depth <= 0) return;
    if (--depth == 0) Screen->SetCursor(savedCursor);
}

int WaitCursorDepth() { return depth; }
