// K_LoadFile's state and the row placement shared with whole-image loaders.
#pragma once

#include "volkg.h"

// How each delivered row reaches the target.
enum class RowPath {
    Direct,         // same depth and order: stored as it comes
    ReorderColors,  // same depth above 8 bits, the other colour order
    Convert,        // another depth, through the work's colours
    Dither,         // dithered down to the fixed palette
    DitherUp,       // dithered from a shallower file (load flag 4)
};

struct LoadState {
    BitmapRecord work;  // the file's own geometry and pixel format
    BitmapRecord* target;
    RowPath path;
    unsigned char* converted;    // the row in the target's form
    unsigned char* ditherInput;  // a copy of the delivered row for the ditherer
    int convertedBytes;
    int ditherInputBytes;
    int workBytesPerLine;  // what the row buffers were sized for
    int workBits;
    bool firstRowDone;
    bool lock;
    bool allocatePending;  // the target gets its storage with the first row
    bool accessed;         // the target is accessed (locked) by the load
    bool compressed;
    bool ditherStarted;
    RGBQUAD palette[256];
    RowCallback callback;
    void* userData;
    int rowPosition;
    int pass;
};

// Stores rows into the target at the load's row position and advances it
// (GIF interlace order with the target's Interlaced flag); never writes
// past the last row. 1, or a negative row-access result.
int NextLoadRow(BitmapRecord* target, const unsigned char* rows, int count, LoadState* state);

// Where the next count rows delivered to LoadFileLineCallback would be
// stored, when they go unchanged into locked memory storage one after
// another (and no caller's callback sees them): a reader may read them
// there and deliver them from there. Null otherwise.
unsigned char* LoadDestination(LoadState* state, const BitmapRecord* work, int count);

// The line callback every reader gets from K_LoadFile.
int KAPI LoadFileLineCallback(BitmapRecord* work, unsigned char* rows, int count, void* state);

// Decoder line count for the JPEG family for an image height.
int DecoderLineCount(int height);
