// One sewing-pattern piece of a garment model: its name, its place and size
// on the pattern sheet in model units, the primitives that draw it and the
// mask of its last fill render. It reads itself from the open garment file,
// renders into a bitmap at the model's scale, answers hit tests, paints its
// fabric into the dressed doll through the model's hit map and prints itself
// at real size.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "models/pattern_canvas.h"
#include "models/pattern_primitives.h"

// Fabric numbers are stored one unsigned byte per piece (the .mdl fills of
// a save slot): 0 to 254 name a fabric, 255 means none. A piece holds the
// number as an int, negative for none.
constexpr std::uint8_t StoredNoFabric = 255;
int MaterialFromStored(std::uint8_t stored);
std::uint8_t StoredMaterial(int material);

// The largest side of a rendered piece in pixels: a 24-bit bitmap of
// 4096 x 4096 is 48 MB, far beyond any sheet the views show, so a larger
// side comes only from a broken header or scale.
constexpr int MaxPiecePixels = 4096;

class TDetal {
public:
    std::string Name;
    std::vector<std::unique_ptr<TPrimitiv>> Primitives;
    double& ScaleX;  // the model's factors, model units to screen pixels
    double& ScaleY;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    // The sheet the piece is shown on, in pixels (set by its model): no
    // piece of a sound file is larger, so a larger side is cut to it and a
    // broken file cannot make every piece a bitmap of MaxPiecePixels sides.
    int SheetWidth = MaxPiecePixels, SheetHeight = MaxPiecePixels;
    std::unique_ptr<PatternBitmap> Mask;  // black inside, white outside, after a tsFill render
    int Material = -1;                    // negative: no fabric

    // Reads one piece from the current position of the garment file:
    // "name(left,top,width,height)", primitive lines, and a line starting
    // with "}" (or the end of the file). Blank lines before the header are
    // skipped. A malformed header or number raises ConvertError.
    TDetal(std::istream& file, int material, double& scaleX, double& scaleY);
    // A piece made in code (no primitives).
    TDetal(std::string name, int left, int top, int width, int height, int material, double& scaleX, double& scaleY);
    TDetal(const TDetal&) = delete;
    TDetal& operator=(const TDetal&) = delete;
    ~TDetal();

    // Skips blank lines; true when the file holds no further piece.
    static bool AtEndOfPieces(std::istream& file);

    void SetMaterial(int n) { Material = n; }
    // Name without its "!r", "!x" or "!y" print prefix.
    std::string DisplayName() const;
    int ScreenLeft() const;
    int ScreenTop() const;
    // Screen size at the current scale (0 for a negative size, at most
    // MaxPiecePixels and the sheet's size).
    int ScreenWidth() const;
    int ScreenHeight() const;

    // Renders into the bitmap at the model's scale. tsUnVisible drops the
    // mask and needs no bitmap; the other modes draw nothing without one.
    // tsFill needs the fabric source (none paints black).
    void Render(PatternBitmap* bitmap, TTypeShow mode, FabricSource* drum);
    // x, y in model units relative to the sheet; follows the last tsFill render.
    bool HitTest(int x, int y) const;
    // Paints the piece's fabric into the doll where the sheet's w x h hit
    // map at (w + xOffset, 0) carries the key colour; nothing when the
    // sheet's pixel (0, 2) is the key (the colour of pieces of no group).
    void PaintIntoDoll(PatternBitmap& sheet, int xOffset, int w, int h, PatternBitmap& doll, PatternColour key,
                       FabricSource& drum);
    // Prints the piece on the page in progress at (x, y) printer pixels,
    // factors in millimetres per model unit; moves the cursors, starts new
    // rows and pages, splits a piece taller than a page over several pages.
    void PrintPiece(PatternPrinter& printer, int& x, int& y, int& rowBottom, PrintStatus* status, double fh, double fv);
    // The printed size in millimetres for those factors (the name's prefix
    // decides which factor applies to which axis).
    void PrintedMillimetres(double fh, double fv, int& wmm, int& hmm) const;
};
