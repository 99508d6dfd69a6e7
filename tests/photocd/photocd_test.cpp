// PhotoCD through an in-process stand-in of the access library's ten entry
// points: it serves a picture of the step's size in blocks (last row first)
// or as a whole bottom-up DIB, turned for portrait rotations, and counts
// opens, closes, loads and frees so that every path can be shown to close.
#include <cstring>

#include "formats/format_fixture.h"
#include "formats/photocd_library.h"

namespace {

enum class Fail { None, Open, Format, Resolution, SetResolution, Rotation, Transform, Block, Load, Header, Short };

struct StandIn {
    int format = 0;  // 10 grey, 13 palette, else 24 bits
    int rotation = 0;
    unsigned steps = 0x3F;  // available steps
    int step = 2;           // in force
    int stepAnswer = -1;    // a step to report instead (out of range)
    Fail fail = Fail::None;
    int failBlock = 1;  // the block that cannot be fetched
    int opens = 0, closes = 0, loads = 0, frees = 0, blocks = 0;
    int width() const { return (rotation == 4 || rotation == 7 ? 64 : 96) << step; }
    int height() const { return (rotation == 4 || rotation == 7 ? 96 : 64) << step; }
    int bits() const { return format == 10 || format == 13 ? 8 : 24; }
    // The delivered bytes of a pixel (B, G, R at 24 bits).
    unsigned char Byte(int x, int y, int c) const { return static_cast<unsigned char>(x * 7 + y * 13 + c * 50); }
    void Row(int y, unsigned char* out) const {
        const int n = bits() / 8;
        for (int x = 0; x < width(); ++x)
            for (int c = 0; c < n; ++c) out[x * n + c] = Byte(x, y, c);
    }
    // The picture as RGB, top line first.
    Rgb Expected() const {
        Rgb p{width(), height(), {}};
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x) {
                if (bits() == 8)
                    p.pixels.insert(p.pixels.end(), 3, Byte(x, y, 0));
                else
                    p.pixels.insert(p.pixels.end(), {Byte(x, y, 2), Byte(x, y, 1), Byte(x, y, 0)});
            }
        return p;
    }
};

StandIn lib;
int g_token;

int WINAPI Open(const char*, PcdImage* image) {
    if (lib.fail == Fail::Open) return 1;
    ++lib.opens;
    *image = &g_token;
    return 0;
}
int WINAPI GetFormat(PcdImage, int* format) { return lib.fail == Fail::Format ? 1 : (*format = lib.format, 0); }
int WINAPI GetResolution(PcdImage, int* step) {
    if (lib.fail == Fail::Resolution) return 1;
    *step = lib.stepAnswer >= 0 ? lib.stepAnswer : lib.step;
    return 0;
}
int WINAPI SetResolution(PcdImage, int step) {
    if (lib.fail == Fail::SetResolution || step < 0 || step > 5 || !(lib.steps >> step & 1)) return 1;
    lib.step = step;
    return 0;
}
int WINAPI GetRotation(PcdImage, int* rotation) {
    return lib.fail == Fail::Rotation ? 1 : (*rotation = lib.rotation, 0);
}
int WINAPI Close(PcdImage) { return ++lib.closes, 0; }
int WINAPI SetTransform(PcdImage, int rotation) { return lib.fail == Fail::Transform || rotation != lib.rotation; }
int WINAPI LoadImage(PcdImage, PcdBlock*, HGLOBAL* memory) {
    if (lib.fail == Fail::Load) return 1;
    const int rowBytes = lib.width() * lib.bits() / 8, colors = lib.bits() == 8 ? 256 : 0;
    size_t size = 40 + colors * 4 + size_t(rowBytes) * lib.height();
    if (lib.fail == Fail::Short) size -= rowBytes;
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* p = static_cast<unsigned char*>(GlobalLock(m));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = lib.width() + (lib.fail == Fail::Header ? 1 : 0);
    h.biHeight = lib.height();
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(lib.bits());
    h.biClrUsed = static_cast<DWORD>(colors);
    std::memcpy(p, &h, 40);
    if (lib.fail != Fail::Short)
        for (int k = 0; k < lib.height(); ++k)
            lib.Row(lib.height() - 1 - k, p + 40 + colors * 4 + size_t(k) * rowBytes);
    GlobalUnlock(m);
    ++lib.loads;
    *memory = m;
    return 0;
}
int WINAPI GetBlock(PcdImage, PcdBlock* block, unsigned char* buffer, int rowBytes) {
    if (lib.fail == Fail::Block && lib.blocks == lib.failBlock) return 1;
    ++lib.blocks;
    for (int i = 0; i < block->rowCount; ++i)
        lib.Row(block->firstRow + i, buffer + size_t(block->rowCount - 1 - i) * rowBytes);
    return 0;
}
int WINAPI FreeBitmap(HGLOBAL memory) {
    ++lib.frees;
    GlobalFree(memory);
    return 0;
}

// Installs the stand-in for a test, with a file for it to be asked about.
class PhotoCDTest : public ::testing::Test {
protected:
    void SetUp() override {
        lib = StandIn{};
        PhotoCD = PhotoCDLibrary{true,        nullptr, Open,         GetFormat, GetResolution, SetResolution,
                                 GetRotation, Close,   SetTransform, LoadImage, GetBlock,      FreeBitmap};
        K_SetPCDResolution(2);
        path = TestTempPath("pack.pcd");
        WriteFileBytes(path, std::string(3000, '\x55'));  // any bytes: the library reads the file
    }
    void TearDown() override {
        EXPECT_EQ(lib.opens, lib.closes);
        EXPECT_EQ(lib.loads, lib.frees);
        PhotoCD = PhotoCDLibrary{};
    }
    std::string path;
};

TEST_F(PhotoCDTest, WithoutTheLibraryNothingIsReadAndTheLoadFails) {
    PhotoCD = PhotoCDLibrary{};
    FileInfoRecord info;
    EXPECT_NE(K_FileInfo(path.c_str(), &info), K_OK);
    BitmapRecord b{};
    EXPECT_EQ(K_LoadPCDFile(path.c_str(), &b, nullptr, 24, nullptr), K_ERR_UNSUPPORTED);
    EXPECT_EQ(K_LoadPCDBitmap(path.c_str(), &b), K_ERR_UNSUPPORTED);
    int available[6];
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_ERR_UNSUPPORTED);
    EXPECT_EQ(lib.opens, 0);
}

TEST_F(PhotoCDTest, BlocksAndWholeImagesInEveryRowOrder) {
    struct Case {
        const char* name;
        int format, rotation, step;
        int width, height, bits;
    } const cases[] = {
        // 384 x 256 at 24 bits: 56 rows a block, the last one of 32.
        {"blocks", 0, 0, 2, 384, 256, 24},
        {"blocks_grey", 10, 0, 1, 192, 128, 8},
        {"blocks_rotation_3", 0, 3, 0, 96, 64, 24},
        // Bit 2 of the rotation: the whole image, bottom line first.
        {"whole_portrait_4", 0, 4, 2, 256, 384, 24},
        {"whole_portrait_7_grey", 10, 7, 1, 128, 192, 8},
        {"whole_landscape_5", 0, 5, 1, 192, 128, 24},
        {"step_3", 0, 0, 3, 768, 512, 24},
        {"step_3_portrait", 0, 4, 3, 512, 768, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lib.format = c.format;
        lib.rotation = c.rotation;
        ASSERT_EQ(K_SetPCDResolution(c.step), K_OK);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 57);
        EXPECT_EQ(info.Width, c.width);
        EXPECT_EQ(info.Height, c.height);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        EXPECT_EQ(info.ViewPerspective, c.rotation & 4 ? K_BOTTOM_UP : K_TOP_DOWN);
        int r = 0;
        EXPECT_EQ(LoadRgb(path, &r), lib.Expected());
        EXPECT_EQ(r, K_OK);
        // The one-call loader keeps the file's order: BGR above 8 bits.
        RecordGuard whole;
        ASSERT_EQ(K_LoadPCDBitmap(path.c_str(), whole.get()), K_OK);
        EXPECT_EQ(whole.get()->ColorOrder, c.bits > 8 ? K_ORDER_BGR : 0);
        EXPECT_EQ(RecordPixels24(whole.get()), lib.Expected());
    }
}

TEST_F(PhotoCDTest, TwentyFourBitsLoadedAtEightAreDitheredToTheFixedPalette) {
    RecordGuard b;
    ASSERT_EQ(K_LoadPCDFile(path.c_str(), b.get(), nullptr, 8, nullptr), K_OK);
    EXPECT_EQ(b.get()->BitsPerPixel, 8);
    EXPECT_TRUE(b.get()->Flags & K_FIXED_PALETTE_IN_USE);
}

TEST_F(PhotoCDTest, ResolutionSettingAndAvailability) {
    EXPECT_EQ(K_SetPCDResolution(6), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SetPCDResolution(-1), K_ERR_ARGUMENT);
    int available[6];
    lib.steps = 0x06;
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_OK);
    const int expected[6] = {0, 1, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(available, expected, sizeof expected), 0);
    lib.steps = 0;
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_ERR_READ);
    lib.fail = Fail::Open;
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_ERR_READ);
}

int KAPI StopAfterTen(BitmapRecord*, unsigned char*, int, void* user) {
    return ++*static_cast<int*>(user) == 10 ? 5 : 1;
}

TEST_F(PhotoCDTest, EveryFailureClosesTheImage) {
    struct Case {
        const char* name;
        Fail fail;
        int rotation;
        int stepAnswer;
        int result;
    } const cases[] = {
        {"open", Fail::Open, 0, -1, K_ERR_FORMAT},  // the probe already fails
        {"format", Fail::Format, 0, -1, K_ERR_FORMAT},
        {"resolution", Fail::Resolution, 0, -1, K_ERR_FORMAT},
        {"step_out_of_range", Fail::None, 0, 9, K_ERR_FORMAT},
        {"set_resolution", Fail::SetResolution, 0, -1, K_ERR_READ},
        {"transform", Fail::Transform, 0, -1, K_ERR_READ},
        {"block", Fail::Block, 0, -1, K_ERR_READ},
        {"load", Fail::Load, 4, -1, K_ERR_MEMORY},
        {"header_of_another_size", Fail::Header, 4, -1, K_ERR_FORMAT},
        {"block_too_short", Fail::Short, 4, -1, K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lib = StandIn{};
        lib.fail = c.fail;
        lib.rotation = c.rotation;
        lib.stepAnswer = c.stepAnswer;
        RecordGuard b;
        EXPECT_EQ(K_LoadPCDFile(path.c_str(), b.get(), nullptr, 24, nullptr), c.result);
        EXPECT_EQ(lib.opens, lib.closes);
        EXPECT_EQ(lib.loads, lib.frees);
    }
    for (int rotation : {0, 4}) {
        lib = StandIn{};
        lib.rotation = rotation;
        RecordGuard b;
        int rows = 0;
        EXPECT_EQ(K_LoadPCDFile(path.c_str(), b.get(), StopAfterTen, 24, &rows), 5);
        EXPECT_EQ(rows, 10);
        EXPECT_EQ(lib.opens, lib.closes);
        EXPECT_EQ(lib.loads, lib.frees);
    }
}

}  // namespace
