// WFX paged fax: hand-made files from the published page layout with the
// peers' coded data; pages we add, with their headers, previews and page
// counts; the fax-page normalisation; files we refuse to add to.
#include <gtest/gtest.h>

#include <cstring>

#include "fax_test_util.h"

namespace {

constexpr int kHeader = 128;

// One page as the layout has it: header, coded data (bytes bit-reversed),
// preview, further bytes.
std::string WfxPage(int position, int width, int height, bool group4, const std::string& coded, int pages,
                    int previewBytes = 0, int previewRows = 0, int further = 0, int magic = 100) {
    std::string h(kHeader, '\0');
    h[0] = 11;
    h[1] = 35;
    h[2] = static_cast<char>(magic);
    h.replace(3, 2, Le16s(width));
    h.replace(5, 2, Le16s(height));
    h[7] = group4 ? 1 : 0;
    const unsigned data = position + kHeader;
    h.replace(89, 4, Le32s(data));
    h.replace(97, 4, Le32s(data + static_cast<unsigned>(coded.size())));
    h.replace(101, 2, Le16s(pages));
    h.replace(105, 4, Le32s(further));
    h[113] = static_cast<char>(previewBytes);
    h[114] = static_cast<char>(previewRows);
    h[115] = 1;
    h.replace(116, 4, Le32s(static_cast<unsigned>(coded.size())));
    h[122] = 1;
    return h + coded + std::string(previewBytes * previewRows, '\x55') + std::string(further, '\x77');
}

// A two-page file: a Group 3 page with a preview and further bytes, then a
// Group 4 page.
std::string TwoPages(const Bits& first, const Bits& second) {
    // netpbm stores the first bit lowest, as WFX does.
    std::string p1 = WfxPage(0, first.width, first.height, false, PeerG3(first, "wfx1", false), 2, 4, 3, 7, 200);
    const std::string g4 = ReverseAll(PeerG4(second, "wfx2"));
    return p1 + WfxPage(static_cast<int>(p1.size()), second.width, second.height, true, g4, 2);
}

TEST(WfxReader, HandMadePagesLoad) {
    const Bits first = PatternBits(320, 40), second = PatternBits(208, 61);
    const std::string path = TestTempPath("two.wfx");
    WriteFileBytes(path, TwoPages(first, second));
    struct Case {
        int asked, reached, format;
        const Bits* picture;
    } cases[] = {{1, 1, 69, &first}, {2, 2, 70, &second}, {4, 2, 70, &second}};
    for (const Case& c : cases) {
        PageOption page(c.asked);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, c.format);
        EXPECT_EQ(info.PageNumber, c.reached);
        EXPECT_EQ(info.Width, c.picture->width);
        EXPECT_EQ(info.XResolution, 204);
        EXPECT_EQ(info.YResolution, 196);
        EXPECT_STREQ(info.Compression, c.format == 70 ? "CCITT Group 4 Fax" : "CCITT Group 3 Fax");
        RecordGuard r;
        ASSERT_EQ(LoadInto(path, r.get()), K_OK);
        EXPECT_EQ(r.get()->FormatCode, c.format);
        EXPECT_TRUE(SameBits(RecordBits(r.get()), *c.picture)) << c.asked;
    }
}

TEST(WfxReader, BrokenFiles) {
    const Bits first = PatternBits(320, 40), second = PatternBits(208, 61);
    const std::string good = TwoPages(first, second);
    const size_t second_at = good.size() - (kHeader + ReverseAll(PeerG4(second, "wfx2")).size());
    struct Case {
        const char* what;
        size_t at;
        std::string bytes;
        int page;
        int result;
    } cases[] = {
        {"bad magic", 2, "\x65", 1, K_ERR_FORMAT},
        {"no width", 3, std::string(2, '\0'), 1, K_ERR_FORMAT},
        {"no height", 5, std::string(2, '\0'), 1, K_ERR_FORMAT},
        {"data beyond the file", 89, Le32s(0x7FFFFF00), 1, -73},
        {"coded length out of reach: page 2 is not found", 116, Le32s(0xFFFFFF00), 2, K_OK},
        {"second header broken: the first page counts", second_at, "\x0c", 2, K_OK},
    };
    for (const Case& c : cases) {
        std::string s = good;
        s.replace(c.at, c.bytes.size(), c.bytes);
        const std::string path = TestTempPath("broken.wfx");
        WriteFileBytes(path, s);
        PageOption page(c.page);
        RecordGuard r;
        EXPECT_EQ(LoadInto(path, r.get()), c.result) << c.what;
        if (c.result == K_OK) {
            EXPECT_TRUE(SameBits(RecordBits(r.get()), first)) << c.what;
        }
    }
    const std::string path = TestTempPath("short.wfx");
    WriteFileBytes(path, good.substr(0, 100));
    FileInfoRecord info;
    EXPECT_EQ(K_FileInfo(path.c_str(), &info), K_ERR_FORMAT);
    WriteFileBytes(path, good.substr(0, kHeader + 30));
    RecordGuard r;
    EXPECT_EQ(LoadInto(path, r.get()), -73);
}

// A page of the picture centred at the top of a normalised page.
Bits OnPage(const Bits& picture, int pageHeight) {
    Bits page = BlankBits(1728, pageHeight);
    const int left = (1728 - picture.width) / 2;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.Black(x, y)) page.Set(left + x, y);
    return page;
}

TEST(WfxWriter, PagesAddedReadBackWithTheirCounts) {
    // At 204 x 196 dpi the normalisation leaves the picture's size alone.
    const Bits pictures[3] = {PatternBits(400, 100), PatternBits(1728, 130), PatternBits(17, 5)};
    const int formats[3] = {69, 70, 69};
    const std::string path = TestTempPath("added.wfx");
    std::remove(path.c_str());
    for (int i = 0; i < 3; ++i) {
        RecordGuard r;
        MakeBitsRecord(pictures[i], r.get(), i == 1, i == 2 ? K_BOTTOM_UP : K_TOP_DOWN);
        r.get()->XResolution = 204;
        r.get()->YResolution = 196;
        ASSERT_EQ(K_SaveFile(path.c_str(), r.get(), formats[i], 1, 0, i ? K_SAVE_ADD_PAGE : 0, nullptr, nullptr), K_OK);
    }
    const std::string s = ReadFileBytes(path);
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_LE(at + kHeader, s.size());
        const int height = (pictures[i].height + 127) / 128 * 128;
        EXPECT_EQ(s.substr(at, 3), "\x0b\x23\x64");
        EXPECT_EQ(Le16At(s, at + 3), 1728u);
        EXPECT_EQ(Le16At(s, at + 5), unsigned(height));
        EXPECT_EQ(s[at + 7], formats[i] == 70 ? 1 : 0);
        EXPECT_EQ(Le16At(s, at + 101), 3u) << "page count in header " << i;
        EXPECT_EQ(Le32At(s, at + 89), at + kHeader);
        const unsigned coded = Le32At(s, at + 116);
        EXPECT_EQ(Le32At(s, at + 97), at + kHeader + coded);
        EXPECT_EQ(static_cast<unsigned char>(s[at + 113]), 14);  // 108 cells: 14 bytes, even
        EXPECT_EQ(static_cast<unsigned char>(s[at + 114]), height / 16);
        EXPECT_EQ(s[at + 115], 1);
        EXPECT_EQ(s[at + 122], 1);
        // The coded data alone, as libtiff decodes it.
        const std::string data = s.substr(at + kHeader, coded);
        const Bits expected = OnPage(pictures[i], height);
        EXPECT_TRUE(
            SameBits(Fax2TiffBits(data, 1728, height, formats[i] == 70 ? "-4 -L" : "-3 -1 -L", "page"), expected))
            << i;
        PageOption page(i + 1);
        RecordGuard back;
        ASSERT_EQ(LoadInto(path, back.get()), K_OK);
        EXPECT_TRUE(SameBits(RecordBits(back.get()), expected)) << i;
        at += kHeader + coded +
              static_cast<size_t>(static_cast<unsigned char>(s[at + 113])) * static_cast<unsigned char>(s[at + 114]);
    }
    EXPECT_EQ(at, s.size());
}

// Rows of a record through the save row callback (no normalisation).
int KAPI RowsOf(BitmapRecord* bitmap, unsigned char* buffer, int row, int count, void* user) {
    auto* source = static_cast<BitmapRecord*>(user);
    K_AccessBitmap(source);
    const int got = K_GetBitmapRow(source, buffer, row, source->BytesPerLine * count);
    K_ReleaseBitmap(source);
    return got < 0 ? got : K_OK;
}

TEST(WfxWriter, WidthRoundedDownTo16) {
    const Bits picture = PatternBits(1700, 20);
    RecordGuard r;
    MakeBitsRecord(picture, r.get());
    const std::string path = TestTempPath("narrower.wfx");
    ASSERT_EQ(K_SaveFile(path.c_str(), r.get(), 69, 1, 0, 0, RowsOf, r.get()), K_OK);
    const std::string s = ReadFileBytes(path);
    EXPECT_EQ(Le16At(s, 3), 1696u);
    Bits cut = BlankBits(1696, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 1696; ++x)
            if (picture.Black(x, y)) cut.Set(x, y);
    RecordGuard back;
    ASSERT_EQ(LoadInto(path, back.get()), K_OK);
    EXPECT_TRUE(SameBits(RecordBits(back.get()), cut));
}

TEST(WfxWriter, PreviewCellsDiffused) {
    // Three cells with 10 black pixels each: 10 and 10 + 4 carried stay
    // light, 10 + 6 carried reaches 16 and turns dark; the error of that
    // (16 - 256) keeps the white cells after it light.
    Bits picture = BlankBits(256, 16);
    for (int cell = 0; cell < 3; ++cell)
        for (int y = 0; y < 10; ++y) picture.Set(16 * cell + 3, y);
    RecordGuard r;
    MakeBitsRecord(picture, r.get());
    const std::string path = TestTempPath("preview.wfx");
    ASSERT_EQ(K_SaveFile(path.c_str(), r.get(), 70, 1, 0, 0, RowsOf, r.get()), K_OK);
    const std::string s = ReadFileBytes(path);
    ASSERT_EQ(s[113], 2);
    ASSERT_EQ(s[114], 1);
    ASSERT_EQ(s.size(), Le32At(s, 97) + 2);
    EXPECT_EQ(s.substr(Le32At(s, 97)), "\xdf\xff");
}

TEST(WfxWriter, RefusesToDestroyOtherFiles) {
    const Bits picture = PatternBits(64, 20);
    RecordGuard r;
    MakeBitsRecord(picture, r.get());
    const std::string path = TestTempPath("not-a-fax.txt");
    const std::string text = "a letter that is not a fax, long enough to hold a header, " + std::string(200, 'x');
    WriteFileBytes(path, text);
    EXPECT_EQ(K_SaveFile(path.c_str(), r.get(), 69, 1, 0, K_SAVE_ADD_PAGE, RowsOf, r.get()), K_ERR_FORMAT);
    {
        PageOption page(2);
        EXPECT_EQ(K_SaveFile(path.c_str(), r.get(), 70, 1, 0, 0, RowsOf, r.get()), K_ERR_FORMAT);
    }
    EXPECT_EQ(ReadFileBytes(path), text);
    // An empty file, or none, starts a new one.
    WriteFileBytes(path, "");
    EXPECT_EQ(K_SaveFile(path.c_str(), r.get(), 69, 1, 0, K_SAVE_ADD_PAGE, RowsOf, r.get()), K_OK);
    EXPECT_EQ(Le16At(ReadFileBytes(path), 101), 1u);
    // Narrower than one preview cell: no width to store.
    RecordGuard narrow;
    MakeBitsRecord(PatternBits(15, 4), narrow.get());
    EXPECT_EQ(K_SaveFile(path.c_str(), narrow.get(), 69, 1, 0, 0, RowsOf, narrow.get()), K_ERR_SIZE);
    EXPECT_EQ(K_SaveFile(path.c_str(), r.get(), 69, 8, 0, 0, RowsOf, r.get()), K_ERR_BITS);
}

int KAPI StopAtOnce(int) { return 0; }

TEST(WfxNormalize, FaxPages) {
    struct Case {
        int width, height, bits, dpi;
        int pageWidth, pictureHeight;
    } cases[] = {
        {3000, 100, 24, 200, 1728, 100 * 196 / 200 * 1728 / (3000 * 204 / 200)},
        {204, 98, 1, 204, 204, 98 * 196 / 204},
        {100, 50, 8, 0, 100 * 204 / 150, 50 * 196 / 150},  // no resolution: 150 dpi
        {20000, 1, 1, 204, 1728, 1},                       // the height would scale to 0
        {1, 1, 4, 3000, 1, 1},                             // the width would scale to 0
    };
    for (const Case& c : cases) {
        RecordGuard r;
        ASSERT_EQ(K_CreateBitmap(r.get(), K_STORAGE_ANY, c.width, c.height, c.bits, 1, nullptr, 2), K_OK);
        ASSERT_EQ(K_FillBitmap(r.get(), 0), K_OK);
        r.get()->XResolution = r.get()->YResolution = c.dpi;
        RecordGuard page;
        ASSERT_EQ(K_NormalizeWFXBitmap(r.get(), page.get()), K_OK) << c.width;
        EXPECT_EQ(page.get()->Width, 1728);
        EXPECT_EQ(page.get()->BitsPerPixel, 1);
        EXPECT_EQ(page.get()->Height % 128, 0);
        EXPECT_GE(page.get()->Height, c.pictureHeight);
        EXPECT_EQ(page.get()->XResolution, 204);
        EXPECT_EQ(page.get()->YResolution, 196);
        // The black picture, centred at the top; white around it.
        const Bits bits = RecordBits(page.get());
        const int pictureWidth = c.pageWidth < 1728 ? c.pageWidth : 1728;
        const int left = (1728 - pictureWidth) / 2;
        EXPECT_TRUE(bits.Black(left, 0)) << c.width;
        EXPECT_TRUE(bits.Black(left + pictureWidth - 1, c.pictureHeight - 1)) << c.width;
        EXPECT_FALSE(bits.Black(left + pictureWidth - 1, c.pictureHeight)) << c.width;
        if (left > 0) {
            EXPECT_FALSE(bits.Black(left - 1, 0));
        }
        EXPECT_EQ(r.get()->Width, c.width);  // the source stays
    }
    // A null target: the page replaces the bitmap. The inner steps run
    // without the status callback, which would stop them, and it is back
    // afterwards.
    RecordGuard r;
    ASSERT_EQ(K_CreateBitmap(r.get(), K_STORAGE_ANY, 300, 30, 8, 1, nullptr, 0), K_OK);
    K_SetStatusCallBack(StopAtOnce);
    const int result = K_NormalizeWFXBitmap(r.get(), nullptr);
    EXPECT_EQ(K_SetStatusCallBack(nullptr), StopAtOnce);
    ASSERT_EQ(result, K_OK);
    EXPECT_EQ(r.get()->Width, 1728);
    EXPECT_EQ(r.get()->Height, 128);
    RecordGuard none;
    EXPECT_EQ(K_NormalizeWFXBitmap(none.get(), nullptr), K_ERR_NOBITMAP);
}

}  // namespace
