// The program's two extra screen cursors, from its resources.
#pragma once

#include "types.h"

constexpr TCursor crHandCursor = 14000;  // resource "RX_HANDCUR"
constexpr TCursor crDragCursor = 14001;  // resource "RX_DRAGCUR"

// Registers both with the screen (a missing resource leaves the arrow).
void RegisterProgramCursors();
