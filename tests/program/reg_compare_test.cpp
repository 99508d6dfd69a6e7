// The program's .reg parser against Wine's regedit: the same file imported
// into two fresh prefixes must give the same registry.
#include <gtest/gtest.h>

#include "host.h"
#include "prefix_support.h"

namespace {

const char* const kRegFile =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\VolkgRegCompare]\r\n"
    "\"DefaultSlot\"=\"1\"\r\n"
    "\"Sound\"=\"0\"\r\n"
    "\"With space\"=\"a b  c\"\r\n"
    "\"Empty\"=\"\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\VolkgRegCompare\\States1]\r\n"
    "\"ModelView\"=\"3\"\r\n"
    "\"Fills\"=hex:00,01,7f,80,ff,0a,AB\r\n"
    "\"One\"=hex:5c\r\n"
    "[HKEY_CURRENT_USER\\Software\\VolkgRegCompare\\States1\\Deeper]\r\n"
    "\"Width\"=\"-12\"\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\VolkgRegCompare]\r\n"
    "\"Machine\"=\"yes\"\r\n"
    "\"Bin\"=hex:de,ad,be,ef\r\n";

std::string Query(const std::string& prefix, const std::string& key, const std::string& out) {
    RunHost(InPrefix(prefix) + kWine + " reg query '" + key + "' /s 2>/dev/null | tr -d '\\r' | grep -v '^$' > '" +
            out + "'");
    return ReadFileBytes(out);
}

}  // namespace

TEST(RegCompare, OurImportMatchesRegedit) {
    std::string ours = ExtraPrefix("ours"), theirs = ExtraPrefix("regedit");
    ASSERT_FALSE(ours.empty());
    ASSERT_FALSE(theirs.empty());
    std::string file = TestTempPath("compare.reg");
    WriteFileBytes(file, kRegFile);
    for (const std::string& p : {ours, theirs})
        for (const char* key : {"HKCU\\Software\\VolkgRegCompare", "HKLM\\Software\\VolkgRegCompare"})
            RunHost(InPrefix(p) + kWine + " reg delete '" + key + "' /f >/dev/null 2>&1");

    ASSERT_EQ(RunHost(InPrefix(ours) + kWine + " '" PROGRAM_TOOL_EXE "' import 'Z:" + file + "'"), 0);
    ASSERT_EQ(RunHost(InPrefix(theirs) + kWine + " regedit /s 'Z:" + file + "'"), 0);

    for (const char* key : {"HKCU\\Software\\VolkgRegCompare", "HKLM\\Software\\VolkgRegCompare"}) {
        std::string a = Query(ours, key, TestTempPath("query-ours.txt"));
        std::string b = Query(theirs, key, TestTempPath("query-regedit.txt"));
        EXPECT_NE(a.find("REG_"), std::string::npos) << key << ":\n" << a;
        EXPECT_EQ(a, b) << key;
    }
    StopPrefix(ours);
    StopPrefix(theirs);
}
