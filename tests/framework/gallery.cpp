// The gallery: a form read from its layout resource with skinned panels,
// bitmap buttons, a scroll bar, an edit and a popup menu, driven with real
// input (xdotool) under Xvfb. Screenshots are kept in the build tree.
// CTest runs it on an X server and a Wine server of its own (own_session.sh):
// it moves the real pointer and needs the keyboard focus. Every step waits for
// what it needs (the form on the screen, each input taken from the queue, the
// popup menu open), never for a fixed time.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "application.h"
#include "bitmap.h"
#include "extctrls.h"
#include "forms.h"
#include "host.h"
#include "layout.h"
#include "menus.h"
#include "pump.h"
#include "stdctrls.h"

namespace {

// A panel painted from a tiled skin bitmap, its caption centred.
class TSkinPanel : public TCustomControl {
public:
    explicit TSkinPanel(TComponent* owner) : TCustomControl(owner) { controlStyle_ |= csOpaque | csAcceptsControls; }
    TBitmap skin;
    bool SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) override {
        if (!SameText(name, "Skin")) return TCustomControl::SetProperty(name, v, reader);
        skin.LoadFromResourceName(reader.Instance(), v.text);
        return true;
    }

protected:
    void Paint() override {
        for (int y = 0; y < Height(); y += skin.Height())
            for (int x = 0; x < Width(); x += skin.Width()) Canvas()->Draw(x, y, &skin);
        Canvas()->Brush()->SetStyle(bsClear);
        RECT r = ClientRect();
        Canvas()->DrawText(r, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
};

// A windowless button whose faces are frames of a strip: 1 normal, 2 pressed.
class TStripButton : public TGraphicControl {
public:
    explicit TStripButton(TComponent* owner) : TGraphicControl(owner) {}
    TBitmap strip;
    bool pressed = false;
    bool SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) override {
        if (!SameText(name, "Strip")) return TGraphicControl::SetProperty(name, v, reader);
        strip.LoadFromResourceName(reader.Instance(), v.text);
        return true;
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        pressed = true;
        Repaint();
        TGraphicControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        pressed = false;
        Repaint();
        TGraphicControl::MouseUp(b, s, x, y);
    }

protected:
    void Paint() override {
        int frame = pressed ? 1 : 0;
        Canvas()->CopyRect(ClientRect(), strip.Canvas(), RECT{frame * Width(), 0, (frame + 1) * Width(), Height()});
    }
};

class TGalleryForm : public TForm {
public:
    explicit TGalleryForm(TComponent* owner) : TForm(owner, "TGalleryForm") {
        PublishMethod("FormCreate", this, &TGalleryForm::FormCreate);
        PublishMethod("CloseClick", this, &TGalleryForm::CloseClick);
        PublishMethod("CountClick", this, &TGalleryForm::CountClick);
        PublishMethod("SourceMouseDown", this, &TGalleryForm::SourceMouseDown);
        PublishMethod("TargetDragOver", this, &TGalleryForm::TargetDragOver);
        PublishMethod("TargetDragDrop", this, &TGalleryForm::TargetDragDrop);
        PublishMethod("ScrollChange", this, &TGalleryForm::ScrollChange);
        PublishMethod("ClearClick", this, &TGalleryForm::ClearClick);
        BindField("Header", Header);
        BindField("Source", Source);
        BindField("Target", Target);
        BindField("CountButton", CountButton);
        BindField("CloseButton", CloseButton);
        BindField("Counter", Counter);
        BindField("Scroll", Scroll);
        BindField("Entry", Entry);
    }
    void FormCreate(TObject*) {
        Source->OnEndDrag = [this](TObject*, TObject* target, int, int) {
            events.push_back(std::string("end on ") + (target ? static_cast<TComponent*>(target)->Name() : "nothing"));
        };
    }
    void CloseClick(TObject*) { events.push_back("close"); }
    void CountClick(TObject*) { Counter->SetCaption(IntToStr(++clicks)); }
    void SourceMouseDown(TObject*, TMouseButton button, TShiftState shift, int, int) {
        if (button == mbLeft && shift == ssLeft) Source->BeginDrag(true);
    }
    void TargetDragOver(TObject*, TObject* source, int, int, TDragState state, bool& accept) {
        accept = source == Source;
        static const char* names[] = {"enter", "leave", "move"};
        if (events.empty() || events.back() != names[state]) events.push_back(names[state]);
        if (state == dsDragEnter) Source->SetDragCursor(crHandPoint);
    }
    void TargetDragDrop(TObject*, TObject* source, int x, int y) {
        events.push_back("drop " + static_cast<TComponent*>(source)->Name());
        dropAt = POINT{x, y};
        Target->SetCaption("Dropped");
    }
    void ScrollChange(TObject*) { events.push_back("scroll " + IntToStr(Scroll->Position())); }
    void ClearClick(TObject*) {
        events.push_back("clear");
        Target->SetCaption("Drop here");
    }

    TSkinPanel *Header = nullptr, *Source = nullptr, *Target = nullptr;
    TStripButton *CountButton = nullptr, *CloseButton = nullptr;
    TLabel* Counter = nullptr;
    TScrollBar* Scroll = nullptr;
    TEdit* Entry = nullptr;
    std::vector<std::string> events;
    int clicks = 0;
    POINT dropAt{-1, -1};
};

// The input this thread has taken from its queue, seen through thread hooks:
// an xdotool command is done once its last event has been handled here.
struct SeenInput {
    POINT move{-1, -1};
    int leftDowns = 0, leftUps = 0, rightUps = 0, keyUps = 0;
};
SeenInput seen;

LRESULT CALLBACK MouseHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        switch (message) {
            case WM_MOUSEMOVE:
                seen.move = reinterpret_cast<const MOUSEHOOKSTRUCT*>(data)->pt;
                break;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                ++seen.leftDowns;
                break;
            case WM_LBUTTONUP:
                ++seen.leftUps;
                break;
            case WM_RBUTTONUP:
                ++seen.rightUps;
                break;
        }
    }
    return CallNextHookEx(nullptr, code, message, data);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM key, LPARAM flags) {
    if (code == HC_ACTION && (flags & 0x80000000)) ++seen.keyUps;
    return CallNextHookEx(nullptr, code, key, flags);
}

// The popup menu runs its own loop; this timer runs inside it. Once the
// menu's window shows, painted, it writes the marker the host script waits
// for. A menu still open at the deadline is closed, so a lost key fails the
// test rather than hanging it.
struct MenuWatch {
    std::string marker;
    DWORD deadline = 0;
    int paintedTicks = 0;
    bool opened = false;
    int defaultItem = -2;
};
MenuWatch menuWatch;

BOOL CALLBACK FindOpenMenu(HWND hwnd, LPARAM found) {
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) == "#32768" && IsWindowVisible(hwnd)) *reinterpret_cast<HWND*>(found) = hwnd;
    return TRUE;
}

VOID CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenMenu, reinterpret_cast<LPARAM>(&menu));
    if (!menu) return;
    // Painted at one tick and still at the next, with the loop idle between.
    menuWatch.paintedTicks = GetUpdateRect(menu, nullptr, FALSE) ? 0 : menuWatch.paintedTicks + 1;
    if (menuWatch.paintedTicks >= 2 && !menuWatch.opened) {
        menuWatch.opened = true;
        auto* items = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        menuWatch.defaultItem = items ? static_cast<int>(GetMenuDefaultItem(items, TRUE, 0)) : -2;
        // The menu's place on the screen, for the host script's check of its pixels.
        RECT r;
        GetWindowRect(menu, &r);
        std::string tmp = menuWatch.marker + ".tmp";
        WriteFileBytes(tmp, std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                                std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + "\n");
        std::rename(tmp.c_str(), menuWatch.marker.c_str());
    }
    if (static_cast<LONG>(GetTickCount() - menuWatch.deadline) > 0) EndMenu();
}

// Shell: saves the top X window at the rectangle's corner as png and
// succeeds when the rectangle (x y w h, numbers or shell variables, screen
// coordinates) shows the background colour on at least a third of it and
// some dark pixels: a window drawn with its text, not the black of a window
// X has mapped before Wine drew it. The window is read itself: on Xvfb a
// root capture shows Wine's hint and menu windows black while their own
// images are drawn. The sizes go through $((...)): "$wx$h" would read a
// variable "wx".
std::string CaptureShowsDrawnText(const std::string& png, const std::string& x, const std::string& y,
                                  const std::string& w, const std::string& h, COLORREF background) {
    std::string bg = std::to_string(GetRValue(background)) + "," + std::to_string(GetGValue(background)) + "," +
                     std::to_string(GetBValue(background));
    // xwininfo lists the root's children top first: "ID ... WxH+X+Y  +AX+AY".
    std::string top =
        "set -- $(xwininfo -root -children | awk -v px=" + x + " -v py=" + y +
        " 'NF >= 2 {g = $(NF - 1); if (g !~ /^[0-9]+x[0-9]+/) next; split(g, s, /[x+]/); split($NF, a, \"+\");"
        " if (s[1] > 1 && px >= a[2] && py >= a[3] && px < a[2] + s[1] && py < a[3] + s[2])"
        " {print $1, a[2], a[3]; exit}}') && [ $# -eq 3 ]";
    return top + " && xwd -id $1 -silent | /usr/bin/convert-im6.q16 xwd:- '" + png + "' && /usr/bin/convert-im6.q16 '" +
           png + "' -crop $((" + w + "))x$((" + h + "))+$((" + x + " - $2))+$((" + y + " - $3))" +
           " +repage -depth 8 -format %c histogram:info:- | awk -v bg=" + bg +
           " '{n=$1; sub(\":\", \"\", n); c=$2; gsub(/[()]/, \"\", c); split(c, v, \",\");"
           " if (v[1] \",\" v[2] \",\" v[3] == bg) b += n; if (v[1] + v[2] + v[3] < 200) d += n; t += n}"
           " END {exit !(t > 0 && b * 3 >= t && d >= 10)}'";
}

class Gallery : public ::testing::Test {
protected:
    // A bound for every wait: the steps take far less, even on a loaded machine.
    static constexpr DWORD kWait = 30000;

    static void SetUpTestSuite() {
        RegisterComponentClass<TSkinPanel>("TSkinPanel");
        RegisterComponentClass<TStripButton>("TStripButton");
    }
    void SetUp() override {
        ASSERT_TRUE(HostHasTool("xdotool"));
        // The pointer waits off the form, so the form appears without input.
        ASSERT_NO_FATAL_FAILURE(Xdo("mousemove 1200 1000"));
        seen = SeenInput{};
        mouseHook = SetWindowsHookExA(WH_MOUSE, MouseHook, nullptr, GetCurrentThreadId());
        keyboardHook = SetWindowsHookExA(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
        ASSERT_TRUE(mouseHook && keyboardHook);
        form = NewForm<TGalleryForm>(Application);
        form->Show();
        SetForegroundWindow(form->Handle());
        // Shown where its layout puts it, in front and painted (the form's own
        // colour between the panels).
        HWND h = form->Handle();
        RECT placed{100, 100, 580, 420};
        bool ready = PumpUntil(
            [&] {
                RECT r;
                GetWindowRect(h, &r);
                return IsWindowVisible(h) && GetForegroundWindow() == h && EqualRect(&r, &placed) && !PaintPending() &&
                       ScreenPixel(At(form, 200, 120)) == clSilver;
            },
            kWait);
        ASSERT_TRUE(ready) << "the form is not shown in front at its place";
    }
    void TearDown() override {
        FreeAndNil(form);
        if (mouseHook) UnhookWindowsHookEx(mouseHook);
        if (keyboardHook) UnhookWindowsHookEx(keyboardHook);
    }

    // Screen point of a control's client point.
    static POINT At(TControl* c, int x, int y) { return c->ClientToScreen(POINT{x, y}); }
    static void Xdo(const std::string& args) { ASSERT_EQ(RunHost("xdotool " + args), 0) << args; }
    static bool PaintPending() { return (HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT) != 0; }

    // Moves the pointer and waits until the move has been handled.
    void MoveTo(POINT p) {
        ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x < GetSystemMetrics(SM_CXSCREEN) && p.y < GetSystemMetrics(SM_CYSCREEN))
            << p.x << "," << p.y << " is off the screen";
        POINT now;
        GetCursorPos(&now);
        ASSERT_NO_FATAL_FAILURE(Xdo("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y)));
        if (now.x == p.x && now.y == p.y) return;  // no motion, no message
        ASSERT_TRUE(PumpUntil([&] { return seen.move.x == p.x && seen.move.y == p.y; }, kWait))
            << "the move to " << p.x << "," << p.y << " never arrived";
    }
    // Runs an xdotool command and waits until `count` has grown by `events`.
    void Input(const std::string& args, const int& count, int events) {
        int expected = count + events;
        ASSERT_NO_FATAL_FAILURE(Xdo(args));
        ASSERT_TRUE(PumpUntil([&] { return count >= expected; }, kWait)) << args << ": the input never arrived";
    }
    void Press() { Input("mousedown 1", seen.leftDowns, 1); }
    void Release() { Input("mouseup 1", seen.leftUps, 1); }
    // Press and release in one go: held longer, the scroll bar repeats.
    void Click() { Input("mousedown 1 mouseup 1", seen.leftUps, 1); }
    void RightClick() { Input("mousedown 3 mouseup 3", seen.rightUps, 1); }
    void Type(const std::string& text) { Input("type " + text, seen.keyUps, static_cast<int>(text.size())); }

    static void Shot(const std::string& name) {
        PumpUntil([] { return !PaintPending(); }, kWait);  // windows just shown get their paint first
        Application->ProcessMessages();
        RunHost("xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- " + std::string(FW_SCREENSHOT_DIR) + "/" + name +
                ".png");
    }
    // Colour of the screen at a point, read through the screen's device context.
    static TColor ScreenPixel(POINT p) {
        HDC dc = GetDC(nullptr);
        COLORREF c = GetPixel(dc, p.x, p.y);
        ReleaseDC(nullptr, dc);
        return static_cast<TColor>(c);
    }
    // Whether the screen comes to show the colour at the point: painting runs
    // behind the input.
    static ::testing::AssertionResult Shows(POINT p, COLORREF expected) {
        TColor want = static_cast<TColor>(expected);
        if (PumpUntil([&] { return ScreenPixel(p) == want; }, 10000)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "the screen at " << p.x << "," << p.y << " shows " << std::hex << ScreenPixel(p) << ", not " << want;
    }

    TGalleryForm* form = nullptr;
    HHOOK mouseHook = nullptr, keyboardHook = nullptr;
};

}  // namespace

TEST_F(Gallery, SkinsArePaintedFromTheLayoutsBitmaps) {
    Shot("gallery-start");
    // The header's tile: (0,0) is the dark tone of the checker, (8,0) the light one.
    EXPECT_TRUE(Shows(At(form->Header, 0, 0), RGB(40, 90, 160)));
    EXPECT_TRUE(Shows(At(form->Header, 8, 0), RGB(60, 120, 200)));
    // The button shows frame 1 of its strip (red face, black edge).
    EXPECT_TRUE(Shows(At(form->CountButton, 10, 10), RGB(200, 60, 60)));
    EXPECT_TRUE(Shows(At(form->CountButton, 0, 10), RGB(0, 0, 0)));
}

TEST_F(Gallery, BitmapButtonsClickAndShowTheirPressedFrame) {
    MoveTo(At(form->CountButton, 20, 12));
    Press();
    EXPECT_TRUE(Shows(At(form->CountButton, 10, 10), RGB(60, 160, 60))) << "pressed frame";
    Shot("gallery-pressed");
    Release();
    EXPECT_TRUE(Shows(At(form->CountButton, 10, 10), RGB(200, 60, 60)));
    Click();
    EXPECT_EQ(form->Counter->Caption(), "2");
    // Pressed on the button, released elsewhere: no click.
    Press();
    MoveTo(At(form->Header, 5, 5));
    Release();
    EXPECT_EQ(form->clicks, 2);
    // The button inside the skinned header.
    MoveTo(At(form->CloseButton, 20, 12));
    Click();
    EXPECT_EQ(form->events, std::vector<std::string>{"close"});
}

TEST_F(Gallery, ImmediateDragAndDropWithAcceptance) {
    MoveTo(At(form->Source, 60, 60));
    Press();
    EXPECT_TRUE(form->Source->Dragging()) << "the drag starts at once";
    MoveTo(At(form->Header, 200, 20));  // over a control that accepts nothing
    EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
    MoveTo(At(form->Target, 50, 50));
    MoveTo(At(form->Target, 80, 60));
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint)) << "the source's drag cursor over an accepting target";
    Shot("gallery-dragging");
    Release();
    EXPECT_FALSE(form->Source->Dragging());
    EXPECT_EQ(form->events, (std::vector<std::string>{"enter", "move", "drop Source", "end on Target"}));
    EXPECT_EQ(form->dropAt.x, 80);
    EXPECT_EQ(form->dropAt.y, 60);
    EXPECT_EQ(form->Target->Caption(), "Dropped");
    // A drop where nothing accepts ends the drag without a target. (Pressed
    // away from the first press, so it is never taken for a double click.)
    form->events.clear();
    MoveTo(At(form->Source, 40, 40));
    Press();
    MoveTo(At(form->Header, 100, 20));
    Release();
    EXPECT_EQ(form->events, std::vector<std::string>{"end on nothing"});
    Shot("gallery-dropped");
}

TEST_F(Gallery, HoverShowsTheHintWindow) {
    Application->SetHintPause(200);
    // Only leaving the control may take the hint away here, not its timeout.
    int hidePause = Application->HintHidePause();
    Application->SetHintHidePause(0);
    MoveTo(At(form->CountButton, 10, 10));
    MoveTo(At(form->CountButton, 12, 12));
    ASSERT_TRUE(PumpUntil([] { return Application->HintWindow() && Application->HintWindow()->IsHintShown(); }, kWait));
    EXPECT_EQ(Application->HintWindow()->Caption(), "Counts the clicks");
    RECT r;
    GetWindowRect(Application->HintWindow()->Handle(), &r);
    POINT cursor = At(form->CountButton, 12, 12);
    EXPECT_GT(r.top, cursor.y) << "below the pointer";
    // The kept screenshot shows the hint drawn, its text on its colour.
    std::string check =
        CaptureShowsDrawnText(std::string(FW_SCREENSHOT_DIR) + "/gallery-hint.png", std::to_string(r.left + 1),
                              std::to_string(r.top + 1), std::to_string(r.right - r.left - 2),
                              std::to_string(r.bottom - r.top - 2), ColorToRGB(Application->HintColor()));
    EXPECT_TRUE(PumpUntil([&] { return RunHost(check) == 0; }, kWait)) << "the screenshot never showed the hint's text";
    // Leaving the control takes the hint away.
    MoveTo(At(form->Source, 5, 5));
    EXPECT_FALSE(Application->HintWindow()->IsHintShown());
    // OnShowHint may place the hint: here at the control's bottom-left corner.
    Application->OnShowHint = [](std::string& text, bool& canShow, THintInfo& info) {
        info.HintPos = info.HintControl->ClientToScreen(POINT{0, info.HintControl->Height()});
        text = "[" + text + "]";
    };
    MoveTo(At(form->CountButton, 10, 10));
    MoveTo(At(form->CountButton, 11, 11));
    bool shown = PumpUntil([] { return Application->HintWindow()->IsHintShown(); }, kWait);
    Application->OnShowHint = nullptr;
    Application->SetHintHidePause(hidePause);
    ASSERT_TRUE(shown);
    GetWindowRect(Application->HintWindow()->Handle(), &r);
    POINT corner = At(form->CountButton, 0, form->CountButton->Height());
    EXPECT_EQ(r.left, corner.x);
    EXPECT_EQ(r.top, corner.y);
    EXPECT_EQ(Application->HintWindow()->Caption(), "[Counts the clicks]");
    MoveTo(At(form->Source, 5, 5));
}

TEST_F(Gallery, ScrollBarEditAndPopupMenuTakeRealInput) {
    // The scroll bar's right arrow steps by one, the track by the large change.
    MoveTo(At(form->Scroll, form->Scroll->Width() - 5, 8));
    Click();
    EXPECT_EQ(form->Scroll->Position(), 1);
    MoveTo(At(form->Scroll, form->Scroll->Width() - 60, 8));
    Click();
    EXPECT_EQ(form->Scroll->Position(), 4);
    // Typing into the edit.
    MoveTo(At(form->Entry, 10, 10));
    Click();
    Type("42");
    EXPECT_EQ(form->Entry->Text(), "42");
    // The target's popup menu, chosen with the keyboard while it is open: the
    // host script waits for the menu, takes the screenshot and presses the keys.
    form->Target->SetCaption("Dropped");
    MoveTo(At(form->Target, 30, 30));
    menuWatch.marker = TestTempPath("gallery-menu-" + std::to_string(GetCurrentProcessId()));
    std::remove(menuWatch.marker.c_str());
    menuWatch.opened = false;
    menuWatch.paintedTicks = 0;
    menuWatch.deadline = GetTickCount() + kWait;
    const std::string& marker = menuWatch.marker;
    // Once the menu is open, the host script takes screenshots until one shows
    // the menu drawn, notes whether it did, and chooses "Clear" (the default
    // title entry first, then the separator that the keys pass over).
    std::string drawn = marker + ".drawn";
    std::remove(drawn.c_str());
    ASSERT_EQ(RunHost("(for i in $(seq 1200); do [ -e '" + marker + "' ] && break; sleep 0.05; done; [ -e '" + marker +
                      "' ] && { read x y w h < '" + marker + "'; for i in $(seq 100); do " +
                      CaptureShowsDrawnText(FW_SCREENSHOT_DIR "/gallery-menu.png", "$x", "$y", "$w", "$h",
                                            GetSysColor(COLOR_MENU)) +
                      " && { echo drawn > '" + drawn +
                      "'; break; }; sleep 0.1; done; xdotool key Down Down Return; })"
                      " >/dev/null 2>&1 &"),
              0);
    UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchMenu);
    RightClick();
    bool cleared = PumpUntil([&] { return form->Target->Caption() == "Drop here"; }, kWait);
    KillTimer(nullptr, timer);
    std::remove(marker.c_str());
    EXPECT_TRUE(menuWatch.opened) << "the popup menu never showed";
    EXPECT_EQ(ReadFileBytes(drawn), "drawn\n") << "no screenshot showed the menu's text";
    std::remove(drawn.c_str());
    EXPECT_EQ(menuWatch.defaultItem, 0) << "the title is the menu's default (bold) entry";
    EXPECT_TRUE(cleared);
    Shot("gallery-end");
    EXPECT_EQ(form->events, (std::vector<std::string>{"scroll 1", "scroll 4", "clear"}));
}
