// Helpers of the encoder tests: encoding a picture through the library,
// reading what host tools say about the result, and walking JPEG markers.
#pragma once

#include <string>
#include <vector>

#include "formats/format_fixture.h"

// Saves the picture through K_SaveFile (24-bit record, bottom-up, BGR):
// the save result.
int SavePicture(const Rgb& picture, const std::string& path, int format, int quality);

// A host command's standard output and error, and its exit status.
struct HostRun {
    int status = -1;
    std::string out;
    std::string err;
};
HostRun RunCaptured(const std::string& command, const std::string& name);

// PSNR of two PPM files by ImageMagick's compare (inf as 999).
double Psnr(const std::string& a, const std::string& b, const std::string& name);

// One marker segment of a JPEG file: the marker byte and its payload
// (without the length field).
struct Segment {
    int marker;
    std::string payload;
};
// Segments up to and including SOS; *scan gets the entropy-coded bytes up
// to EOI. False when the structure is broken.
bool ParseJpeg(const std::string& bytes, std::vector<Segment>* segments, std::string* scan);
