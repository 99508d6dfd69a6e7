// The program's own Photoshop reader: 8 bits per channel, RGB or
// multichannel mode, raw or PackBits rows, into 32-bit blue-green-red-x
// pixels. Portable: it works on the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class PsdResult {
    Ok,
    // Not a file of the kind this reader takes: the caller raises
    // "Invalid PSD format".
    Invalid,
    // A Photoshop header this reader cannot place safely (more channels
    // than a pixel holds, data shorter than the header promises): nothing
    // is decoded and the library's reader decides, by its return code.
    Unreadable,
};

struct PsdImage {
    int Width = 0, Height = 0;
    // Four bytes a pixel, top row first: blue, green, red, fourth channel.
    std::vector<std::uint8_t> Pixels;
};

// Pixel byte of each channel: red 2, green 1, blue 0, the fourth 3.
constexpr int PsdChannelByte[4] = {2, 1, 0, 3};
// Largest side and pixel memory decoded here: a bigger picture would not
// fit a 32-bit program's address space beside everything else.
constexpr int PsdMaxSide = 30000;
constexpr unsigned long long PsdMaxPixelBytes = 256ull << 20;

PsdResult DecodePhotoshop(const std::uint8_t* data, std::size_t size, PsdImage& image);
