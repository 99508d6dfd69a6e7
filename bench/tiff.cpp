// TIFF beside libtiff on the photo: LZW decoding against libtiff's strip
// decoding in this process, uncompressed and PackBits decoding against a
// memcpy of the decoded bytes and against a read of the file with one copy,
// our LZW file's size against libtiff's, and the peak memory of loading a
// 10000 x 10000 LZW page in a fresh process.
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

// Peak resident memory of a fresh process that loads the file whole, as
// that process's own high-water mark (VmHWM) says: rusage would also count
// what a forked child held before its exec.
long PeakKilobytes(const std::string& path) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return -1;
    const std::string command = std::string(self) + " --load " + path;
    FILE* child = popen(command.c_str(), "r");
    if (!child) return -1;
    long kb = -1;
    if (std::fscanf(child, "%ld", &kb) != 1) kb = -1;
    return pclose(child) == 0 ? kb : -1;
}

}  // namespace

int main(int argc, char** argv) {
    // Child run: load one file, print the process's peak memory in KB.
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        BitmapRecord r;
        K_InitBitmap(&r, 0, 0, 0);
        if (K_LoadTIFBitmap(argv[2], &r) != 1) return 1;
        FILE* status = std::fopen("/proc/self/status", "r");
        char line[256];
        while (status && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "VmHWM:", 6) == 0) std::printf("%ld\n", std::atol(line + 6));
        if (status) std::fclose(status);
        return 0;
    }
    TIFFSetWarningHandler(nullptr);
    const std::string base = bench::ScratchFile("photo.tif");
    if (!bench::Shell(bench::kMagick + " " + bench::PhotoPpm() + " -compress none " + base)) {
        bench::Note("ImageMagick could not make the picture");
        return 1;
    }
    const bench::Picture& photo = bench::Photo();
    // The memcpy limit: the decoded bytes between two warm buffers.
    std::vector<uint8_t> copyFrom(photo.rgb.size(), 3), copyTo(photo.rgb.size(), 0);
    auto copy = [&] {
        std::memcpy(copyTo.data(), copyFrom.data(), copyTo.size());
        volatile uint8_t sink = copyTo[copyTo.size() / 2];
        (void)sink;
        return true;
    };

    // The least a decode of a file to a row callback does: the file read
    // in 64 KB blocks into one warm block, each block copied once more into
    // a second (the rows). The memcpy limit copies the picture between two
    // buffers larger than the caches and reads no file.
    std::vector<uint8_t> block(65536), rows(65536);
    auto readCopy = [&](const std::string& path) {
        int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0) return false;
        size_t total = 0;
        for (ssize_t n; (n = read(fd, block.data(), block.size())) > 0; total += static_cast<size_t>(n))
            std::memcpy(rows.data(), block.data(), static_cast<size_t>(n));
        close(fd);
        volatile uint8_t sink = rows[total % rows.size()];
        (void)sink;
        return total > 0;
    };

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
        // Ours and the peer's (or the limit's) in turn, so that a change of
        // the machine's load falls on both alike.
        std::vector<double> ours, theirs, reads;
        for (int i = 0; i <= bench::Runs(); ++i) {
            const double start = bench::Now();
            const bool ok = OursDecode(file);
            const double middle = bench::Now();
            const bool otherOk = c.libtiffPeer ? LibtiffDecode(file) : copy();
            const double end = bench::Now();
            const bool readOk = c.libtiffPeer || readCopy(file);
            if (!ok || !otherOk || !readOk) return 1;
            if (i > 0)
                ours.push_back(middle - start), theirs.push_back(end - middle), reads.push_back(bench::Now() - end);
        }
        row.Ours(bench::MedianOf(ours));
        if (c.libtiffPeer)
            row.Peer("libtiff", bench::MedianOf(theirs));
        else
            row.Limit("memcpy", bench::MedianOf(theirs));
        row.Print();
        if (!c.libtiffPeer)
            bench::Row(c.name).Ours(bench::MedianOf(ours)).Limit("read+copy", bench::MedianOf(reads)).Print();
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

    // Peak memory of loading a 10000 x 10000 LZW page (grey, 100 MB), above
    // what the process takes for a 10 x 10 page loaded the same way: KB.
    {
        // netpbm: ImageMagick's default resource policy refuses a picture this big.
        const std::string big = bench::ScratchFile("big.tif"), small = bench::ScratchFile("small.tif");
        if (!bench::Shell("pgmramp -lr 10000 10000 | pamtotiff -lzw > " + big) ||
            !bench::Shell("pgmramp -lr 10 10 | pamtotiff -lzw > " + small))
            return 1;
        const long bigKb = PeakKilobytes(big), smallKb = PeakKilobytes(small);
        bench::Row("TIFF 10000x10000 LZW load: peak KB / picture KB")
            .Ours(-2)  // a memory row: no time
            .Sizes(bigKb < 0 || smallKb < 0 ? -1 : bigKb - smallKb, 100000000 / 1024)
            .Print();
    }
    return 0;
}
