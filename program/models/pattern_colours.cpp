#include "models/pattern_colours.h"

#include "graphics.h"
#include "models/pattern_canvas.h"

TColor PiecePaperColour = static_cast<TColor>(PatternPaper);
TColor PieceFrameColour = static_cast<TColor>(PatternFrame);
TColor PrimitiveSelectedColour = static_cast<TColor>(PatternSelected);
TColor PrimitiveColour = static_cast<TColor>(PatternStroke);
TColor MarkerSelectedColour = static_cast<TColor>(PatternMarkerSelected);
TColor MarkerColour = static_cast<TColor>(PatternMarker);

void SelectPenColour(TCanvas& canvas, bool selected) {
    canvas.Pen()->SetColor(selected ? PrimitiveSelectedColour : PrimitiveColour);
}

void SetLineWidth(TCanvas& canvas, bool thick, bool solid) { canvas.Pen()->SetWidth(thick && solid ? 2 : 1); }
