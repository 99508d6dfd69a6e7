// A stand-in PhotoCD access library for the tests: the ten entry points,
// serving a picture described by the pack file's first line,
// "STANDIN <format> <rotation> <step> <available steps mask> [failure]". Rows
// come in blocks, last row first, or as a whole bottom-up DIB; portrait
// rotations (4 and 7) turn the picture's size. The failure word makes one
// entry point fail (or answer wrongly); StandInCounts tells the tests how
// many images and bitmaps were opened and given back.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct Pack {
    int format, rotation, step;
    unsigned mask;
    char fail[16];
    bool Fails(const char* what) const { return std::strcmp(fail, what) == 0; }
    int Width() const { return (rotation == 4 || rotation == 7 ? 64 : 96) << step; }
    int Height() const { return (rotation == 4 || rotation == 7 ? 96 : 64) << step; }
    int Bits() const { return format == 10 || format == 13 ? 8 : 24; }
    void Row(int y, unsigned char* out) const {
        const int n = Bits() / 8;
        for (int x = 0; x < Width(); ++x)
            for (int c = 0; c < n; ++c) out[x * n + c] = static_cast<unsigned char>(x * 7 + y * 13 + c * 50);
    }
};

struct Block {
    short firstRow;
    short rowCount;
    int reserved[3];
};

int g_opens, g_closes, g_loads, g_frees;

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI StandInCounts(int* counts) {
    counts[0] = g_opens;
    counts[1] = g_closes;
    counts[2] = g_loads;
    counts[3] = g_frees;
}

__declspec(dllexport) int WINAPI PCDopen(const char* name, void** image) {
    FILE* f = std::fopen(name, "rb");
    if (!f) return 1;
    Pack p{};
    const int n = std::fscanf(f, "STANDIN %d %d %d %u %15s", &p.format, &p.rotation, &p.step, &p.mask, p.fail);
    std::fclose(f);
    if (n < 4 || p.Fails("open")) return 1;
    ++g_opens;
    *image = new Pack(p);
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetFormat(void* image, int* format) {
    auto* p = static_cast<Pack*>(image);
    if (p->Fails("format")) return 1;
    *format = p->format;
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetResolution(void* image, int* step) {
    auto* p = static_cast<Pack*>(image);
    if (p->Fails("resolution")) return 1;
    *step = p->Fails("step9") ? 9 : p->step;
    return 0;
}
__declspec(dllexport) int WINAPI PCDsetResolution(void* image, int step) {
    auto* p = static_cast<Pack*>(image);
    if (p->Fails("setresolution") || step < 0 || step > 5 || !(p->mask >> step & 1)) return 1;
    p->step = step;
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetRotation(void* image, int* rotation) {
    auto* p = static_cast<Pack*>(image);
    if (p->Fails("rotation")) return 1;
    *rotation = p->rotation;
    return 0;
}
__declspec(dllexport) int WINAPI PCDclose(void* image) {
    ++g_closes;
    delete static_cast<Pack*>(image);
    return 0;
}
__declspec(dllexport) int WINAPI PCDsetTransform(void* image, int rotation) {
    auto* p = static_cast<Pack*>(image);
    return !p->Fails("transform") && rotation == p->rotation ? 0 : 1;
}
__declspec(dllexport) int WINAPI PCDloadImage(void* image, Block*, HGLOBAL* memory) {
    const Pack& p = *static_cast<Pack*>(image);
    if (p.Fails("load")) return 1;
    const int rowBytes = p.Width() * p.Bits() / 8, colors = p.Bits() == 8 ? 256 : 0;
    // "short" leaves the last row out of the block.
    const int rows = p.Fails("short") ? p.Height() - 1 : p.Height();
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + colors * 4 + rowBytes * rows);
    if (!m) return 1;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(m));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = p.Width() + (p.Fails("header") ? 1 : 0);
    h.biHeight = p.Height();
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(p.Bits());
    h.biClrUsed = colors;
    std::memcpy(bytes, &h, 40);
    for (int k = 0; k < rows; ++k) p.Row(p.Height() - 1 - k, bytes + 40 + colors * 4 + k * rowBytes);
    GlobalUnlock(m);
    ++g_loads;
    *memory = m;
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetBlock(void* image, Block* block, unsigned char* buffer, int rowBytes) {
    const Pack& p = *static_cast<Pack*>(image);
    // "block" fails the second block.
    if (p.Fails("block") && block->firstRow > 0) return 1;
    for (int i = 0; i < block->rowCount; ++i) p.Row(block->firstRow + i, buffer + (block->rowCount - 1 - i) * rowBytes);
    return 0;
}
__declspec(dllexport) int WINAPI PCDfreeBitmap(HGLOBAL memory) {
    ++g_frees;
    return GlobalFree(memory) == nullptr ? 0 : 1;
}

}  // extern "C"
