// Which reader a picture file goes to first, by its extension, and the
// depth the library is asked for on a screen. Portable.
#pragma once

#include <string>

enum class PictureRoute {
    Photoshop,  // the program's own reader (".psd")
    Jpeg,       // the framework's JPEG picture (".jpg", ".jpeg")
    Bitmap,     // the framework's bitmap (".bmp")
    Library,    // straight to the imaging library
};

// The extension from the last "." (of the file name, not of a folder),
// compared in lower case; no extension goes to the library.
PictureRoute PictureRouteFor(const std::string& fileName);

// Bits per pixel asked of the library for a screen of bitsPixel x planes:
// 15 and 16 bits load as 24 (the device bitmap is made from true colour),
// every other depth as itself.
int LibraryLoadDepth(int bitsPixel, int planes);

// The extensions the picture class serves, with their descriptions, in the
// order they are registered.
struct PictureFormatEntry {
    const char* Extension;
    const char* Description;
};
constexpr PictureFormatEntry KoraFileFormats[] = {
    {"pcx", "PCX image"},       {"gif", "GIF image"}, {"tga", "TARGA image"}, {"png", "PNG image"},
    {"psd", "Photoshop image"}, {"eps", "EPS image"}, {"tif", "TIFF image"},
};
