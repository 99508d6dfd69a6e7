#include "bilevel_fixture.h"

#include <cstring>
#include <random>

#include "fax/bilevel_codec.h"

BitPicture HostBits(const std::string& command) {
    BitPicture p;
    const std::string path = TestTempPath("bilevel_source.pbm");
    EXPECT_EQ(RunHost(command + " " + path), 0) << command;
    const std::string file = ReadFileBytes(path);
    int fields[2] = {};
    size_t at = 2;
    for (int& f : fields) {
        while (at < file.size() && (file[at] < '0' || file[at] > '9')) {
            if (file[at] == '#')
                while (at < file.size() && file[at] != '\n') ++at;
            ++at;
        }
        while (at < file.size() && file[at] >= '0' && file[at] <= '9') f = f * 10 + (file[at++] - '0');
    }
    ++at;
    p.width = fields[0];
    p.height = fields[1];
    p.rows.assign(file.begin() + static_cast<long>(std::min(at, file.size())), file.end());
    EXPECT_EQ(p.rows.size(), static_cast<size_t>(p.RowBytes()) * p.height) << command;
    p.rows.resize(static_cast<size_t>(p.RowBytes()) * p.height);
    return p;
}

BitPicture TextPage(int width, int height) {
    std::string command = kConvert + " -size " + std::to_string(width) + "x" + std::to_string(height) +
                          " xc:white -fill black -pointsize 11";
    const char* lines[] = {"The quick brown fox jumps over the lazy dog. 0123456789",
                           "Pack my box with five dozen liquor jugs; sphinx of black quartz, judge my vow.",
                           "A dress pattern: bodice 42 cm, sleeve 61 cm, hem allowance 2.5 cm (see page 3)."};
    for (int y = 16, i = 0; y < height - 4; y += 15, ++i)
        command += " -annotate +8+" + std::to_string(y) + " '" + lines[i % 3] + "'";
    return HostBits(command);
}

BitPicture NoiseBits(int width, int height, int percent, unsigned seed) {
    BitPicture p{width, height, {}};
    p.rows.assign(static_cast<size_t>(p.RowBytes()) * height, 0);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (static_cast<int>(random() % 100) < percent) p.rows[y * p.RowBytes() + x / 8] |= 0x80 >> (x % 8);
    return p;
}

BitPicture FilledBits(int width, int height, bool set) {
    BitPicture p{width, height, {}};
    p.rows.assign(static_cast<size_t>(p.RowBytes()) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (set) p.rows[y * p.RowBytes() + x / 8] |= 0x80 >> (x % 8);
    return p;
}

void MakeBitRecord(const BitPicture& picture, BitmapRecord* bitmap, bool whiteFirst, int viewPerspective) {
    ASSERT_EQ(K_InitBitmap(bitmap, picture.width, picture.height, 1), 1);
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0};
    bitmap->ColorTable[0] = whiteFirst ? white : black;
    bitmap->ColorTable[1] = whiteFirst ? black : white;
    bitmap->ViewPerspective = viewPerspective;
    ASSERT_EQ(K_AllocateBitmap(bitmap, K_STORAGE_ANY), 1);
    std::vector<unsigned char> row(bitmap->BytesPerLine, 0);
    K_AccessBitmap(bitmap);
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(row.data(), &picture.rows[static_cast<size_t>(y) * picture.RowBytes()], picture.RowBytes());
        ASSERT_GE(K_PutBitmapRow(bitmap, row.data(), y, bitmap->BytesPerLine), 0);
    }
    K_ReleaseBitmap(bitmap);
}

BitPicture RecordBits(BitmapRecord* bitmap) {
    BitPicture p{bitmap->Width, bitmap->Height, {}};
    p.rows.resize(static_cast<size_t>(p.RowBytes()) * p.height);
    std::vector<unsigned char> row(bitmap->BytesPerLine);
    K_AccessBitmap(bitmap);
    for (int y = 0; y < p.height; ++y) {
        K_GetBitmapRow(bitmap, row.data(), y, bitmap->BytesPerLine);
        // Bits past the width are not the picture's.
        if (p.width % 8) row[p.RowBytes() - 1] &= static_cast<unsigned char>(0xFF << (8 - p.width % 8));
        std::memcpy(&p.rows[static_cast<size_t>(y) * p.RowBytes()], row.data(), p.RowBytes());
    }
    K_ReleaseBitmap(bitmap);
    return p;
}

namespace {

void KeepRow(void* user, int y, const uint8_t* row) {
    auto* p = static_cast<BitPicture*>(user);
    ASSERT_GE(y, 0);
    ASSERT_LT(y, p->height);
    unsigned char* out = &p->rows[static_cast<size_t>(y) * p->RowBytes()];
    std::memcpy(out, row, p->RowBytes());
    if (p->width % 8) out[p->RowBytes() - 1] &= static_cast<unsigned char>(0xFF << (8 - p->width % 8));
}

}  // namespace

int SaveBilevel(const std::string& path, const BitPicture& picture, int subType, BitPicture* coded, bool whiteFirst,
                int viewPerspective) {
    RecordGuard record;
    MakeBitRecord(picture, record.get(), whiteFirst, viewPerspective);
    if (coded) {
        *coded = BitPicture{picture.width, picture.height, {}};
        coded->rows.assign(picture.rows.size(), 0xA5);
        bilevel::SetCodedRowObserver(KeepRow, coded);
    }
    const int result = K_SaveFile(path.c_str(), record.get(), 26, 0, subType, 0, nullptr, nullptr);
    bilevel::SetCodedRowObserver(nullptr, nullptr);
    return result;
}
