#include <gtest/gtest.h>

#include <shlwapi.h>

#include "host.h"
#include "program_fixture.h"
#include "settings/form_font.h"
#include "settings/registry_store.h"
#include "stdctrls.h"
#include "settings/settings.h"

namespace {

const char* const kTestKey = "Software\\VolkgProgramTest";

void DeleteTree(HKEY root, const std::string& key) { SHDeleteKeyA(root, key.c_str()); }

bool ReadValue(HKEY root, const std::string& key, const std::string& name, DWORD& type, std::string& data) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    char buffer[256];
    DWORD size = sizeof buffer;
    LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS) return false;
    data.assign(buffer, size);
    return true;
}

void WriteValue(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(h);
}

}  // namespace

// The program folder as the running executable has it; the font names are
// checked where they are used (form fonts, adding and removing a font file).
TEST(Settings, StartValues) {
    EnsureFramework();
    EXPECT_EQ(CaptionFontFile, "rirezoz.fon");
    EXPECT_EQ(PatternFontName, "Ridided");
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe);
    folder.resize(folder.find_last_of('\\') + 1);
    EXPECT_EQ(ProgramFolder, folder);
}

TEST(Settings, IntegersAreDecimalText) {
    std::string key = std::string(kTestKey) + "\\Read";
    DeleteTree(HKEY_CURRENT_USER, kTestKey);
    WriteValue(key, "Five", REG_SZ, "5", 2);
    WriteValue(key, "Negative", REG_SZ, "-3", 3);
    WriteValue(key, "Text", REG_SZ, "x12", 4);
    DWORD number = 7;
    WriteValue(key, "Dword", REG_DWORD, &number, 4);
    EXPECT_EQ(ReadRegInteger(key, "Five", -1), 5);
    EXPECT_EQ(ReadRegInteger(key, "Negative", 0), -3);
    EXPECT_EQ(ReadRegInteger(key, "Text", 42), 42);
    EXPECT_EQ(ReadRegInteger(key, "Dword", 42), 42);
    EXPECT_EQ(ReadRegInteger(key, "Missing", -1), -1);
    EXPECT_TRUE(ReadRegBool(key, "Five", false));
    EXPECT_FALSE(ReadRegBool(key, "Missing", false));
    EXPECT_EQ(ReadRegInteger(key + "\\New", "X", 9), 9);
    HKEY h;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (key + "\\New").c_str(), 0, KEY_READ, &h), ERROR_SUCCESS)
        << "reading creates the key";
    RegCloseKey(h);
    DeleteTree(HKEY_CURRENT_USER, kTestKey);
}

TEST(Settings, ImportRegFileWritesTheRegistry) {
    DeleteTree(HKEY_CURRENT_USER, kTestKey);
    DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    std::string file = TestTempPath("import-test.reg");
    WriteFileBytes(file,
                   "REGEDIT4\r\n"
                   "\"Orphan\"=\"before any key\"\r\n"
                   "[HKEY_CURRENT_USER\\Software\\VolkgProgramTest\\A]\r\n"
                   "\"Text\"=\"C:\\\\dir\"\r\n"
                   "\"Bytes\"=hex:0a,FF,7\r\n"
                   "\"Dword\"=dword:00000001\r\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\VolkgProgramTest]\r\n"
                   "\"Machine\"=\"1\"\r\n"
                   "[HKLM\\Software\\VolkgProgramTest\\Short]\r\n"
                   "\"Where\"=\"user\"\r\n");
    ImportRegFile(WinPath(file));
    std::string a = std::string(kTestKey) + "\\A";
    DWORD type;
    std::string data;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, a, "Text", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("C:\\\\dir\0", 8)) << "the doubled backslash stays doubled";
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, a, "Bytes", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, std::string("\x0a\xff\x70", 3));
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, a, "Dword", type, data));
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, a, "Orphan", type, data));
    EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, kTestKey, "Machine", type, data));
    EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Short", "Where", type, data));
    DeleteTree(HKEY_CURRENT_USER, kTestKey);
    DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);

    EXPECT_THROW(ImportRegFile(WinPath(TestTempPath("no-such-file.reg"))), EFOpenError);
}

TEST(Settings, RemovingAFontRemovesTheFileThatWasAdded) {
    // A TrueType file with a face of its own (the system knows every face of
    // the original, and does not add a face it has).
    std::string ttf = TestTempPath(PatternFontFile);
    ASSERT_EQ(PatternFontFile, "metip___.ttf");
    ASSERT_EQ(RunHost("python3 -c \"import sys; d = open(sys.argv[1], 'rb').read(); "
                      "d = d.replace(b'DejaVu', b'Qzvzvq').replace('DejaVu'.encode('utf-16-be'), "
                      "'Qzvzvq'.encode('utf-16-be')); open(sys.argv[2], 'wb').write(d)\" "
                      "/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf '" +
                      ttf + "'"),
              0);
    std::string path = WinPath(ttf);
    ASSERT_TRUE(AddFontFile(path));
    EXPECT_TRUE(RemoveFontFile(path));
    EXPECT_FALSE(RemoveFontResourceA(path.c_str())) << "the font added from the path is still registered";
    EXPECT_FALSE(AddFontFile(WinPath(TestTempPath("missing.ttf"))));
}

TEST(Settings, FormFontReachesEveryOwnedComponentWithAFont) {
    EnsureFramework();
    TForm form(nullptr, "FONTTEST");
    auto* panel = new TPanel(&form);
    auto* label = new TLabel(&form);
    auto* bystander = new TComponent(&form);  // has no font
    (void)bystander;
    SetFormFont(form, CaptionFontName);
    EXPECT_EQ(form.Font()->Name(), "Zuvi");
    EXPECT_EQ(panel->Font()->Name(), "Zuvi");
    EXPECT_EQ(label->Font()->Name(), "Zuvi");
}

// BigMemory is read from the subkey "Pupetta" without making it: a start
// leaves only the program key behind.
TEST(Settings, BigMemoryIsReadWithoutCreatingItsKey) {
    std::string subkey = std::string(ProgramKey) + "\\" + ProgramSubkey;
    DeleteTree(HKEY_CURRENT_USER, ProgramKey);
    ReadRegInteger(ProgramKey, "DefaultSlot", -1);  // the start opens the program key with create
    EXPECT_FALSE(ReadBigMemory());
    HKEY h;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS)
        << "reading BigMemory made its key";
    WriteValue(subkey, "BigMemory", REG_SZ, "1", 2);
    EXPECT_TRUE(ReadBigMemory());
    WriteValue(subkey, "BigMemory", REG_SZ, "no", 3);
    EXPECT_FALSE(ReadBigMemory());
    DeleteTree(HKEY_CURRENT_USER, ProgramKey);
}
