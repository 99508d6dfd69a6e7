// Colours of pattern pieces and their edit markers, and the pens drawn with them.
#pragma once

#include "types.h"

class TCanvas;

extern TColor PiecePaperColour;         // brush of a piece in the edit view: white
extern TColor PieceFrameColour;         // pen of its frame: grey (150, 150, 150)
extern TColor PrimitiveSelectedColour;  // blue
extern TColor PrimitiveColour;          // black
extern TColor MarkerSelectedColour;     // red
extern TColor MarkerColour;             // black

// Size of piece labels on screen, in points; the face is PatternFontName.
constexpr int PatternFontSize = 8;

// Pen blue when selected, else black.
void SelectPenColour(TCanvas& canvas, bool selected);
// Pen 2 wide when thick and solid, else 1.
void SetLineWidth(TCanvas& canvas, bool thick, bool solid);
