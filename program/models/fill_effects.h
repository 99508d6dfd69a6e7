// Bitmap effects of the program's look: fabric fills from a texture atlas,
// drawing with white transparent, shading through a shade map, and fades
// with 16 levels of an 8 x 8 dither pattern.
#pragma once

#include <windows.h>

#include <cstdint>

#include "models/shade_math.h"

class TBitmap;
class TGraphic;

// Fills all of dest from the atlas cell, stretched or tiled from (0, 0); an
// empty cell fills black.
void FillFromAtlasCell(TBitmap& dest, TBitmap& atlas, const RECT& cell, bool stretch);
// Draws src at (x, y) on dest with its white pixels transparent.
void DrawMasked(int x, int y, TBitmap& dest, TBitmap& src);
// Stretches the graphic to w x h, then DrawMasked at (x, y).
void DrawMaskedStretched(int x, int y, int w, TGraphic& graphic, TBitmap& dest, int h);
// Shades every picture pixel by the green of the shade pixel at the same
// place (127 = no change); shade pixels of the colour at (0, 0) and places
// outside the shade bitmap leave the picture alone.
void ApplyShadeMap(TBitmap& picture, TBitmap& shade);
// Perforates src with the pattern of the level (1-15; above 15 counts as
// 15), then DrawMasked at (0, 0); level 0 or less is a plain DrawMasked.
// src is changed.
void ApplyDitherLevel(TBitmap& dest, TBitmap& src, int level);

// The dither strip: 128 x 8, pattern k (level 15 - k) in columns 8k..8k+7,
// white where the level makes the picture transparent. The main window sets
// its picture; until then a strip drawn from the built-in table is used.
void SetDitherStrip(TBitmap* strip);
TBitmap& DitherStrip();
// Draws the built-in strip into the bitmap (128 x 8, 24 bits).
void DrawDitherStrip(TBitmap& strip);
