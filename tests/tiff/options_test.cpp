// The option block and the comment table.
#include <gtest/gtest.h>

#include <cstring>

#include "io/options.h"
#include "volkg.h"

namespace {

TEST(Options, NegativeResolutionOrPageIsRefusedWhole) {
    OptionBlock before = CurrentOptions();
    OptionBlock bad = before;
    bad.XResolution = -1;
    bad.YResolution = 600;
    EXPECT_EQ(K_SetTIFFOption(&bad), K_ERR_ARGUMENT);
    bad = before;
    bad.PageNumber = -3;
    EXPECT_EQ(K_SetTIFFOption(&bad), K_ERR_ARGUMENT);
    EXPECT_EQ(std::memcmp(&before, &CurrentOptions(), sizeof before), 0);
    EXPECT_EQ(K_SetTIFFOption(nullptr), K_ERR_ARGUMENT);
}

TEST(Options, WholeBlockIsCopied) {
    OptionBlock before = CurrentOptions();
    EXPECT_EQ(before.XResolution, 150);
    EXPECT_EQ(before.TiffFlags, 2);
    OptionBlock block{};
    block.XResolution = 200;
    block.YResolution = 100;
    block.TiffFlags = -1;  // not checked
    block.PageNumber = 3;
    block.Reserved[120] = 42;
    EXPECT_EQ(K_SetTIFFOption(&block), K_OK);
    EXPECT_EQ(std::memcmp(&block, &CurrentOptions(), sizeof block), 0);
    EXPECT_EQ(K_SetTIFFXYResolution(0, 0), 0);
    EXPECT_EQ(CurrentOptions().XResolution, 0);
    K_SetTIFFOption(&before);
}

TEST(Comments, StoreCopyAndClear) {
    EXPECT_EQ(K_SetComment(10, "x", 1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_GetComment(10, nullptr, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SetComment(0, "abc", 3), 3);
    char buf[4] = {'-', '-', '-', '-'};
    EXPECT_EQ(K_GetComment(0, buf, 2), 3);
    EXPECT_EQ(std::memcmp(buf, "ab--", 4), 0);
    CommentEntry e = GetCommentEntry(0);
    ASSERT_NE(e.text, nullptr);
    EXPECT_EQ(e.length, 3u);
    EXPECT_EQ(e.text[3], 0);  // the even padding byte

    EXPECT_EQ(K_SetComment(3, "hello", 5), 5);
    EXPECT_EQ(K_SetComment(3, nullptr, 7), 7);
    EXPECT_EQ(K_GetComment(3, nullptr, 0), 0);
    EXPECT_EQ(GetCommentEntry(3).text, nullptr);
    K_SetComment(0, nullptr, 0);
}

}  // namespace
