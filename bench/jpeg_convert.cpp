// The one-call conversions beside the decode and the encode they are made
// of, on the photo, in one run:
//   BMP to JFIF 4:2:0:  K_CompressBMP  against  K_LoadBitmap + K_CompressBitmap
//   JFIF to BMP:        K_DecompressBMP against K_DecompressBitmap + K_SaveBMPBitmap
//   TGA to own format:  K_CompressTGA  against  K_LoadBitmap + K_CompressBitmap
// A conversion should cost at most its two parts plus 10% ("x peer" at
// least 0.91).
#include <functional>

#include "bench.h"

namespace {

constexpr int kQuality = 10;

// Milliseconds of one run, which must answer 1.
double Once(const std::function<int()>& run, const char* what) {
    const double start = bench::Now();
    const int result = run();
    const double s = bench::Now() - start;
    if (result != K_OK) {
        std::fprintf(stderr, "%s failed: %d\n", what, result);
        std::exit(1);
    }
    return s;
}

// The conversion and its two parts in turn, so that a change in the
// machine's load falls on all three alike; medians after a warm-up round.
void Measure(const char* name, const std::function<int()>& conversion, const std::function<int()>& decode,
             const std::function<int()>& encode);

void Measure(const char* name, const std::function<int()>& conversion, const std::function<int()>& decode,
             const std::function<int()>& encode) {
    std::vector<double> c, d, e;
    for (int i = 0; i <= bench::Runs(); ++i) {
        const double tc = Once(conversion, name), td = Once(decode, "decode"), te = Once(encode, "encode");
        if (i == 0) continue;
        c.push_back(tc);
        d.push_back(td);
        e.push_back(te);
    }
    bench::Row(name).Ours(bench::MedianOf(c)).Peer("its two parts", bench::MedianOf(d) + bench::MedianOf(e)).Print();
}

}  // namespace

int main() {
    const std::string bmp = bench::ScratchFile("src.bmp"), tga = bench::ScratchFile("src.tga"),
                      jpg = bench::ScratchFile("src.jpg");
    const std::string out1 = bench::ScratchFile("out1"), out2 = bench::ScratchFile("out2");

    BitmapRecord picture{};
    if (!bench::PhotoRecord(picture, 24) || K_SaveBMPBitmap(bmp.c_str(), &picture, 24, 1) != K_OK ||
        K_SaveTGABitmap(tga.c_str(), &picture, 24) != K_OK ||
        K_CompressBitmap(&picture, jpg.c_str(), 3, kQuality, 0) != K_OK) {
        bench::Note("cannot write the sources");
        return 1;
    }
    K_FreeBitmap(&picture);

    BitmapRecord record{};
    auto load = [&](const std::string& name) {
        return [&record, name] {
            K_FreeBitmap(&record);
            return K_LoadBitmap(name.c_str(), &record, 0, K_ORDER_BGR);
        };
    };
    auto compressLoaded = [&](int variant) {
        return [&record, &out2, variant] { return K_CompressBitmap(&record, out2.c_str(), variant, kQuality, 0); };
    };

    Measure(
        "BMP to JFIF 4:2:0", [&] { return K_CompressBMP(bmp.c_str(), out1.c_str(), 3, kQuality, 0); }, load(bmp),
        compressLoaded(3));
    Measure(
        "TGA to own format", [&] { return K_CompressTGA(tga.c_str(), out1.c_str(), 0, kQuality, 0, 0); }, load(tga),
        compressLoaded(0));
    Measure(
        "JFIF 4:2:0 to BMP", [&] { return K_DecompressBMP(jpg.c_str(), out1.c_str(), 24); },
        [&] {
            K_FreeBitmap(&record);
            return K_DecompressBitmap(jpg.c_str(), &record, 24);
        },
        [&] { return K_SaveBMPBitmap(out2.c_str(), &record, 24, 1); });
    K_FreeBitmap(&record);
    return 0;
}
