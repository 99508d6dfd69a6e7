#include <gtest/gtest.h>

#include <functional>

#include "rtf_document.h"
#include "rtf_fixture.h"
#include "rtf_lexer.h"

namespace {

RtfDocument Parse(const std::string& text) {
    LexMemoryInput input(text);
    RtfLexer lexer;
    lexer.SetInput(&input);
    lexer.Seek(0);
    RtfDocument doc;
    doc.Reset("View Font");
    EXPECT_TRUE(doc.Parse(lexer));
    return doc;
}

// A lexer that gave up ends the parse, which says so (the view then keeps
// no cache of it); the topics found so far stay.
TEST(RtfDocument, ParseReportsTheLexersFailure) {
    std::string text = "{\\rtf1 Hello\\par}";
    LexMemoryInput input(text);
    RtfLexer lexer;
    lexer.SetInput(&input);
    lexer.Seek(0);
    ASSERT_FALSE(lexer.PushBack(std::string(3000, 'x')));
    RtfDocument doc;
    doc.Reset("View Font");
    EXPECT_FALSE(doc.Parse(lexer));
    EXPECT_EQ(doc.topics.size(), 1u);
}

TEST(RtfDocument, PlainDocumentIsOneContentsTopic) {
    RtfDocument doc = Parse("{\\rtf1 Hello\\par}");
    ASSERT_EQ(doc.topics.size(), 1u);
    EXPECT_EQ(doc.topics[0].name, "Contents");
    EXPECT_EQ(doc.topics[0].offset, 0);
    // The starting state is RTF's default, so text shows without a "\plain".
    const TRtfState& st = doc.topics[0].state;
    EXPECT_EQ(st.visible, 1);
    EXPECT_EQ(st.fontSize, 24);
    EXPECT_EQ(st.underlineKind, ulNone);
    EXPECT_EQ(st.backColor, kTransparentBack);
    EXPECT_EQ(st.defaultTab, 720);
    EXPECT_EQ(st.lineSpacing, 240);
}

TEST(RtfDocument, TablesAndTopics) {
    std::string text =
        "{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f3\\froman Times New Roman;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\green128;}"
        "{\\stylesheet{\\s0 Normal;}{\\s2\\fs20\\b Heading;}}\n"
        "#{\\footnote # First}${\\footnote First title}K{\\footnote a;b}B{\\footnote dropped}\\plain Text "
        "one\\par\\page\n"
        "#{\\footnote Second}+{\\footnote seq:1}\\f3\\fs30 Text two\\pagebb more\\par\\page\n"
        "No footnotes\\par}";
    RtfDocument doc = Parse(text);
    // Fonts after the view's own entry 0; number, family and charset kept.
    ASSERT_EQ(doc.fonts.size(), 3u);
    EXPECT_EQ(doc.fonts[0].name, "View Font");
    EXPECT_EQ(doc.fonts[1].name, "Arial");
    EXPECT_EQ(doc.fonts[1].family, 32);
    EXPECT_EQ(doc.fonts[2].name, "Times New Roman");
    EXPECT_EQ(doc.fonts[2].number, 3);
    EXPECT_EQ(doc.fonts[2].family, 16);
    // Red at index 0; the second entry leaves red and blue out and keeps index
    // 1's default components.
    EXPECT_EQ(doc.colours[0], 0x0000FFu);
    EXPECT_EQ(doc.colours[1], 0x008080u);
    EXPECT_EQ(doc.colours[2], RtfDocument::kDefaultColours[2]);
    ASSERT_EQ(doc.styles.size(), 2u);
    EXPECT_EQ(doc.styles[1].number, 2);
    EXPECT_EQ(doc.styles[1].definition, "\\fs20 \\b ");
    EXPECT_GT(doc.headerEnd, int32_t(text.find("{\\stylesheet")));
    EXPECT_LT(doc.headerEnd, int32_t(text.find('#')));

    // "\pagebb" (page break before) does not end a topic.
    ASSERT_EQ(doc.topics.size(), 3u);
    EXPECT_EQ(doc.topics[0].name, "First");
    EXPECT_EQ(doc.topics[0].title, "First title");
    EXPECT_EQ(doc.topics[0].keywords, "a;b");
    EXPECT_EQ(doc.topics[1].name, "Second");
    EXPECT_EQ(doc.topics[1].browse, "seq:1");
    EXPECT_EQ(doc.topics[2].name, "");
    // A topic's text starts right after its last footnote, in the state there
    // (not where the group around the footnotes closes: here the document's end).
    EXPECT_EQ(text.compare(size_t(doc.topics[0].offset), 10, "\\plain Tex"), 0);
    EXPECT_EQ(text.compare(size_t(doc.topics[1].offset), 4, "\\f3\\"), 0);
    EXPECT_EQ(text.compare(size_t(doc.topics[2].offset), 2, "No"), 0);
    // The second topic starts in the state the first left: plain, size 24.
    EXPECT_EQ(doc.topics[1].state.fontSize, 24);
    EXPECT_EQ(doc.topics[1].state.visible, 1);
}

TEST(RtfDocument, ApplyControlWords) {
    // Each input is applied to a plain state; the check reads one field.
    RtfDocument doc = Parse("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s5\\fs20\\b x;}}}");
    struct Case {
        const char* words;
        std::function<int(const TRtfState&)> field;
        int expected;
    } cases[] = {
        {"\\cf1 ", [](auto& s) { return int(s.textColor); }, 0x0000FF},
        {"\\cf1 \\cf0 ", [](auto& s) { return int(s.textColor); }, 0x0000FF},  // automatic: kept
        {"\\cf1 \\cf99 ", [](auto& s) { return int(s.textColor); }, 0x0000FF},
        {"\\cb2 ", [](auto& s) { return int(s.backColor); }, 0x000080},
        {"\\b ", [](auto& s) { return int(s.bold); }, 1},
        {"\\b\\b0 ", [](auto& s) { return int(s.bold); }, 0},
        {"\\v ", [](auto& s) { return int(s.visible); }, 0},
        {"\\v\\v0 ", [](auto& s) { return int(s.visible); }, 1},
        {"\\scaps ", [](auto& s) { return int(s.caps); }, 2},
        {"\\uldb ", [](auto& s) { return int(s.underlineKind); }, ulDouble},
        {"\\qc ", [](auto& s) { return int(s.alignment); }, paCentre},
        {"\\li720\\pard ", [](auto& s) { return s.leftIndent; }, 0},
        {"\\sl360 ", [](auto& s) { return s.lineSpacing; }, 360},
        // \linex spaces line numbers from the text: it leaves the line spacing.
        {"\\pard\\linex400 ", [](auto& s) { return s.lineSpacing; }, 240},
        {"\\box\\brdrt ", [](auto& s) { return s.borders; }, 17},
        {"\\dn4 ", [](auto& s) { return s.shift * 10 + s.shiftKind; }, 41},
        {"\\deftab ", [](auto& s) { return s.defaultTab; }, 720},
        {"\\fs40\t", [](auto& s) { return s.fontSize; }, 40},  // the tab does not re-apply \fs
        // A style pushes its words back: size 20 and bold follow.
        {"\\s5 ", [](auto& s) { return s.fontSize * 10 + s.bold; }, 201},
        {"\\s6 ", [](auto& s) { return s.fontSize; }, 24},
    };
    for (const Case& c : cases) {
        TRtfState st;
        RtfLexer lexer;
        lexer.SetControlType(rtPlain);
        ApplyControlWord(lexer, "\\plain", st, doc);
        std::string words = c.words;
        LexMemoryInput input(words);
        lexer.SetInput(&input);
        lexer.Seek(0);
        while (lexer.NextToken() == 1 && !lexer.Text().empty()) ApplyControlWord(lexer, lexer.Text(), st, doc);
        EXPECT_EQ(c.field(st), c.expected) << c.words;
    }
}

TEST(RtfDocument, FootnoteWithMarkAndBlank) {
    RtfDocument doc = Parse("{\\rtf1 #{\\footnote # Topic Name }Body}");
    EXPECT_EQ(doc.topics[0].name, "Topic Name");
    // A style definition is cut at whole words, 100 characters at most.
    std::string words;
    for (int i = 0; i < 30; ++i) words += "\\fs20";
    doc = Parse("{\\rtf1{\\stylesheet{\\s1" + words + " x;}}}");
    ASSERT_EQ(doc.styles.size(), 1u);
    EXPECT_LE(doc.styles[0].definition.size(), 100u);
    EXPECT_EQ(doc.styles[0].definition.size() % 6, 0u);
}

}  // namespace
