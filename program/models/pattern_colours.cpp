#include "models/pattern_colours.h"

#include "graphics.h"

TColor PiecePaperColour = RGB(255, 255, 255);
TColor PieceFrameColour = RGB(150, 150, 150);
TColor PrimitiveSelectedColour = RGB(0, 0, 255);
TColor PrimitiveColour = RGB(0, 0, 0);
TColor MarkerSelectedColour = RGB(255, 0, 0);
TColor MarkerColour = RGB(0, 0, 0);

void SelectPenColour(TCanvas& canvas, bool selected) {
    canvas.Pen()->SetColor(selected ? PrimitiveSelectedColour : PrimitiveColour);
}

void SetLineWidth(TCanvas& canvas, bool thick, bool solid) { canvas.Pen()->SetWidth(thick && solid ? 2 : 1); }
