#include "jpeg_fixture.h"

#include <cstdlib>
#include <cstring>

Rgb TexturedPicture(int width, int height) {
    Rgb p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>(seed >> 16 & 31) - 16;
            unsigned char* q = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
            const bool stripe = ((x / 5) + (y / 7)) & 1;
            q[0] = static_cast<unsigned char>(std::clamp(x * 255 / std::max(1, width - 1) + noise, 0, 255));
            q[1] = static_cast<unsigned char>(std::clamp((stripe ? 200 : 40) + noise, 0, 255));
            q[2] = static_cast<unsigned char>(std::clamp(y * 255 / std::max(1, height - 1) - noise, 0, 255));
        }
    return p;
}

int MaxDifference(const Rgb& a, const Rgb& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return -1;
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) worst = std::max(worst, std::abs(a.pixels[i] - b.pixels[i]));
    return worst;
}

void HostScript(const std::string& script) {
    static int serial = 0;
    std::string path = TestTempPath("jpeg_script_" + std::to_string(++serial) + ".sh");
    WriteFileBytes(path, "set -e\n" + script);
    ASSERT_EQ(RunHost("sh " + path), 0) << script;
}

std::string PeerJpeg(const Rgb& picture, const std::string& name, const std::string& options) {
    std::string ppm = WritePpm(picture, name + ".ppm");
    std::string out = TestTempPath(name + ".jpg");
    Host("cjpeg " + options + " -outfile " + out + " " + ppm);
    return out;
}

std::string Bytes(const std::string& path) { return ReadFileBytes(path); }

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    std::string path = TestTempPath(name);
    WriteFileBytes(path, bytes);
    return path;
}

namespace {

struct Collect {
    std::vector<unsigned char> rows;
    int stride = 0;
    int count = 0;
};

int KAPI CollectRows(BitmapRecord*, unsigned char* rows, int count, void* user) {
    auto* c = static_cast<Collect*>(user);
    c->rows.insert(c->rows.end(), rows, rows + static_cast<size_t>(count) * c->stride);
    c->count += count;
    return 1;
}

}  // namespace

Rgb DecodeRgb(const std::string& path, int* result, int width, int height, int colorOrder) {
    FileInfoRecord info;
    int r = K_FileInfo(path.c_str(), &info);
    if (r != K_OK) {
        if (result) *result = r;
        return Rgb{};
    }
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    K_InitBitmap(&b, width ? width : info.Width, height ? height : info.Height, 24);
    b.ColorOrder = colorOrder;
    Collect c;
    c.stride = b.BytesPerLine;
    r = K_DecompressFile(path.c_str(), &b, CollectRows, 24, &c, 4);
    if (result) *result = r;
    if (r != K_OK || c.count != b.Height) return Rgb{};
    Rgb p{b.Width, b.Height, std::vector<unsigned char>(static_cast<size_t>(b.Width) * b.Height * 3)};
    for (int y = 0; y < b.Height; ++y) {
        const int stored = b.ViewPerspective == K_BOTTOM_UP ? b.Height - 1 - y : y;
        const unsigned char* s = &c.rows[static_cast<size_t>(stored) * c.stride];
        for (int x = 0; x < b.Width; ++x) {
            unsigned char* q = &p.pixels[(static_cast<size_t>(y) * b.Width + x) * 3];
            q[0] = s[3 * x + (colorOrder == K_ORDER_BGR ? 2 : 0)];
            q[1] = s[3 * x + 1];
            q[2] = s[3 * x + (colorOrder == K_ORDER_BGR ? 0 : 2)];
        }
    }
    return p;
}
