#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtf_lexer.h"

namespace {

struct Token {
    std::string text;
    int result;
    int type;  // the control type after the token
    bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Token& t) {
    return os << "{\"" << t.text << "\", " << t.result << ", " << t.type << "}";
}

std::vector<Token> Scan(const std::string& text) {
    LexMemoryInput input(text);
    RtfLexer lexer;
    lexer.SetInput(&input);
    lexer.Seek(0);
    std::vector<Token> out;
    for (;;) {
        int r = lexer.NextToken();
        if (lexer.Text().empty()) break;
        out.push_back({lexer.Text(), r, lexer.ControlType()});
    }
    EXPECT_FALSE(lexer.Failed());
    return out;
}

TEST(RtfLexer, ControlWordForms) {
    struct Case {
        const char* input;
        std::vector<Token> tokens;
    } cases[] = {
        {"\\b x", {{"\\b ", 1, rtB}, {"x", 0, rtB}}},
        {"\\b0x", {{"\\b0", 1, rtB}, {"x", 0, rtB}}},
        // A number and the blank after it belong to the word: "\b0 " is bold off.
        {"\\b0 x", {{"\\b0 ", 1, rtB}, {"x", 0, rtB}}},
        {"\\b1", {{"\\b1", 1, rtB}}},
        {"\\li720 ", {{"\\li720 ", 1, rtLi}}},
        {"\\li720", {{"\\li720", 1, rtLi}}},
        {"\\li ", {{"\\li ", 1, rtLi}}},
        {"\\up6", {{"\\up6", 1, rtUp}}},
        {"\\up6 ", {{"\\up6 ", 1, rtUp}}},
        {"\\up ", {{"\\up ", 1, rtOther}}},
        {"\\f ", {{"\\f ", 1, rtOther}}},
        {"\\fs24 ", {{"\\fs24 ", 1, rtFs}}},
        {"\\pard2", {{"\\pard2", 1, rtOther}}},
        {"\\pard\\plain ", {{"\\pard", 1, rtPard}, {"\\plain ", 1, rtPlain}}},
        {"\\par", {{"\\par", 1, rtOther}}},
        {"\\brspn-20", {{"\\brspn-20", 1, rtBrspn}}},
        {"\\{bmc a.bmp\\}",
         {{"\\{bmc", 1, rtPicture}, {" ", 0, rtPicture}, {"a.bmp", 0, rtPicture}, {"}", 0, rtPicture}}},
        {"\\{bm x", {{"{", 0, 0}, {"bm", 0, 0}, {" ", 0, 0}, {"x", 0, 0}}},
        // The type stays across braces.
        {"\\i{}", {{"\\i", 1, rtI}, {"{", 1, rtI}, {"}", 1, rtI}}},
        // A tab is a word of its own and clears the type, so a consumer that
        // applies it cannot re-apply the word before it.
        {"\\fs40\tX", {{"\\fs40", 1, rtFs}, {"\\tab", 1, rtOther}, {"X", 0, rtOther}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Scan(c.input), c.tokens) << c.input;
}

TEST(RtfLexer, TextRunsAndEscapes) {
    struct Case {
        std::string input;
        std::vector<std::string> texts;
    } cases[] = {
        {"ab\\'e9cd",
         {"ab\xe9"
          "cd"}},
        {"\\'e9", {"\xe9"}},
        {"a\\'zzb", {"a b"}},
        {"a\\\\b", {"a\\\\b"}},
        {"\\{x\\}", {"{", "x", "}"}},
        // Line ends never reach a token; inside text they join it.
        {"Hel\r\nlo", {"Hello"}},
        // ... but they end a control word: "\par" and the next line's text stay apart.
        {"\\par\r\nText", {"\\par", "Text"}},
        {"\\par\nText", {"\\par", "Text"}},
        // Control characters are dropped; a lone backslash too.
        {"a\x01"
         "b\\~c",
         {"a", "b", "~c"}},
        // "\*" skips its group and reports its closing brace.
        {"{\\*\\generator Writer {nested} 1;}after", {"{", "}", "after"}},
        {"{\\*\\x a\\}b}c", {"{", "}", "c"}},
        // An asterisk in text is text: "5 * 3" keeps every word.
        {"{5 * 3}", {"{", "5", " ", "*", " ", "3", "}"}},
        {"{* x}", {"{", "*", " ", "x", "}"}},
        // A footnote mark and its group arrive as one word ...
        {"#{\\footnote # Name}", {"#{\\footnote ", "#", " ", "Name", "}"}},
        {"K{\\footnote x}", {"K{\\footnote ", "x", "}"}},
        // ... and a mark before any other group is text, the group intact.
        {"OK {\\b x}", {"OK", " ", "{", "\\b ", "x", "}"}},
        {" K{\\i x}", {" ", "K", "{", "\\i ", "x", "}"}},
        {"B{x}", {"B", "{", "x", "}"}},
        // An unbalanced skipped group ends at the end of the input.
        {"{\\*\\x {{", {"{", "}"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> texts;
        for (const Token& t : Scan(c.input)) texts.push_back(t.text);
        EXPECT_EQ(texts, c.texts) << c.input;
    }
}

TEST(RtfLexer, LongRunsAreCutAt200) {
    std::string run(450, 'a');
    std::vector<Token> tokens = Scan(run);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].text.size(), 200u);
    EXPECT_EQ(tokens[1].text.size(), 200u);
    EXPECT_EQ(tokens[2].text.size(), 50u);
    // An escape is never split across the cut.
    std::string escaped = std::string(198, 'a') + "\\'41b";
    tokens = Scan(escaped);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].text, std::string(198, 'a'));
    EXPECT_EQ(tokens[1].text, "Ab");
    // A word longer than 200 letters goes on as text.
    tokens = Scan("\\" + std::string(250, 'x'));
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].text.size(), 200u);
    EXPECT_EQ(tokens[1].text, std::string(51, 'x'));
}

TEST(RtfLexer, PositionCountsLineEndsAndPushBack) {
    std::string doc = "\\par\r\n\r\nHello {x}";
    LexMemoryInput input(doc);
    RtfLexer lexer;
    lexer.SetInput(&input);
    lexer.Seek(0);
    lexer.NextToken();
    EXPECT_EQ(lexer.Text(), "\\par");
    lexer.NextToken();
    EXPECT_EQ(lexer.Text(), "Hello");
    EXPECT_EQ(lexer.Position(), long(doc.find(' ', 8)));
    EXPECT_TRUE(lexer.PushBack("\\b abc"));
    EXPECT_EQ(lexer.Position(), long(doc.find(' ', 8)) - 6);
    EXPECT_EQ(lexer.NextToken(), 1);
    EXPECT_EQ(lexer.Text(), "\\b ");
    lexer.NextToken();
    EXPECT_EQ(lexer.Text(), "abc");
    // A seek starts afresh anywhere.
    lexer.Seek(long(doc.find('{')));
    lexer.NextToken();
    EXPECT_EQ(lexer.Text(), "{");
}

// More pushed back than the stack holds stops the lexer and tells its
// caller (the program goes on); a seek starts it again. Two lexers do not
// share their state.
TEST(RtfLexer, PushBackOverflowIsReportedNotFatal) {
    std::string doc = "{\\b bold} text";
    LexMemoryInput input(doc), other(doc);
    RtfLexer lexer, second;
    lexer.SetInput(&input);
    lexer.Seek(0);
    second.SetInput(&other);
    second.Seek(0);
    EXPECT_TRUE(lexer.PushBack(std::string(2000, 'a')));
    EXPECT_FALSE(lexer.PushBack(std::string(100, 'b')));
    EXPECT_TRUE(lexer.Failed());
    EXPECT_EQ(lexer.Error(), "input buffer overflow");
    EXPECT_EQ(lexer.NextToken(), 0);
    EXPECT_TRUE(lexer.Text().empty());
    EXPECT_EQ(second.NextToken(), 1);
    EXPECT_EQ(second.Text(), "{");
    EXPECT_FALSE(second.Failed());
    lexer.Seek(0);
    EXPECT_FALSE(lexer.Failed());
    EXPECT_EQ(lexer.NextToken(), 1);
    EXPECT_EQ(lexer.Text(), "{");
    EXPECT_EQ(lexer.NextToken(), 1);
    EXPECT_EQ(lexer.Text(), "\\b ");
}

TEST(RtfLexer, EndOfInputAndNulByte) {
    EXPECT_TRUE(Scan("").empty());
    EXPECT_EQ(Scan(std::string("ab\0cd", 5)).size(), 1u);  // a byte 0 ends the scan
    // A backslash at the very end is dropped.
    ASSERT_EQ(Scan("ab\\").size(), 1u);
}

TEST(RtfLexer, ParseRtfNumber) {
    struct Case {
        const char* text;
        int32_t def, expected;
    } cases[] = {
        {"\\fs24", 0, 24},
        {"\\li-360 ", 0, -360},
        {"\\b", 7, 7},
        {"\\red+5", 0, 5},
        {"1-2", 9, 9},
        {"--5", 9, 9},
        {"2147483647", 0, 2147483647},
        {"2147483648", 3, 3},
        {"-2147483648", 0, -2147483647},
        {"99999999999999", 4, 4},
        {"", 1, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseRtfNumber(c.text, c.def), c.expected) << c.text;
}

}  // namespace
