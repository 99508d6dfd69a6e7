// The picture class over the library and the picture loaders: pictures
// ImageMagick writes load with its pixels, saved pictures and the clipboard
// read back by ImageMagick and xclip, the library route's device bitmap with
// its palette, and the Photoshop route's refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host.h"
#include "controls/raster_dib_win32.h"
#include "models/slot_registry_win32.h"
#include "picture/kora_win32.h"
#include "program_fixture.h"
#include "sysutils.h"

namespace {

// A 9 x 5 picture of distinct colours as a binary PPM, and ImageMagick's
// reading of any file as the same PPM text.
std::string SourcePpm() {
    std::string ppm = "P6\n9 5\n255\n";
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) ppm += {char(x * 28), char(y * 60), char((x * y * 7) ^ 0x33)};
    return ppm;
}

std::string MagickPpm(const std::string& path) {
    const std::string out = path + ".ppm";
    std::remove(out.c_str());
    if (RunHost(kConvert + " '" + path + "' -depth 8 ppm:'" + out + "'") != 0) return "";
    return ReadFileBytes(out);
}

std::string HostFile(const std::string& name, const std::string& options) {
    const std::string ppm = TestTempPath("kora_source.ppm");
    WriteFileBytes(ppm, SourcePpm());
    const std::string path = TestTempPath(name);
    // ImageMagick 6 writes TGA rows top line first under a bottom-left
    // origin; netpbm follows the TGA standard.
    if (path.size() > 4 && path.substr(path.size() - 4) == ".tga")
        EXPECT_EQ(RunHost("pamtotga -norle '" + ppm + "' > '" + path + "'"), 0) << name;
    else
        EXPECT_EQ(RunHost(kConvert + " '" + ppm + "' " + options + " '" + path + "'"), 0) << name;
    return path;
}

TEST(Kora, LoadsLibraryFormatsAndSavesWhatImageMagickReads) {
    EnsureFramework();
    for (const char* name : {"kora.pcx", "kora.tga", "kora.png", "kora.tif"}) {
        SCOPED_TRACE(name);
        TKora kora;
        kora.LoadFromFile(WinPath(HostFile(name, "")));
        ASSERT_EQ(kora.LastResult(), 1);
        ASSERT_EQ(kora.Width(), 9);
        ASSERT_EQ(kora.Height(), 5);
        const std::string saved = TestTempPath(std::string(name) + ".bmp");
        kora.SaveToFile(WinPath(saved));
        ASSERT_EQ(kora.LastResult(), 1);
        EXPECT_EQ(MagickPpm(saved), MagickPpm(HostFile("kora_expected.ppm", "")));
    }
    TKora missing;
    missing.LoadFromFile(WinPath(TestTempPath("no_such_picture.pcx")));
    EXPECT_LT(missing.LastResult(), 0);
    EXPECT_TRUE(missing.Empty());
}

TEST(Kora, AssignCopiesAndReplacesItsStorage) {
    EnsureFramework();
    TKora a, b;
    a.LoadFromFile(WinPath(HostFile("assign.png", "")));
    ASSERT_FALSE(a.Empty());
    for (int i = 0; i < 3; ++i) b.Assign(&a);  // each copy releases the last
    EXPECT_EQ(b.Width(), 9);
    EXPECT_NE(b.Image.StorageHandle, a.Image.StorageHandle);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    TBitmap other;
    a.Assign(&other);  // another class: nothing copied
    EXPECT_EQ(a.Width(), 9);
}

TEST(Kora, ClipboardRoundTripsThroughX11) {
    EnsureFramework();
    TKora kora;
    kora.LoadFromFile(WinPath(HostFile("clip.png", "")));
    WORD format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    kora.SaveToClipboardFormat(format, data, palette);
    ASSERT_EQ(kora.LastResult(), 1);
    const std::string bmp = TestTempPath("kora_clip.bmp");
    ASSERT_EQ(RunHost("timeout 20 xclip -o -selection clipboard -t image/bmp > '" + bmp + "'"), 0);
    EXPECT_EQ(MagickPpm(bmp), SourcePpm());

    const std::string offered = HostFile("offered.bmp", "-type TrueColor -define bmp:format=bmp3");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    ASSERT_EQ(
        RunHost("(timeout 30 xclip -quiet -selection clipboard -t image/bmp -i '" + offered + "' >/dev/null 2>&1 &)"),
        0);
    for (int i = 0; i < 100 && !K_ClipboardReady(); ++i) Sleep(50);
    TKora pasted;
    pasted.LoadFromClipboardFormat(0, nullptr, nullptr);
    ASSERT_EQ(pasted.LastResult(), 1);
    const std::string back = TestTempPath("kora_pasted.bmp");
    pasted.SaveToFile(WinPath(back));
    EXPECT_EQ(MagickPpm(back), SourcePpm());
}

TEST(PictureLoading, ExtensionRoutesAndTheLibraryRoute) {
    EnsureFramework();
    // A GIF goes to the library and arrives as a device bitmap.
    TBitmap gif;
    EXPECT_EQ(LoadPictureFile(gif, WinPath(HostFile("route.gif", ""))), 1);
    EXPECT_EQ(gif.Width(), 9);
    EXPECT_EQ(gif.HandleType(), bmDDB);
    // An 8-bit picture keeps its palette through the device bitmap change.
    TBitmap palette;
    EXPECT_EQ(LoadPictureViaLibrary(palette, WinPath(HostFile("route8.bmp", "-type Palette -colors 16"))), 1);
    EXPECT_FALSE(palette.Empty());
    // A ".jpeg" that is a BMP fails as JPEG and loads through the library.
    TBitmap jpeg;
    EXPECT_EQ(LoadPictureFile(jpeg, WinPath(HostFile("really_bmp.bmp", "-type TrueColor"))), 1);
    const std::string renamed = TestTempPath("really_bmp.JPEG");
    WriteFileBytes(renamed, ReadFileBytes(TestTempPath("really_bmp.bmp")));
    EXPECT_EQ(LoadPictureFile(jpeg, WinPath(renamed)), 1);
    EXPECT_EQ(RasterOfBitmap(jpeg).At(3, 2) & 0xFFFFFF, RasterRGB(84, 120, (3 * 2 * 7) ^ 0x33));
    // A file the library refuses: its code, an empty bitmap.
    const std::string junk = TestTempPath("junk.gif");
    WriteFileBytes(junk, "GIF89a-not-really");
    TBitmap none;
    EXPECT_LT(LoadPictureFile(none, WinPath(junk)), 0);
    EXPECT_TRUE(none.Empty());
}

TEST(PictureLoading, PhotoshopFilesOwnReaderAndRefusals) {
    EnsureFramework();
    TBitmap psd;
    EXPECT_EQ(LoadPictureFile(psd, WinPath(HostFile("own.PSD", ""))), 1);
    EXPECT_EQ(RasterOfBitmap(psd).At(8, 4), RasterRGB(224, 240, (8 * 4 * 7) ^ 0x33));
    // Version 2: "Invalid PSD format".
    std::string large = ReadFileBytes(TestTempPath("own.PSD"));
    large[5] = 2;
    const std::string largePath = TestTempPath("large.psd");
    WriteFileBytes(largePath, large);
    try {
        LoadPictureFile(psd, WinPath(largePath));
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Invalid PSD format");
    }
    // A file cut short is left to the library, whose code reports it.
    std::string cut = ReadFileBytes(TestTempPath("own.PSD"));
    cut.resize(cut.size() / 2);
    const std::string cutPath = TestTempPath("cut.psd");
    WriteFileBytes(cutPath, cut);
    TBitmap shortened;
    EXPECT_LT(LoadPictureFile(shortened, WinPath(cutPath)), 0);
    EXPECT_TRUE(shortened.Empty());
}

TEST(SlotFills, ReadBinaryUsesWhatFits) {
    EnsureFramework();
    TRegIniFileM registry("Software\\Quenvo\\PupettaTest");
    const unsigned char stored[5] = {1, 2, 200, 4, 5};
    registry.WriteBinary("States7", "pl01", 5, stored);
    unsigned char buffer[3] = {255, 255, 255};
    registry.ReadBinary("States7", "pl01", 3, buffer);  // longer than the pieces: no error
    EXPECT_EQ(buffer[2], 200);
    unsigned char untouched[2] = {9, 9};
    registry.ReadBinary("States7", "missing", 2, untouched);
    registry.ReadBinary("NoSuchSection", "pl01", 2, untouched);
    EXPECT_EQ(untouched[0], 9);
    registry.WriteInteger("States7", "ModelsItemPl", 2);
    EXPECT_EQ(static_cast<SlotStore&>(registry).ReadInteger("States7", "ModelsItemPl", -1), 2);
    registry.EraseSection("States7");
}

}  // namespace
