#include "controls/screen_cursors.h"

#include "application.h"

void RegisterProgramCursors() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (HCURSOR hand = LoadCursorA(instance, "RX_HANDCUR")) Screen->SetCursorHandle(crHandCursor, hand);
    if (HCURSOR drag = LoadCursorA(instance, "RX_DRAGCUR")) Screen->SetCursorHandle(crDragCursor, drag);
}
