// Rotation engine shared by the rotate exports, shear and the dispatcher.
#pragma once

#include "volkg.h"

// Turns by an angle in hundredths of a degree (clockwise as displayed),
// reporting progress from first to last percent. resize 0 keeps the size.
// The record holds either the old or the whole new picture afterwards.
int RotateBitmapAngle(BitmapRecord* bitmap, int angle, int resize, COLORREF fill, int first, int last);

// A quarter turn as displayed (direction 0 counter-clockwise, 1 clockwise)
// into a new record made like the source; the source is not changed. On
// failure the target holds nothing.
int RotateQuarterInto(BitmapRecord* source, BitmapRecord* target, int direction, int first, int last);
// A quarter turn in place of the record (width and height exchanged).
int RotateBitmap90(BitmapRecord* bitmap, int direction, int first, int last);
// A half turn in the same storage; a stop undoes the rows already turned.
int RotateBitmap180(BitmapRecord* bitmap, int first, int last);
