// Helpers of the compressed-data stream tests: pictures as packed rows, and
// a whole compress and decompress through the six calls with chosen buffer
// sizes and rows per call.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_tools.h"
#include "volkg.h"

struct PackedPicture {
    int width = 0, height = 0, bits = 8;
    std::vector<unsigned char> bytes;  // packed rows, top first
    int RowSize() const { return width * bits / 8; }
};

// ImageMagick's built-in picture (rose:, logo:, ...) as 8-bit grey or
// 24-bit RGB packed rows, optionally resized.
PackedPicture HostPicture(const std::string& source, int bits, const std::string& resize = "");
// Pseudo-random bytes (a fixed seed).
PackedPicture NoisePicture(int width, int height, int bits, unsigned seed);

// Records the write callback's calls.
struct WrittenStream {
    std::vector<unsigned char> bytes;
    std::vector<int> counts;  // count of every call
    int failAtCall = -1;      // this call returns failValue
    int failValue = 0;
};

// A record of the picture's size and depth (grey palette at 8 bits).
void StreamRecord(const PackedPicture& picture, BitmapRecord* bitmap);

// Compresses through K_StartCompressData/K_CompressData/K_EndCompressData
// into *written: the first result other than 1, else 1.
int CompressInto(const PackedPicture& picture, int bufferSize, int rowsPerCall, WrittenStream* written,
                 const std::string& callerBytes = "");
// The same where every call must give 1 (else the test fails).
WrittenStream Compress(const PackedPicture& picture, int bufferSize, int rowsPerCall,
                       const std::string& callerBytes = "");

struct ReadResult {
    int start = 0;        // K_StartDecompressData's result
    int decode = 1;       // the first K_DecompressData result other than 1, else 1
    int callerCount = 0;  // n as returned
    std::string callerBytes;
    int colorOrder = -1;
    std::vector<unsigned char> rows;
};
// Decompresses the stream into a record of the given size and depth,
// feeding at most `chunk` bytes per read callback (0: a whole buffer).
// The read callback returns failValue at call failAtCall.
ReadResult Decompress(const std::vector<unsigned char>& stream, int width, int height, int bits, int bufferSize,
                      int rowsPerCall, int chunk = 0, int callerRoom = 256, int failAtCall = -1, int failValue = 0);
