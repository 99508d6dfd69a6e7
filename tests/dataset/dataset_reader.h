// Reading the data set as the program does: pictures through the library as
// top-down RGB, garment files by the rules of the program's model reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "models/txy.h"

struct RgbPicture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, top row first
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// K_LoadBitmap at 24 bits; false with the code when the library refuses the file.
bool LoadPicture(const std::string& path, RgbPicture& out, int& code);

struct Primitive {
    std::string keyword;
    std::vector<TXY> points;
    std::string rest;  // the words after the points
};

struct PatternPiece {
    std::string name;
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<Primitive> primitives;
};

struct GarmentFile {
    std::string title;
    int width = 0, height = 0;
    bool otherDollFrame = false;
    std::vector<std::string> incompatible;
    std::vector<PatternPiece> pieces;
};

// Throws ConvertError (as the program's reader does) on a number that is not
// one, std::runtime_error on a missing file or a header without its numbers.
GarmentFile ReadGarmentFile(const std::string& path);

std::string ReadWholeFile(const std::string& path);
// The names in a folder that start with prefix and end with suffix, sorted.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& prefix, const std::string& suffix);
