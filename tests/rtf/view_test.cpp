#include <gtest/gtest.h>

#include "rtf_fixture.h"

namespace {

std::string Topic(const std::string& name, const std::string& body) {
    return "\\page\n#{\\footnote " + name + "}\\plain " + body + "\\par";
}

// Topics A, B, C; the first is the contents.
const std::string kThree =
    HelpDocument("\\plain\\keepn Contents\\par" + Topic("A", "Alpha") + Topic("B", "Beta") + Topic("C", "Gamma"));

TEST(RtfView, HistoryJumpsAndBack) {
    ViewFixture f(kThree);
    std::vector<std::string> jumped;
    f.view.OnJumped = [&](const std::string& t) { jumped.push_back(t); };
    f.view.GoBack();  // nothing to go back to
    EXPECT_TRUE(f.view.History().empty());
    f.view.GoContents();  // the first topic, named "Contents"
    EXPECT_EQ(f.view.History(), (std::vector<std::string>{"Contents"}));
    ASSERT_TRUE(f.view.JumpTo("A"));
    ASSERT_TRUE(f.view.JumpTo("B"));
    ASSERT_TRUE(f.view.JumpTo("B"));  // the topic shown: no new entry
    ASSERT_TRUE(f.view.JumpTo("C"));
    EXPECT_EQ(f.view.History(), (std::vector<std::string>{"Contents", "A", "B", "C"}));
    f.view.GoBack();
    EXPECT_EQ(f.view.TopicShown(), "B");
    EXPECT_EQ(f.view.History(), (std::vector<std::string>{"Contents", "A", "B"}));
    EXPECT_EQ(f.LineTexts(), (std::vector<std::string>{"Beta"}));
    // An unknown topic changes nothing.
    EXPECT_FALSE(f.view.JumpTo("nowhere"));
    EXPECT_EQ(f.view.TopicShown(), "B");
    EXPECT_EQ(f.LineTexts(), (std::vector<std::string>{"Beta"}));
    EXPECT_EQ(jumped, (std::vector<std::string>{"Contents", "A", "B", "B", "C", "B"}));
    // ... unless the view clears for it.
    f.view.ClearIfNone = true;
    EXPECT_TRUE(f.view.JumpTo("nowhere"));
    EXPECT_TRUE(f.view.Lines().empty());
    EXPECT_EQ(f.view.History().back(), "nowhere");
    EXPECT_EQ(f.host.waits, 0);
}

TEST(RtfView, LoadEventsCanRefuseATopic) {
    ViewFixture f(kThree);
    ASSERT_TRUE(f.view.JumpTo("A"));
    f.view.OnBeforeLoad = [](TRtfState& st, bool& load) { load = false; };
    EXPECT_FALSE(f.view.ShowTopic("B"));
    EXPECT_TRUE(f.view.Elements().empty());
    EXPECT_TRUE(f.view.Lines().empty());
    // A hook may change the starting state: here bold from the start.
    f.view.OnBeforeLoad = [](TRtfState& st, bool&) { st.fontSize = 40; };
    ASSERT_TRUE(f.view.ShowTopic("B"));
    auto* text = dynamic_cast<TRTFText*>(f.view.Lines()[0].elements[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->font.size, 12);  // "\plain" in the topic resets it
}

TEST(RtfView, HotLinksFromDoubleUnderlineAndHiddenText) {
    // Double-underlined words and the blanks between them, then the target as
    // hidden text; hidden text after a blank is dropped; a picture can link.
    ViewFixture f(HelpDocument("\\plain See {\\uldb two words}{\\v B} and x {\\v C}. \\{bmc pic.bmp\\}{\\v A}\\par" +
                               Topic("A", "Alpha") + Topic("B", "Beta")));
    WriteFileBytes(f.dir + "/pic.bmp", "not read by the memory host");
    f.view.LoadDocument(f.rtf, f.rtc);
    f.view.GoContents();
    const auto& els = f.view.Elements();
    std::vector<std::string> targets;
    for (const auto& e : els) {
        auto* t = dynamic_cast<TRTFText*>(e.get());
        if (t)
            targets.push_back(t->text + ">" + e->GetTarget());
        else if (dynamic_cast<TRTFBitmap*>(e.get()))
            targets.push_back("pic>" + e->GetTarget());
    }
    EXPECT_EQ(targets, (std::vector<std::string>{"See>", "two>B", "words>B", "and>", "x>", ".>", "pic>A"}));
    for (const auto& e : els) {
        auto* t = dynamic_cast<TRTFText*>(e.get());
        if (t && !e->GetTarget().empty()) {
            EXPECT_EQ(t->textColor, f.view.HotColor);
        }
    }
    ASSERT_EQ(f.host.loaded.size(), 1u);
    // The picture's folder is joined with the platform's separator.
    EXPECT_EQ(std::filesystem::path(f.host.loaded[0]).lexically_normal(),
              std::filesystem::path(f.dir + "/pic.bmp").lexically_normal());

    // Painting sets the hot rectangles; a click there jumps, after asking.
    f.host.canvas.Clear();
    f.view.Paint(f.host.canvas);
    const MemoryCanvas::Text* words = nullptr;
    for (const auto& t : f.host.canvas.texts)
        if (t.text == "words") words = &t;
    ASSERT_NE(words, nullptr);
    EXPECT_TRUE(f.view.MouseMove(words->x + 1, words->y + 1));
    EXPECT_FALSE(f.view.MouseMove(1, words->y + 1));
    std::string asked;
    f.view.OnJump = [&](const std::string& hot, const std::string& target, bool& accept) {
        asked = hot + ">" + target;
        accept = false;
    };
    f.view.MouseDown(words->x + 1, words->y + 1);
    EXPECT_EQ(asked, "words>B");
    EXPECT_EQ(f.view.TopicShown(), "Contents");
    f.view.OnJump = nullptr;
    f.view.MouseDown(words->x + 1, words->y + 1);
    EXPECT_EQ(f.view.TopicShown(), "B");
}

TEST(RtfView, ScrollingPaintingAndTheKeepRegion) {
    std::string body = "\\plain\\keepn Fixed\\par\\pard ";
    for (int i = 0; i < 20; ++i) body += "line" + std::to_string(i) + "\\par ";
    // 16-pixel lines; 100 pixels: 17 for the fixed line and its rule, 5 lines below.
    ViewFixture f(HelpDocument(body), 200, 100);
    MemoryScrollBar bar;
    f.view.ScrollBar = &bar;
    f.view.GoContents();
    EXPECT_EQ(f.view.KeepLines(), 1);
    EXPECT_EQ(f.view.ScrollLines(), 20);
    EXPECT_TRUE(f.view.NeedsScrollBar());
    // The last line can be brought to the bottom; a page is the lines that fit.
    EXPECT_EQ(bar.max, 20 - 5);
    EXPECT_EQ(bar.page, 5);
    f.view.SetLine(bar.max);
    EXPECT_EQ(bar.position, 15);
    f.host.canvas.Clear();
    f.view.Paint(f.host.canvas);
    std::vector<std::string> shown;
    for (const auto& t : f.host.canvas.texts) shown.push_back(t.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Fixed", "line15", "line16", "line17", "line18", "line19"}));
    EXPECT_EQ(f.host.canvas.rules, (std::vector<int>{16}));
    EXPECT_FALSE(f.view.NeedsScrollBar());
    f.view.SetLine(99);
    EXPECT_EQ(f.view.Line(), 19);
    f.view.SetLine(-3);
    EXPECT_EQ(f.view.Line(), 0);
}

TEST(RtfView, ClipboardTexts) {
    std::string doc = HelpDocument("\\plain Contents\\par" + std::string("\\page\n#{\\footnote Pick}") +
                                   "\\plain\\cf1\\b First {\\i it\\'e9m} \\{x\\}\\tab y\\par Second\\par\\page\n"
                                   "#{\\footnote Other}\\plain Not copied\\par");
    ViewFixture f(doc);
    f.view.CopyToClipboard();  // nothing shown: no topic jumped to yet
    ASSERT_TRUE(f.view.JumpTo("Pick"));
    f.view.CopyToClipboard();
    EXPECT_EQ(f.host.clipText, "First it\xe9m {x}\ty\r\nSecond\r\n");
    const std::string& rtf = f.host.clipRtf;
    // The header, the state words with colours by number, then the topic.
    EXPECT_EQ(rtf.compare(0, 16, "{\\rtf1\\ansi\\deff"), 0);
    EXPECT_NE(rtf.find("\\cf1 \\b First {\\i it\\'e9m} \\{x\\}\\tab y\\par Second\\par \\page "), std::string::npos)
        << rtf;
    EXPECT_EQ(rtf.find("Not copied"), std::string::npos);
    EXPECT_EQ(rtf.find("\\linex"), std::string::npos);
    int depth = 0, least = 1;
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}')
            least = std::min(least, --depth);
    }
    EXPECT_EQ(depth, 0) << rtf;
    EXPECT_EQ(least, 0);
    EXPECT_EQ(rtf.back(), '}');
    // What peers read from it: the words of the topic.
    std::string path = f.dir + "/clip.rtf";
    WriteFileBytes(path, rtf);
    if (HostHasTool("pandoc")) {
        EXPECT_EQ(RunHost("pandoc -f rtf -t plain '" + path + "' -o '" + path + ".txt'"), 0);
        std::string text = ReadFileBytes(path + ".txt");
        EXPECT_NE(text.find("First it\xc3\xa9m {x}"), std::string::npos) << text;
        EXPECT_NE(text.find("Second"), std::string::npos) << text;
    }
}

TEST(RtfView, EmbeddedAndReferencedPictures) {
    // A metafile of 5 bytes, a DIB with no goal size, a file that is missing.
    ViewFixture f(
        HelpDocument("\\plain {\\pict\\wmetafile8\\picw100\\pich50\\picwgoal1440\\pichgoal720\\picscalex50 0102030405}"
                     "{\\pict\\dibitmap0\\picw4\\pich2 28000000\r\n0400}\\{bml missing.bmp\\}\\par"));
    f.view.GoContents();
    ASSERT_EQ(f.host.made.size(), 2u);
    EXPECT_EQ(f.host.made[0].kind, RtfPictureKind::Metafile);
    // Every byte reaches the metafile: its size is exact.
    EXPECT_EQ(f.host.made[0].bytes, std::string("\x01\x02\x03\x04\x05"));
    EXPECT_EQ(f.host.made[0].width, 96);
    EXPECT_EQ(f.host.made[0].height, 48);
    EXPECT_EQ(f.host.made[1].kind, RtfPictureKind::Dib);
    EXPECT_EQ(f.host.made[1].bytes, std::string("\x28\0\0\0\x04\0", 6));
    EXPECT_EQ(f.host.made[1].width, 4);
    EXPECT_EQ(f.LineTexts(), (std::vector<std::string>{"<pic> <pic> {missing.bmp}"}));
    const auto& line = f.view.Lines()[0];
    EXPECT_EQ(line.elements[0]->width, 48);  // scaled to half its goal width
    EXPECT_EQ(line.elements[0]->ascent, 48);
    f.host.canvas.Clear();
    f.view.Paint(f.host.canvas);
    ASSERT_EQ(f.host.canvas.pictures.size(), 2u);
    EXPECT_EQ(f.host.canvas.pictures[0].right - f.host.canvas.pictures[0].left, 48);
}

TEST(RtfView, PrintingBreaksPages) {
    std::string body = "\\plain\\keepn Head\\par\\pard ";
    for (int i = 0; i < 60; ++i) body += "row" + std::to_string(i) + "\\par ";
    ViewFixture f(HelpDocument(body), 300, 200);
    f.view.GoContents();
    int news = 0, end = 0;
    f.view.OnNewPage = [&] { ++news; };
    f.view.OnPrinted = [&](int&, int& y) {
        end = y;
        throw 1;  // swallowed
    };
    f.view.PrintTopic();
    MemoryPrinter& p = f.host.printer;
    EXPECT_EQ(p.docs, 1);
    EXPECT_EQ(p.ended, 1);
    // 100-dpi page of 1000 pixels, margins of 20 mm = 79 pixels: 842 pixels,
    // lines of round(16 * 100 / 96) ... as the canvas measures: 16 pixels.
    int perPage = (1000 - 79 - 79) / 16;
    EXPECT_EQ(p.pages, (61 + perPage - 1) / perPage);
    EXPECT_EQ(news, p.pages);
    EXPECT_EQ(end, 79 + (61 - (p.pages - 1) * perPage) * 16);
    EXPECT_EQ(p.canvas.texts.size(), 61u);
    EXPECT_EQ(p.canvas.texts.front().x, 79);
    // Laid out again for the control afterwards.
    EXPECT_EQ(f.view.KeepLines(), 1);
    EXPECT_EQ(f.view.Lines().size(), 61u);
}

}  // namespace
