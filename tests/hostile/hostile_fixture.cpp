#include "hostile_fixture.h"

#include <sanitizer/allocator_interface.h>
#include <signal.h>
#include <unistd.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace hostile {

namespace {

std::string Temp(const std::string& name) { return TestTempPath("hostile_" + name); }

// Gradients in three directions, a flat band and a flat block.
std::string PpmBytes() {
    std::string s = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool band = y >= 8 && y < 12, block = x >= 20 && x < 30 && y >= 14;
            s += static_cast<char>(band ? 200 : x * 255 / (kWidth - 1));
            s += static_cast<char>(band ? 40 : y * 255 / (kHeight - 1));
            s += static_cast<char>(block ? 0 : (x + y) * 4);
        }
    return s;
}

struct PeerFile {
    const char* name;
    const char* command;  // %s: the PPM, PGM or PBM named by `input`; output to stdout
    char input;           // 'c' colour, 'g' grey, 'm' mono
};

// Files the peer tools write, each to stdout.
const PeerFile kPeerFiles[] = {
    {"bmp-24", "ppmtobmp %s", 'c'},
    {"bmp-rle8", "/usr/bin/convert-im6.q16 %s -colors 200 -compress RLE BMP3:-", 'c'},
    {"bmp-4", "/usr/bin/convert-im6.q16 %s -colors 16 BMP3:-", 'c'},
    {"bmp-os2", "/usr/bin/convert-im6.q16 %s -colors 200 BMP2:-", 'c'},
    {"bmp-1", "ppmtobmp %s", 'm'},
    {"gif", "/usr/bin/convert-im6.q16 %s -colors 64 GIF:-", 'c'},
    {"gif-interlaced", "ppmtogif -interlace %s", 'g'},
    {"png-24", "pnmtopng %s", 'c'},
    {"png-grey16-interlaced", "/usr/bin/convert-im6.q16 %s -depth 16 -interlace PNG PNG:-", 'g'},
    {"png-palette", "/usr/bin/convert-im6.q16 %s -colors 20 PNG8:-", 'c'},
    {"pcx-24", "ppmtopcx %s", 'c'},
    {"pcx-16", "/usr/bin/convert-im6.q16 %s -colors 16 PCX:-", 'c'},
    {"tga-24", "ppmtotga %s", 'c'},
    {"tga-rle", "/usr/bin/convert-im6.q16 %s -compress RLE TGA:-", 'c'},
    {"tiff", "pnmtotiff %s", 'c'},
    {"tiff-lzw", "/usr/bin/convert-im6.q16 %s -compress LZW -define tiff:rows-per-strip=5 TIFF:-", 'c'},
    {"tiff-packbits-planes", "/usr/bin/convert-im6.q16 %s -compress RLE -interlace Plane TIFF:-", 'c'},
    {"tiff-tiles", "/usr/bin/convert-im6.q16 %s -define tiff:tile-geometry=16x16 TIFF:-", 'c'},
    {"tiff-g4", "/usr/bin/convert-im6.q16 %s -compress Group4 TIFF:-", 'm'},
    {"tiff-g3", "/usr/bin/convert-im6.q16 %s -compress Fax TIFF:-", 'm'},
    {"jpeg", "cjpeg -quality 85 %s", 'c'},
    {"jpeg-grey-restart", "cjpeg -grayscale -restart 1 %s", 'c'},
    {"psd", "/usr/bin/convert-im6.q16 %s PSD:-", 'c'},
    {"psd-rle-grey", "/usr/bin/convert-im6.q16 %s -compress RLE PSD:-", 'g'},
    {"sun-24", "pnmtorast %s", 'c'},
    {"sun-rle", "/usr/bin/convert-im6.q16 %s -colors 16 -compress RLE SUN:-", 'c'},
    {"pict", "pnmquant 256 %s | ppmtopict", 'c'},
    {"macpaint", "pbmtomacp %s", 'm'},
    {"gem", "pbmtogem %s", 'm'},
    {"cals", "/usr/bin/convert-im6.q16 %s CALS:-", 'm'},
};

// Formats no peer here writes: our own writer's files.
struct OwnFile {
    const char* name;
    int format, bits, quality;
};
const OwnFile kOwnFiles[] = {
    {"compressed", 5, 24, 50},
    {"compressed-grey", 20, 8, 50},
    {"compressed-3", 21, 24, 50},
    {"compressed-4", 22, 24, 50},
    {"compressed-5", 23, 24, 50},
    {"compressed-6", 24, 24, 50},
    {"jpeg-own", 10, 24, 50},
    {"bilevel", 26, 1, 0},
    {"msp", 53, 1, 0},
    {"wpg", 54, 8, 0},
    {"eps", 16, 24, 0},
    {"wfx", 69, 1, 0},
    {"wfx-2", 70, 1, 0},
    {"ioca", 71, 1, 0},
    {"ioca-2", 72, 1, 0},
    {"ioca-3", 73, 1, 0},
    {"ioca-bare", 77, 1, 0},
    {"ioca-bare-2", 78, 1, 0},
    {"ioca-bare-3", 79, 1, 0},
    {"pict-own", 56, 8, 0},
    {"tiff-own-lzw", 17, 8, 0},
    {"tiff-jpeg-own", 11, 24, 50},
};

std::string RunToString(const std::string& command) {
    const std::string out = Temp("peer.out");
    if (RunHost(command + " >'" + out + "' 2>/dev/null") != 0) return {};
    return ReadFileBytes(out);
}

}  // namespace

std::vector<std::string> FormatNames() {
    std::vector<std::string> names;
    for (const PeerFile& p : kPeerFiles) names.push_back(p.name);
    for (const OwnFile& o : kOwnFiles) names.push_back(o.name);
    return names;
}

FormatFile MakeFormatFile(const std::string& name) {
    FormatFile f{name, {}, 0};
    for (const PeerFile& p : kPeerFiles) {
        if (name != p.name) continue;
        const std::string input = p.input == 'c' ? PicturePpm() : p.input == 'g' ? PicturePgm() : PicturePbm();
        char command[256];
        std::snprintf(command, sizeof command, p.command, ("'" + input + "'").c_str());
        f.bytes = RunToString(command);
    }
    for (const OwnFile& o : kOwnFiles) {
        if (name != o.name) continue;
        BitmapRecord picture{};
        LoadPicture(&picture);
        HGLOBAL memory = nullptr;
        int size = 0;
        if (K_SaveBitmapMemory(&memory, &picture, o.format, o.bits, o.quality, &size) == K_OK && memory) {
            f.bytes.assign(static_cast<const char*>(GlobalLock(memory)), static_cast<size_t>(size));
            GlobalUnlock(memory);
        }
        if (memory) GlobalFree(memory);
        K_FreeBitmap(&picture);
    }
    FileInfoRecord info{};
    if (!f.bytes.empty() && K_FileInfoMemory(f.bytes.data(), &info, static_cast<int>(f.bytes.size())) == K_OK)
        f.code = info.FormatCode;
    else
        f.bytes.clear();
    return f;
}

namespace {

// The heap meter: live bytes counted by the allocator hooks while on.
std::atomic<bool> g_metering{false};
std::atomic<long long> g_live{0}, g_peak{0};

}  // namespace

std::string PicturePpm() {
    static const std::string path = [] {
        const std::string p = Temp("picture.ppm");
        WriteFileBytes(p, PpmBytes());
        return p;
    }();
    return path;
}

std::string PicturePgm() {
    static const std::string path = [] {
        const std::string p = Temp("picture.pgm");
        RunHost("ppmtopgm '" + PicturePpm() + "' >'" + p + "'");
        return p;
    }();
    return path;
}

std::string PicturePbm() {
    static const std::string path = [] {
        const std::string p = Temp("picture.pbm");
        RunHost("ppmtopgm '" + PicturePpm() + "' | pgmtopbm -threshold >'" + p + "'");
        return p;
    }();
    return path;
}

void LoadPicture(BitmapRecord* record) {
    const std::string bmp = Temp("picture.bmp");
    RunHost("ppmtobmp '" + PicturePpm() + "' >'" + bmp + "' 2>/dev/null");
    ASSERT_EQ(K_LoadBitmap(bmp.c_str(), record, 24, -1), K_OK);
}

long long Meter::LiveHeap() { return static_cast<long long>(__sanitizer_get_current_allocated_bytes()); }

namespace {
long long ResidentPeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    return 0;
}
}  // namespace

void Meter::Start() {
    // The resident high-water mark starts again from the current set.
    std::ofstream("/proc/self/clear_refs") << "5";
    residentStart_ = ResidentPeakKb();
    g_live = 0;
    g_peak = 0;
    g_metering = true;
}

void Meter::Stop() {
    g_metering = false;
    heapPeak_ = g_peak;
    residentGrowth_ = (ResidentPeakKb() - residentStart_) * 1024;
}

namespace {
char g_case[256];
void OnAlarm(int) {
    const char prefix[] = "\nhostile: hung in ";
    (void)!write(2, prefix, sizeof prefix - 1);
    (void)!write(2, g_case, std::strlen(g_case));
    (void)!write(2, "\n", 1);
    abort();
}
}  // namespace

Watchdog::Watchdog(const std::string& what, unsigned seconds) {
    std::snprintf(g_case, sizeof g_case, "%s", what.c_str());
    signal(SIGALRM, OnAlarm);
    alarm(seconds);
}

Watchdog::~Watchdog() { alarm(0); }

}  // namespace hostile

// The sanitizer allocator calls these on every allocation and free.
extern "C" void __sanitizer_malloc_hook(const volatile void*, size_t size) {
    if (!hostile::g_metering) return;
    const long long now = hostile::g_live += static_cast<long long>(size);
    long long peak = hostile::g_peak;
    while (now > peak && !hostile::g_peak.compare_exchange_weak(peak, now)) {}
}

extern "C" void __sanitizer_free_hook(const volatile void* ptr) {
    if (!hostile::g_metering) return;
    hostile::g_live -= static_cast<long long>(__sanitizer_get_allocated_size(const_cast<const void*>(ptr)));
}
