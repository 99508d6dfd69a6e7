// The writer side shared by every codec: a target record that describes the
// stored rows, and the per-row step that reads (or asks for) a source row
// and converts or dithers it to the stored depth and colour order.
#pragma once

#include <optional>

#include "core/palette.h"
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
    // Stored row y (0 = the source's storage row 0) into Row().
    int GetRow(int y) { return SaveWriterGetRows(source_, target_, row_, y, 1, flags_, callback_, user_); }
    unsigned char* Row() const { return row_; }
    const BitmapRecord& Target() const { return *target_; }
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

// Opens a file for writing through the open callback; -14 on failure.
int OpenForWriting(const char* name, int* handle);
// Writes exactly count bytes: 1, or -5.
int WriteExact(int handle, const void* data, int count);
