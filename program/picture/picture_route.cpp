#include "picture/picture_route.h"

namespace {

std::string LowerExtension(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t separator = fileName.find_last_of("\\/:");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
    std::string ext = fileName.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

}  // namespace

PictureRoute PictureRouteFor(const std::string& fileName) {
    const std::string ext = LowerExtension(fileName);
    if (ext == ".psd") return PictureRoute::Photoshop;
    if (ext == ".jpg" || ext == ".jpeg") return PictureRoute::Jpeg;
    if (ext == ".bmp") return PictureRoute::Bitmap;
    return PictureRoute::Library;
}

int LibraryLoadDepth(int bitsPixel, int planes) {
    const int depth = bitsPixel * planes;
    return depth == 15 || depth == 16 ? 24 : depth;
}
