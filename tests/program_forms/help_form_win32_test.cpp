#include <gtest/gtest.h>

#include "controls/bitmap_button.h"
#include "controls/paint_scroll_bar.h"
#include "forms/help_form_win32.h"
#include "forms_win32_fixture.h"
#include "rtf/rtf_view_win32.h"

namespace {

std::string Topic(const std::string& name, const std::string& body) {
    return "\\page\n#{\\footnote " + name + "}\\plain " + body + "\\par";
}

std::string HelpText() {
    std::string longBody;
    for (int i = 0; i < 60; ++i) longBody += "Line " + std::to_string(i) + "\\par ";
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\n\\plain Contents\\par" + Topic("main", "Main") +
           Topic("key_print_v", longBody) + "}\n";
}

TEST(HelpFormWindow, TopicsHistoryAndScrollBar) {
    ProgramFolderFixture folder("help_form");
    folder.Write("Resource/Help/help.rtf", HelpText());
    THelpForm* form = NewForm<THelpForm>(nullptr);
    EXPECT_EQ(HelpForm, form);
    EXPECT_EQ(form->RtfView->View().TopicShown(), "Contents");
    EXPECT_FALSE(form->bMainTopic->Visible());
    form->ShowHelpTopic("main");
    EXPECT_EQ(form->LastTopic(), "main");
    EXPECT_TRUE(form->bMainTopic->Visible());
    EXPECT_FALSE(form->ScrollBar->Visible()) << "the topic fits";
    form->ShowHelpTopic("key_print_v");
    EXPECT_TRUE(form->ScrollBar->Visible());
    form->MainTopicClick(form->bMainTopic);
    form->MainTopicClick(form->bMainTopic);
    EXPECT_EQ(form->RtfView->View().TopicShown(), "Contents");
    EXPECT_FALSE(form->bMainTopic->Visible());
    // The hints the user sees are English.
    EXPECT_EQ(form->bPrint->Hint(), "Print help");
    EXPECT_EQ(form->bToClipboard->Hint(), "To clipboard");
    FreeAndNil(form);
    EXPECT_EQ(HelpForm, nullptr);
}

}  // namespace
