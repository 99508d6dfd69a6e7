// The attach routine, called directly as the loader would call it.
#include <gtest/gtest.h>

#include <windows.h>

#include "fax/code_tables.h"
#include "core/platform.h"
#include "devices/bitmap_window.h"
#include "volkg.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
int AttachCount();

namespace {

bool ClassRegistered(HINSTANCE instance) {
    WNDCLASSA wc;
    return GetClassInfoA(instance, kBitmapWindowClass, &wc) != 0;
}

TEST(Attach, FirstAttachSetsUpAndLastDetachTakesDown) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_EQ(AttachCount(), 0);
    ASSERT_FALSE(ClassRegistered(self));

    EXPECT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(AttachCount(), 1);
    EXPECT_EQ(LibraryInstance, self);
    EXPECT_FALSE(Win32sMode);  // Wine reports an NT platform
    EXPECT_TRUE(ClassRegistered(self));
    EXPECT_EQ(CodeTableRefCount(), 1);

    EXPECT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(AttachCount(), 2);
    EXPECT_EQ(CodeTableRefCount(), 1);  // set up once
    EXPECT_TRUE(DllMain(self, DLL_THREAD_ATTACH, nullptr));
    EXPECT_EQ(AttachCount(), 2);

    EXPECT_TRUE(DllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_TRUE(ClassRegistered(self));
    EXPECT_TRUE(DllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_FALSE(ClassRegistered(self));
    EXPECT_EQ(AttachCount(), 0);
    // The attach's hold on the tables lasts for the life of the process.
    EXPECT_EQ(CodeTableRefCount(), 1);
    EXPECT_EQ(K_Free1BitTable(), 0);
}

TEST(Attach, ViewerClassAttributes) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterBitmapWindowClass(self), 0);
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(self, kBitmapWindowClass, &wc));
    EXPECT_EQ(wc.style, UINT(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_GLOBALCLASS));
    EXPECT_EQ(wc.cbWndExtra, static_cast<int>(sizeof(void*)));
    EXPECT_EQ(wc.hbrBackground, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    EXPECT_TRUE(UnregisterBitmapWindowClass(self));
}

}  // namespace
