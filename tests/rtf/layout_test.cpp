// Line layout on the memory canvas: 96 dpi, 12-point text (the plain size)
// 6 pixels a character and 16 pixels a line (ascent 12, descent 4).
#include <gtest/gtest.h>

#include "rtf_fixture.h"

namespace {

using Lines = std::vector<std::string>;

Lines Layout(const std::string& body, int width) {
    ViewFixture f(HelpDocument(body), width);
    f.view.GoContents();
    return f.LineTexts();
}

TEST(RtfLayout, BreaksAtTwoWidths) {
    const std::string body = "\\plain aaa bbb ccc dddd\\par";
    // 18 + 6 + 18 = 42 fits 50; "ccc" would end at 66.
    EXPECT_EQ(Layout(body, 50), (Lines{"aaa _ bbb", "ccc _ dddd"}));
    EXPECT_EQ(Layout(body, 200), (Lines{"aaa _ bbb _ ccc _ dddd"}));
    // Too wide for any line: a line of its own, no empty line before it.
    EXPECT_EQ(Layout("\\plain a wwwwwwwwww b\\par", 30), (Lines{"a", "wwwwwwwwww", "b"}));
    EXPECT_EQ(Layout("\\plain wwwwwwwwww\\par", 30), (Lines{"wwwwwwwwww"}));
}

TEST(RtfLayout, ParagraphsAndTheLastLine) {
    // An empty paragraph is an empty line; text after the last "\par" is shown.
    EXPECT_EQ(Layout("\\plain one\\par\\par two\\par three", 200), (Lines{"one", "", "two", "three"}));
    // The header tables and document information never reach the page.
    EXPECT_EQ(Layout("{\\info{\\title T}{\\author A}}\\plain x\\par", 200), (Lines{"x"}));
}

TEST(RtfLayout, AlignmentAndIndents) {
    ViewFixture f(HelpDocument("\\plain\\qr ab\\par\\qc abcd\\par\\pard\\li720\\ri720\\fi-360 aaa bbb ccc\\par"), 120);
    f.view.GoContents();
    const auto& lines = f.view.Lines();
    ASSERT_EQ(f.LineTexts(), (Lines{"ab", "abcd", "aaa _ bbb", "ccc"}));
    // Flush with the right limit; centred with the remainder truncated.
    EXPECT_EQ(lines[0].indent, 120 - 12);
    EXPECT_EQ(lines[1].indent, (120 - 24) / 2);
    // Left indent 48, hanging first line at 24; right limit 120 - 96 = 24.
    EXPECT_EQ(lines[2].indent, 48 - 24);
    EXPECT_EQ(lines[3].indent, 48);
}

TEST(RtfLayout, JustifiedLinesButNotTheLast) {
    ViewFixture f(HelpDocument("\\plain\\qj aa bb cc dd ee\\par"), 70);
    f.view.GoContents();
    ASSERT_EQ(f.LineTexts(), (Lines{"aa _ bb _ cc _ dd", "ee"}));
    const TRTFLine& first = f.view.Lines()[0];
    // 4 words of 12 and 3 blanks of 6 = 66; 4 spare pixels over 3 blanks:
    // 1.33 -> 1, 1.67 -> 2, 1.0 -> 1 (the carry passes on).
    std::vector<int> blanks;
    int total = 0;
    for (TRTFElement* e : first.elements) {
        total += e->advance;
        if (dynamic_cast<TRTFSpace*>(e)) blanks.push_back(e->advance);
    }
    EXPECT_EQ(blanks, (std::vector<int>{7, 8, 7}));
    EXPECT_EQ(total, 70);
    for (TRTFElement* e : f.view.Lines()[1].elements) EXPECT_EQ(e->advance, e->width);
}

TEST(RtfLayout, TabsSpacingAndKeepRegion) {
    // Tabs stop at multiples of the default tab width (720 twips = 48 px).
    ViewFixture f(HelpDocument("\\plain a\\tab b\tc\\par"), 400);
    f.view.GoContents();
    const auto& e = f.view.Lines()[0].elements;
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[1]->advance, 48 - 6);
    EXPECT_EQ(e[3]->advance, 96 - 54);

    // Line spacing is a minimum height; space before the first line of a
    // paragraph and after its last.
    ViewFixture g(HelpDocument("\\plain\\sl480\\sb240\\sa120 a\\par"), 400);
    g.view.GoContents();
    const TRTFLine& line = g.view.Lines()[0];
    EXPECT_EQ(line.ascent, 12 + 16 + 16);
    EXPECT_EQ(line.descent, 4 + 8);

    // Only the leading kept lines are fixed; a later kept heading scrolls.
    ViewFixture k(HelpDocument("\\plain\\keepn Title\\par\\pard body\\par\\keepn Heading\\par\\pard more\\par"), 400);
    k.view.GoContents();
    EXPECT_EQ(k.LineTexts(), (Lines{"Title", "body", "Heading", "more"}));
    EXPECT_EQ(k.view.KeepLines(), 1);
    EXPECT_EQ(k.view.ScrollLines(), 3);
}

TEST(RtfLayout, HostileLengthsStayBounded) {
    // Lengths of two billion twips are cut to a page's 22 inches, so sums of
    // line heights cannot overflow.
    std::string body =
        "\\plain\\sb2000000000\\sa2000000000\\sl-2147483647\\li2000000000\\ri2000000000"
        "\\fi-2000000000\\fs2000000000 ";
    for (int i = 0; i < 100; ++i) body += "w\\par ";
    ViewFixture f(HelpDocument(body + "{\\pict\\picwgoal2000000000\\pichgoal2000000000\\picscalex2000000 00}"), 300,
                  200);
    f.view.GoContents();
    ASSERT_FALSE(f.view.Lines().empty());
    int64_t total = 0;
    for (const TRTFLine& line : f.view.Lines()) {
        EXPECT_LE(line.Height(), 4 * 22 * 96 + 3276 * 2);
        total += line.Height();
    }
    EXPECT_LT(total, int64_t(INT32_MAX));
    f.view.Paint(f.host.canvas);
    ASSERT_EQ(f.host.made.size(), 1u);
    EXPECT_EQ(f.host.made[0].width, 22 * 96);
}

}  // namespace
