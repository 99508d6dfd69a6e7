// The nesting wait cursor: only the outermost Begin/End pair changes the
// screen's cursor.
#pragma once

void BeginWaitCursor();
// Does nothing when no wait is in progress.
void EndWaitCursor();
// Waits in progress (for tests and diagnostics).
int WaitCursorDepth();
