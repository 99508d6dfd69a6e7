// Every prefix of one real file per format, from the empty file to the whole
// one, in a block of exactly its length (so a read past the cut shows under
// the sanitizers): the probe answers, and the load gives a picture of the
// file's size or a negative code, never a crash or a hang.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "hostile_fixture.h"

namespace {

using hostile::FormatFile;

int KAPI CountRows(BitmapRecord*, unsigned char*, int count, void* user) {
    *static_cast<int*>(user) += count;
    return K_OK;
}

class Prefixes : public testing::TestWithParam<std::string> {};

TEST_P(Prefixes, LoadOrGiveACode) {
    const FormatFile f = hostile::MakeFormatFile(GetParam());
    ASSERT_FALSE(f.bytes.empty()) << "the file could not be made";
    // The whole file is a good one: the test picture, or the page it is
    // put on where a format has fixed pages (MacPaint, fax).
    int width = 0, height = 0;
    {
        hostile::Watchdog watch(f.name + " whole");
        BitmapRecord b{};
        ASSERT_EQ(K_LoadMemory(f.bytes.data(), &b, 0, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr,
                               static_cast<int>(f.bytes.size())),
                  K_OK);
        width = b.Width;
        height = std::abs(b.Height);
        EXPECT_GE(width, hostile::kWidth);
        EXPECT_GE(height, hostile::kHeight);
        K_FreeBitmap(&b);
    }
    // Cuts in the first 40 % of a file take pixel data away in every
    // format (PCX keeps its palette in the last 769 bytes, and a page
    // without one is grey by design): those must be refused.
    const size_t surelyShort = f.bytes.size() * 2 / 5;
    size_t refused = 0;
    for (size_t n = 0; n < f.bytes.size(); ++n) {
        const std::vector<char> block(f.bytes.begin(), f.bytes.begin() + static_cast<long>(n));
        const char* data = n ? block.data() : "";
        hostile::Watchdog watch(f.name + " cut at " + std::to_string(n));
        FileInfoRecord info{};
        const int probed = K_FileInfoMemory(data, &info, static_cast<int>(n));
        ASSERT_TRUE(probed == K_OK || probed < 0) << "cut at " << n << ": " << probed;

        BitmapRecord b{};
        int rows = 0;
        const int loaded =
            K_LoadMemory(data, &b, 0, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, CountRows, &rows, static_cast<int>(n));
        if (loaded == K_OK) {
            // A cut that still loads (trailing bytes a reader does not
            // need) is the whole picture.
            EXPECT_EQ(b.Width, width) << "cut at " << n;
            EXPECT_EQ(std::abs(b.Height), height) << "cut at " << n;
        } else {
            ASSERT_LT(loaded, 0) << "cut at " << n;
            if (n < surelyShort) ++refused;
        }
        EXPECT_LE(rows, height) << "cut at " << n;
        K_FreeBitmap(&b);
    }
    EXPECT_EQ(refused, surelyShort);
}

INSTANTIATE_TEST_SUITE_P(Formats, Prefixes, testing::ValuesIn(hostile::FormatNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
