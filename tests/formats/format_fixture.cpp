#include "format_fixture.h"

#include "core/palette.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

Rgb GradientPicture(int width, int height) {
    Rgb p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* q = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
            q[0] = static_cast<unsigned char>(x * 255 / std::max(1, width - 1));
            q[1] = static_cast<unsigned char>(y * 255 / std::max(1, height - 1));
            q[2] = static_cast<unsigned char>((x * 7 + y * 13) & 0xFF);
        }
    return p;
}

Rgb PalettePicture(int width, int height, int colors) {
    Rgb p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int i = ((x / 3) + (y / 2) * 5) % colors;
            unsigned char* q = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
            // Distinct, well separated colours.
            q[0] = static_cast<unsigned char>((i * 37) & 0xFF);
            q[1] = static_cast<unsigned char>((i * 91 + 40) & 0xFF);
            q[2] = static_cast<unsigned char>(255 - ((i * 53) & 0xFF));
            if (colors == 2) q[0] = q[1] = q[2] = i ? 255 : 0;
        }
    return p;
}

Rgb GrayPicture(int width, int height, int levels) {
    Rgb p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int i = (x + y * 3) % levels;
            unsigned char v = static_cast<unsigned char>(levels == 1 ? 0 : i * 255 / (levels - 1));
            unsigned char* q = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
            q[0] = q[1] = q[2] = v;
        }
    return p;
}

Rgb ToRgb(const test_picture::Picture& picture) {
    test_picture::Picture p = test_picture::GreyAsRgb(picture);
    return Rgb{p.width, p.height, std::move(p.data)};
}

test_picture::Picture ToPicture(const Rgb& p) { return test_picture::Picture{p.width, p.height, 3, p.pixels}; }

std::string ToPpm(const Rgb& p) { return test_picture::ToPnm(ToPicture(p)); }

Rgb FromPnm(const std::string& bytes) { return ToRgb(test_picture::FromPnm(bytes)); }

std::string WritePpm(const Rgb& picture, const std::string& name) {
    std::string path = TestTempPath(name);
    WriteFileBytes(path, ToPpm(picture));
    return path;
}

Rgb HostPnm(const std::string& command) { return ToRgb(test_picture::HostPnm(command)); }

Rgb HostPixels(const std::string& path) { return ToRgb(test_picture::HostPicture(path)); }

Rgb RecordPixels(BitmapRecord* b) { return ToRgb(test_picture::RecordColors(b)); }

Rgb RecordPixels24(BitmapRecord* b) { return ToRgb(test_picture::RecordColors(b)); }

Rgb LoadRgb(const std::string& path, int* result) {
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    int r = K_LoadFile(path.c_str(), &b, 24, K_ORDER_RGB, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
    if (result) *result = r;
    if (r != K_OK) return Rgb{};
    Rgb p = RecordPixels(&b);
    K_FreeBitmap(&b);
    return p;
}

void MakeRecord(const Rgb& picture, BitmapRecord* b) {
    std::memset(b, 0, sizeof *b);
    ASSERT_EQ(K_InitBitmap(b, picture.width, picture.height, 24), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b, K_STORAGE_ANY), K_OK);
    b->ColorOrder = K_ORDER_BGR;
    std::vector<unsigned char> row(b->BytesPerLine);
    K_AccessBitmap(b);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* s = &picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 3];
            row[x * 3] = s[2];
            row[x * 3 + 1] = s[1];
            row[x * 3 + 2] = s[0];
        }
        int stored = b->ViewPerspective == K_BOTTOM_UP ? picture.height - 1 - y : y;
        K_PutBitmapRow(b, row.data(), stored, b->BytesPerLine);
    }
    K_ReleaseBitmap(b);
}

void MakeIndexedRecord(int width, int height, int bits, const std::vector<RGBQUAD>& palette,
                       const std::vector<unsigned char>& indices, BitmapRecord* b) {
    std::memset(b, 0, sizeof *b);
    ASSERT_EQ(K_InitBitmap(b, width, height, bits), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b, K_STORAGE_ANY), K_OK);
    ASSERT_EQ(K_PutBitmapColors(b, 0, static_cast<int>(palette.size()), palette.data()), K_OK);
    std::vector<unsigned char> row(b->BytesPerLine);
    K_AccessBitmap(b);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            int v = indices[static_cast<size_t>(y) * width + x];
            if (bits == 8)
                row[x] = static_cast<unsigned char>(v);
            else if (bits == 4)
                row[x / 2] |= static_cast<unsigned char>(x & 1 ? v : v << 4);
            else if (v)
                row[x / 8] |= static_cast<unsigned char>(0x80 >> (x & 7));
        }
        int stored = b->ViewPerspective == K_BOTTOM_UP ? height - 1 - y : y;
        K_PutBitmapRow(b, row.data(), stored, b->BytesPerLine);
    }
    K_ReleaseBitmap(b);
}

void PatchFile(const std::string& path, size_t offset, const std::string& bytes) {
    std::string data = ReadFileBytes(path);
    ASSERT_LE(offset + bytes.size(), data.size());
    data.replace(offset, bytes.size(), bytes);
    WriteFileBytes(path, data);
}

void IndexedRecord(const Rgb& picture, int bits, bool reversed, BitmapRecord* b) {
    std::vector<RGBQUAD> palette;
    std::vector<unsigned char> indices;
    for (size_t i = 0; i < picture.pixels.size(); i += 3) {
        RGBQUAD c{picture.pixels[i + 2], picture.pixels[i + 1], picture.pixels[i], 0};
        size_t k = 0;
        while (k < palette.size() && std::memcmp(&palette[k], &c, sizeof c) != 0) ++k;
        if (k == palette.size()) palette.push_back(c);
        indices.push_back(static_cast<unsigned char>(k));
    }
    if (reversed) {
        std::reverse(palette.begin(), palette.end());
        for (auto& i : indices) i = static_cast<unsigned char>(palette.size() - 1 - i);
    }
    palette.resize(size_t(1) << bits);
    MakeIndexedRecord(picture.width, picture.height, bits, palette, indices, b);
}
