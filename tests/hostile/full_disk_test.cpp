// Every writer saving over an existing file on a full file system (a small
// tmpfs of this process's own mount namespace) answers a negative code and
// leaves the old file as it was, with nothing else left beside it. Where no
// mount can be made (not root), a file-size limit (RLIMIT_FSIZE, SIGXFSZ
// ignored) stands in for the full disk: writes past it fail with EFBIG.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "hostile_fixture.h"

namespace {

namespace fs = std::filesystem;

// Every save code with a depth its writer takes.
struct SaveCode {
    int code, bits, quality;
};
const SaveCode kSaveCodes[] = {
    {1, 8, 0},    {2, 8, 0},   {3, 24, 0},  {17, 8, 0},   {25, 1, 0},   {27, 1, 0},   {28, 1, 0},   {29, 1, 0},
    {4, 24, 0},   {5, 24, 50}, {20, 8, 50}, {10, 24, 50}, {11, 24, 50}, {21, 24, 50}, {22, 24, 50}, {23, 24, 50},
    {24, 24, 50}, {6, 24, 0},  {14, 8, 0},  {74, 8, 0},   {15, 24, 0},  {16, 24, 0},  {26, 1, 0},   {50, 1, 0},
    {51, 1, 0},   {52, 1, 0},  {53, 1, 0},  {54, 8, 0},   {55, 24, 0},  {56, 8, 0},   {66, 1, 0},   {67, 1, 0},
    {68, 1, 0},   {69, 1, 0},  {70, 1, 0},  {71, 1, 0},   {72, 1, 0},   {73, 1, 0},   {77, 1, 0},   {78, 1, 0},
    {79, 1, 0},   {75, 24, 0}, {76, 24, 0},
};

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// Writes until the file system refuses: ENOSPC on the tmpfs.
void FillUp(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string chunk(4096, 'x');
    while (write(fd, chunk.data(), chunk.size()) > 0) {}
    while (write(fd, "x", 1) > 0) {}
    close(fd);
}

TEST(FullDisk, EveryWriterKeepsTheOldFileAndAnswersACode) {
    const std::string dir = TestTempPath("hostile_full");
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A tmpfs in a mount namespace of this process: it goes when the process ends.
    const bool mounted = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m") == 0;
    if (!mounted)
        std::fprintf(stderr, "no tmpfs (%s): a file-size limit stands in for the full disk\n", std::strerror(errno));

    BitmapRecord picture{};
    hostile::LoadPicture(&picture);
    // The old files, written while there is room: every writer works here.
    for (const SaveCode& s : kSaveCodes) {
        const std::string path = dir + "/old." + std::to_string(s.code);
        ASSERT_EQ(K_SaveBitmap(path.c_str(), &picture, s.code, s.bits, s.quality), K_OK) << s.code;
    }
    const std::set<std::string> before = Listing(dir);
    rlimit old{};
    if (mounted) {
        FillUp(dir + "/filler");
    } else {
        // No byte more in any file: every write of a new file fails.
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit none = old;
        none.rlim_cur = 0;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    }
    const std::set<std::string> full = Listing(dir);
    for (const SaveCode& s : kSaveCodes) {
        SCOPED_TRACE(s.code);
        const std::string path = dir + "/old." + std::to_string(s.code);
        const std::string oldBytes = ReadFileBytes(path);
        hostile::Watchdog watch("full disk, format " + std::to_string(s.code));
        const int saved = K_SaveBitmap(path.c_str(), &picture, s.code, s.bits, s.quality);
        EXPECT_LT(saved, 0);
        EXPECT_EQ(ReadFileBytes(path), oldBytes);
        EXPECT_EQ(Listing(dir), full);
    }
    if (!mounted) setrlimit(RLIMIT_FSIZE, &old);
    K_FreeBitmap(&picture);
    if (mounted) umount(dir.c_str());
    EXPECT_FALSE(before.empty());
}

}  // namespace
