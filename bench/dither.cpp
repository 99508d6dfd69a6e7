// Colour reduction of the photo beside ImageMagick: Floyd-Steinberg to the
// fixed 8-bit palette, and an optimized palette of 256 colours without
// dithering and with Floyd-Steinberg.
#include "bench.h"

int main() {
    BitmapRecord photo{};
    if (!bench::PhotoRecord(photo, 24)) {
        bench::Note("no storage for the photo");
        return 1;
    }
    // The fixed palette as a remap picture for ImageMagick.
    RGBQUAD fixed[256];
    K_GetFixedPalette(fixed, 8);
    std::string map = "P6\n256 1\n255\n";
    for (const RGBQUAD& e : fixed) map += {char(e.rgbRed), char(e.rgbGreen), char(e.rgbBlue)};
    const std::string mapPath = bench::ScratchFile("fixed256.ppm");
    bench::WriteFile(mapPath, map.data(), map.size());
    const std::string cache = bench::PhotoCache();

    BitmapRecord reduced{};
    auto optimize = [&](int dither) {
        return [&, dither](BitmapRecord* b) {
            K_FreeBitmap(&reduced);
            return K_OptimizeBitmap(b, &reduced, dither, 256);
        };
    };
    bench::Row("dither Floyd-Steinberg, fixed 256")
        .Ours(bench::OnCopyMs(photo, [](BitmapRecord* b) { return K_DitherBitmap(b, 1, 8); }))
        .Peer("ImageMagick", bench::MagickOpMs(cache, "-dither FloydSteinberg -remap " + mapPath))
        .Print();
    bench::Row("optimized 256, no dither")
        .Ours(bench::OnCopyMs(photo, optimize(0)))
        .Peer("ImageMagick", bench::MagickOpMs(cache, "+dither -colors 256"))
        .Print();
    bench::Row("optimized 256, Floyd-Steinberg")
        .Ours(bench::OnCopyMs(photo, optimize(1)))
        .Peer("ImageMagick", bench::MagickOpMs(cache, "-dither FloydSteinberg -colors 256"))
        .Print();
    K_FreeBitmap(&reduced);
    K_FreeBitmap(&photo);
    return 0;
}
