// The registry wrappers, in a key of the test's own under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include "registry.h"

namespace {

const char kKey[] = "Software\\FrameworkTests";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        TRegistry r;
        r.DeleteKey(std::string("\\") + kKey);
    }
};

}  // namespace

TEST_F(RegistryTest, IniFileStoresNumbersAsTextInSectionSubkeys) {
    {
        TRegIniFile ini(kKey);
        ini.WriteInteger("States3", "Width", -12);
        ini.WriteBool("", "Sound", true);
        ini.WriteString("States3", "Name", "x");
    }
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey(std::string(kKey) + "\\States3", false));
    EXPECT_EQ(raw.GetDataType("Width"), rdString);
    EXPECT_EQ(raw.ReadString("Width"), "-12");
    ASSERT_TRUE(raw.OpenKey(std::string("\\") + kKey, false));
    EXPECT_EQ(raw.ReadString("Sound"), "1");
    raw.WriteString("Broken", "twelve");
    raw.WriteInteger("Dword", 77);

    TRegIniFile ini(kKey);
    EXPECT_EQ(ini.ReadInteger("States3", "Width", 5), -12);
    EXPECT_EQ(ini.ReadInteger("States3", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadInteger("NoSuchSection", "Width", 6), 6);
    EXPECT_EQ(ini.ReadInteger("", "Broken", 8), 8) << "text that is no number gives the default";
    EXPECT_EQ(ini.ReadInteger("", "Dword", 8), 77);
    EXPECT_TRUE(ini.ReadBool("", "Sound", false));
    EXPECT_EQ(ini.ReadString("States3", "Name", "-"), "x");
    // Reading a section leaves the ini key current.
    EXPECT_EQ(ini.CurrentPath(), kKey);
    EXPECT_FALSE(ini.KeyExists("NoSuchSection")) << "reads do not create sections";
}

TEST_F(RegistryTest, BinaryValuesAreSizeCheckedAndTyped) {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kKey, true));
    const unsigned char bytes[3] = {0x0A, 0xFF, 0x70};
    r.WriteBinaryData("Fills", bytes, 3);
    EXPECT_EQ(r.GetDataType("Fills"), rdBinary);
    EXPECT_EQ(r.GetDataSize("Fills"), 3);
    unsigned char got[8] = {};
    EXPECT_EQ(r.ReadBinaryData("Fills", got, 8), 3);
    EXPECT_EQ(got[1], 0xFF);
    struct Case {
        const char* name;
        int size;
        const char* message;
    } cases[] = {
        {"Fills", 2, "Invalid data type for 'Fills'"},
        {"Text", 8, "Invalid data type for 'Text'"},
        {"Missing", 8, "Failed to get data for 'Missing'"},
    };
    r.WriteString("Text", "abc");
    for (auto& c : cases) {
        try {
            r.ReadBinaryData(c.name, got, c.size);
            ADD_FAILURE() << c.name;
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_EQ(r.GetDataSize("Missing"), -1);
}

TEST_F(RegistryTest, RelativeAndAbsoluteKeys) {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kKey, true));
    ASSERT_TRUE(r.OpenKey("Child\\Grandchild", true));
    EXPECT_EQ(r.CurrentPath(), std::string(kKey) + "\\Child\\Grandchild");
    EXPECT_FALSE(r.OpenKey("Nope", false));
    EXPECT_EQ(r.CurrentPath(), std::string(kKey) + "\\Child\\Grandchild") << "a failed open keeps the key";
    ASSERT_TRUE(r.OpenKey(std::string("\\") + kKey, false));
    EXPECT_EQ(r.GetKeyNames(), std::vector<std::string>{"Child"});
    r.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(r.CurrentKey(), nullptr);
    EXPECT_FALSE(r.KeyExists(std::string("\\") + kKey));
}
