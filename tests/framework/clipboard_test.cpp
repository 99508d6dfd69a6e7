// The clipboard through the X server: text that another X program put there
// arrives as CF_TEXT, and the help's copy (RTF under "Rich Text Format" and
// plain text) reaches X programs.
#include <gtest/gtest.h>

#include <cstdio>

#include "clipboard.h"
#include "host.h"
#include "pump.h"

TEST(Clipboard, TextFromAndRichTextToOtherPrograms) {
    ASSERT_TRUE(HostHasTool("xclip"));
    ASSERT_EQ(RunHost("printf 'from the host' | xclip -selection clipboard"), 0);
    std::string text;
    EXPECT_TRUE(PumpUntil(
        [&] {
            text = Clipboard()->AsText();
            return text == "from the host";
        },
        10000))
        << text;

    UINT rtf = TClipboard::RegisterFormat("Rich Text Format");
    ASSERT_NE(rtf, 0u);
    const std::string document = "{\\rtf1\\ansi Hello \\b world\\b0\\par}";
    Clipboard()->Open();
    Clipboard()->Clear();
    Clipboard()->SetBuffer(rtf, document.c_str(), document.size() + 1);
    Clipboard()->SetBuffer(CF_TEXT, "Hello world\r\n", 14);
    Clipboard()->Close();
    EXPECT_TRUE(Clipboard()->HasFormat(rtf));
    EXPECT_EQ(Clipboard()->AsText(), "Hello world\r\n");
    EXPECT_EQ(Clipboard()->GetBuffer(rtf).substr(0, document.size()), document);

    // The X side sees both; the loop runs meanwhile to answer the requests.
    std::string plain = TestTempPath("clip-text.txt"), rich = TestTempPath("clip-rtf.txt");
    // The marker of an earlier run would end the wait before xclip has read.
    for (const std::string& f : {plain, rich, rich + ".done"}) std::remove(f.c_str());
    ASSERT_EQ(RunHost("(xclip -o -selection clipboard > '" + plain +
                      "'; (xclip -o -selection clipboard -t text/rtf ||"
                      " xclip -o -selection clipboard -t 'Rich Text Format') > '" +
                      rich + "'; echo done > '" + rich + ".done') >/dev/null 2>&1 &"),
              0);
    EXPECT_TRUE(PumpUntil([&] { return !ReadFileBytes(rich + ".done").empty(); }, 20000));
    EXPECT_NE(ReadFileBytes(plain).find("Hello world"), std::string::npos) << ReadFileBytes(plain);
    EXPECT_NE(ReadFileBytes(rich).find("{\\rtf1\\ansi Hello \\b world"), std::string::npos) << ReadFileBytes(rich);
}
