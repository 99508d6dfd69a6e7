// The program's data set as real input: every garment file's pieces read,
// filled and printed, and the drum's frame picture as the drum reads it.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>

#include "controls/fabric_drum.h"
#include "memory_canvas.h"
#include "models/pattern_piece.h"

#ifdef PATTERN_DATASET_DIR

namespace {

std::vector<std::string> ModelFiles() {
    std::vector<std::string> files;
    std::string dir = std::string(PATTERN_DATASET_DIR) + "/models";
    if (DIR* d = opendir(dir.c_str())) {
        // 64-bit entries: a 32-bit readdir fails on the large inode numbers
        // of the host's file system.
        while (dirent64* e = readdir64(d)) {
            std::string name = e->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".mdl") files.push_back(dir + "/" + name);
        }
        closedir(d);
    }
    return files;
}

// A 24-bit bottom-up BMP as the generator writes it.
bool LoadBmp(const std::string& path, MemoryBitmap& bitmap) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(
            static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8 |
            static_cast<unsigned char>(bytes[at + 2]) << 16 | static_cast<unsigned char>(bytes[at + 3]) << 24);
    };
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || (u32(28) & 0xFFFF) != 24) return false;
    int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
    size_t offset = u32(10), stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
    if (w <= 0 || h <= 0 || bytes.size() < offset + stride * h) return false;
    bitmap.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p =
                reinterpret_cast<const unsigned char*>(bytes.data()) + offset + stride * (h - 1 - y) + 3 * x;
            bitmap.SetPixel(x, y, PatternRGB(p[2], p[1], p[0]));
        }
    return true;
}

}  // namespace

TEST(DataSetPieces, EveryGarmentReadsFillsAndPrints) {
    std::vector<std::string> files = ModelFiles();
    ASSERT_GT(files.size(), 10u) << PATTERN_DATASET_DIR;
    MemoryFabrics fabrics;
    int pieces = 0;
    for (const std::string& path : files) {
        std::ifstream file(path);
        std::string title;
        std::getline(file, title);  // the model's title line
        double kx = 2, ky = 2;
        std::vector<std::unique_ptr<TDetal>> model;
        ASSERT_NO_THROW({
            while (!TDetal::AtEndOfPieces(file)) model.push_back(std::make_unique<TDetal>(file, 4, kx, ky));
        }) << path;
        ASSERT_FALSE(model.empty()) << path;
        MemoryPrinter printer(827, 1169, 100);  // A4 at 100 dpi
        int x = 0, y = 0, rowBottom = 0;
        for (auto& piece : model) {
            ++pieces;
            MemoryBitmap bitmap;
            piece->Render(&bitmap, tsFill, &fabrics);
            MemoryBitmap& mask = static_cast<MemoryBitmap&>(*piece->Mask);
            int black = mask.Count(PatternBlack), white = mask.Count(PatternWhite);
            ASSERT_EQ(black + white, mask.Width() * mask.Height()) << path << " " << piece->Name;
            EXPECT_EQ(bitmap.Count(MemoryFabrics::Colour(4)), black) << path << " " << piece->Name;
            // Each seed lies inside a closed outline: the fill neither
            // misses nor leaks out to the bitmap's corners.
            for (auto& primitive : piece->Primitives)
                if (TXY* seed = primitive->FillPoint()) {
                    EXPECT_TRUE(piece->HitTest(piece->Left + seed->X, piece->Top + seed->Y))
                        << path << " " << piece->Name;
                    EXPECT_GT(white, 0) << path << " " << piece->Name;
                }
            piece->PrintPiece(printer, x, y, rowBottom, nullptr, 1.0, 1.0);
        }
        for (auto& page : printer.pages) EXPECT_GT(page->Count(PatternBlack), 0) << path << ": an empty page";
    }
    EXPECT_GT(pieces, 50);
}

TEST(DataSetDrum, FramesHoldOnlyTheKeysInTheWindows) {
    MemoryBitmap frames;
    ASSERT_TRUE(LoadBmp(std::string(PATTERN_DATASET_DIR) + "/Resource/FsBrush.bmp", frames));
    const int w = 99, h = 103;  // the drum on the main window
    ASSERT_EQ(frames.Height(), 4 * h);
    PatternColour keys[5];
    for (int k = 0; k < 5; ++k) keys[k] = frames.Pixel(0, k);
    FabricDrum drum;
    drum.Prepare({true, 360, 120, 60, 60}, {true, 360, 240, 60, 60});  // the two atlases of the data set
    ASSERT_EQ(drum.FabricCount(), 36);
    drum.OpenDrum();
    while (drum.TimerOn) drum.Tick();
    // Every window of the resting frame (the hit map) is there, and every
    // other pixel is neither white nor a blend near a key.
    DrumRect rest = drum.PhaseRect(w, h);
    MemoryBitmap frame(w, h), reference(w, h);
    int windowPixels[5] = {0, 0, 0, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            PatternColour c = frames.Pixel(rest.left + x, rest.top + y);
            frame.SetPixel(x, y, c);
            reference.SetPixel(x, y, c);
            int window = FabricDrum::WindowOfColour(c, keys);
            if (window != NoDrumWindow) {
                ++windowPixels[window + 3];
                continue;
            }
            ASSERT_NE(c, PatternWhite) << x << "," << y;
            for (PatternColour key : keys) {
                int d = 0;
                for (int shift : {0, 8, 16}) d += std::abs(int((c >> shift) & 255) - int((key >> shift) & 255));
                ASSERT_GT(d, 60) << "a blend of a key at " << x << "," << y;
            }
        }
    for (int k = 0; k < 5; ++k) EXPECT_GT(windowPixels[k], 100) << k;
    // Turning through every fabric and back: the windows always show the
    // five fabrics around the position and nothing of the keys survives.
    MemoryFabrics fabrics;
    for (int turn = 0; turn <= drum.FabricCount(); ++turn) {
        MemoryBitmap shown(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) shown.SetPixel(x, y, reference.Pixel(x, y));
        drum.PaintWindows(shown, reference, keys, fabrics);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(shown.Count(keys[k]), 0);
            EXPECT_EQ(shown.Count(MemoryFabrics::Colour(drum.WrapIndex(k - 3))), windowPixels[k]) << turn;
        }
        EXPECT_EQ(drum.WindowOfColour(reference.Pixel(49, 8 + 3 * 18 + 7), keys), 0);
        drum.RotateForward();
        while (drum.TimerOn) drum.Tick();
        EXPECT_EQ(drum.Position, (turn + 1) % drum.FabricCount());
    }
    for (int turn = 0; turn < drum.FabricCount(); ++turn) {
        drum.RotateBackward();
        while (drum.TimerOn) drum.Tick();
    }
    EXPECT_EQ(drum.Position, 1);
}

#endif
