#include <gtest/gtest.h>

#include "settings/reg_file.h"

namespace {

// Records every request as one line of text.
class Recorder : public RegFileSink {
public:
    std::vector<std::string> log;
    void OpenKey(RegRoot root, const std::string& path) override {
        log.push_back("open " + std::to_string(static_cast<int>(root)) + " [" + path + "]");
    }
    void WriteString(const std::string& name, const std::string& text) override {
        log.push_back("sz [" + name + "]=[" + text + "]");
    }
    void WriteBinary(const std::string& name, const std::vector<unsigned char>& bytes) override {
        std::string hex;
        for (unsigned char b : bytes) {
            char part[4];
            snprintf(part, sizeof part, "%02x ", b);
            hex += part;
        }
        log.push_back("bin [" + name + "]=" + hex);
    }
};

std::vector<std::string> Apply(const std::string& line) {
    Recorder r;
    ApplyRegLine(line, r);
    return r.log;
}

using Log = std::vector<std::string>;
const std::string HKCU = "open 1 ", HKLM = "open 2 ";

}  // namespace

TEST(RegFile, KeyLines) {
    struct {
        const char* line;
        std::string expect;
    } cases[] = {
        {"[HKEY_CURRENT_USER\\Software\\Quenvo\\Pupetta]", HKCU + "[\\Software\\Quenvo\\Pupetta]"},
        {"[HKEY_LOCAL_MACHINE\\Software\\X]", HKLM + "[\\Software\\X]"},
        {"[HKEY_CLASSES_ROOT\\.mdl]", "open 0 [\\.mdl]"},
        {"[HKEY_USERS\\.DEFAULT]", "open 3 [\\.DEFAULT]"},
        {"[HKEY_CURRENT_CONFIG\\A]", "open 4 [\\A]"},
        {"[HKEY_DYN_DATA\\A]", "open 5 [\\A]"},
        // Short and wrongly cased names select the current user, cut by their length.
        {"[HKLM\\Software\\X]", HKCU + "[\\Software\\X]"},
        {"[hkey_local_machine\\A]", HKCU + "[\\A]"},
        // Only one final bracket goes; a missing one is no matter.
        {"[HKEY_CURRENT_USER\\A]]", HKCU + "[\\A]]"},
        {"[HKEY_CURRENT_USER\\A", HKCU + "[\\A]"},
        {"[HKEY_CURRENT_USER]", HKCU + "[]"},
        {"[", HKCU + "[]"},
        {"[]", HKCU + "[]"},
        // The first word skips leading backslashes, and is cut from the front as is.
        {"[\\Software\\X]", HKCU + "[e\\X]"},
    };
    for (auto& c : cases) EXPECT_EQ(Apply(c.line), Log{c.expect}) << c.line;
}

TEST(RegFile, ValueLines) {
    struct {
        const char* line;
        Log expect;
    } cases[] = {
        {"\"DefaultSlot\"=\"1\"", {"sz [DefaultSlot]=[1]"}},
        {"\"Name\"  =   \"a b\"", {"sz [Name]=[a b]"}},
        {"\"Path\"=\"C:\\\\dir\\\\f\"", {"sz [Path]=[C:\\\\dir\\\\f]"}},
        {"\"Empty\"=\"\"", {"sz [Empty]=[]"}},
        {"\"Open\"=\"no end", {"sz [Open]=[no end]"}},
        {"\"Bin\"=hex:0a,FF,7", {"bin [Bin]=0a ff 70 "}},
        {"\"Bin\"=hex: 01", {"bin [Bin]=00 "}},
        {"\"Bin\"=hex:,,0a,,b0,", {"bin [Bin]=0a b0 "}},
        {"\"Bin\"=hex:zz,9", {"bin [Bin]=00 90 "}},
        {"\"Bin\"=hex:", {"bin [Bin]="}},
        // Ignored: dword values, tabs before "=", missing "=", nothing after
        // the name or "=", upper-case HEX, default values, comments.
        {"\"D\"=dword:00000001", {}},
        {"\"T\"\t=\"x\"", {}},
        {"\"N\" \"x\"", {}},
        {"\"N\"", {}},
        {"\"N\"=", {}},
        {"\"N\"=   ", {}},
        {"\"N\"=HEX:01", {}},
        {"@=\"default\"", {}},
        {"; comment", {}},
        {"REGEDIT4", {}},
        {" \"Indented\"=\"x\"", {}},
        {"", {}},
        {"\"", {}},
    };
    for (auto& c : cases) EXPECT_EQ(Apply(c.line), c.expect) << c.line;
}

TEST(RegFile, LinesOfAFile) {
    Recorder r;
    ApplyRegText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\n\"y\"=hex:01,02\r[HKLM\\B]\n\"z\"=\"2\"", r);
    EXPECT_EQ(r.log, (Log{HKCU + "[\\A]", "sz [x]=[1]", "bin [y]=01 02 ", HKCU + "[\\B]", "sz [z]=[2]"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
}
