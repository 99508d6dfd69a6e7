// Dispatch by format code: the reader and writer of every format, gathered
// from the codecs' rows (io/codec_row.h, library/codec_table.cpp). A code
// with a null entry gives -16.
#pragma once

#include "volkg.h"

// Per-format reader (reader contract): name, bitmap, row callback, wanted
// bits per pixel, user data.
using FileReaderFunction = int(KAPI*)(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                      void* userData);
// Whole-image loader into an allocated record: name, bitmap.
using WholeImageLoader = int (*)(const char* name, BitmapRecord* bitmap);

struct LoadEntry {
    int code;
    FileReaderFunction reader;    // rows through the load's line callback
    WholeImageLoader wholeImage;  // GIF with flag 8 or dithering, metafiles
    bool compressed;              // the compressed family (5, 10, 11, 26)
};
// The entry of a code, or null when no reader takes it.
const LoadEntry* FindLoadEntry(int code);

// What K_SaveFile hands to a writer.
struct SaveRequest {
    const char* name;
    BitmapRecord* bitmap;
    int bitsPerPixel;
    int formatCode;
    int variant;  // TIFF and compressed variants
    int addPage;  // TIFF
    int quality;  // compressed formats
    int flags;    // low byte of the save flags
    SaveRowCallback callback;
    void* userData;
};
using FileWriterFunction = int (*)(const SaveRequest& request);

struct SaveEntry {
    int code;
    FileWriterFunction writer;
    int variant;      // TIFF and compressed-family variant of the code
    int onlyBits;     // 24 for formats that store 24 bits only, else 0
    bool compressed;  // the compressed family (5, 10, 11, 20-24)
};
// The entry of a code, or null when the code is unknown.
const SaveEntry* FindSaveEntry(int code);

// The compressed family and the fax normaliser, reached by the load, save,
// memory and conversion paths; null until their codecs are built.
struct CompressedCodecHooks {
    int(KAPI* decompress)(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                          void* userData, int mode);
    int(KAPI* setCallbackLine)(int rows);
    int(KAPI* decompress1Bit)(const char* name, BitmapRecord* bitmap);
    int(KAPI* compressTIF)(const char* source, const char* target, int variant, int quality, int reserved);
    int(KAPI* compressBMP)(const char* source, const char* target, int variant, int quality, int reserved);
    int(KAPI* compressTGA)(const char* source, const char* target, int variant, int quality, int reserved1,
                           int reserved2);
    int(KAPI* normalizeFax)(BitmapRecord* source, BitmapRecord* target);
};
const CompressedCodecHooks& CompressedCodec();
