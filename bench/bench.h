// The benchmarks' shared helper: one way to time, one test picture, one
// scratch folder and one table that scripts/bench prints for every
// bench/*.cpp:
//
//   operation | ours ms | peer ms | peer | x peer | mt ms | x mt | limit ms | limit | x limit | bytes ours / peer
//
// "x peer" is the peer's time over ours and "x limit" the limit's time over
// ours: above 1 we are faster. A peer that is a program with threads of
// its own (ImageMagick, OpenCV) runs with one thread in "peer ms" and with
// its default threads in "mt ms". Times are medians of VOLKG_BENCH_RUNS
// runs (7 by default) after one warm-up run.
//
// Counting (scripts/bench --count): the benchmark runs again under
// callgrind with VOLKG_BENCH_COUNT set; Median then measures one run of
// each step in instructions instead of milliseconds (millions in the
// table), the program peers are run under callgrind whole, their start-up
// counted and taken off alike, and scripts/bench sets the counts beside
// the times.
//
// Adding a benchmark: write bench/NAME.cpp (CMake makes it bench_NAME and
// scripts/bench runs it); for each operation print one row:
//
//   bench::Row row("GIF load");
//   row.ours = bench::Median([&] { return K_LoadFile(...) == K_OK; });
//   row.Peer("giflib", bench::Median([&] { return PeerLoad(); }));
//   row.Limit("memcpy", bench::MemcpyMs(bytes));
//   row.Sizes(ourBytes, peerBytes);  // where the format compresses
//   row.Print();
//
// Peers run in-process where Debian has their i386 library (link it in
// bench/CMakeLists.txt); otherwise bench::MagickMs runs ImageMagick with one
// thread and its start-up subtracted. bench::Photo() is the picture every
// format is timed on (4000 x 3000, photo-like: shading, edges, texture and
// noise, no gradient that favours run-length or LZW coding). Files go only
// into bench::Scratch(), a mkdtemp folder under /tmp removed at exit.
// Anything else worth saying goes to stderr (bench::Note), not the table.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "volkg.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define VOLKG_BENCH_CALLGRIND 1
#endif

namespace bench {

constexpr int kWidth = 4000, kHeight = 3000;
inline const std::string kMagick = "/usr/bin/convert-im6.q16";

inline int Runs() {
    static const int runs = [] {
        const char* v = std::getenv("VOLKG_BENCH_RUNS");
        int n = v ? std::atoi(v) : 0;
        return n > 0 ? n : 7;
    }();
    return runs;
}

// Whether this run counts instructions (scripts/bench --count) instead of
// timing; then each step runs once, after its warm-up.
inline bool Counting() {
    static const bool counting = std::getenv("VOLKG_BENCH_COUNT") != nullptr;
    return counting;
}

// The instructions callgrind counted in a dump file ("summary:" or
// "totals:"), in millions; -1 without one.
inline double DumpMillions(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return -1;
    char line[512];
    double total = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "summary:", 8) == 0 || std::strncmp(line, "totals:", 7) == 0)
            total = std::strtod(line + (line[0] == 's' ? 8 : 7), nullptr) / 1e6;
    std::fclose(f);
    return total;
}

// Millions of instructions of one run of step, counted by the callgrind
// this program runs under (--instr-atstart=no): its dumps are numbered
// files after the output name scripts/bench gives in VOLKG_BENCH_CALLGRIND_OUT.
// The folder of the callgrind files of a counting run (scripts/bench makes
// it and runs every benchmark as `valgrind --tool=callgrind
// --instr-atstart=no --callgrind-out-file=DIR/cg.%p`).
inline std::string CountDir() {
    const char* dir = std::getenv("VOLKG_BENCH_CALLGRIND_DIR");
    return dir ? dir : "";
}

// What a benchmark puts before a copy of itself that it starts: the same
// callgrind when counting.
inline std::string ChildPrefix() {
    if (!Counting() || CountDir().empty()) return "";
    return "valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file=" + CountDir() + "/cg.%p ";
}

// The number of callgrind's next dump in this process: one counter for
// every step (a static inside the template below would be one per step type).
inline int NextDump() {
    static int dumps = 0;
    return ++dumps;
}

template <class Step>
double CountMillions(Step step) {
#ifdef VOLKG_BENCH_CALLGRIND
    if (CountDir().empty() || !RUNNING_ON_VALGRIND) return step() ? -2 : -1;
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_ZERO_STATS;
    const bool ok = step();
    CALLGRIND_DUMP_STATS;
    CALLGRIND_STOP_INSTRUMENTATION;
    const int dump = NextDump();
    return ok ? DumpMillions(CountDir() + "/cg." + std::to_string(getpid()) + "." + std::to_string(dump)) : -1;
#else
    return step() ? -2 : -1;
#endif
}

inline double Now() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Milliseconds: the median of Runs() runs of step after one warm-up run,
// each run after an untimed prepare; -1 when a run fails (either returns
// false).
template <class Prepare, class Step>
double Median(Prepare prepare, Step step) {
    if (Counting()) {
        if (!prepare() || !step() || !prepare()) return -1;
        return CountMillions(step);
    }
    std::vector<double> times;
    for (int i = 0; i <= Runs(); ++i) {
        if (!prepare()) return -1;
        const double start = Now();
        if (!step()) return -1;
        if (i > 0) times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <class Step>
double Median(Step step) {
    return Median([] { return true; }, step);
}

// The median of times measured otherwise (for steps timed in turn).
inline double MedianOf(std::vector<double> times) {
    if (times.empty()) return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

// The table. scripts/bench prints the header once (VOLKG_BENCH_HEADER=0);
// a benchmark run alone prints its own.
inline void Header() {
    const bool count = Counting();
    std::printf("%-44s %9s %9s %-16s %7s %9s %7s %9s %-12s %7s  %s\n", "operation", count ? "ours Mi" : "ours ms",
                count ? "peer Mi" : "peer ms", "peer", "x peer", count ? "mt Mi" : "mt ms", "x mt",
                count ? "limit Mi" : "limit ms", "limit", "x limit", "bytes ours / peer");
}

struct Row {
    std::string operation;
    double ours = -1;
    std::string peer, limit;
    double peerMs = -1, threadsMs = -1, limitMs = -1;
    long long ourBytes = -1, peerBytes = -1;

    explicit Row(std::string op) : operation(std::move(op)) {}
    Row& Ours(double ms) {
        ours = ms;
        return *this;
    }
    Row& Peer(std::string name, double ms) {
        peer = std::move(name);
        peerMs = ms;
        return *this;
    }
    // The same program peer with its default threads.
    Row& PeerThreads(double ms) {
        threadsMs = ms;
        return *this;
    }
    Row& Limit(std::string name, double ms) {
        limit = std::move(name);
        limitMs = ms;
        return *this;
    }
    Row& Sizes(long long ourSize, long long peerSize = -1) {
        ourBytes = ourSize;
        peerBytes = peerSize;
        return *this;
    }

    void Print() const {
        static bool headed = [] {
            const char* v = std::getenv("VOLKG_BENCH_HEADER");
            if (!v || std::strcmp(v, "0") != 0) Header();
            return true;
        }();
        (void)headed;
        auto ms = [](double v) {
            char s[32];
            if (v >= 0)
                std::snprintf(s, sizeof s, "%.1f", v);
            else
                std::snprintf(s, sizeof s, "%s", v == -1 ? "failed" : "-");
            return std::string(s);
        };
        auto ratio = [&](double other) {
            char s[32];
            if (other > 0 && ours > 0)
                std::snprintf(s, sizeof s, "%.2f", other / ours);
            else
                std::snprintf(s, sizeof s, "-");
            return std::string(s);
        };
        std::string sizes;
        if (ourBytes >= 0) sizes = std::to_string(ourBytes) + (peerBytes >= 0 ? " / " + std::to_string(peerBytes) : "");
        const bool threads = !peer.empty() && threadsMs != -1;
        std::printf("%-44s %9s %9s %-16s %7s %9s %7s %9s %-12s %7s  %s\n", operation.c_str(), ms(ours).c_str(),
                    peer.empty() ? "-" : ms(peerMs).c_str(), peer.empty() ? "-" : peer.c_str(),
                    peer.empty() ? "-" : ratio(peerMs).c_str(), threads ? ms(threadsMs).c_str() : "-",
                    threads ? ratio(threadsMs).c_str() : "-", limit.empty() ? "-" : ms(limitMs).c_str(),
                    limit.empty() ? "-" : limit.c_str(), limit.empty() ? "-" : ratio(limitMs).c_str(), sizes.c_str());
        std::fflush(stdout);
        // scripts/bench --count pairs each row's times with its counts through these lines.
        if (const char* tsv = std::getenv("VOLKG_BENCH_TSV"))
            if (FILE* f = std::fopen(tsv, "a")) {
                std::fprintf(f, "%s\t%s\t%s\t%s\t%s\t%s\n", operation.c_str(), peer.c_str(), ms(ours).c_str(),
                             peer.empty() ? "-" : ms(peerMs).c_str(), threads ? ms(threadsMs).c_str() : "-",
                             limit.empty() ? "-" : ms(limitMs).c_str());
                std::fclose(f);
            }
    }
};

// A folder of this run's own under /tmp, removed when the program ends.
// The name is never freed: the exit handler that removes the folder runs
// after static destructors registered later would have run.
inline const std::string& Scratch() {
    static const std::string* dir = [] {
#ifdef _WIN32
        // The Windows benchmarks (under Wine): a folder of the process's own.
        std::error_code made;
        std::string name =
            (std::filesystem::temp_directory_path() / ("volkg-bench." + std::to_string(GetCurrentProcessId())))
                .string();
        if (!std::filesystem::create_directories(name, made)) {
            std::perror("create_directories");
            std::exit(1);
        }
#else
        char name[] = "/tmp/volkg-bench.XXXXXX";
        if (!mkdtemp(name)) {
            std::perror("mkdtemp");
            std::exit(1);
        }
#endif
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Scratch(), ignored);
        });
        return new std::string(name);
    }();
    return *dir;
}

inline std::string ScratchFile(const std::string& name) { return Scratch() + "/" + name; }

inline long long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

inline std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[65536];
        for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

inline bool WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// ---- The picture.

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // red, green, blue; top row first
};

// Smooth shading in two directions, hard-edged shapes, fine texture and
// sensor-like noise, made without per-pixel transcendental calls so it is
// quick to make.
inline Picture MakePhoto(int width, int height) {
    Picture p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    std::vector<double> sx(width), cx(width), sy(height), cy(height);
    for (int x = 0; x < width; ++x) sx[x] = std::sin(x * 0.0031), cx[x] = std::cos(x * 0.0017);
    for (int y = 0; y < height; ++y) sy[y] = std::sin(y * 0.0023), cy[y] = std::cos(y * 0.0041);
    uint32_t seed = 1;
    for (int y = 0; y < height; ++y) {
        uint8_t* q = &p.rgb[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x, q += 3) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>(seed >> 16 & 15) - 8;
            const double shade = sx[x] * cy[y], sweep = cx[x] * sy[y];
            // Shapes: a ring and slanted bands, as objects against a background.
            const int dx = x - width / 3, dy = y - height / 2;
            const int r2 = dx * dx + dy * dy, ring = width / 6;
            const bool inRing = r2 < ring * ring && r2 > (ring - 60) * (ring - 60);
            const bool band = ((x + 2 * y) / 170) % 5 == 0;
            const int texture = ((x * 7 + y * 13) & 31) - 16;
            int r = static_cast<int>(120 + 70 * shade + 30 * sweep),
                g = static_cast<int>(110 + 60 * sweep - 20 * shade),
                b = static_cast<int>(100 - 50 * shade + 40 * sweep);
            if (inRing) r += 80, g -= 40;
            if (band) r -= 30, g += 20, b += 50 + texture;
            q[0] = static_cast<uint8_t>(std::clamp(r + noise, 0, 255));
            q[1] = static_cast<uint8_t>(std::clamp(g + noise + texture / 4, 0, 255));
            q[2] = static_cast<uint8_t>(std::clamp(b - noise, 0, 255));
        }
    }
    return p;
}

inline const Picture& Photo() {
    static const Picture photo = MakePhoto(kWidth, kHeight);
    return photo;
}

// The photo in 256 colours: a 6 x 7 x 6 cube, indices top row first.
struct IndexedPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> index;
    RGBQUAD palette[256]{};
};

inline const IndexedPicture& PhotoIndexed() {
    static const IndexedPicture indexed = [] {
        const Picture& p = Photo();
        IndexedPicture q;
        q.width = p.width;
        q.height = p.height;
        q.index.resize(static_cast<size_t>(p.width) * p.height);
        for (int i = 0; i < 252; ++i) {
            const int r = i / 42, g = i / 6 % 7, b = i % 6;
            q.palette[i] = RGBQUAD{BYTE(b * 51), BYTE(g * 255 / 6), BYTE(r * 51), 0};
        }
        for (size_t i = 0; i < q.index.size(); ++i) {
            const uint8_t* c = &p.rgb[i * 3];
            q.index[i] = static_cast<uint8_t>((c[0] + 25) / 51 * 42 + (c[1] * 6 + 127) / 255 * 6 + (c[2] + 25) / 51);
        }
        return q;
    }();
    return indexed;
}

// A record of the photo at 8 (the indexed photo), 24 or 32 bits, or 8-bit
// grey (grey = true), in the record's own colour order and view; allocated
// here, the caller frees it.
inline bool PhotoRecord(BitmapRecord& r, int bits, bool grey = false) {
    const Picture& p = Photo();
    if (K_InitBitmap(&r, p.width, p.height, bits) != K_OK || K_AllocateBitmap(&r, K_STORAGE_ANY) != K_OK) return false;
    if (bits == 8) {
        RGBQUAD colors[256];
        for (int i = 0; i < 256; ++i)
            colors[i] = grey ? RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0} : PhotoIndexed().palette[i];
        K_PutBitmapColors(&r, 0, 256, colors);
    }
    const bool bgr = bits > 8 && r.ColorOrder == K_ORDER_BGR;  // the record's own order, as a DIB has it
    std::vector<uint8_t> row(r.BytesPerLine);
    K_AccessBitmap(&r);
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* src = &p.rgb[static_cast<size_t>(y) * p.width * 3];
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* c = src + x * 3;
            if (bits == 8)
                row[x] = grey ? static_cast<uint8_t>((c[0] * 77 + c[1] * 150 + c[2] * 29) >> 8)
                              : PhotoIndexed().index[static_cast<size_t>(y) * p.width + x];
            else {
                uint8_t* d = &row[static_cast<size_t>(x) * (bits / 8)];
                d[0] = c[bgr ? 2 : 0], d[1] = c[1], d[2] = c[bgr ? 0 : 2];
            }
        }
        const int stored = r.ViewPerspective == K_BOTTOM_UP ? p.height - 1 - y : y;
        if (K_PutBitmapRow(&r, row.data(), stored, r.BytesPerLine) < 0) {
            K_ReleaseBitmap(&r);
            return false;
        }
    }
    K_ReleaseBitmap(&r);
    return true;
}

// An in-place operation (op returns a K_ code) on a fresh copy of source
// each run; the copy is not timed.
template <class Op>
double OnCopyMs(const BitmapRecord& source, Op op) {
    BitmapRecord copy{};
    const double ms = Median(
        [&] {
            K_FreeBitmap(&copy);
            return K_CopyBitmap(&copy, const_cast<BitmapRecord*>(&source)) == K_OK;
        },
        [&] { return op(&copy) == K_OK; });
    K_FreeBitmap(&copy);
    return ms;
}

// The photo as a binary PPM (or PGM of its grey) in the scratch folder.
inline std::string PhotoPpm(bool grey = false) {
    const std::string path = ScratchFile(grey ? "photo.pgm" : "photo.ppm");
    if (FileSize(path) > 0) return path;
    const Picture& p = Photo();
    std::string data = (grey ? "P5\n" : "P6\n") + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    if (grey) {
        for (size_t i = 0; i < p.rgb.size(); i += 3)
            data.push_back(static_cast<char>((p.rgb[i] * 77 + p.rgb[i + 1] * 150 + p.rgb[i + 2] * 29) >> 8));
    } else {
        data.append(reinterpret_cast<const char*>(p.rgb.data()), p.rgb.size());
    }
    return WriteFile(path, data.data(), data.size()) ? path : std::string();
}

// ---- Limits.

// memcpy of so many bytes between two warm buffers.
inline double MemcpyMs(size_t bytes) {
    std::vector<uint8_t> a(bytes, 3), b(bytes, 0);
    const double ms = Median([&] {
        std::memcpy(b.data(), a.data(), bytes);
        return true;
    });
    volatile uint8_t sink = b[bytes / 2];
    (void)sink;
    return ms;
}

// Reading a file in 1 MB blocks into freshly allocated storage of its size.
inline double ReadMs(const std::string& path) {
    const long long size = FileSize(path);
    if (size <= 0) return -1;
    return Median([&] {
        int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0) return false;
        auto* storage = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
        bool ok = storage != nullptr;
        for (long long at = 0; ok && at < size;) {
            ssize_t n = read(fd, storage + at, static_cast<size_t>(std::min<long long>(size - at, 1 << 20)));
            ok = n > 0;
            at += n;
        }
        std::free(storage);
        close(fd);
        return ok;
    });
}

// write(2) of the bytes in 64 KB blocks; false when a write fails.
inline bool WriteBlocks(int fd, const std::vector<uint8_t>& data) {
    for (size_t at = 0; at < data.size();) {
        ssize_t n = write(fd, data.data() + at, std::min<size_t>(data.size() - at, 65536));
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

// write(2) of so many bytes in 64 KB blocks into a new scratch file.
inline double WriteMs(size_t bytes) {
    std::vector<uint8_t> data(bytes, 7);
    const std::string path = ScratchFile("write-limit");
    const double ms = Median([&] {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return false;
        bool ok = WriteBlocks(fd, data);
        return close(fd) == 0 && ok;
    });
    std::remove(path.c_str());
    return ms;
}

// The same write into a new file that then replaces the old one by rename,
// as every save of the library does (a failed save leaves the old file).
inline double WriteRenameMs(size_t bytes) {
    std::vector<uint8_t> data(bytes, 7);
    const std::string path = ScratchFile("write-limit"), temporary = ScratchFile("write-limit.new");
    const double ms = Median([&] {
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) return false;
        bool ok = WriteBlocks(fd, data);
        return close(fd) == 0 && ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    });
    std::remove(path.c_str());
    std::remove(temporary.c_str());
    return ms;
}

// ---- Peers that are programs.

inline bool Shell(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

inline std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Millions of instructions of a whole command and the processes it starts,
// under callgrind (counting runs).
inline double CommandMillions(const std::string& command) {
    static int runs = 0;
    const std::string dir = ScratchFile("count-" + std::to_string(++runs));
    std::filesystem::create_directories(dir);
    if (!Shell("valgrind --tool=callgrind --trace-children=yes --callgrind-out-file=" + dir + "/cg.%p sh -c " +
               Quoted(command)))
        return -1;
    double total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        total += std::max(0.0, DumpMillions(entry.path().string()));
    return total;
}

inline double CommandMs(const std::string& command) {
    if (Counting()) return CommandMillions(command);
    return Median([&] { return Shell(command); });
}

// ImageMagick with one thread (threads 0: its default), its start-up and
// ending (a command that reads and writes nothing) subtracted. args: input,
// operations and output.
inline double MagickMs(const std::string& args, int threads = 1) {
    const std::string limit = threads > 0 ? " -limit thread " + std::to_string(threads) + " " : " ";
    static double startup[2] = {-3, -3};
    double& base = startup[threads > 0];
    if (base == -3) base = CommandMs(kMagick + limit + "xc:black null:");
    const double ms = CommandMs(kMagick + limit + args);
    return ms < 0 || base < 0 ? -1 : std::max(0.0, ms - base);
}

// The photo (or its grey) as ImageMagick's memory-mapped cache, which it
// reads fastest: the read taken off its times is then small.
inline std::string PhotoCache(bool grey = false) {
    const std::string path = ScratchFile(grey ? "photo-grey.mpc" : "photo.mpc");
    if (FileSize(path) <= 0 && !Shell(kMagick + " " + PhotoPpm(grey) + " " + path)) return std::string();
    return path;
}

// ImageMagick's time of operations on an input, less the time of reading
// that input alone.
inline double MagickOpMs(const std::string& input, const std::string& operations, int threads = 1) {
    const double with = MagickMs(input + " " + operations + " null:", threads),
                 without = MagickMs(input + " null:", threads);
    return with < 0 || without < 0 ? -1 : std::max(0.0, with - without);
}

}  // namespace bench
