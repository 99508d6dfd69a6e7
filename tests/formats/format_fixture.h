// Shared helpers of the format tests: test pictures as RGB bytes (the
// three-channel form of support/test_picture.h's Picture), host tools to turn
// them into other formats, and loading through the library into RGB pixels
// in top-down order for comparison.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_tools.h"
#include "test_picture.h"
#include "volkg.h"

// A picture in top-down RGB bytes.
struct Rgb {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
    bool operator==(const Rgb& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
};

// To and from the shared Picture (grey levels become three channels).
Rgb ToRgb(const test_picture::Picture& picture);
test_picture::Picture ToPicture(const Rgb& picture);

// Smooth gradients in every channel (true colour).
Rgb GradientPicture(int width, int height);
// At most `colors` distinct colours (2, 4, 16 or 256), in blocks.
Rgb PalettePicture(int width, int height, int colors);
// Grey levels only, at most `levels` of them.
Rgb GrayPicture(int width, int height, int levels);

// PPM (P6) bytes of a picture and back.
std::string ToPpm(const Rgb& picture);
Rgb FromPnm(const std::string& bytes);

// Writes the picture as PPM under the test directory; returns the path.
std::string WritePpm(const Rgb& picture, const std::string& name);
// The pixels of a file as a host tool sees them (ImageMagick to PPM).
Rgb HostPixels(const std::string& path);
// A host tool that prints PNM to stdout, read back.
Rgb HostPnm(const std::string& command);

// Loads through K_LoadFile at 24 bits in RGB order: the pixels, top-down.
// The load result goes to *result; on failure the picture is empty.
Rgb LoadRgb(const std::string& path, int* result = nullptr);
// The rows of a 24-bit RGB record as a top-down picture.
Rgb RecordPixels(BitmapRecord* bitmap);
// Any record's pixels through its colours (indexed or true colour).
Rgb RecordPixels24(BitmapRecord* bitmap);
// A new 24-bit record (BGR order, bottom-up) holding the picture.
void MakeRecord(const Rgb& picture, BitmapRecord* bitmap);
// A new record at 1, 4 or 8 bits with the given palette and indices
// (top-down, one index per pixel).
void MakeIndexedRecord(int width, int height, int bits, const std::vector<RGBQUAD>& palette,
                       const std::vector<unsigned char>& indices, BitmapRecord* bitmap);

// A new record at 1, 4 or 8 bits holding a picture of at most that many
// colours: its palette in the order the colours are met (turned over when
// reversed).
void IndexedRecord(const Rgb& picture, int bits, bool reversed, BitmapRecord* bitmap);

// Patches bytes of a file in place (hostile inputs as recipes).
void PatchFile(const std::string& path, size_t offset, const std::string& bytes);
