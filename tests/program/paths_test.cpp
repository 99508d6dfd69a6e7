#include <gtest/gtest.h>

#include "settings/paths.h"

TEST(Paths, Resolution) {
    std::string saved = ProgramFolder;
    ProgramFolder = "C:\\Games\\Pupetta\\";
    struct {
        const char* name;
        bool absolute;
        const char* resolved;
    } cases[] = {
        {"D:\\data\\a.reg", true, "D:\\data\\a.reg"},
        {"x:", true, "x:"},
        {"\\\\server\\share\\f", true, "\\\\server\\share\\f"},
        {"\\Resource\\a", false, "C:\\Games\\Pupetta\\\\Resource\\a"},
        {"Resource\\pupetta.reg", false, "C:\\Games\\Pupetta\\Resource\\pupetta.reg"},
        {"a", false, "C:\\Games\\Pupetta\\a"},
        {"", false, "C:\\Games\\Pupetta\\"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(IsAbsolutePath(c.name), c.absolute) << c.name;
        EXPECT_EQ(ResolveProgramPath(c.name), c.resolved) << c.name;
    }
    EXPECT_EQ(ProgramFilePath("D:\\x"), "C:\\Games\\Pupetta\\D:\\x");
    ProgramFolder = saved;

    EXPECT_EQ(AddTrailingBackslash(""), "\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\a\\"), "C:\\a\\");
}
