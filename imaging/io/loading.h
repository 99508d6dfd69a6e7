// K_LoadFile's state and the row placement shared with whole-image loaders.
#pragma once

#include "volkg.h"

struct LoadState {
    BitmapRecord work;      // the file's own geometry and pixel format
    BitmapRecord* target;
    int kind;               // conversion kind 0-4
    unsigned char* rowA;
    unsigned char* rowB;
    int rowABytes;
    int rowBBytes;
    int workBytesPerLine;   // what the row buffers were sized for
    int workBits;
    bool firstRowDone;
    bool lock;
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

// The line callback every reader gets from K_LoadFile.
int KAPI LoadFileLineCallback(BitmapRecord* work, unsigned char* rows, int count, void* state);

// Decoder line count for the JPEG family for an image height.
int DecoderLineCount(int height);
