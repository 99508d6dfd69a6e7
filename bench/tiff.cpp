// TIFF beside libtiff on the photo: LZW decoding against libtiff's strip
// decoding in this process, uncompressed and PackBits decoding against a
// memcpy of the decoded bytes, our LZW file's size against libtiff's, and
// the peak memory of loading a 10000 x 10000 LZW page.
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include "bench.h"

namespace {

int KAPI Discard(BitmapRecord*, unsigned char*, int, void*) { return 1; }

// Our reader: every row decoded and handed to a callback.
bool OursDecode(const std::string& path) {
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    r.ColorOrder = K_ORDER_RGB;  // rows as the file has them, like libtiff's
    int result = K_LoadTIFFile(path.c_str(), &r, Discard, 24, nullptr);
    K_FreeBitmap(&r);
    return result == 1;
}

// libtiff: every strip decoded into one buffer.
bool LibtiffDecode(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return false;
    std::vector<unsigned char> strip(TIFFStripSize(t));
    bool ok = true;
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(t) && ok; ++s) ok = TIFFReadEncodedStrip(t, s, strip.data(), -1) >= 0;
    TIFFClose(t);
    return ok;
}

// Peak resident memory of a child that loads the file whole.
long PeakKilobytes(const std::string& path) {
    pid_t pid = fork();
    if (pid == 0) {
        BitmapRecord r;
        K_InitBitmap(&r, 0, 0, 0);
        int result = K_LoadTIFBitmap(path.c_str(), &r);
        _exit(result == 1 ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

}  // namespace

int main() {
    TIFFSetWarningHandler(nullptr);
    const std::string base = bench::ScratchFile("photo.tif");
    if (!bench::Shell(bench::kMagick + " " + bench::PhotoPpm() + " -compress none " + base)) {
        bench::Note("ImageMagick could not make the picture");
        return 1;
    }
    const bench::Picture& photo = bench::Photo();
    const double copy = bench::MemcpyMs(photo.rgb.size());

    struct Case {
        const char* name;
        const char* options;
        bool libtiffPeer;
    } cases[] = {
        {"TIFF LZW decode, 24 bits", "-c lzw", true},
        {"TIFF LZW+predictor decode, 24 bits", "-c lzw:2", true},
        {"TIFF uncompressed decode, 24 bits", "-c none", false},
        {"TIFF PackBits decode, 24 bits", "-c packbits", false},
    };
    for (const Case& c : cases) {
        // libtiff's own file, so the peer meets the coding it expects.
        const std::string file = bench::ScratchFile("case.tif");
        if (!bench::Shell(std::string("tiffcp ") + c.options + " " + base + " " + file)) return 1;
        bench::Row row(c.name);
        row.Ours(bench::Median([&] { return OursDecode(file); }));
        if (c.libtiffPeer) row.Peer("libtiff", bench::Median([&] { return LibtiffDecode(file); }));
        else row.Limit("memcpy", copy);
        row.Print();
    }

    // Our LZW file against libtiff's of the same picture.
    {
        BitmapRecord r;
        K_InitBitmap(&r, 0, 0, 0);
        const std::string ours = bench::ScratchFile("ours_lzw.tif"), theirs = bench::ScratchFile("libtiff_lzw.tif");
        if (K_LoadTIFBitmap(base.c_str(), &r) != 1) return 1;
        const double save = bench::Median([&] { return K_SaveTIFBitmap(ours.c_str(), &r, 24, 1) == 1; });
        K_FreeBitmap(&r);
        if (!bench::Shell("tiffcp -c lzw " + base + " " + theirs)) return 1;
        bench::Row("TIFF LZW save, 24 bits").Ours(save).Sizes(bench::FileSize(ours), bench::FileSize(theirs)).Print();
    }

    // Peak memory of loading a 10000 x 10000 LZW page (grey, 100 MB): KB.
    {
        const std::string big = bench::ScratchFile("big.tif");
        if (!bench::Shell(bench::kMagick + " -size 10000x10000 gradient: -depth 8 -type Grayscale -compress lzw " + big))
            return 1;
        bench::Row("TIFF 10000x10000 LZW load: peak KB / picture KB").Sizes(PeakKilobytes(big), 100000000 / 1024).Print();
    }
    return 0;
}
