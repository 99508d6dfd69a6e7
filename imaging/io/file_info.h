// File information: the record defaults, the short name and the image size
// rule shared by every probe.
#pragma once

#include <climits>
#include <string>

#include "volkg.h"

constexpr int kHeaderBytes = 2000;

// Unpadded pixel bytes of an image (width x height, then by depth).
int ComputeImageSize(int width, int height, int bitsPerPixel);
// The 8.3 form of a file name (at most 12 characters).
std::string ShortFileName(const char* name);
// Bytes the first header read of the last K_FileInfo returned.
int LastHeaderReadCount();
// Copies text into a fixed field, cut and NUL-terminated.
void SetInfoText(char* field, size_t size, const char* text);
inline void SetCompressionName(FileInfoRecord* info, const char* text) {
    SetInfoText(info->Compression, sizeof info->Compression, text);
}

// The fields every probe fills once it knows its format. The image size
// follows from the sides and the depth; a field left at kKeepField and a
// null compression name stay as the record has them.
constexpr int kKeepField = INT_MIN;
struct ProbedImage {
    int format;
    int width;
    int height;
    int bitsPerPixel;
    int viewPerspective = kKeepField;
    int colorOrder = kKeepField;
    const char* compression = nullptr;
};
void FillFileInfo(FileInfoRecord* info, const ProbedImage& image);
