// A stand-in PhotoCD access library for the tests: the ten entry points,
// serving a picture described by the pack file's first line,
// "STANDIN <format> <rotation> <step> <available steps mask>". Rows come in
// blocks, last row first, or as a whole bottom-up DIB; portrait rotations
// (4 and 7) turn the picture's size.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct Pack {
    int format, rotation, step;
    unsigned mask;
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

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI PCDopen(const char* name, void** image) {
    FILE* f = std::fopen(name, "rb");
    if (!f) return 1;
    Pack p{};
    const int n = std::fscanf(f, "STANDIN %d %d %d %u", &p.format, &p.rotation, &p.step, &p.mask);
    std::fclose(f);
    if (n != 4) return 1;
    *image = new Pack(p);
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetFormat(void* image, int* format) {
    *format = static_cast<Pack*>(image)->format;
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetResolution(void* image, int* step) {
    *step = static_cast<Pack*>(image)->step;
    return 0;
}
__declspec(dllexport) int WINAPI PCDsetResolution(void* image, int step) {
    auto* p = static_cast<Pack*>(image);
    if (step < 0 || step > 5 || !(p->mask >> step & 1)) return 1;
    p->step = step;
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetRotation(void* image, int* rotation) {
    *rotation = static_cast<Pack*>(image)->rotation;
    return 0;
}
__declspec(dllexport) int WINAPI PCDclose(void* image) {
    delete static_cast<Pack*>(image);
    return 0;
}
__declspec(dllexport) int WINAPI PCDsetTransform(void* image, int rotation) {
    return rotation == static_cast<Pack*>(image)->rotation ? 0 : 1;
}
__declspec(dllexport) int WINAPI PCDloadImage(void* image, Block*, HGLOBAL* memory) {
    const Pack& p = *static_cast<Pack*>(image);
    const int rowBytes = p.Width() * p.Bits() / 8, colors = p.Bits() == 8 ? 256 : 0;
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + colors * 4 + rowBytes * p.Height());
    if (!m) return 1;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(m));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = p.Width();
    h.biHeight = p.Height();
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(p.Bits());
    h.biClrUsed = colors;
    std::memcpy(bytes, &h, 40);
    for (int k = 0; k < p.Height(); ++k) p.Row(p.Height() - 1 - k, bytes + 40 + colors * 4 + k * rowBytes);
    GlobalUnlock(m);
    *memory = m;
    return 0;
}
__declspec(dllexport) int WINAPI PCDgetBlock(void* image, Block* block, unsigned char* buffer, int rowBytes) {
    const Pack& p = *static_cast<Pack*>(image);
    for (int i = 0; i < block->rowCount; ++i) p.Row(block->firstRow + i, buffer + (block->rowCount - 1 - i) * rowBytes);
    return 0;
}
__declspec(dllexport) int WINAPI PCDfreeBitmap(HGLOBAL memory) { return GlobalFree(memory) == nullptr ? 0 : 1; }

}  // extern "C"
