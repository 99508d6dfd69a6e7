// The viewer's messages: operations reach the exports with the arguments
// decoded from lParam, records are checked before use, and a picture is
// replaced only by a picture that arrived whole.
#include "model_window.h"

#include <cstdlib>
#include <string>

#include "host.h"

namespace {

using viewer::kStyleHScroll;
using viewer::kStyleVScroll;
constexpr unsigned kBoth = kStyleHScroll | kStyleVScroll;

constexpr unsigned Index(unsigned message) { return message - K_VIEWER_MESSAGE(0); }

// A viewer showing a 24-bit (or 8-bit) picture made by MakePicture.
struct ShowingViewer : ViewerFixture {
    explicit ShowingViewer(int width = 9, int height = 7, int bits = 24, unsigned style = kBoth)
        : ViewerFixture(style, 100, 100) {
        BitmapRecord picture{};
        MakePicture(&picture, width, height, bits);
        EXPECT_EQ(Send(Index(K_VIEWER_ADOPT), &picture), K_OK);
    }
    BitmapRecord* Shown() { return viewer.Bitmap(); }
};

TEST(ViewerMessages, OperationsDecodeTheirArguments) {
    auto lp = [](int lo, int hi) { return static_cast<LPARAM>((lo & 0xFFFF) | (hi & 0xFFFF) << 16); };
    struct Case {
        const char* name;
        unsigned message;
        LPARAM lParam;
        std::function<int(BitmapRecord*)> direct;
        int bits;
    } cases[] = {
        {"flip", K_VIEWER_FLIP, 0, K_FlipBitmap, 24},
        {"rotate -90 resized", K_VIEWER_ROTATE, lp(-90, 1), [](BitmapRecord* b) { return K_RotateBitmap(b, -90, 1); },
         24},
        {"intensity -200", K_VIEWER_INTENSITY, lp(-200, 0),
         [](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, -200); }, 24},
        {"reverse", K_VIEWER_REVERSE, 0, K_ReverseBitmap, 24},
        {"average 3", K_VIEWER_AVERAGE, 3, [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); }, 24},
        {"median 3", K_VIEWER_MEDIAN, 3, [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }, 24},
        {"contrast -300", K_VIEWER_CONTRAST, lp(-300, 7),
         [](BitmapRecord* b) { return K_ChangeBitmapContrast(b, -300); }, 24},
        {"hue -45", K_VIEWER_HUE, lp(-45, 0), [](BitmapRecord* b) { return K_ChangeBitmapHue(b, -45); }, 24},
        {"saturation -500", K_VIEWER_SATURATION, lp(-500, 0),
         [](BitmapRecord* b) { return K_ChangeBitmapSaturation(b, -500); }, 24},
        {"grey", K_VIEWER_GRAYSCALE, 0, K_GrayScaleBitmap, 24},
        {"halftone 1", K_VIEWER_HALFTONE, 1, [](BitmapRecord* b) { return K_HalfToneBitmap(b, 1); }, 24},
        {"equalize", K_VIEWER_EQUALIZE, 0, K_HistoEqualizeBitmap, 8},
        {"invert", K_VIEWER_INVERT, 0, K_InvertBitmap, 24},
        {"filter 5", K_VIEWER_SPATIAL, 5, [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 5); }, 24},
        {"mosaic 3", K_VIEWER_MOSAIC, 3, [](BitmapRecord* b) { return K_MosaicBitmap(b, 3); }, 24},
        {"posterize 4", K_VIEWER_POSTERIZE, 4, [](BitmapRecord* b) { return K_PosterizeBitmap(b, 4); }, 24},
        {"size 13 x 4", K_VIEWER_SIZE, lp(13, 4), [](BitmapRecord* b) { return K_SizeBitmap(b, 13, 4); }, 24},
        {"sharpen -400", K_VIEWER_SHARPEN, lp(-400, 0), [](BitmapRecord* b) { return K_SharpenBitmap(b, -400); }, 24},
        {"clear", K_VIEWER_CLEAR, 0, K_ClearBitmap, 24},
        {"fill", K_VIEWER_FILL, 0x00336699, [](BitmapRecord* b) { return K_FillBitmap(b, 0x00336699); }, 24},
        {"gamma 180", K_VIEWER_GAMMA, 180, [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 180); }, 24},
        {"resample 5 x 11", K_VIEWER_RESAMPLE, lp(5, 11), [](BitmapRecord* b) { return K_ResampleBitmap(b, 5, 11); },
         24},
        {"resample -5 refused", K_VIEWER_RESAMPLE, lp(-5, 11),
         [](BitmapRecord* b) { return K_ResampleBitmap(b, -5, 11); }, 24},
        {"detect 40..200", K_VIEWER_DETECT, lp(40, 200),
         [](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 40, 200); }, 24},
        {"intensity 2000 refused", K_VIEWER_INTENSITY, 2000,
         [](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, 2000); }, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowingViewer f(9, 7, c.bits);
        OwnedRecord expected;
        ASSERT_EQ(K_CopyBitmap(&expected.r, f.Shown()), K_OK);
        int result = c.direct(&expected.r);
        f.window.notifications.clear();
        EXPECT_EQ(f.Send(Index(c.message), 1, c.lParam), result);
        EXPECT_TRUE(SamePixels(f.Shown(), &expected.r));
        // Every operation refreshes.
        EXPECT_EQ(f.window.notifications, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_REFRESHED}));
    }
}

TEST(ViewerMessages, ShearAndColorResolutionRecords) {
    {
        ShowingViewer f;
        OwnedRecord expected;
        ASSERT_EQ(K_CopyBitmap(&expected.r, f.Shown()), K_OK);
        ViewerShearRecord shear{16, 1500, 1, RGB(1, 2, 3)};
        EXPECT_EQ(f.Send(Index(K_VIEWER_SHEAR), &shear), K_ShearBitmap(&expected.r, 1500, 1, RGB(1, 2, 3)));
        EXPECT_TRUE(SamePixels(f.Shown(), &expected.r));
        ViewerShearRecord wrong{12, 1500, 1, 0};
        EXPECT_EQ(f.Send(Index(K_VIEWER_SHEAR), &wrong), K_ERR_ARGUMENT);
        EXPECT_TRUE(SamePixels(f.Shown(), &expected.r));
    }
    {
        ShowingViewer f;
        OwnedRecord expected;
        ASSERT_EQ(K_CopyBitmap(&expected.r, f.Shown()), K_OK);
        expected.r.DitheringMethod = 2;
        int direct = K_ColorResolution(&expected.r, 4, 0, nullptr, nullptr);
        ViewerColorResRecord r{16, 4, 2, 0};
        EXPECT_EQ(f.Send(Index(K_VIEWER_COLOR_RES), &r), direct);
        EXPECT_EQ(f.Shown()->BitsPerPixel, 4);
        EXPECT_EQ(f.Shown()->DitheringMethod, 2);
        EXPECT_TRUE(SamePixels(f.Shown(), &expected.r));
    }
    {
        ShowingViewer f;
        OwnedRecord expected;
        ASSERT_EQ(K_CopyBitmap(&expected.r, f.Shown()), K_OK);
        int direct = K_ColorResBitmap(&expected.r, &expected.r, 8, K_COLORRES_FIXED, nullptr, 0, nullptr, nullptr);
        ViewerColorResExtRecord r{static_cast<int>(sizeof(ViewerColorResExtRecord)), 8, K_COLORRES_FIXED, nullptr, 0};
        EXPECT_EQ(f.Send(Index(K_VIEWER_COLOR_RES), &r), direct);
        EXPECT_TRUE(SamePixels(f.Shown(), &expected.r));
    }
    {
        // Methods beyond 0..7 and other sizes change nothing.
        ShowingViewer f;
        for (ViewerColorResRecord r : {ViewerColorResRecord{16, 8, 8, 0}, ViewerColorResRecord{16, 8, -1, 0},
                                       ViewerColorResRecord{12, 8, 1, 0}}) {
            EXPECT_EQ(f.Send(Index(K_VIEWER_COLOR_RES), &r), K_ERR_ARGUMENT);
            EXPECT_EQ(f.Shown()->BitsPerPixel, 24);
        }
    }
}

// Messages that read or write through lParam refuse a null one.
TEST(ViewerMessages, NullRecordsAreRefused) {
    struct Case {
        unsigned message;
        LRESULT result;
    } cases[] = {
        {K_VIEWER_LOAD, K_ERR_ARGUMENT},
        {K_VIEWER_SAVE, K_ERR_ARGUMENT},
        {K_VIEWER_INFO, K_ERR_ARGUMENT},
        {K_VIEWER_COLOR_RES, K_ERR_ARGUMENT},
        {K_VIEWER_DESTINATION, K_ERR_ARGUMENT},
        {K_VIEWER_ZOOM_AT, K_ERR_ARGUMENT},
        {K_VIEWER_SHEAR, K_ERR_ARGUMENT},
        {K_VIEWER_PRINT, 0},
        {K_VIEWER_SET_COPY, 0},
    };
    for (const Case& c : cases) {
        ShowingViewer f;
        OwnedRecord before;
        ASSERT_EQ(K_CopyBitmap(&before.r, f.Shown()), K_OK);
        f.window.notifications.clear();
        EXPECT_EQ(f.Send(Index(c.message), 16, 0), c.result) << Index(c.message);
        EXPECT_TRUE(SamePixels(f.Shown(), &before.r)) << Index(c.message);
        EXPECT_TRUE(f.window.notifications.empty()) << Index(c.message);
    }
}

TEST(ViewerMessages, InfoWritesOnlyTheBytesAskedFor) {
    ShowingViewer f(9, 7, 8);
    unsigned char out[24];
    for (WPARAM size : {WPARAM(0), WPARAM(4), WPARAM(9), WPARAM(16)}) {
        std::memset(out, 0xAB, sizeof out);
        EXPECT_EQ(f.Send(Index(K_VIEWER_INFO), size, reinterpret_cast<LPARAM>(out)), K_OK);
        ViewerInfoRecord full{16, 9, 7, 8};
        EXPECT_EQ(std::memcmp(out, &full, size), 0) << size;
        for (size_t i = size; i < sizeof out; ++i) ASSERT_EQ(out[i], 0xAB) << size << " wrote byte " << i;
    }
    std::memset(out, 0xAB, sizeof out);
    EXPECT_EQ(f.Send(Index(K_VIEWER_INFO), 17, reinterpret_cast<LPARAM>(out)), K_ERR_ARGUMENT);
    EXPECT_EQ(out[0], 0xAB);
}

TEST(ViewerMessages, UnknownMessagesGoToTheDefault) {
    ModelWindow window;
    Viewer v(window, 0);
    LRESULT r = 99;
    for (unsigned index : {44u, 45u, 46u, 48u, 1000u}) EXPECT_FALSE(v.Message(index, 0, 0, &r)) << index;
    EXPECT_EQ(r, 99);
}

// The record's address stays the control's for its whole life, whatever
// replaces the picture.
TEST(ViewerMessages, RecordAddressIsStable) {
    ShowingViewer f;
    auto address = f.Send(Index(K_VIEWER_BITMAP), 0, 0);
    ASSERT_EQ(address, reinterpret_cast<LRESULT>(f.Shown()));
    OwnedRecord other;
    MakePicture(&other.r, 4, 3);
    EXPECT_EQ(f.Send(Index(K_VIEWER_SET_COPY), &other.r), K_OK);
    EXPECT_EQ(f.Send(Index(K_VIEWER_BITMAP), 0, 0), address);
    EXPECT_EQ(reinterpret_cast<BitmapRecord*>(address)->Width, 4);
    // A copy of the control's own record through its address.
    EXPECT_EQ(f.Send(Index(K_VIEWER_SET_COPY), reinterpret_cast<void*>(address)), K_OK);
    EXPECT_TRUE(SamePixels(f.Shown(), &other.r));
    EXPECT_EQ(f.Send(Index(K_VIEWER_FREE), 1, 0), K_OK);
    EXPECT_EQ(f.Send(Index(K_VIEWER_BITMAP), 0, 0), 0);
    EXPECT_EQ(f.Send(Index(K_VIEWER_PALETTE), 0, 0), 0);
    EXPECT_EQ(f.Shown()->Width, 0);
    EXPECT_EQ(f.Shown()->Height, 0);
}

TEST(ViewerMessages, AdoptFreesTheOldPicture) {
    int base = HandlesHeld();
    {
        ShowingViewer f;
        int showing = HandlesHeld();
        ASSERT_GT(showing, base);
        for (int i = 0; i < 3; ++i) {
            BitmapRecord next{};
            MakePicture(&next, 5 + i, 4, 24);
            EXPECT_EQ(f.Send(Index(K_VIEWER_ADOPT), &next), K_OK);
            EXPECT_EQ(f.Shown()->Width, 5 + i);
            EXPECT_EQ(HandlesHeld(), showing) << "the previous picture was not freed";
        }
        // Adopting the control's own record changes nothing.
        EXPECT_EQ(f.Send(Index(K_VIEWER_ADOPT), f.Shown()), K_OK);
        EXPECT_EQ(f.Shown()->Width, 7);
        EXPECT_TRUE(f.viewer.HasPicture());
        // 0 lets go without freeing: the caller took the record over.
        OwnedRecord taken;
        K_CopyBitmapHandle(&taken.r, f.Shown());
        EXPECT_EQ(f.Send(Index(K_VIEWER_ADOPT), 1, 0), K_OK);
        EXPECT_FALSE(f.viewer.HasPicture());
        EXPECT_EQ(K_GetPixelColor(&taken.r, 0, 0) & 0xFF, 1u);
    }
    EXPECT_EQ(HandlesHeld(), base);
}

// Paste, acquire and set-a-copy: a failure keeps the picture.
TEST(ViewerMessages, FailedFetchKeepsThePicture) {
    struct Case {
        const char* name;
        unsigned message;
        bool viaCopy;
    } cases[] = {
        {"paste", K_VIEWER_PASTE, false}, {"acquire", K_VIEWER_ACQUIRE, false}, {"copy", K_VIEWER_SET_COPY, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowingViewer f;
        OwnedRecord before;
        ASSERT_EQ(K_CopyBitmap(&before.r, f.Shown()), K_OK);
        auto address = f.Send(Index(K_VIEWER_BITMAP), 0, 0);
        // A failing fetch that had allocated part of a picture.
        auto failing = [](BitmapRecord* b) {
            MakePicture(b, 3, 3);
            return 0;
        };
        f.window.paste = f.window.acquire = failing;
        BitmapRecord unallocated{};
        K_InitBitmap(&unallocated, 3, 3, 24);
        LRESULT r = c.viaCopy ? f.Send(Index(c.message), &unallocated) : f.Send(Index(c.message), 1, 0);
        EXPECT_NE(r, K_OK);
        EXPECT_TRUE(SamePixels(f.Shown(), &before.r));
        EXPECT_EQ(f.Send(Index(K_VIEWER_BITMAP), 0, 0), address);
        // A fetch that works replaces it.
        OwnedRecord good;
        MakePicture(&good.r, 6, 2);
        f.window.paste = f.window.acquire = [&](BitmapRecord* b) { return K_CopyBitmap(b, &good.r); };
        f.window.position[0] = 0;
        r = c.viaCopy ? f.Send(Index(c.message), &good.r) : f.Send(Index(c.message), 1, 0);
        EXPECT_EQ(r, K_OK);
        EXPECT_TRUE(SamePixels(f.Shown(), &good.r));
        EXPECT_EQ(f.Send(Index(K_VIEWER_BITMAP), 0, 0), address);
    }
}

std::string TempFile(const char* name) {
    const char* dir = std::getenv("VOLKG_TEST_TMP_DIR");
    std::string path = dir ? std::string(dir) + "/" + name : TestTempPath(name);
    RunHost("mkdir -p \"$(dirname '" + path + "')\"");
    return path;
}

TEST(ViewerMessages, LoadReplacesOnlyOnSuccess) {
    // A 6 x 4 picture that ImageMagick writes: red left half, blue right.
    std::string path = TempFile("viewer_load.bmp");
    ASSERT_EQ(RunHost(kConvert + " -size 3x4 xc:red -size 3x4 xc:blue +append -type truecolor BMP3:" + path), 0);
    ShowingViewer f;
    auto address = f.Send(Index(K_VIEWER_BITMAP), 0, 0);
    f.viewer.Scroll(false, viewer::kLineDown, 0);
    OwnedRecord before;
    ASSERT_EQ(K_CopyBitmap(&before.r, f.Shown()), K_OK);

    ViewerFileRecord bad{};
    bad.Size = 264;
    std::snprintf(bad.Name, sizeof bad.Name, "%s.missing", path.c_str());
    EXPECT_LT(f.Send(Index(K_VIEWER_LOAD), &bad), 0);
    EXPECT_TRUE(SamePixels(f.Shown(), &before.r));

    ViewerFileRecord wrongSize{};
    wrongSize.Size = 100;
    std::snprintf(wrongSize.Name, sizeof wrongSize.Name, "%s", path.c_str());
    EXPECT_EQ(f.Send(Index(K_VIEWER_LOAD), &wrongSize), K_ERR_ARGUMENT);
    EXPECT_TRUE(SamePixels(f.Shown(), &before.r));

    ViewerFileRecord good{};
    good.Size = 264;
    std::snprintf(good.Name, sizeof good.Name, "%s", path.c_str());
    f.window.notifications.clear();
    EXPECT_EQ(f.Send(Index(K_VIEWER_LOAD), &good), K_OK);
    EXPECT_EQ(f.Shown()->Width, 6);
    EXPECT_EQ(f.Shown()->Height, 4);
    EXPECT_EQ(K_GetPixelColor(f.Shown(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(K_GetPixelColor(f.Shown(), 0, 5), RGB(0, 0, 255));
    EXPECT_EQ(f.Send(Index(K_VIEWER_BITMAP), 0, 0), address);
    EXPECT_EQ(f.State().horizontalPosition, 0);
    EXPECT_EQ(f.window.notifications, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_REFRESHED}));
    // Style 0x2 loads red-green-blue.
    ShowingViewer rgb(9, 7, 24, kBoth | K_VIEWER_LOAD_RGB);
    EXPECT_EQ(rgb.Send(Index(K_VIEWER_LOAD), &good), K_OK);
    EXPECT_EQ(rgb.Shown()->ColorOrder, K_ORDER_RGB);
}

// The short form holds an 80-byte name that need not end inside the record.
TEST(ViewerMessages, ShortLoadRecordNameIsBounded) {
    std::string path = TempFile("v.bmp");
    ASSERT_EQ(RunHost(kConvert + " -size 2x2 xc:lime BMP3:" + path), 0);
    ShowingViewer f;
    std::vector<char> record(84, 'x');
    int size = 84;
    std::memcpy(record.data(), &size, 4);
    EXPECT_LT(f.Send(Index(K_VIEWER_LOAD), record.data()), 0);  // no such 80-x name
    EXPECT_EQ(f.Shown()->Width, 9);
    ASSERT_LT(path.size(), 80u);
    std::memcpy(record.data() + 4, path.c_str(), path.size() + 1);
    EXPECT_EQ(f.Send(Index(K_VIEWER_LOAD), record.data()), K_OK);
    EXPECT_EQ(f.Shown()->Width, 2);
}

TEST(ViewerMessages, SaveWritesWhatPeersRead) {
    std::string path = TempFile("viewer_save.bmp");
    ShowingViewer f(5, 3);
    ViewerSaveRecord save{};
    save.Size = sizeof save;
    std::snprintf(save.Name, sizeof save.Name, "%s", path.c_str());
    save.Format = K_FORMAT_BMP;
    save.BitsPerPixel = 24;
    f.window.notifications.clear();
    EXPECT_EQ(f.Send(Index(K_VIEWER_SAVE), &save), K_OK);
    EXPECT_TRUE(f.window.notifications.empty());  // no refresh
    // ImageMagick's pixel (4, 2), the bottom line, is storage row 0 of the
    // bottom-up record: MakePicture made it (5, 1, 4).
    ASSERT_EQ(RunHost(kConvert + " " + path + " -format '%[pixel:p{4,2}]' info:" + " > " + path + ".txt"), 0);
    std::string text = ReadFileBytes(path + ".txt");
    EXPECT_NE(text.find("(5,1,4)"), std::string::npos) << text;
    save.Size = 272;
    EXPECT_EQ(f.Send(Index(K_VIEWER_SAVE), &save), K_ERR_ARGUMENT);
}

TEST(ViewerMessages, RefreshAndPalettes) {
    ShowingViewer f;
    // Adopting made one paint palette and realised it.
    EXPECT_EQ(f.window.livePalettes.size(), 1u);
    EXPECT_EQ(f.window.paletteQueries, 1);
    EXPECT_FALSE(f.State().paletteChanged);
    // Without repaint the flags wait for the next refresh; the palette is
    // made anew at once.
    f.window.notifications.clear();
    EXPECT_EQ(f.Send(Index(K_VIEWER_MARK_CHANGED), 0, 0x00010001), K_OK);
    EXPECT_TRUE(f.window.notifications.empty());
    EXPECT_TRUE(f.State().layoutChanged);
    EXPECT_TRUE(f.State().paletteChanged);
    EXPECT_EQ(f.window.livePalettes.size(), 1u);
    int erased = f.window.erasedInvalidations;
    EXPECT_EQ(f.Send(Index(K_VIEWER_MARK_CHANGED), 1, 0), K_OK);
    EXPECT_FALSE(f.State().layoutChanged);
    EXPECT_FALSE(f.State().paletteChanged);
    EXPECT_EQ(f.window.erasedInvalidations, erased + 1);
    EXPECT_EQ(f.window.paletteQueries, 2);
    // Freeing drops the palette; an operation that changes no colours keeps
    // it.
    EXPECT_EQ(f.Send(Index(K_VIEWER_FREE), 1, 0), K_OK);
    EXPECT_TRUE(f.window.livePalettes.empty());
    EXPECT_EQ(f.State().paintPalette, nullptr);
}

TEST(ViewerMessages, StyleSourceAndDevices) {
    ShowingViewer f(200, 200);
    ASSERT_TRUE(f.window.style & kStyleHScroll);
    // The new style keeps the bars shown now.
    EXPECT_EQ(f.Send(Index(K_VIEWER_SET_STYLE), 1, K_VIEWER_CENTER | kBoth), K_OK);
    EXPECT_EQ(f.State().style, unsigned(K_VIEWER_CENTER | kBoth));
    EXPECT_FALSE(f.window.style & kStyleHScroll);  // centred: no scrolling
    EXPECT_EQ(f.window.style & 0xFFFF, unsigned(K_VIEWER_CENTER));

    RECT source{1, 2, 3, 4};
    EXPECT_EQ(f.Send(Index(K_VIEWER_SOURCE), &source), K_OK);
    EXPECT_TRUE(f.State().sourceSet);
    EXPECT_EQ(f.State().source.bottom, 4);
    EXPECT_EQ(f.Send(Index(K_VIEWER_SOURCE), 1, 0), K_OK);
    EXPECT_FALSE(f.State().sourceSet);

    f.window.copyResult = 0;
    EXPECT_EQ(f.Send(Index(K_VIEWER_COPY), 1, 0), 0);
    f.window.selectResult = K_ERR_TWAIN_NONE;
    EXPECT_EQ(f.Send(Index(K_VIEWER_TWAIN_SELECT), 1, 0), K_ERR_TWAIN_NONE);

    f.window.printResult = reinterpret_cast<HDC>(0x1234);
    // Sizes are the record's own: 28 bytes on 32-bit, 40 on 64-bit.
    ViewerPrintRecord print{static_cast<int>(sizeof(ViewerPrintRecord)), nullptr, 0, 0, 0, 0, 1};
    EXPECT_EQ(f.Send(Index(K_VIEWER_PRINT), &print), 0x1234);
    print.Size = static_cast<int>(sizeof(ViewerPrintRecord)) - 4;
    EXPECT_EQ(f.Send(Index(K_VIEWER_PRINT), &print), 0);

    // The palette handle: the record's, or the fixed one when it is in use.
    ShowingViewer grey(4, 4, 8);
    EXPECT_EQ(grey.Send(Index(K_VIEWER_PALETTE), 0, 0), reinterpret_cast<LRESULT>(grey.Shown()->PaletteHandle));
    EXPECT_NE(grey.Shown()->PaletteHandle, nullptr);
}

}  // namespace

namespace {

int KAPI StopAtOnce(int) { return 0; }

// Style 0x20 reduces loaded palette pictures to the fixed palette, dithered
// by Floyd-Steinberg; a reduction that fails keeps the old picture.
TEST(ViewerMessages, LoadReducesPalettePictures) {
    std::string path = TempFile("viewer_reduce.bmp");
    ASSERT_EQ(RunHost(kConvert + " -size 24x16 gradient:'#3a7f11-#c0d0f5' -type palette BMP3:" + path), 0);
    ViewerFileRecord load{};
    load.Size = 264;
    std::snprintf(load.Name, sizeof load.Name, "%s", path.c_str());

    OwnedRecord expected;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), &expected.r, 0, K_ORDER_BGR), K_OK);
    ASSERT_LE(expected.r.BitsPerPixel, 8);  // ImageMagick writes 16 colours in 4 bits
    OwnedRecord unreduced;
    ASSERT_EQ(K_CopyBitmap(&unreduced.r, &expected.r), K_OK);
    expected.r.DitheringMethod = 1;
    ASSERT_EQ(K_ColorResolution(&expected.r, expected.r.BitsPerPixel, 1, nullptr, nullptr), K_OK);
    ASSERT_FALSE(SamePixels(&expected.r, &unreduced.r)) << "the gradient's colours are not all in the fixed palette";

    ShowingViewer f(9, 7, 24, kBoth | K_VIEWER_REDUCE_COLORS);
    EXPECT_EQ(f.Send(Index(K_VIEWER_LOAD), &load), K_OK);
    EXPECT_TRUE(SamePixels(f.Shown(), &expected.r));

    ShowingViewer kept(9, 7, 24, kBoth | K_VIEWER_REDUCE_COLORS);
    OwnedRecord before;
    ASSERT_EQ(K_CopyBitmap(&before.r, kept.Shown()), K_OK);
    StatusCallback previous = K_SetStatusCallBack(StopAtOnce);
    LRESULT r = kept.Send(Index(K_VIEWER_LOAD), &load);
    K_SetStatusCallBack(previous);
    EXPECT_EQ(r, 0);  // the callback's answer
    EXPECT_TRUE(SamePixels(kept.Shown(), &before.r));
}

}  // namespace

namespace {

// Extreme halves of lParam reach the operations, which refuse or bound them:
// no message crashes or hangs on them, and the control keeps a whole picture.
TEST(ViewerMessages, ExtremeArguments) {
    const LPARAM values[] = {0, 1, 0x7FFF7FFF, static_cast<LPARAM>(0x80008000u), static_cast<LPARAM>(0xFFFFFFFFu)};
    for (unsigned message = K_VIEWER_FLIP; message <= K_VIEWER_DETECT; ++message) {
        unsigned index = Index(message);
        // Messages that read through lParam, or replace the picture from a
        // device, are tested on their own.
        if (index == 7 || index == 9 || index == 11 || index == 21 || index == 26 || index == 28 || index == 29 ||
            index == 30 || index == 31 || index == 33 || index == 35 || index == 36 || index == 42)
            continue;
        for (LPARAM value : values) {
            SCOPED_TRACE(testing::Message() << index << " with " << std::hex << value);
            ShowingViewer f(9, 7);
            LRESULT r = f.Send(index, 1, value);
            if (index == 8 || index == 10 || index == 24) continue;  // handles and zooms
            EXPECT_LE(r, 1);
            if (f.viewer.HasPicture()) {
                EXPECT_GT(f.Shown()->Width, 0);
                EXPECT_GT(f.Shown()->Height, 0);
                EXPECT_NE(K_GetPixelColor(f.Shown(), 0, 0), K_NO_PIXEL);
            }
        }
    }
}

}  // namespace
