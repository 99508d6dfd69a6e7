#include <gtest/gtest.h>

#include <map>

#include "classes.h"
#include "host.h"
#include "sysutils.h"

TEST(StrToInt, AcceptsDecimalAndHexRejectsTheRest) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"0", true, 0},
        {"-17", true, -17},
        {"+5", true, 5},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"$FF", true, 255},
        {"0x10", true, 16},
        {" 12", true, 12},
        {"12 ", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"1.5", false, 0},
        {"2147483648", false, 0},
        {"*(3", false, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.ok) {
            EXPECT_EQ(StrToInt(c.text), c.value);
        } else {
            try {
                StrToInt(c.text);
                ADD_FAILURE() << "no error";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), std::string("'") + c.text + "' is not a valid integer value");
            }
            EXPECT_EQ(StrToIntDef(c.text, -9), -9);
        }
    }
}

TEST(FileNames, SplitAtTheLastSeparator) {
    EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileExt("C:\\a.d\\b.TXT"), ".TXT");
    EXPECT_EQ(ExtractFileExt("C:\\a.d\\b"), "");
    EXPECT_EQ(ExtractFilePath("D:name"), "D:");
}

TEST(StringList, ReadsLinesOfEitherEndingAndKeepsBlanks) {
    std::string path = TestTempPath("fw_lines.txt");
    WriteFileBytes(path, "first\r\n\r\nthird\nlast without end");
    TStringList list;
    list.LoadFromFile(path);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], "first");
    EXPECT_EQ(list[1], "");
    EXPECT_EQ(list[2], "third");
    EXPECT_EQ(list[3], "last without end");
    EXPECT_EQ(list.Text(), "first\r\n\r\nthird\r\nlast without end\r\n");
    EXPECT_THROW(list.LoadFromFile(TestTempPath("fw_missing.txt")), EFOpenError);
}

// The garment search: plain and read-only files by their mask, in the order
// the file system gives, without folders or hidden files unless asked for;
// sizes and DOS time stamps as a directory search reports them.
TEST(FindFiles, MaskAndAttributesDecideWhatIsFound) {
    std::string dir = TestTempPath("search");
    ASSERT_EQ(
        RunHost("rm -rf '" + dir + "' && mkdir -p '" + dir + "/dir.mdl' && printf 12345 > '" + dir +
                "/plain.mdl' && printf 1 > '" + dir + "/ro.mdl' && chmod a-w '" + dir + "/ro.mdl' && printf 1 > '" +
                dir + "/other.txt' && touch -d '2020-02-03 04:05:06' '" + dir + "/plain.mdl'"),
        0);
    std::string mask = "Z:" + dir + "/*.mdl";
    for (char& c : mask)
        if (c == '/') c = '\\';
    auto find = [&](int attr) {
        std::map<std::string, TSearchRec> found;
        TSearchRec rec;
        for (int r = FindFirst(mask, attr, rec); r == 0; r = FindNext(rec)) found[rec.Name] = rec;
        FindClose(rec);
        return found;
    };
    auto files = find(faReadOnly);
    ASSERT_EQ(files.size(), 2u);
    ASSERT_TRUE(files.count("plain.mdl") && files.count("ro.mdl"));
    EXPECT_EQ(files["plain.mdl"].Size, 5);
    EXPECT_EQ(files["plain.mdl"].Attr & faReadOnly, 0);
    EXPECT_NE(files["ro.mdl"].Attr & faReadOnly, 0);
    int dosDate = (2020 - 1980) << 9 | 2 << 5 | 3, dosTime = 4 << 11 | 5 << 5 | 6 / 2;
    EXPECT_EQ(files["plain.mdl"].Time, dosDate << 16 | dosTime);
    EXPECT_EQ(find(0).size(), 2u) << "read-only files are never left out";
    auto withFolders = find(faReadOnly | faDirectory);
    EXPECT_EQ(withFolders.size(), 3u);
    EXPECT_NE(withFolders["dir.mdl"].Attr & faDirectory, 0);
    TSearchRec none;
    EXPECT_NE(FindFirst("Z:" + std::string("\\no-such-folder\\*.mdl"), faAnyFile, none), 0);
    FindClose(none);
    RunHost("chmod -R u+w '" + dir + "'; rm -rf '" + dir + "'");
}
