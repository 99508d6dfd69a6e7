// Loading and saving TGA, PCX, GIF, PNG and Photoshop files of a large
// picture, beside ImageMagick, netpbm and giflib doing the same work in the
// same run. Peers run as processes, so their times include start-up; each
// figure is the best of a few runs, in megapixels per second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 2400, kHeight = 1600, kRuns = 3;
const double kMegapixels = kWidth * kHeight / 1e6;

template <class F>
double BestSeconds(F f) {
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        auto t0 = Clock::now();
        if (!f()) return -1;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

double Rate(double seconds) { return seconds > 0 ? kMegapixels / seconds : 0; }

bool Shell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

void WritePicture(const std::string& path, bool palette, BitmapRecord* record) {
    std::string ppm = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    size_t header = ppm.size();
    ppm.resize(header + static_cast<size_t>(kWidth) * kHeight * 3);
    const int bits = palette ? 8 : 24;
    K_InitBitmap(record, kWidth, kHeight, bits);
    K_AllocateBitmap(record, K_STORAGE_ANY);
    RGBQUAD colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = RGBQUAD{BYTE(i * 5), BYTE(i * 3), BYTE(i), 0};
    if (palette) K_PutBitmapColors(record, 0, 256, colors);
    record->ColorOrder = K_ORDER_RGB;
    std::vector<unsigned char> row(record->BytesPerLine);
    K_AccessBitmap(record);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            auto* p = reinterpret_cast<unsigned char*>(&ppm[header + (static_cast<size_t>(y) * kWidth + x) * 3]);
            if (palette) {
                int i = ((x / 16) ^ (y / 16)) & 0xFF;
                row[x] = static_cast<unsigned char>(i);
                p[0] = colors[i].rgbRed;
                p[1] = colors[i].rgbGreen;
                p[2] = colors[i].rgbBlue;
            } else {
                p[0] = row[x * 3] = static_cast<unsigned char>(x * 255 / kWidth);
                p[1] = row[x * 3 + 1] = static_cast<unsigned char>(y * 255 / kHeight);
                p[2] = row[x * 3 + 2] = static_cast<unsigned char>((x / 32 + y / 32) * 17);
            }
        }
        int stored = record->ViewPerspective == K_BOTTOM_UP ? kHeight - 1 - y : y;
        K_PutBitmapRow(record, row.data(), stored, record->BytesPerLine);
    }
    K_ReleaseBitmap(record);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(ppm.data(), 1, ppm.size(), f);
        std::fclose(f);
    }
}

struct Peer {
    const char* name;
    std::string decode;  // {file}
    std::string encode;  // {in} {out}
};

std::string Fill(std::string command, const std::string& in, const std::string& out) {
    for (const char* key : {"{file}", "{in}"}) {
        size_t at = command.find(key);
        if (at != std::string::npos) command.replace(at, std::strlen(key), in);
    }
    size_t at = command.find("{out}");
    if (at != std::string::npos) command.replace(at, 5, out);
    return command;
}

}  // namespace

int main() {
    const std::string dir = "/tmp/volkg-bench-formats-" + std::to_string(getpid());
    Shell("mkdir -p " + dir);
    BitmapRecord trueColor{}, indexed{};
    const std::string rgbPpm = dir + "/rgb.ppm", palettePpm = dir + "/palette.ppm";
    WritePicture(rgbPpm, false, &trueColor);
    WritePicture(palettePpm, true, &indexed);
    const std::string im = "/usr/bin/convert-im6.q16";

    struct Format {
        const char* name;
        int code, bits;
        const char* ext;
        std::vector<Peer> peers;
    } formats[] = {
        {"TGA", K_FORMAT_TGA, 24, "tga",
         {{"ImageMagick", im + " {file} ppm:- > /dev/null", im + " {in} TGA:{out}"},
          {"netpbm", "tgatoppm {file} > /dev/null", "pamtotga -norle {in} > {out}"}}},
        {"PCX", K_FORMAT_PCX, 24, "pcx",
         {{"ImageMagick", im + " {file} ppm:- > /dev/null", im + " {in} PCX:{out}"},
          {"netpbm", "pcxtoppm {file} > /dev/null", "ppmtopcx -24bit {in} > {out}"}}},
        {"GIF", K_FORMAT_GIF, 8, "gif",
         {{"ImageMagick", im + " {file} ppm:- > /dev/null", im + " {in} GIF:{out}"},
          {"netpbm", "giftopnm {file} > /dev/null", "pamtogif {in} > {out}"},
          {"giflib", "gif2rgb -o /dev/null {file}", ""}}},
        {"PNG", K_FORMAT_PNG, 24, "png",
         {{"ImageMagick", im + " {file} ppm:- > /dev/null", im + " {in} PNG24:{out}"},
          {"netpbm", "pngtopam {file} > /dev/null", "pnmtopng {in} > {out}"}}},
        {"PSD", K_FORMAT_PHOTOSHOP, 24, "psd",
         {{"ImageMagick", im + " {file} ppm:- > /dev/null", im + " {in} -compress RLE PSD:{out}"}}},
    };

    std::printf("%dx%d (%.2f megapixels), best of %d; MP/s and ours / fastest peer\n", kWidth, kHeight, kMegapixels,
                kRuns);
    std::printf("%-5s %-5s %10s %14s %14s %14s %8s\n", "fmt", "op", "volkg", "ImageMagick", "netpbm", "giflib",
                "ratio");
    for (Format& f : formats) {
        BitmapRecord* source = f.bits == 8 ? &indexed : &trueColor;
        const std::string& sourcePpm = f.bits == 8 ? palettePpm : rgbPpm;
        const std::string ours = dir + "/ours." + f.ext;
        double save = BestSeconds([&] { return K_SaveFile(ours.c_str(), source, f.code, f.bits, 0, 0, nullptr, nullptr) == K_OK; });
        double load = BestSeconds([&] {
            BitmapRecord b{};
            int r = K_LoadFile(ours.c_str(), &b, 0, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
            K_FreeBitmap(&b);
            return r == K_OK;
        });
        double peerLoad[3] = {0, 0, 0}, peerSave[3] = {0, 0, 0};
        const char* columns[3] = {"ImageMagick", "netpbm", "giflib"};
        for (const Peer& p : f.peers) {
            int column = 0;
            while (std::strcmp(columns[column], p.name) != 0) ++column;
            peerLoad[column] = Rate(BestSeconds([&] { return Shell(Fill(p.decode, ours, "")); }));
            if (!p.encode.empty()) {
                std::string out = dir + "/peer." + f.ext;
                peerSave[column] = Rate(BestSeconds([&] { return Shell(Fill(p.encode, sourcePpm, out)); }));
            }
        }
        auto row = [&](const char* op, double oursRate, const double* peers) {
            double fastest = *std::max_element(peers, peers + 3);
            std::printf("%-5s %-5s %10.1f", f.name, op, oursRate);
            for (int i = 0; i < 3; ++i)
                if (peers[i] > 0)
                    std::printf(" %14.1f", peers[i]);
                else
                    std::printf(" %14s", "-");
            if (fastest > 0)
                std::printf(" %8.2f\n", oursRate / fastest);
            else
                std::printf(" %8s\n", "-");
        };
        row("load", Rate(load), peerLoad);
        row("save", Rate(save), peerSave);
    }
    K_FreeBitmap(&trueColor);
    K_FreeBitmap(&indexed);
    Shell("rm -rf " + dir);
    return 0;
}
