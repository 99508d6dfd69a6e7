// A point of a garment model in model units, with its text form "(x,y)".
#pragma once

#include <string>

class TCanvas;

class TXY {
public:
    int X = 0;
    int Y = 0;
    bool Selected = false;

    TXY() = default;
    TXY(int x, int y) : X(x), Y(y) {}
    // "(x,y)" or "x,y"; a word that is not a number raises ConvertError.
    explicit TXY(std::string text);
    // The selection is not copied.
    TXY(const TXY& p) : X(p.X), Y(p.Y) {}
    TXY& operator=(const TXY& p) {
        X = p.X;
        Y = p.Y;
        return *this;
    }

    std::string ToText() const;
    bool IsNear(int x, int y) const;
    int ScreenX(double k) const;
    int ScreenY(double k) const;
    // Reflection over the line through a, horizontal when a-b runs more
    // across than down, vertical otherwise.
    TXY Mirrored(const TXY& a, const TXY& b) const;
    void FlipY(int v) { Y = v - Y; }
    void FlipX(int v) { X = v - X; }
    void SwapXY() { std::swap(X, Y); }
    void Offset(int dx, int dy) {
        X += dx;
        Y += dy;
    }
    void ScaleX(double k);
    void ScaleY(double k);

    // Edit markers at (x0 + ScreenX(kx), y0 + ScreenY(ky)): red when
    // selected, else black.
    void DrawMarker(TCanvas& canvas, int x0, int y0, double kx, double ky) const;
    void DrawCross(TCanvas& canvas, int x0, int y0, double kx, double ky) const;
};
