#include "picture/psd_decode.h"

#include <cstring>

namespace {

unsigned Be16(const std::uint8_t* p) { return (unsigned(p[0]) << 8) | p[1]; }
std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

constexpr std::size_t kHeaderSize = 26;

}  // namespace

PsdResult DecodePhotoshop(const std::uint8_t* data, std::size_t size, PsdImage& image) {
    image = PsdImage{};
    if (size < kHeaderSize || std::memcmp(data, "8BPS", 4) != 0) return PsdResult::Invalid;
    const unsigned version = Be16(data + 4), channels = Be16(data + 12), depth = Be16(data + 22),
                   mode = Be16(data + 24);
    const std::uint32_t height = Be32(data + 14), width = Be32(data + 18);
    if (version != 1 || depth != 8 || (mode != 3 && mode != 7)) return PsdResult::Invalid;
    // Multichannel files may hold any number of channels; the pixel has room
    // for four, so larger counts go to the library.
    if (channels < 1 || channels > 4) return PsdResult::Unreadable;
    if (width < 1 || height < 1 || width > PsdMaxSide || height > PsdMaxSide) return PsdResult::Unreadable;

    // Colour mode data, image resources, layers and masks: each a length and its bytes.
    std::size_t at = kHeaderSize;
    for (int section = 0; section < 3; ++section) {
        if (size - at < 4) return PsdResult::Unreadable;
        const std::uint32_t length = Be32(data + at);
        at += 4;
        if (length > size - at) return PsdResult::Unreadable;
        at += length;
    }
    if (size - at < 2) return PsdResult::Unreadable;
    const bool runLength = Be16(data + at) != 0;
    at += 2;

    const std::size_t w = width, h = height;
    // Refuse before allocating what the data cannot fill: a raw image needs
    // every byte, a run-length row at least two bytes per 128 pixels.
    const std::uint64_t need =
        runLength ? std::uint64_t(channels) * h * (2 + ((w + 127) / 128) * 2) : std::uint64_t(channels) * w * h;
    if (need > size - at || std::uint64_t(w) * h * 4 > PsdMaxPixelBytes) return PsdResult::Unreadable;
    image.Width = static_cast<int>(w);
    image.Height = static_cast<int>(h);
    image.Pixels.assign(w * h * 4, 0);
    std::uint8_t* pixels = image.Pixels.data();
    if (runLength) {
        const std::size_t table = h * channels * 2;
        at += table;
        for (unsigned c = 0; c < channels; ++c) {
            const int byte = PsdChannelByte[c];
            for (std::size_t y = 0; y < h; ++y) {
                std::uint8_t* row = pixels + y * w * 4 + byte;
                std::size_t x = 0;
                while (x < w) {
                    if (at >= size) return image = PsdImage{}, PsdResult::Unreadable;
                    const unsigned n = data[at++];
                    if (n < 128) {
                        const std::size_t count = n + 1;
                        if (count > size - at) return image = PsdImage{}, PsdResult::Unreadable;
                        // Bytes beyond the width are consumed and dropped.
                        for (std::size_t i = 0; i < count; ++i, ++x)
                            if (x < w) row[x * 4] = data[at + i];
                        at += count;
                    } else if (n > 128) {
                        if (at >= size) return image = PsdImage{}, PsdResult::Unreadable;
                        const std::uint8_t v = data[at++];
                        for (unsigned i = 0; i < 257 - n; ++i, ++x)
                            if (x < w) row[x * 4] = v;
                    }
                }
            }
        }
    } else {
        for (unsigned c = 0; c < channels; ++c) {
            const int byte = PsdChannelByte[c];
            for (std::size_t i = 0; i < w * h; ++i) pixels[i * 4 + byte] = data[at++];
        }
    }
    return PsdResult::Ok;
}
