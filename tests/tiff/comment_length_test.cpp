// A comment length whose even round-up wraps is refused as an allocation
// that cannot be made, not copied from a 2-byte block.
#include <gtest/gtest.h>

#include "volkg.h"

namespace {

TEST(CommentLength, WrappingLengthIsRefused) {
    const char text[] = "abc";
    EXPECT_EQ(K_SetComment(0, text, 0xFFFFFFFFu), K_ERR_MEMORY);
    EXPECT_EQ(K_GetComment(0, nullptr, 0), 0);
    EXPECT_EQ(K_SetComment(0, text, 3), 3);
    K_SetComment(0, nullptr, 0);
}

}  // namespace
