// Working-memory blocks are found again from their pointer alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/memory.h"

namespace {

TEST(WorkingMemory, ZeroInitAndReallocKeepContents) {
    auto* p = static_cast<unsigned char*>(AllocGlobalLockedExt(100, 1));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0);
    for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i);
    p = static_cast<unsigned char*>(ReallocGlobalLocked(p, 100000));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], i);
    p[99999] = 1;
    p = static_cast<unsigned char*>(ReallocGlobalLocked(p, 10));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[9], 9);
    FreeGlobalLocked(p);
    FreeGlobalLocked(nullptr);  // harmless
}

TEST(WorkingMemory, ImpossibleSizesFailWithNull) {
    // Sixteen bytes short of the whole address space, whatever its width: a
    // 64-bit process may well get the 4 GB that a 32-bit one never can.
    const size_t impossible = SIZE_MAX - 15;
    EXPECT_EQ(AllocGlobalLocked(impossible), nullptr);
    void* p = AllocGlobalLocked(16);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0x5A, 16);
    EXPECT_EQ(ReallocGlobalLocked(p, impossible), nullptr);
    // The block survives a failed reallocation.
    EXPECT_EQ(static_cast<unsigned char*>(p)[15], 0x5A);
    FreeGlobalLocked(p);
}

TEST(WorkingMemory, GlobalBufferFreesOnScopeExit) {
    GlobalBuffer b(64, true);
    ASSERT_TRUE(b);
    EXPECT_EQ(b.get()[63], 0);
    unsigned char* kept = b.release();
    EXPECT_FALSE(b);
    FreeGlobalLocked(kept);
}

}  // namespace
