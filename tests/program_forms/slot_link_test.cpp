#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "forms/link_file.h"
#include "forms/slot_choice.h"
#include "host.h"

namespace {

TEST(SlotDialog, ResultsAndTheMarkedSlot) {
    SlotChoice c;
    c.SetSlot(3);
    c.Shown();
    EXPECT_EQ(c.ButtonState(3), 3);
    EXPECT_EQ(c.ButtonState(5), 1);
    c.Choose(5);
    EXPECT_EQ(c.DialogResult(), SlotChoice::SlotChosen);
    EXPECT_EQ(c.Slot(), 5);
    // The next showing starts cancelled and marks button 5 only.
    c.Shown();
    EXPECT_EQ(c.DialogResult(), SlotChoice::Cancelled);
    for (int tag = 1; tag <= SlotCount; ++tag) EXPECT_EQ(c.ButtonState(tag), tag == 5 ? 3 : 1) << tag;
    c.No();
    EXPECT_EQ(c.DialogResult(), SlotChoice::NotSaved);
    EXPECT_EQ(c.Slot(), 5);
    EXPECT_EQ(SlotSection(c.Slot()), "States5");
}

TEST(SlotDialog, StoredSlotsOutsideTheEightAreSlotOne) {
    for (int stored : {0, -1, 9, 1000}) EXPECT_EQ(SlotFromStored(stored), 1) << stored;
    EXPECT_EQ(SlotFromStored(8), 8);
    SlotChoice c;
    c.SetSlot(42);
    EXPECT_EQ(c.Slot(), 1);
    c.Choose(9);  // not a slot button
    EXPECT_EQ(c.DialogResult(), SlotChoice::Cancelled);
}

TEST(LinkFiles, TheSecondLineAfterItsPrefix) {
    const std::pair<std::string, std::string> cases[] = {
        {"[InternetShortcut]\r\nURL=http://example.org/games\r\n", "http://example.org/games"},
        {"[InternetShortcut]\nURL=mailto:friend@example.org\n", "mailto:friend@example.org"},
        {"[InternetShortcut]\r\nURL=ftp://example.org/\r\n", ""},
        {"[InternetShortcut]\r\nURL=HTTP://EXAMPLE.ORG/\r\n", ""},  // case matters
        {"[InternetShortcut]\r\nURL=\r\n", ""},
        {"URL=http://example.org/\r\n", ""},  // no second line
        {"", ""},
    };
    for (const auto& [text, target] : cases) EXPECT_EQ(LinkTarget(text), target) << text;
}

TEST(LinkFiles, OpenedInANormalWindow) {
    const std::string dir = TestTempPath("forms_links");
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/website.url";
    WriteFileBytes(file, "[InternetShortcut]\r\nURL=http://example.org/\r\n");
    std::vector<std::pair<std::string, int>> opened;
    auto launch = [&](const std::string& target, int show) { opened.push_back({target, show}); };
    EXPECT_TRUE(OpenLinkFile(file, launch));
    EXPECT_FALSE(OpenLinkFile(dir + "/missing.url", launch));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, "http://example.org/");
    EXPECT_EQ(opened[0].second, 1) << "SW_SHOWNORMAL; 0 would hide the browser";
}

}  // namespace
