// One whole 1-bit page between a BitmapRecord and CCITT-coded bytes in an
// open file, around the coder of ccitt_coder.h: the page reader and writer
// of the raw fax, paged fax and IOCA containers. Both go through the
// process-wide file-access callbacks with the handle they are given, so a
// container may put read or write functions of its own in place around
// the call (IOCA framing).
#pragma once

#include <cstdint>

#include "volkg.h"

// What a container knows of one coded page (the fields of a raw fax
// description record).
struct FaxPageLayout {
    char letter = 'D';  // 'B' Group 3 1-D, 'C' Group 3 2-D, anything else Group 4
    int width = 0;
    int height = 0;
    int xResolution = 0;  // dots per inch
    int yResolution = 0;
    uint32_t dataOffset = 0;  // file position of the first coded byte
    int flags = 0;            // kFaxPage... bits below
};
constexpr int kFaxPageTopDown = 0x1;      // target rows top row first (else bottom-up)
constexpr int kFaxPageColor0Black = 0x4;  // colour 0 black, 1 white (else 0 white, 1 black)
constexpr int kFaxPageReversed = 0x8;     // coded bytes lowest bit first (fill order 2)

// Decodes layout.height rows from layout.dataOffset and hands each to the
// row callback (target, row, 1, loadState), after setting the target's
// 1-bit colours and palette, DIB header, view perspective and resolution
// (the caller has initialised it at the page's size). 1;
// -13 bitsPerPixel not 1; -11 a size the coder does not take; -1 no
// memory or no code tables; -4 the seek failed; the decoder's -73, -74,
// -77; the row callback's result when not 1. Rows decoded before a
// failure stay delivered.
int ReadFaxPage(int handle, const FaxPageLayout& layout, BitmapRecord* target, RowCallback callback, int bitsPerPixel,
                void* loadState);

// Whether colour 0 of a 1-bit colour table is the darker of its two
// colours (by grey level): rows are then inverted around the coder, so that
// black is coded as black whatever the colour order of the table.
bool Color0IsDark(const RGBQUAD* table);

// Called with every 1-bit row just before it is coded; a result other than
// 1 stops the page and is returned.
using FaxRowFilter = int (*)(BitmapRecord* work, unsigned char* row, void* userData);

struct FaxPageRequest {
    int handle = -1;  // open for writing where the data goes
    BitmapRecord* source = nullptr;
    int bitsPerPixel = 1;  // must be 1
    int format = 'D';      // 66 or 'B' Group 3 1-D, 67 or 'C' Group 3 2-D, else Group 4
    int saveFlags = 0;     // as K_SaveFile passes them
    SaveRowCallback callback = nullptr;
    void* userData = nullptr;
    int* codedBytes = nullptr;  // receives the bytes written (may be null)
    int pageOptions = 0;        // kFaxWrite... bits below
    FaxRowFilter filter = nullptr;
    void* filterData = nullptr;
};
constexpr int kFaxWriteReversed = 0x1;  // store every coded byte lowest bit first (fill order 2)
constexpr int kFaxWriteWidth16 = 0x2;   // code the width rounded down to a multiple of 16

// Codes the source's rows, top row first, at the handle's position: Group 3
// with byte-aligned EOLs and RTC, or Group 4 with EOFB. A source whose
// colour 0 is dark is inverted so that black is coded as black. 1; -13
// bitsPerPixel not 1; -11 a size the coder does not take; -1 no memory;
// -5 a short write; the result of the save writer, its row callback or the
// row filter when not 1.
int WriteFaxPage(const FaxPageRequest& request);
