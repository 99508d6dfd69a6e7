// Loading the legacy raster formats beside ImageMagick and netpbm: Sun
// raster raw and run-length coded (the photo, 24 bits, as netpbm writes
// it) against reading the file into fresh storage, MacPaint at its own
// size (576 x 720 of the photo, dithered to black and white), GEM IMG and
// MSP at 1 bit, WPG at 8 bits and PICT at 8 and 24 bits (the photo).
// Peers that have no reader for a format are left out (MSP has none).
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

// netpbm: its reader, or empty; magick: ImageMagick reads the format.
// Returns our time.
double Format(const std::string& name, const std::string& path, const std::string& netpbm, bool raw,
              bool magick = true) {
    const double ours = bench::Median([&] { return Load(path); });
    if (magick) {
        bench::Row row(name);
        row.Ours(ours).Peer("ImageMagick", bench::MagickMs(path + " null:"));
        if (raw) row.Limit("read", bench::ReadMs(path));
        row.Print();
    }
    if (!netpbm.empty())
        bench::Row(name).Ours(ours).Peer("netpbm", NetpbmMs(netpbm + " " + path + " > /dev/null")).Print();
    if (!magick && netpbm.empty()) bench::Row(name).Ours(ours).Print();
    return ours;
}

// Loads a file and saves it with one of our writers (for the formats no
// peer writes).
template <class Save>
bool Rewrite(const std::string& from, Save save) {
    BitmapRecord b{};
    K_InitBitmap(&b, 0, 0, 0);
    const bool ok = K_LoadBitmap(from.c_str(), &b, 0, 1) == K_OK && save(&b) == K_OK;
    K_FreeBitmap(&b);
    return ok;
}

}  // namespace

int main() {
    const std::string ppm = bench::PhotoPpm(), pbm = bench::ScratchFile("mac.pbm");
    const std::string raw = bench::ScratchFile("raw.ras"), rle = bench::ScratchFile("rle.ras");
    const std::string mac = bench::ScratchFile("photo.mac"), bits = bench::ScratchFile("bits.ras");
    const std::string indexed = bench::ScratchFile("indexed.ppm"), pict8 = bench::ScratchFile("indexed.pict");
    const std::string pict24 = bench::ScratchFile("direct.pict"), img = bench::ScratchFile("bits.img");
    const std::string msp = bench::ScratchFile("bits.msp"), wpg = bench::ScratchFile("indexed.wpg");
    if (!bench::Shell("pnmtorast -standard " + ppm + " > " + raw) ||
        !bench::Shell("pnmtorast -rle " + ppm + " > " + rle) ||
        !bench::Shell(bench::kMagick + " " + bench::PhotoPpm(true) +
                      " -crop 576x720+1200+1000 +repage -dither FloydSteinberg -monochrome pbm:" + pbm) ||
        !bench::Shell("pbmtomacp " + pbm + " > " + mac) ||
        !bench::Shell("ppmtopgm " + ppm + " | pgmtopbm -threshold | pnmtorast -standard > " + bits) ||
        !bench::Shell(bench::kMagick + " " + ppm + " -ordered-dither o8x8,6 ppm:" + indexed) ||
        !bench::Shell("ppmtopict " + indexed + " > " + pict8) ||
        !bench::Shell(bench::kMagick + " " + ppm + " PICT:" + pict24)) {
        bench::Note("netpbm or ImageMagick could not write the files");
        return 1;
    }
    // pbmtogem writes rows over 1016 pixels that gemtopnm refuses, and no
    // peer writes MSP or WPG: those files are ours.
    if (!Rewrite(bits, [&](BitmapRecord* b) { return K_SaveIMGBitmap(img.c_str(), b); }) ||
        !Rewrite(bits, [&](BitmapRecord* b) { return K_SaveMSPBitmap(msp.c_str(), b); }) ||
        !Rewrite(pict8, [&](BitmapRecord* b) { return K_SaveWPGBitmap(wpg.c_str(), b, 8); })) {
        bench::Note("could not write the GEM IMG, MSP or WPG files");
        return 1;
    }
    const double sunRaw = Format("Sun raster raw load, 24 bits", raw, "rasttopnm", true);
    // The same against a memcpy of the picture's bytes between warm buffers
    // (the read above also pays for fresh storage, as the load does).
    bench::Row("Sun raster raw load, 24 bits")
        .Ours(sunRaw)
        .Limit("memcpy", bench::MemcpyMs(bench::Photo().rgb.size()))
        .Print();
    Format("Sun raster RLE load, 24 bits", rle, "rasttopnm", false);
    Format("MacPaint load, 576 x 720", mac, "macptopbm", false);
    Format("GEM IMG load, 1 bit", img, "gemtopnm", false, false);
    Format("MSP load, 1 bit", msp, "", false, false);
    Format("WPG load, 8 bits", wpg, "", false);
    Format("PICT load, 8 bits (ppmtopict)", pict8, "", false);
    Format("PICT load, 24 bits (ImageMagick)", pict24, "", false);
    return 0;
}
