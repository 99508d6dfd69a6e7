// The data set under Windows: GDI reports the two fonts under the faces the
// program sets on its forms and patterns, pupetta.exe carries the main
// window's cursors by name, the pictures load through volkg.dll, and the
// program's importer leaves the registry as regedit leaves it.
#include <windows.h>

#include <gtest/gtest.h>

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
    for (const char* name : {"BRUSHCURSOR", "CONTURCURSOR", "FILLCURSOR", "HANDCURSOR", "MODELCURSOR",
                             "ROTATECURSOR", "BRUSHSCURSOR", "RX_HANDCUR", "RX_DRAGCUR"})
        EXPECT_NE(FindResourceA(exe, name, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */), nullptr) << name;
    FreeLibrary(exe);
}

TEST(DatasetPicturesWin32, SkinsLoadThroughTheLibrary) {
    struct Expect {
        const char* name;
        int width, height;
    };
    for (const Expect& e : {Expect{"Resource/Main.bmp", 640, 480}, Expect{"Resource/Resource.bmp", 1275, 583},
                            Expect{"Resource/Doll.bmp", 1200, 360}, Expect{"Resource/title.jpg", 640, 480},
                            Expect{"models/pl01.bmp", 800, 360}}) {
        BitmapRecord r{};
        std::string path = kDir + "/" + e.name;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), &r, 24, 1), K_OK) << path;
        EXPECT_EQ(r.Width, e.width) << e.name;
        EXPECT_EQ(r.Height, e.height) << e.name;
        K_FreeBitmap(&r);
    }
}

std::string Query(const std::string& prefix, const std::string& out) {
    RunHost(InPrefix(prefix) + kWine + " reg query 'HKCU\\Software\\Quenvo\\Pupetta' /s 2>/dev/null | tr -d '\\r' | grep -v '^$' > '" +
            out + "'");
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
