// The fax containers beside TIFF: one Group 4 page (1728 x 2176, a typed
// page stand-in) saved as TIFF, CALS, WFX, IOCA in MO:DCA fields and
// headerless fax, each loaded through K_LoadFile with every row handed to
// a callback. The containers should add no more than 5% to the time of
// the same coded data in TIFF (the limit column: x limit >= 0.95). The
// loads take turns, round after round, and each time is the median
// processor time of its rounds (a shared machine's load then moves every
// format alike).
#include <ctime>

#include "bench.h"

namespace {

constexpr int kRounds = 15;
// A fax page as the WFX normalisation leaves it: 1728 wide, a multiple of
// 128 rows high.
constexpr int kWidth = 1728, kHeight = 2176;

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

int KAPI Discard(BitmapRecord*, unsigned char*, int, void*) { return 1; }

// Lines of "words": runs of strokes of a few widths, spaced like type.
void TypedPage(BitmapRecord* r) {
    const RGBQUAD palette[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    K_CreateBitmap(r, K_STORAGE_ANY, kWidth, kHeight, 1, K_ORDER_BGR, palette, K_TOP_DOWN);
    std::vector<unsigned char> row(r->BytesPerLine);
    unsigned seed = 7;
    auto next = [&] { return (seed = seed * 1103515245 + 12345) >> 16; };
    std::vector<int> strokes;
    K_AccessBitmap(r);
    for (int y = 0; y < kHeight; ++y) {
        const int line = y % 40;
        if (line == 0) {
            strokes.clear();
            for (int x = 100; x < kWidth - 100;) {
                const int word = 3 + next() % 8;
                for (int c = 0; c < word && x < kWidth - 100; ++c, x += 14) strokes.push_back(x + next() % 4);
                x += 20;
            }
        }
        std::fill(row.begin(), row.end(), 0);
        if (line >= 8 && line < 30 && y > 150 && y < kHeight - 150)
            for (size_t i = 0; i < strokes.size(); ++i) {
                const int x = strokes[i], w = 2 + (i + line / 4) % 4;
                for (int k = 0; k < w; ++k) row[(x + k) / 8] |= static_cast<unsigned char>(0x80 >> ((x + k) % 8));
            }
        K_PutBitmapRow(r, row.data(), y, r->BytesPerLine);
    }
    K_ReleaseBitmap(r);
    r->XResolution = 204;
    r->YResolution = 196;
}

int KAPI DescribeRaw(int, RawFaxInfo* info) {
    info->Format = 'D';
    info->Width = kWidth;
    info->Height = kHeight;
    info->BitsPerPixel = 1;
    info->XResolution = 204;
    info->YResolution = 196;
    info->Flags = K_FAX_TOP_DOWN;
    return 1;
}

bool Load(const std::string& path) {
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    const int result = K_LoadFile(path.c_str(), &r, 1, -1, 0, Discard, nullptr);
    K_FreeBitmap(&r);
    return result == 1;
}

}  // namespace

int main() {
    BitmapRecord page;
    K_InitBitmap(&page, 0, 0, 0);
    TypedPage(&page);
    struct Case {
        const char* name;
        const char* file;
        int format;
    } cases[] = {
        {"TIFF Group 4", "page.tif", 29},    {"CALS", "page.cal", 50},          {"WFX, Group 4", "page.wfx", 70},
        {"IOCA in MO:DCA", "page.ioca", 73}, {"headerless fax", "page.g4", 68},
    };
    K_SetLoadInfoCallback(DescribeRaw);
    std::vector<std::vector<double>> times(std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        if (K_SaveFile(bench::ScratchFile(cases[i].file).c_str(), &page, cases[i].format, 1, 0, 0, nullptr, nullptr) !=
            1) {
            bench::Note("%s could not be saved", cases[i].name);
            return 1;
        }
    for (int round = 0; round < kRounds; ++round)
        for (size_t i = 0; i < std::size(cases); ++i) {
            const double t0 = CpuSeconds();
            if (!Load(bench::ScratchFile(cases[i].file))) {
                bench::Note("%s could not be loaded", cases[i].name);
                return 1;
            }
            times[i].push_back((CpuSeconds() - t0) * 1e3);
        }
    const double tiff = bench::MedianOf(times[0]);
    for (size_t i = 1; i < std::size(cases); ++i)
        bench::Row(std::string(cases[i].name) + " load, fax page (CPU)")
            .Ours(bench::MedianOf(times[i]))
            .Limit("same in TIFF", tiff)
            .Print();
    K_SetLoadInfoCallback(nullptr);
    K_FreeBitmap(&page);
    return 0;
}
