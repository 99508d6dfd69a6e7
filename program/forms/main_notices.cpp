#include "forms/main_notices.h"

DecoRect MinWindowSaveRect() { return MinWindowRect(SaveItemBounds, DoneNoticeBounds.left, DoneNoticeBounds.top); }

DecoRect MinWindowLoadRect() { return MinWindowRect(RestoreItemBounds, DoneNoticeBounds.left, DoneNoticeBounds.top); }
