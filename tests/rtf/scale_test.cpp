#include <gtest/gtest.h>

#include "rtf_fixture.h"
#include "rtf_scale.h"
#include "settings/paths.h"

namespace {

TEST(RtfScale, MarkedNumbers) {
    struct Case {
        const char* text;
        long double x, y;
        const char* expected;
    } cases[] = {
        {"!X10", 1.5L, 2, "15"},      {"!x10", 1.5L, 2, "16"}, {"!Y10", 1.5L, 0.25L, "2.5"},
        {"!y10", 1.5L, 0.25L, "3.5"}, {"!x10", 1, 2, "10"},  // a factor of 1 adds no offset
        {"!X", 2, 2, "!X"},           {"!Z10", 2, 2, "!Z10"},  {"X10", 2, 2, "X10"},
        {"!X2.25", 2, 2, "4.5"},      {"!X10cm", 2, 2, "20"},   // glued text is read as part of the number
        {"!Xabc", 2, 2, "0"},         {"!X0.4", 0.1L, 1, "0"},  // ".0" dropped: "0.0" -> "0"
        {"!X-3", 2, 2, "-6"},
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleMarkedText(c.text, c.x, c.y), c.expected) << c.text;
}

TEST(RtfScale, LoadDescriptionScalesAndFallsBack) {
    MemoryHost host;
    TRtfViewScale view(host);
    view.SetSize(300, 200);
    int reads = 0;
    view.ScaleX = [&] {
        ++reads;
        return 1.5L;
    };
    view.ScaleY = [&] {
        ++reads;
        return 2.0L;
    };
    std::string dir = RtfTempDir();
    WriteFileBytes(dir + "/skirt.rtf", HelpDocument("\\plain Waist !X10 cm, length !y20 cm, !X alone\\par"));
    ProgramFolder = "";
    view.LoadDescription(dir + "/skirt", "Print Face", 5);
    std::vector<std::string> words;
    for (const auto& e : view.Elements())
        if (auto* t = dynamic_cast<TRTFText*>(e.get())) {
            words.push_back(t->text);
            EXPECT_EQ(t->font.name, "Print Face");
        }
    EXPECT_EQ(words, (std::vector<std::string>{"Waist", "15", "cm,", "length", "41", "cm,", "!X", "alone"}));
    EXPECT_EQ(view.MarginLeft, 5);
    EXPECT_EQ(view.MarginRight, 5);
    EXPECT_EQ(view.Document().fonts[1].oldName, "Arial");
    EXPECT_FALSE(view.Lines().empty());
    EXPECT_EQ(host.waits, 0);
    // A missing description only shows the message; the view is left as it was.
    view.LoadDescription(dir + "/absent", "Print Face", 0);
    EXPECT_EQ(host.messages.size(), 1u);
}

}  // namespace
