#include <gtest/gtest.h>

#include "classes.h"
#include "host.h"
#include "sysutils.h"

TEST(StrToInt, AcceptsDecimalAndHexRejectsTheRest) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"0", true, 0},          {"-17", true, -17},         {"+5", true, 5},
      {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
      {"$FF", true, 255},      {"0x10", true, 16},         {" 12", true, 12},
      {"12 ", false, 0},       {"", false, 0},             {"-", false, 0},
      {"1.5", false, 0},       {"2147483648", false, 0},   {"*(3", false, 0},
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
