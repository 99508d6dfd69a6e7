// The shipped DLL: exports by plain name, attach on load, and a record
// built and stored through it.
#include <gtest/gtest.h>

#include <windows.h>

#include "volkg.h"

namespace {

struct Dll {
    Dll() : module(LoadLibraryA(VOLKG_DLL_PATH)) {}
    ~Dll() {
        if (module) FreeLibrary(module);
    }
    template <typename F>
    F Get(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    HMODULE module;
};

TEST(Dll, ExportsByPlainNames) {
    Dll dll;
    ASSERT_NE(dll.module, nullptr) << VOLKG_DLL_PATH;
    for (const char* name : {"K_InitBitmap", "K_AllocateBitmap", "K_AccessBitmap", "K_ReleaseBitmap",
                             "K_ChangeBitmapHeight", "K_FreeBitmap", "K_DefaultDithering", "K_Create1BitTable",
                             "K_Free1BitTable", "K_SetStatusCallBack", "K_SetTIFFOption", "K_SetComment", "DllMain"})
        EXPECT_NE(dll.Get<FARPROC>(name), nullptr) << name;
    EXPECT_EQ(dll.Get<FARPROC>("K_InitBitmap@16"), nullptr);
    EXPECT_EQ(reinterpret_cast<FARPROC>(GetProcAddress(dll.module, MAKEINTRESOURCEA(1))), dll.Get<FARPROC>("DllMain"));
}

TEST(Dll, AttachHoldsTheCodeTables) {
    Dll dll;
    ASSERT_NE(dll.module, nullptr);
    auto create = dll.Get<int(WINAPI*)()>("K_Create1BitTable");
    auto release = dll.Get<int(WINAPI*)()>("K_Free1BitTable");
    EXPECT_EQ(create(), 1);
    EXPECT_EQ(release(), 1);  // the attach's own reference remains
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(dll.module, "VIVADARERU", &wc));
}

TEST(Dll, RecordThroughTheDll) {
    Dll dll;
    ASSERT_NE(dll.module, nullptr);
    auto init = dll.Get<int(WINAPI*)(BitmapRecord*, int, int, int)>("K_InitBitmap");
    auto allocate = dll.Get<int(WINAPI*)(BitmapRecord*, int)>("K_AllocateBitmap");
    auto access = dll.Get<intptr_t(WINAPI*)(BitmapRecord*)>("K_AccessBitmap");
    auto free = dll.Get<void(WINAPI*)(BitmapRecord*)>("K_FreeBitmap");
    BitmapRecord r;
    ASSERT_EQ(init(&r, 640, 480, 24), 1);
    ASSERT_EQ(allocate(&r, K_STORAGE_ANY), 1);
    access(&r);
    ASSERT_NE(r.DataPointer, nullptr);
    r.DataPointer[r.ImageSize - 1] = 0x7F;
    free(&r);
    EXPECT_EQ(r.Flags, 0u);
}

}  // namespace
