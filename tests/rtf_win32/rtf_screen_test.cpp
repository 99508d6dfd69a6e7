// The RTF view on the screen as a user meets it: a help topic drawn with
// its fonts, colours, an embedded metafile and an embedded DIB, read back
// from the screen; the scroll bar's arrow clicked with xdotool; a hot text
// clicked to jump; the topic copied and read back by xclip; a garment's
// description scaled by the doll's measurements.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>

#include "forms.h"
#include "host.h"
#include "program_fixture.h"
#include "pump.h"
#include "rtf_view_win32.h"
#include "settings/paths.h"
#include "stdctrls.h"

namespace {

const DWORD kWait = 30000;

std::string HexBytes(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        if (i % 32 == 31) out += "\r\n";
    }
    return out;
}

// A metafile made by GDI: a red rectangle over its whole 100 x 50 extent.
std::string RedMetafile() {
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, 100, 50, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dc, red);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, 101, 51);
    HMETAFILE mf = CloseMetaFile(dc);
    DeleteObject(red);
    std::string bytes(GetMetaFileBitsEx(mf, 0, nullptr), '\0');
    GetMetaFileBitsEx(mf, UINT(bytes.size()), bytes.data());
    DeleteMetaFile(mf);
    return bytes;
}

// A 2 x 1 DIB, 24 bits: blue, then green.
std::string BlueGreenDib() {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h, h.biWidth = 2, h.biHeight = 1, h.biPlanes = 1, h.biBitCount = 24;
    return std::string(reinterpret_cast<const char*>(&h), sizeof h) +
           std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8);
}

// The help topic: a red title in a large face, blue text in another face,
// both pictures (1500 x 750 twips: 100 x 50 pixels at 96 dpi), a hot text
// to the second topic and enough lines to scroll.
std::string HelpDocument() {
    std::string doc =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}{\\f1\\fmodern Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "#{\\footnote contents}\r\n"
        "\\plain\\f0\\fs48\\cf1 Red title\\par\r\n"
        "\\plain\\f1\\fs24\\cf2 Blue text\\par\r\n"
        "\\plain\\f0\\fs24 {\\pict\\wmetafile8\\picw100\\pich50\\picwgoal1500\\pichgoal750 " +
        HexBytes(RedMetafile()) +
        "}\\par\r\n"
        "{\\pict\\dibitmap0\\picw2\\pich1\\picwgoal1500\\pichgoal750 " +
        HexBytes(BlueGreenDib()) +
        "}\\par\r\n"
        "\\plain\\f0\\fs24 Go to {\\uldb the second topic}{\\v second}\\par\r\n";
    for (int i = 1; i <= 30; ++i) doc += "\\plain\\f0\\fs24 Line " + std::to_string(i) + "\\par\r\n";
    doc += "\\page\r\n#{\\footnote second}\\plain\\f0\\fs24 The second topic\\par}\r\n";
    return doc;
}

// Pixels of exactly the colour, read from the screen over a client
// rectangle of the control, and the rows they span.
struct Found {
    int count = 0, top = -1, bottom = -1;
};
Found ScreenColour(TControl* c, RECT r, COLORREF colour) {
    POINT origin = c->ClientToScreen(POINT{0, 0});
    HDC dc = GetDC(nullptr);
    Found f;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if ((GetPixel(dc, origin.x + x, origin.y + y) & 0xFFFFFF) == colour) {
                ++f.count;
                if (f.top < 0) f.top = y;
                f.bottom = y;
            }
    ReleaseDC(nullptr, dc);
    return f;
}

// Rows of each line from the top of the view (the scrolling lines from Line on).
std::vector<int> LineTops(const TrtfView& view) {
    std::vector<int> tops;
    int y = 0;
    for (size_t i = 0; i < view.Lines().size(); ++i) {
        if (i >= size_t(view.KeepLines()) && int(i) < view.KeepLines() + view.Line()) {
            tops.push_back(-1);
            continue;
        }
        tops.push_back(y);
        y += view.Lines()[i].Height();
    }
    return tops;
}

int LineWith(const TrtfView& view, RtfKind kind, int nth = 0) {
    for (size_t i = 0; i < view.Lines().size(); ++i)
        for (TRTFElement* e : view.Lines()[i].elements)
            if (e->kind == kind && nth-- == 0) return int(i);
    return -1;
}

struct RtfScreen : testing::Test {
    void SetUp() override {
        EnsureFramework();
        ASSERT_TRUE(HostHasTool("xdotool"));
        ASSERT_TRUE(HostHasTool("xclip"));
        RunHost("xdotool mousemove 1200 1000");
        dir = TestTempPath("rtf_screen");
        CreateDirectoryA(dir.c_str(), nullptr);
        form = new TForm(Application, "RTFSCREENTEST");
        form->SetBounds(60, 60, 420, 340);
        view = new TrtfViewWindow(form);
        view->SetParent(form);
        view->SetBounds(0, 0, 380, 300);
        bar = new TScrollBar(form);
        bar->SetParent(form);
        bar->SetKind(sbVertical);
        bar->SetBounds(384, 0, 20, 300);
        view->SetScrollBar(bar);
        form->Show();
        SetForegroundWindow(form->Handle());
    }
    void TearDown() override { delete form; }

    // Waits until the view's own pixels are on the screen.
    bool Settled() {
        return PumpUntil(
            [&] { return IsWindowVisible(form->Handle()) && !(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT); }, kWait);
    }
    void Shot(const std::string& name) {
        RECT r;
        GetWindowRect(form->Handle(), &r);
        RunHost("xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- -crop " + std::to_string(r.right - r.left) + "x" +
                std::to_string(r.bottom - r.top) + "+" + std::to_string(r.left) + "+" + std::to_string(r.top) + " '" +
                TestTempPath(name + ".png") + "'");
    }
    // A real click at a client point of a control, and the loop runs until
    // the condition holds.
    bool ClickUntil(TControl* c, POINT p, const std::function<bool()>& done) {
        POINT s = c->ClientToScreen(p);
        RunHost("xdotool mousemove " + std::to_string(s.x) + " " + std::to_string(s.y) + " click 1");
        return PumpUntil(done, kWait);
    }
    std::string Clip(const std::string& target) {
        std::string out = TestTempPath("rtf_screen_clip.txt");
        std::remove(out.c_str());
        std::remove((out + ".done").c_str());
        // xclip asks Wine for the data while this loop runs to answer.
        RunHost("(xclip -o -selection clipboard " + target + " > '" + out + "' 2>/dev/null; echo > '" + out +
                ".done') >/dev/null 2>&1 &");
        PumpUntil([&] { return !ReadFileBytes(out + ".done").empty(); }, 20000);
        return ReadFileBytes(out);
    }

    std::string dir;
    TForm* form = nullptr;
    TrtfViewWindow* view = nullptr;
    TScrollBar* bar = nullptr;
};

}  // namespace

TEST_F(RtfScreen, TopicShowsScrollsJumpsAndCopies) {
    WriteFileBytes(dir + "/help.rtf", HelpDocument());
    TrtfView& v = view->View();
    ASSERT_TRUE(v.LoadDocument(dir + "/help.rtf", dir + "/help.rtc"));
    v.GoContents();
    static_cast<TCustomControl*>(view)->Invalidate();
    ASSERT_TRUE(Settled());
    Shot("rtf-topic");
    std::vector<int> tops = LineTops(v);
    ASSERT_GE(tops.size(), 35u);

    // Colours and faces: the 24-point title in red is much taller than the
    // 12-point blue line under it.
    const RECT all{0, 0, view->Width(), view->Height()};
    Found red = ScreenColour(view, RECT{0, tops[0], 380, tops[1]}, RGB(255, 0, 0));
    Found blue = ScreenColour(view, RECT{0, tops[1], 380, tops[2]}, RGB(0, 0, 255));
    ASSERT_GT(red.count, 50) << "no red title on the screen";
    ASSERT_GT(blue.count, 20) << "no blue text on the screen";
    EXPECT_GT(red.bottom - red.top, (blue.bottom - blue.top) * 3 / 2);
    // The metafile fills its 100 x 50 box red; the DIB shows its blue and
    // green pixels stretched, side by side.
    const int wmfLine = LineWith(v, RtfKind::Bitmap, 0), dibLine = LineWith(v, RtfKind::Bitmap, 1);
    ASSERT_EQ(wmfLine, 2);
    ASSERT_EQ(dibLine, 3);
    Found wmf = ScreenColour(view, RECT{0, tops[wmfLine], 380, tops[wmfLine + 1]}, RGB(255, 0, 0));
    EXPECT_GT(wmf.count, 100 * 50 * 8 / 10) << "the metafile's rectangle";
    Found dibBlue = ScreenColour(view, RECT{0, tops[dibLine], 50, tops[dibLine + 1]}, RGB(0, 0, 255));
    Found dibGreen = ScreenColour(view, RECT{50, tops[dibLine], 100, tops[dibLine + 1]}, RGB(0, 255, 0));
    EXPECT_GT(dibBlue.count, 50 * 50 * 8 / 10);
    EXPECT_GT(dibGreen.count, 50 * 50 * 8 / 10);
    // The hot text in the hot colour (green, 0x008000).
    const int hotLine = 4;
    EXPECT_GT(ScreenColour(view, RECT{0, tops[hotLine], 380, tops[hotLine + 1]}, RGB(0, 128, 0)).count, 20);

    // Scrolling: taller than the view, so the bar can bring the last line to
    // the bottom; its down arrow moves one line and the title leaves the screen.
    ASSERT_GT(bar->Max(), 0);
    ASSERT_TRUE(ClickUntil(bar, POINT{10, bar->Height() - 6}, [&] { return v.Line() == 1; })) << "line " << v.Line();
    ASSERT_TRUE(Settled());
    EXPECT_EQ(bar->Position(), 1);
    // The blue line now stands where the title stood.
    EXPECT_TRUE(PumpUntil([&] { return ScreenColour(view, all, RGB(0, 0, 255)).top == blue.top - tops[1]; }, kWait))
        << "blue text from row " << ScreenColour(view, all, RGB(0, 0, 255)).top << ", not " << blue.top - tops[1];
    Shot("rtf-scrolled");
    // Back to the top through the bar's up arrow.
    ASSERT_TRUE(ClickUntil(bar, POINT{10, 6}, [&] { return v.Line() == 0; }));
    ASSERT_TRUE(Settled());

    // Copying: X programs read both forms back.
    v.CopyToClipboard();
    std::string rtf = Clip("-t text/rtf");
    if (rtf.empty()) rtf = Clip("-t 'Rich Text Format'");
    EXPECT_EQ(rtf.compare(0, 6, "{\\rtf1"), 0) << rtf.substr(0, 200);
    EXPECT_NE(rtf.find("Red title"), std::string::npos);
    EXPECT_NE(rtf.find("\\colortbl"), std::string::npos) << "the header goes with the topic";
    // (Wine hands CF_TEXT to X programs with bare line feeds.)
    std::string text = Clip("");
    EXPECT_EQ(text.compare(0, 20, "Red title\nBlue text\n"), 0) << text.substr(0, 200);
    EXPECT_NE(text.find("Line 30"), std::string::npos);

    // The hot text under the pointer shows the hot cursor; a click jumps.
    POINT hot{-1, -1};
    for (int y = tops[hotLine]; y < tops[hotLine + 1] && hot.x < 0; ++y)
        for (int x = 0; x < 380 && hot.x < 0; ++x)
            if (v.MouseMove(x, y)) hot = POINT{x, y};
    ASSERT_GE(hot.x, 0) << "no hot point on the link's line";
    std::vector<std::string> jumped;
    v.OnJumped = [&](const std::string& topic) { jumped.push_back(topic); };
    POINT s = view->ClientToScreen(hot);
    RunHost("xdotool mousemove " + std::to_string(s.x) + " " + std::to_string(s.y));
    EXPECT_TRUE(PumpUntil([&] { return GetCursor() == Screen->Cursors(view->HotCursor); }, kWait));
    ASSERT_TRUE(ClickUntil(view, hot, [&] { return v.TopicShown() == "second"; }));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(jumped, std::vector<std::string>{"second"});
    EXPECT_EQ(v.History(), (std::vector<std::string>{"contents", "second"}));
    EXPECT_TRUE(PumpUntil([&] { return ScreenColour(view, all, RGB(255, 0, 0)).count == 0; }, kWait))
        << "the first topic's title is still on the screen";
    EXPECT_EQ(bar->Max(), 0) << "one line: nothing to scroll";
    Shot("rtf-jumped");
}

// A garment's description from the data set, its marked sizes scaled by the
// doll's measurements as the pattern view loads it: what X programs read
// from the copy follows the factor ("!y" sizes get one more).
TEST_F(RtfScreen, DescriptionScalesWithTheDoll) {
    const std::string source = WinPath(DATASET_UNIX_DIR) + "\\models\\pl01.rtf";
    CreateDirectoryA((dir + "/models").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(source.c_str(), (dir + "/models/pl01.rtf").c_str(), FALSE));
    const std::string savedFolder = ProgramFolder;
    ProgramFolder = WinPath(dir) + "\\";
    TRtfViewScale& v = view->View();
    auto shownText = [&](long double factor) {
        v.ScaleX = [factor] { return factor; };
        v.ScaleY = [factor] { return factor; };
        v.LoadDescription("models\\pl01", "Tahoma", 0);
        static_cast<TCustomControl*>(view)->Invalidate();
        Settled();
        v.CopyToClipboard();
        return Clip("");
    };
    std::string standard = shownText(1.0L), doubled = shownText(2.0L);
    ProgramFolder = savedFolder;
    ASSERT_FALSE(standard.empty());
    EXPECT_EQ(standard.find('!'), std::string::npos) << "markers left in the text:\n" << standard;
    std::vector<double> a, b;
    auto numbers = [](const std::string& s, std::vector<double>& out) {
        for (size_t i = 0; i < s.size();) {
            if (isdigit(static_cast<unsigned char>(s[i]))) {
                size_t used = 0;
                out.push_back(std::stod(s.substr(i), &used));
                i += used;
            } else {
                ++i;
            }
        }
    };
    numbers(standard, a), numbers(doubled, b);
    ASSERT_EQ(a.size(), b.size()) << standard << "\n" << doubled;
    int scaled = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) {
            EXPECT_TRUE(b[i] == 2 * a[i] || b[i] == 2 * a[i] + 1) << a[i] << " became " << b[i];
            ++scaled;
        }
    EXPECT_GE(scaled, 10) << standard;
    Shot("rtf-description");
}
