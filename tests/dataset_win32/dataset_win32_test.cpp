// The data set under Windows: GDI reports the two fonts under the faces the
// program sets on its forms and patterns, pupetta.exe carries the main
// window's cursors by name, the pictures load through volkg.dll, and the
// program's importer leaves the registry as regedit leaves it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "host.h"
#include "prefix_support.h"
#include "volkg.h"

namespace {

const std::string kDir = DATASET_DIR;

int CALLBACK CollectFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD, LPARAM data) {
    reinterpret_cast<std::vector<std::string>*>(data)->push_back(lf->lfFaceName);
    return 1;
}

bool FaceInstalled(const char* face) {
    std::vector<std::string> faces;
    HDC dc = GetDC(nullptr);
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    EnumFontFamiliesExA(dc, &lf, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, dc);
    for (const std::string& f : faces)
        if (f == face) return true;
    return false;
}

TEST(DatasetFontsWin32, FacesAppearWhileTheFilesAreAdded) {
    struct Font {
        const char* file;
        const char* face;
    };
    for (const Font& f : {Font{"rirezoz.fon", "Zuvi"}, Font{"metip___.ttf", "Ridided"}}) {
        std::string path = kDir + "/" + f.file;
        ASSERT_FALSE(FaceInstalled(f.face)) << f.face;
        ASSERT_GT(AddFontResourceA(path.c_str()), 0) << path;
        EXPECT_TRUE(FaceInstalled(f.face)) << f.face;
        EXPECT_TRUE(RemoveFontResourceA(path.c_str())) << path;
        EXPECT_FALSE(FaceInstalled(f.face)) << f.face;
    }
}

TEST(DatasetCursorsWin32, MainWindowCursorsAreResourcesOfTheProgram) {
    HMODULE exe = LoadLibraryExA(PUPETTA_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    for (const char* name : {"BRUSHCURSOR", "CONTURCURSOR", "FILLCURSOR", "HANDCURSOR", "MODELCURSOR", "ROTATECURSOR",
                             "BRUSHSCURSOR", "RX_HANDCUR", "RX_DRAGCUR"})
        EXPECT_NE(FindResourceA(exe, name, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */), nullptr) << name;
    FreeLibrary(exe);
}

// Every picture of the data set (skins, sprites, the title, every garment's
// sheet and preview) through volkg.dll at 24 bits, pixel for pixel as
// ImageMagick reads the file (the JPEG title within two levels of
// libjpeg's integer decoder), with the sizes the program's layouts
// expect of the skins.
std::vector<std::string> DatasetPictures() {
    std::vector<std::string> names;
    for (const char* mask : {"Resource/*.bmp", "Resource/*.jpg", "models/*.bmp"}) {
        std::string folder = std::string(mask).substr(0, std::string(mask).find('/') + 1);
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((kDir + "/" + mask).c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) continue;
        do names.push_back(folder + found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
    }
    return names;
}

bool IsJpeg(const std::string& name) { return name.size() > 4 && name.substr(name.size() - 4) == ".jpg"; }

// A binary PPM's size and pixels (red, green, blue, top row first).
bool ReadPpm(const std::string& bytes, int& width, int& height, std::string& pixels) {
    size_t pos = 0;
    auto number = [&]() {
        while (pos < bytes.size() && (isspace(static_cast<unsigned char>(bytes[pos])) || bytes[pos] == '#')) {
            if (bytes[pos] == '#')
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
            else
                ++pos;
        }
        int v = 0;
        while (pos < bytes.size() && isdigit(static_cast<unsigned char>(bytes[pos]))) v = v * 10 + (bytes[pos++] - '0');
        return v;
    };
    if (bytes.compare(0, 2, "P6") != 0) return false;
    pos = 2;
    width = number(), height = number();
    int maxval = number();
    ++pos;
    if (maxval != 255 || bytes.size() < pos + size_t(width) * height * 3) return false;
    pixels = bytes.substr(pos, size_t(width) * height * 3);
    return true;
}

TEST(DatasetPicturesWin32, EveryPictureLoadsThroughTheLibraryAsImageMagickReadsIt) {
    std::vector<std::string> names = DatasetPictures();
    ASSERT_GE(names.size(), 60u);  // 12 skins and the title, two pictures per garment
    // ImageMagick converts them all in one host call.
    std::string script;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string in = std::string(DATASET_UNIX_DIR "/") + names[i];
        const std::string out = TestTempPath("dataset-" + std::to_string(i) + ".ppm");
        // The JPEG title as libjpeg decodes it with the same integer DCT and
        // plain upsampling as the library's decoder.
        script += IsJpeg(names[i]) ? "djpeg -nosmooth -dct int -pnm '" + in + "' | ppmtoppm > '" + out + "' || exit 1\n"
                                   : kConvert + " '" + in + "[0]' -depth 8 ppm:'" + out + "' || exit 1\n";
    }
    const std::string batch = TestTempPath("dataset-pictures.sh");
    WriteFileBytes(batch, script);
    ASSERT_EQ(RunHost("/bin/sh '" + batch + "'"), 0);

    struct Size {
        const char* name;
        int width, height;
    };
    const Size skins[] = {
        {"Resource/Main.bmp", 640, 480}, {"Resource/Doll.bmp", 1200, 360}, {"Resource/title.jpg", 640, 480}};
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        int w = 0, h = 0;
        std::string theirs;
        ASSERT_TRUE(ReadPpm(ReadFileBytes(TestTempPath("dataset-" + std::to_string(i) + ".ppm")), w, h, theirs))
            << name;
        BitmapRecord r{};
        ASSERT_EQ(K_LoadBitmap((kDir + "/" + name).c_str(), &r, 24, 1), K_OK) << name;
        ASSERT_EQ(r.Width, w) << name;
        ASSERT_EQ(r.Height, h) << name;
        for (const Size& s : skins) {
            if (name == s.name) {
                EXPECT_TRUE(w == s.width && h == s.height) << name << " " << w << "x" << h;
            }
        }
        if (name == "Resource/Resource.bmp") {
            EXPECT_TRUE(w >= 1275 && h >= 583) << w << "x" << h;
        }
        const bool jpeg = IsJpeg(name);
        std::vector<unsigned char> row(r.BytesPerLine);
        int worst = 0;
        K_AccessBitmap(&r);
        for (int y = 0; y < h; ++y) {
            const int stored = r.ViewPerspective == K_BOTTOM_UP ? h - 1 - y : y;
            K_GetBitmapRow(&r, row.data(), stored, r.BytesPerLine);
            for (int x = 0; x < w; ++x) {
                const unsigned char* ours = &row[size_t(x) * 3];
                const unsigned char* peer = reinterpret_cast<const unsigned char*>(&theirs[(size_t(y) * w + x) * 3]);
                // The record holds blue, green, red in BGR order.
                const bool bgr = r.ColorOrder == K_ORDER_BGR;
                const int rgb[3] = {bgr ? ours[2] : ours[0], ours[1], bgr ? ours[0] : ours[2]};
                for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[c] - peer[c]));
            }
        }
        K_ReleaseBitmap(&r);
        K_FreeBitmap(&r);
        EXPECT_LE(worst, jpeg ? 2 : 0) << name << ": pixels differ from ImageMagick's by " << worst;
    }
}

std::string Query(const std::string& prefix, const std::string& out) {
    RunHost(InPrefix(prefix) + kWine +
            " reg query 'HKCU\\Software\\Quenvo\\Pupetta' /s 2>/dev/null | tr -d '\\r' | grep -v '^$' > '" + out + "'");
    return ReadFileBytes(out);
}

TEST(DatasetRegistryWin32, FirstRunFileImportsAsRegeditImportsIt) {
    std::string ours = ExtraPrefix("dataset-ours"), theirs = ExtraPrefix("dataset-regedit");
    ASSERT_FALSE(ours.empty());
    ASSERT_FALSE(theirs.empty());
    for (const std::string& p : {ours, theirs})
        RunHost(InPrefix(p) + kWine + " reg delete 'HKCU\\Software\\Quenvo' /f >/dev/null 2>&1");
    const std::string file = std::string("Z:") + DATASET_UNIX_DIR + "/Resource/pupetta.reg";
    ASSERT_EQ(RunHost(InPrefix(ours) + kWine + " '" PROGRAM_TOOL_EXE "' import '" + file + "'"), 0);
    ASSERT_EQ(RunHost(InPrefix(theirs) + kWine + " regedit /s '" + file + "'"), 0);
    std::string a = Query(ours, TestTempPath("dataset-query-ours.txt"));
    std::string b = Query(theirs, TestTempPath("dataset-query-regedit.txt"));
    EXPECT_NE(a.find("States8"), std::string::npos) << a;
    EXPECT_NE(a.find("REG_BINARY"), std::string::npos) << a;
    EXPECT_EQ(a, b);
    StopPrefix(ours);
    StopPrefix(theirs);
}

}  // namespace
