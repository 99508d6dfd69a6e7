// The computing side of a garment model: its title line, the fit of the
// pattern sheet into the view, which garments exclude each other, and the
// per-piece fabric bytes kept in a save slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the first line of a .mdl file says:
//   Title(width,height)|@token,token
struct GarmentTitle {
    std::string Title;
    int ModelWidth = 0, ModelHeight = 0;
    bool OtherDollFrame = false;
    std::vector<std::string> Incompatible;
};

// Raises ConvertError for a size that is not a decimal integer, and for a
// line without "(" and two sizes or with a size of 0 or less: such a model
// could not be scaled into any view.
GarmentTitle ParseGarmentTitle(const std::string& line);

// Where the pattern sheet stands in the view's model area.
struct SheetFit {
    double ScaleX = 0, ScaleY = 0;  // pixels per model unit, always equal
    int OffsetX = 0, OffsetY = 0;
};
// The smaller of the two factors for both axes (0.0001 when it would be
// 0), the sheet centred. A size of 0 or less counts as a size of 1.
SheetFit FitSheet(int viewWidth, int viewHeight, int modelWidth, int modelHeight);

// The file name part of a path: after the last "\", "/" or ":".
std::string FileNamePart(const std::string& path);
// False when a token of either names the other's file (case-insensitive).
bool TitlesCompatible(const std::vector<std::string>& tokensA, const std::string& fileNameA,
                      const std::vector<std::string>& tokensB, const std::string& fileNameB);

// The registry value name of a model's fills: its FileName without a
// leading "models\" (any case).
std::string FillsValueName(const std::string& fileName);

// One byte per piece in a save slot (MaterialFromStored, StoredMaterial of
// pattern_piece.h say what a byte means).
// The fill bytes for a model of the given number of pieces from a stored
// value of any length: what fits is used, missing pieces have no fabric.
std::vector<std::uint8_t> FitFillBytes(const std::vector<std::uint8_t>& stored, std::size_t pieces);
