// Paint kinds on real device contexts, and the create, copy and size
// exports that the program binds, called through the DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/display_mode.h"
#include "devices/paint.h"
#include "volkg.h"

namespace {

struct ModeScope {
    unsigned saved = DisplayMode;
    ~ModeScope() { DisplayMode = saved; }
};

BitmapRecord Record(int bits) {
    BitmapRecord r;
    K_InitBitmap(&r, 8, 8, bits);
    return r;
}

TEST(ChoosePaintKind, MemoryDcHasTheScreenDepth) {
    ModeScope scope;
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    int depth =
        ClassifyDeviceDepth(GetDeviceCaps(dc, TECHNOLOGY), GetDeviceCaps(dc, BITSPIXEL), GetDeviceCaps(dc, PLANES));
    BitmapRecord r16 = Record(16), r24 = Record(24);
    PaintChoice c16 = ChoosePaintKind(dc, &r16), c24 = ChoosePaintKind(dc, &r24);
    EXPECT_EQ(c16.deviceDepth, depth);
    if (bits >= 16) {
        EXPECT_EQ(c16.kind, PaintExpand24);
        EXPECT_EQ(c24.kind, PaintDirect);
    } else {
        EXPECT_EQ(c24.kind, PaintConvert);
    }
    DeleteDC(dc);
}

TEST(ChoosePaintKind, MetafileCountsAsTwentyFourBits) {
    ModeScope scope;
    HDC dc = CreateMetaFileA(nullptr);
    ASSERT_NE(dc, nullptr);
    BitmapRecord r16 = Record(16), r8 = Record(8);
    PaintChoice c16 = ChoosePaintKind(dc, &r16);
    EXPECT_EQ(c16.deviceDepth, 24);
    EXPECT_EQ(c16.kind, PaintExpand24);
    DisplayMode |= kExactPaletteTest;
    EXPECT_EQ(ChoosePaintKind(dc, &r8).kind, PaintDirect);
    DeleteMetaFile(CloseMetaFile(dc));
}

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

TEST(PixelExports, CopyAndSizeThroughTheDll) {
    Dll dll;
    ASSERT_NE(dll.module, nullptr);
    for (const char* name : {"K_SetDisplayMode", "K_GetDisplayMode", "K_EnableOrderedDither", "K_EnableFastPaint",
                             "K_EnableIndexedPaint", "K_CreateBitmap", "K_CopyBitmapHandle", "K_CopyBitmapData",
                             "K_CopyBitmap", "K_CopyBitmapRect", "K_ResizeBitmap", "K_SizeBitmap", "K_FlipBitmap"})
        EXPECT_NE(dll.Get<FARPROC>(name), nullptr) << name;

    auto create = dll.Get<int(WINAPI*)(BitmapRecord*, int, int, int, int, int, const RGBQUAD*, int)>("K_CreateBitmap");
    auto copy = dll.Get<int(WINAPI*)(BitmapRecord*, BitmapRecord*)>("K_CopyBitmap");
    auto size = dll.Get<int(WINAPI*)(BitmapRecord*, int, int)>("K_SizeBitmap");
    auto access = dll.Get<intptr_t(WINAPI*)(BitmapRecord*)>("K_AccessBitmap");
    auto release = dll.Get<int(WINAPI*)(BitmapRecord*)>("K_ReleaseBitmap");
    auto free = dll.Get<void(WINAPI*)(BitmapRecord*)>("K_FreeBitmap");
    ASSERT_TRUE(create && copy && size && access && release && free);

    BitmapRecord a, b;
    ASSERT_EQ(create(&a, K_STORAGE_ANY, 3, 2, 24, K_ORDER_RGB, nullptr, K_TOP_DOWN), 1);
    access(&a);
    for (unsigned i = 0; i < a.ImageSize; ++i) a.DataPointer[i] = static_cast<unsigned char>(i);
    release(&a);
    ASSERT_EQ(copy(&b, &a), 1);
    ASSERT_EQ(size(&b, 6, 4), 1);
    EXPECT_EQ(b.Width, 6);
    EXPECT_EQ(b.Height, 4);
    EXPECT_EQ(b.ColorOrder, K_ORDER_RGB);
    EXPECT_EQ(b.DibHeader.biWidth, 6);
    access(&b);
    // Row 3 of the doubled copy repeats source row 1; pixel 1 repeats pixel 0.
    EXPECT_EQ(b.DataPointer[3 * b.BytesPerLine + 3], a.BytesPerLine + 0);
    EXPECT_EQ(b.DataPointer[3 * b.BytesPerLine + 6], a.BytesPerLine + 3);
    release(&b);
    free(&b);
    free(&a);
}

}  // namespace
