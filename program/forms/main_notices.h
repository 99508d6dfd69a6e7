// Where the main window's "done" notice flies from: the marker windows
// MinWindowSave and MinWindowLoad lie over the save and restore items of the
// slot button strip, in the notice's client coordinates, so a save seems to
// fly out of the save button and a restore out of the restore button.
#pragma once

#include "controls/decoration_steps.h"

// The slot button strip (BitmapButtons2) and its two items in main window
// coordinates: restore on the left half, save on the right, as the skin
// labels them.
constexpr DecoRect SlotStripBounds{341, 403, 160, 72};
constexpr DecoRect RestoreItemBounds{341, 403, 80, 72};
constexpr DecoRect SaveItemBounds{421, 403, 80, 72};
// FlyBitmapOk, the notice of a finished save or restore.
constexpr DecoRect DoneNoticeBounds{324, 400, 220, 80};

DecoRect MinWindowSaveRect();
DecoRect MinWindowLoadRect();
