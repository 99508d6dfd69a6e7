// The save writer shared by every codec: a target record that describes the
// stored rows (depth, colour order, colour table), and the per-row step that
// reads (or asks for) a source row and converts or dithers it to the stored
// depth and colour order. Rows are asked for from the picture's top or its
// bottom, whichever way the source record stores them.
#pragma once

#include <optional>

#include "core/palette.h"
#include "io/color_table.h"
#include "io/output.h"
#include "volkg.h"

// Flags the writers and the helpers add during one save.
constexpr int kSaveDithering = 0x200;
constexpr int kSaveConverting = 0x400;
constexpr int kSaveGrayTarget = 0x800;
constexpr int kSaveStoresBGR = 0x1000;

// Prepares the target record and the row buffer (the larger of the two
// rows). 1, or -1 when they cannot be allocated.
int SaveWriterBegin(BitmapRecord* source, BitmapRecord** target, int targetBits, int* flags, unsigned char** row);
// One row into out (which holds the larger of the two rows): 1, the
// callback's result when not 1, 0 for a short read, -1 no memory.
int SaveWriterGetRows(BitmapRecord* source, BitmapRecord* target, unsigned char* out, int row, int count, int flags,
                      SaveRowCallback callback, void* userData);
// Stops dithering, frees the target record and the row buffer, keeps the
// low byte of the flags.
void SaveWriterEnd(BitmapRecord* source, BitmapRecord** target, int* flags, unsigned char** row);

// The trio for a scope. The source's colour table shows colours while the
// writer runs and gets its index map back at the end.
class SaveWriter {
public:
    SaveWriter(BitmapRecord* source, int targetBits, int flags, SaveRowCallback callback, void* userData);
    ~SaveWriter();
    SaveWriter(const SaveWriter&) = delete;
    SaveWriter& operator=(const SaveWriter&) = delete;

    // 1 or -1.
    int Begin();
    // Stored row y (0 = the source's storage row 0) into Row(): 1, the
    // callback's result, 0 for a short read, -1.
    int GetRow(int y) { return SaveWriterGetRows(source_, target_, row_, y, 1, flags_, callback_, user_); }
    // Row y counted from the picture's top line, or from its bottom line.
    int RowFromTop(int y) { return GetRow(source_->ViewPerspective == K_TOP_DOWN ? y : source_->Height - 1 - y); }
    int RowFromBottom(int y) { return GetRow(source_->ViewPerspective == K_TOP_DOWN ? source_->Height - 1 - y : y); }
    // Every row in the file's order (its bottom line first, or its top
    // line), rowBytes of each, into out: 1, the callback's result, 0 for a
    // short read, -1, or the output's failure. Rows the record stores as
    // the file has them are written straight from storage.
    int WriteRows(Output& out, int rowBytes, bool bottomFirst);
    int Width() const { return source_->Width; }
    int Height() const { return source_->Height; }
    // The stored colour table (Target().Colors entries) in a file's layout.
    void ColorTableBytes(uint8_t* out, int count, ColorBytes layout) const {
        ColorsToBytes(out, target_->ColorTable, count, layout);
    }
    unsigned char* Row() const { return row_; }
    const BitmapRecord& Target() const { return *target_; }
    // Whether stored colour 0 is darker than colour 1: the bilevel formats
    // whose set bit has a fixed colour turn the bits over by it.
    bool FirstColorDarker() const {
        auto luma = [](const RGBQUAD& c) { return 2 * c.rgbRed + 5 * c.rgbGreen + c.rgbBlue; };
        return luma(target_->ColorTable[0]) < luma(target_->ColorTable[1]);
    }
    int Flags() const { return flags_; }

private:
    BitmapRecord* source_;
    BitmapRecord* target_ = nullptr;
    unsigned char* row_ = nullptr;
    int bits_;
    int flags_;
    SaveRowCallback callback_;
    void* user_;
    std::optional<PaletteColorsScope> colors_;
};
