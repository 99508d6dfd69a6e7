// Loading the legacy raster formats beside ImageMagick and netpbm: Sun
// raster raw and run-length coded (the photo, 24 bits, as netpbm writes
// it) against reading the file into fresh storage, and MacPaint at its
// own size (576 x 720 of the photo, dithered to black and white).
#include "bench.h"

namespace {

bool Load(const std::string& path) {
    BitmapRecord b{};
    const bool ok = K_LoadBitmap(path.c_str(), &b, 0, 1) == K_OK;
    K_FreeBitmap(&b);
    return ok;
}

// A netpbm program's time, the shell's own start-up taken off.
double NetpbmMs(const std::string& command) {
    static const double shell = bench::CommandMs(":");
    const double ms = bench::CommandMs(command);
    return ms < 0 || shell < 0 ? -1 : std::max(0.0, ms - shell);
}

void Format(const std::string& name, const std::string& path, const std::string& netpbm, bool raw) {
    const double ours = bench::Median([&] { return Load(path); });
    bench::Row magick(name);
    magick.Ours(ours).Peer("ImageMagick", bench::MagickMs(path + " null:"));
    if (raw) magick.Limit("read", bench::ReadMs(path));
    magick.Print();
    bench::Row(name).Ours(ours).Peer("netpbm", NetpbmMs(netpbm + " " + path + " > /dev/null")).Print();
}

}  // namespace

int main() {
    const std::string ppm = bench::PhotoPpm(), pbm = bench::ScratchFile("mac.pbm");
    const std::string raw = bench::ScratchFile("raw.ras"), rle = bench::ScratchFile("rle.ras");
    const std::string mac = bench::ScratchFile("photo.mac");
    if (!bench::Shell("pnmtorast -standard " + ppm + " > " + raw) || !bench::Shell("pnmtorast -rle " + ppm + " > " + rle) ||
        !bench::Shell(bench::kMagick + " " + bench::PhotoPpm(true) +
                      " -crop 576x720+1200+1000 +repage -dither FloydSteinberg -monochrome pbm:" + pbm) ||
        !bench::Shell("pbmtomacp " + pbm + " > " + mac)) {
        bench::Note("netpbm could not write the files");
        return 1;
    }
    Format("Sun raster raw load, 24 bits", raw, "rasttopnm", true);
    Format("Sun raster RLE load, 24 bits", rle, "rasttopnm", false);
    Format("MacPaint load, 576 x 720", mac, "macptopbm", false);
    return 0;
}
