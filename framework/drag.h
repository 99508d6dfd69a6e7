// Internal: the drag in progress sees the mouse messages of the window that
// holds the capture before the controls do.
#pragma once

#include "controls.h"

// True when the message was consumed by the drag.
bool HandleDragMessage(TWinControl* window, TMessage& message);

// A control that goes away ends a drag it takes part in.
void DragControlDestroyed(TControl* control);
