// The host bridge itself: exit status and files cross between the test and
// host tools in both builds.
#include <gtest/gtest.h>

#include "host.h"

TEST(Host, ExitStatusAndFilesCrossOver) {
    EXPECT_EQ(RunHost("exit 3"), 3);
    std::string path = TestTempPath("host_bridge.txt");
    ASSERT_EQ(RunHost("printf abc > '" + path + "'"), 0);
    EXPECT_EQ(ReadFileBytes(path), "abc");
    EXPECT_TRUE(HostHasTool("sh"));
    EXPECT_FALSE(HostHasTool("no-such-tool-here"));
}
