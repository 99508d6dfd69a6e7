// The edit markers of a point (drawing needs the framework's canvas).
#include "graphics.h"
#include "models/pattern_colours.h"
#include "models/txy.h"

void TXY::DrawMarker(TCanvas& canvas, int x0, int y0, double kx, double ky) const {
    canvas.Pen()->SetColor(Selected ? MarkerSelectedColour : MarkerColour);
    int px = x0 + ScreenX(kx), py = y0 + ScreenY(ky);
    canvas.Ellipse(px - 2, py - 2, px + 2, py + 2);
}

void TXY::DrawCross(TCanvas& canvas, int x0, int y0, double kx, double ky) const {
    canvas.Pen()->SetColor(Selected ? MarkerSelectedColour : MarkerColour);
    int px = x0 + ScreenX(kx), py = y0 + ScreenY(ky);
    canvas.MoveTo(px - 2, py);
    canvas.LineTo(px + 3, py);
    canvas.MoveTo(px, py - 2);
    canvas.LineTo(px, py + 3);
}
