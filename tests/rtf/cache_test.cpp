#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "rtf_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kDoc = HelpDocument(
    "{\\stylesheet{\\s1\\fs20\\b Strong;}}"
    "#{\\footnote First}${\\footnote The first}\\plain One \\s1 strong\\par\\page\n"
    "\\f1 #{\\footnote Second}K{\\footnote keys}\\plain\\f1\\cf2 Two\\par}");

void ExpectSameDocument(const RtfDocument& a, const RtfDocument& b) {
    EXPECT_EQ(a.colours, b.colours);
    ASSERT_EQ(a.fonts.size(), b.fonts.size());
    for (size_t i = 0; i < a.fonts.size(); ++i) {
        EXPECT_EQ(a.fonts[i].name, b.fonts[i].name);
        EXPECT_EQ(a.fonts[i].number, b.fonts[i].number);
    }
    ASSERT_EQ(a.styles.size(), b.styles.size());
    for (size_t i = 0; i < a.styles.size(); ++i) EXPECT_EQ(a.styles[i].definition, b.styles[i].definition);
    ASSERT_EQ(a.topics.size(), b.topics.size());
    for (size_t i = 0; i < a.topics.size(); ++i) {
        EXPECT_EQ(a.topics[i].name, b.topics[i].name);
        EXPECT_EQ(a.topics[i].title, b.topics[i].title);
        EXPECT_EQ(a.topics[i].keywords, b.topics[i].keywords);
        EXPECT_EQ(a.topics[i].offset, b.topics[i].offset);
        EXPECT_TRUE(a.topics[i].state == b.topics[i].state) << i;
    }
    EXPECT_EQ(a.headerEnd, b.headerEnd);
}

// The bytes with their trailing CRC-32 recomputed, as a forger would.
std::string WithCrc(std::string body) {
    body.resize(body.size() - 4);
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : body) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc ^= 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i) body += char((crc >> (8 * i)) & 0xFF);
    return body;
}

void Touch(const std::string& path, int seconds) {
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(seconds));
}

TEST(RtfCache, WrittenThenReadInsteadOfParsing) {
    ViewFixture f(kDoc);
    ASSERT_TRUE(CacheIsValid(f.rtf, f.rtc));
    EXPECT_FALSE(fs::exists(f.rtc + ".tmp"));
    std::string bytes = ReadFileBytes(f.rtc);
    EXPECT_EQ(bytes.substr(0, 16), std::string("RTF4doc.rtf\0\0\0\0\0", 16));
    RtfDocument parsed = f.view.Document();
    ExpectSameDocument(parsed, parsed);

    // A title changed in the cache (checksum mended) shows that the second
    // load reads the cache and not the document.
    size_t title = bytes.find("The first");
    ASSERT_NE(title, std::string::npos);
    bytes[title + 8] = 'T';
    WriteFileBytes(f.rtc, WithCrc(bytes));
    parsed.topics[0].title = "The firsT";
    TrtfView second(f.host);
    second.LoadDocument(f.rtf, f.rtc);
    ExpectSameDocument(second.Document(), parsed);
    EXPECT_EQ(second.Document().fonts[0].name, second.FontName);
    EXPECT_EQ(second.Document().topics[1].state.font, 2);  // rebound by number
    EXPECT_TRUE(second.ShowTopic("Second"));
    EXPECT_EQ(second.ClipboardText(), "Two\r\n");
}

TEST(RtfCache, DamagedOrStaleCachesAreNeverTrusted) {
    ViewFixture f(kDoc);
    const std::string good = ReadFileBytes(f.rtc);
    RtfDocument parsed = f.view.Document();
    struct Case {
        const char* what;
        std::function<void()> damage;
    } cases[] = {
        {"cut short", [&] { WriteFileBytes(f.rtc, good.substr(0, good.size() - 9)); }},
        {"head only", [&] { WriteFileBytes(f.rtc, good.substr(0, 24)); }},
        {"byte flipped",
         [&] {
             std::string b = good;
             b[b.size() / 2] ^= 0x40;
             WriteFileBytes(f.rtc, b);
         }},
        {"signature",
         [&] {
             std::string b = good;
             b[3] = '3';
             WriteFileBytes(f.rtc, b);
         }},
        {"empty", [&] { WriteFileBytes(f.rtc, ""); }},
        {"trailing byte", [&] { WriteFileBytes(f.rtc, good + "x"); }},
        // The document changed without changing its size: its time tells.
        {"same size, new time",
         [&] {
             std::string d = ReadFileBytes(f.rtf);
             d[d.find("One")] = 'U';
             WriteFileBytes(f.rtf, d);
             Touch(f.rtf, 5);
         }},
        {"other size", [&] { WriteFileBytes(f.rtf, kDoc + " "); }},
    };
    const auto written = fs::last_write_time(f.rtf);
    for (const Case& c : cases) {
        WriteFileBytes(f.rtf, kDoc);
        fs::last_write_time(f.rtf, written);
        WriteFileBytes(f.rtc, good);
        ASSERT_TRUE(CacheIsValid(f.rtf, f.rtc)) << c.what;
        c.damage();
        EXPECT_FALSE(CacheIsValid(f.rtf, f.rtc)) << c.what;
        TrtfView view(f.host);
        view.LoadDocument(f.rtf, f.rtc);
        // Parsed afresh and the cache rewritten whole.
        EXPECT_TRUE(CacheIsValid(f.rtf, f.rtc)) << c.what;
        EXPECT_EQ(view.Document().topics.size(), parsed.topics.size()) << c.what;
    }
}

TEST(RtfCache, HostileCacheWithValidChecksumIsRejected) {
    // A cache whose counts and offsets point past its end or the document's,
    // with a correct checksum: the bounded reader refuses it.
    ViewFixture f(kDoc);
    std::string good = ReadFileBytes(f.rtc);
    ASSERT_EQ(WithCrc(good), good);
    std::string huge = good;
    huge[24] = char(0xFF), huge[25] = char(0xFF), huge[26] = char(0xFF), huge[27] = char(0x7F);  // colour count
    std::string farOffset = good;
    size_t headerEnd = farOffset.size() - 8;
    farOffset[headerEnd + 3] = 0x10;  // header end beyond the document
    for (const std::string& bad : {WithCrc(huge), WithCrc(farOffset)}) {
        WriteFileBytes(f.rtc, bad);
        RtfDocument doc;
        doc.Reset("x");
        EXPECT_FALSE(doc.ReadCache(f.rtf, f.rtc));
        EXPECT_TRUE(doc.topics.empty());
    }
}

TEST(RtfCache, LongNamesAndLongStrings) {
    // A name longer than the 12-character field never validates: parsed each time.
    ViewFixture f(HelpDocument("#{\\footnote " + std::string(300, 'n') + "}Body\\par"), 400, 300, "longer_name_doc");
    EXPECT_FALSE(CacheIsValid(f.rtf, f.rtc));
    EXPECT_EQ(f.view.Document().topics[0].name.size(), 300u);
    // Strings past 255 characters are cut to 255, not to their length modulo 256.
    ViewFixture g(HelpDocument("#{\\footnote " + std::string(300, 'n') + "}Body\\par"), 400, 300, "short");
    TrtfView second(g.host);
    second.LoadDocument(g.rtf, g.rtc);
    ASSERT_TRUE(CacheIsValid(g.rtf, g.rtc));
    EXPECT_EQ(second.Document().topics[0].name, std::string(255, 'n'));
}

TEST(RtfCache, MissingDocumentKeepsTheView) {
    ViewFixture f(kDoc);
    f.view.GoContents();
    f.view.LoadDocument(f.dir + "/absent.rtf", f.dir + "/absent.rtc");
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0], "File Read Error: Can't open file");
    EXPECT_EQ(f.view.FileName(), f.rtf);
    EXPECT_EQ(f.view.Document().topics.size(), 2u);
    EXPECT_FALSE(f.view.Lines().empty());
    EXPECT_EQ(f.host.waits, 0);
}

}  // namespace
