// Grey levels of stored rows, and the frame shared by the operations that
// replace a bitmap by a grey-scale or black-and-white one.
#pragma once

#include <functional>

#include "volkg.h"

// Reads the grey level of each pixel of a stored row.
class GrayRowReader {
public:
    // 1 or -2 when a palette-indexed record has no readable palette.
    int Init(const BitmapRecord* bitmap);
    // Grey levels of the row's Width pixels into levels.
    void Read(const unsigned char* row, unsigned char* levels) const;

private:
    int bits_ = 0;
    int order_ = 0;
    int width_ = 0;
    unsigned char table_[256] = {};
};

// Converts storage row r: the source's grey levels into a target row.
using GrayRowConverter = std::function<void(const unsigned char* levels, unsigned char* target, int row)>;

// Builds a new record of the bitmap's size at targetBits (8: a 256-level
// grey palette; 1: black and white), fills each row through convert and,
// on success, puts it in the bitmap's place. 1, -1, -2 or a status
// callback's result; on failure the bitmap is unchanged.
int ReplaceWithGrayDerived(BitmapRecord* bitmap, int targetBits, const GrayRowConverter& convert);
