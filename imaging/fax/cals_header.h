// The CALS raster header: parsing and writing the 2048 bytes of text
// records in front of the coded data.
#pragma once

#include "io/output.h"
#include "io/source.h"

constexpr int kCalsRecord = 128;
constexpr int kCalsKeyRecords = 11;
constexpr int kCalsHeaderBytes = 2048;

// What the header says. rtype 1 is Group 4 data.
struct CALSHeader {
    int width = 0, height = 0, bitsPerPixel = 0;
    int rtype = 0;
    int density = 0;  // dots per inch, both ways
};

// Reads the eleven key records from the source's position: 1, -7 for a
// short file, an empty record or a missing value, -9 for an unknown key in
// the first nine records or a size of 0.
int ParseCALSHeader(Source& in, CALSHeader* header);
// The density written for a resolution: 200, 240, 300, 400, 600 or 1200.
int CALSDensityDigits(int dpi);
// The 2048 header bytes: 1, -11 for a side that five digits cannot hold, or
// the output's failure.
int WriteCALSHeader(Output& out, int width, int height, int dpi);
