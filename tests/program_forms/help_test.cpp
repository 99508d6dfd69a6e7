#include <gtest/gtest.h>

#include <string>

#include "forms/help_logic.h"
#include "rtf_fixture.h"

namespace {

std::string Topic(const std::string& name, const std::string& body) {
    return "\\page\n#{\\footnote " + name + "}\\plain " + body + "\\par";
}

std::string LongBody() {
    std::string body;
    for (int i = 0; i < 40; ++i) body += "Line " + std::to_string(i) + "\\par ";
    return body;
}

const std::string kHelp = HelpDocument("\\plain Contents\\par" + Topic("main", "The main window") +
                                       Topic("key_opsvform", "Slots") + Topic("key_print_v", LongBody()));

struct Controls : HelpFormControls {
    int scrollBar = -1, back = -1, waits = 0, dialogs = 0;
    bool confirm = true;
    void SetScrollBarVisible(bool v) override { scrollBar = v; }
    void SetBackVisible(bool v) override { back = v; }
    void BeginWait() override { ++waits; }
    void EndWait() override { --waits; }
    bool RunPrintDialog() override {
        ++dialogs;
        return confirm;
    }
};

struct HelpFixture {
    MemoryHost host;
    TrtfView view{host};
    Controls controls;
    HelpController help{view, controls, "Zuvi", "Ridided"};
    std::string dir = RtfTempDir();
    explicit HelpFixture(const std::string& text) {
        WriteFileBytes(dir + "/help.rtf", text);
        view.SetSize(388, 280);
        help.Create(dir + "/help.rtf", dir + "/help.rtc");
    }
};

TEST(HelpForm, HistoryIsKeptBetweenShowings) {
    HelpFixture f(kHelp);
    EXPECT_EQ(f.view.TopicShown(), "Contents");
    EXPECT_EQ(f.controls.back, 0);
    f.help.ShowHelpTopic("main");
    EXPECT_EQ(f.help.LastTopic(), "main");
    EXPECT_EQ(f.controls.back, 1);
    f.help.MainTopic();
    EXPECT_EQ(f.view.TopicShown(), "Contents");
    EXPECT_EQ(f.controls.back, 0);
    // Shown again later from the slot dialog: back leads to the contents still.
    f.help.ShowHelpTopic("key_opsvform");
    f.help.ShowHelpTopic("main");
    f.help.MainTopic();
    EXPECT_EQ(f.view.TopicShown(), "key_opsvform");
    EXPECT_EQ(f.controls.back, 1);
    EXPECT_EQ(f.controls.waits, 0);
}

TEST(HelpForm, ScrollBarOnlyForTopicsThatDoNotFit) {
    HelpFixture f(kHelp);
    f.help.ShowHelpTopic("main");
    EXPECT_EQ(f.controls.scrollBar, 0);
    f.help.ShowHelpTopic("key_print_v");
    EXPECT_EQ(f.controls.scrollBar, 1);
}

TEST(HelpForm, PrintsThroughTheViewInThePrintFace) {
    HelpFixture f(kHelp);
    f.help.ShowHelpTopic("main");
    f.controls.confirm = false;
    EXPECT_FALSE(f.help.Print());
    EXPECT_EQ(f.host.printer.docs, 0);
    f.controls.confirm = true;
    EXPECT_TRUE(f.help.Print());
    EXPECT_EQ(f.controls.dialogs, 2);
    EXPECT_EQ(f.host.printer.docs, 1);
    EXPECT_EQ(f.host.printer.ended, 1);
    ASSERT_FALSE(f.host.printer.canvas.texts.empty());
    for (const auto& t : f.host.printer.canvas.texts) EXPECT_EQ(t.font.name, "Ridided") << t.text;
    // Back on the screen in the screen face.
    f.host.canvas.Clear();
    f.view.Paint(f.host.canvas);
    ASSERT_FALSE(f.host.canvas.texts.empty());
    for (const auto& t : f.host.canvas.texts) EXPECT_EQ(t.font.name, "Zuvi") << t.text;
    EXPECT_EQ(f.controls.waits, 0);
}

TEST(HelpForm, AMissingDocumentOpensEmpty) {
    MemoryHost host;
    TrtfView view{host};
    Controls controls;
    HelpController help{view, controls, "Zuvi", "Ridided"};
    const std::string dir = RtfTempDir();
    help.Create(dir + "/missing.rtf", dir + "/missing.rtc");
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(view.Lines().empty());
    help.ShowHelpTopic("main");
    help.MainTopic();
    help.Copy();
    EXPECT_EQ(controls.back, 0);
    EXPECT_EQ(controls.waits, 0);
}

}  // namespace
