#include <gtest/gtest.h>

#include <string>

#include "controls/app_events.h"
#include "controls/skinned_registry.h"
#include "layout.h"
#include "program_fixture.h"

TEST(AppEvents, DispatchWalksFromTheLatestAndStopsAtAnUnchainedOne) {
    EnsureFramework();
    std::string log;
    Application->OnRestore = [&](TObject*) { log += "app "; };
    {
        TAppEvents first(nullptr), second(nullptr);
        first.OnRestore = [&](TObject*) { log += "first "; };
        second.OnRestore = [&](TObject*) { log += "second "; };
        Application->OnRestore(Application);
        EXPECT_EQ(log, "second first app ");

        log.clear();
        second.SetChained(false);
        Application->OnRestore(Application);
        EXPECT_EQ(log, "second ");

        // A component without a handler still stops the walk when unchained.
        log.clear();
        second.OnRestore = nullptr;
        Application->OnRestore(Application);
        EXPECT_EQ(log, "");
    }
    // With the last component gone the application's handler is back.
    log.clear();
    Application->OnRestore(Application);
    EXPECT_EQ(log, "app ");
    Application->OnRestore = nullptr;
}

TEST(AppEvents, HandledFlagAndResults) {
    EnsureFramework();
    TAppEvents first(nullptr), second(nullptr);
    int calls = 0;
    first.OnMessage = [&](MSG&, bool&) { ++calls; };
    second.OnMessage = [&](MSG& msg, bool& handled) {
        ++calls;
        handled = msg.message == WM_USER;
    };
    MSG msg{};
    bool handled = false;
    msg.message = WM_USER;
    Application->OnMessage(msg, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(calls, 1) << "a handled message goes no further";
    handled = false;
    msg.message = WM_USER + 1;
    Application->OnMessage(msg, handled);
    EXPECT_EQ(calls, 3);

    // Help returns what the last handler called said.
    first.OnHelp = [](WORD, int, bool&) { return false; };
    second.OnHelp = [](WORD, int, bool&) { return true; };
    bool callHelp = true;
    EXPECT_FALSE(Application->OnHelp(1, 0, callHelp));

    // Exceptions reach every handler; the error display is not needed then.
    int errors = 0;
    first.OnException = [&](TObject*, Exception&) { ++errors; };
    Exception error("boom");
    Application->OnException(Application, error);
    EXPECT_EQ(errors, 1);
}

TEST(AppEvents, SettingsReachTheApplicationAndTheMouse) {
    EnsureFramework();
    TAppEvents events(nullptr);
    events.SetHintPause(123);
    EXPECT_EQ(Application->HintPause(), 123);
    Application->SetHintHidePause(777);
    EXPECT_EQ(events.HintHidePause(), 777) << "getters read the live value";
    events.SetMouseDragThreshold(9);
    EXPECT_EQ(Mouse->DragThreshold(), 9);

    // Loaded pushes every stored value: a fresh component's defaults, as the
    // published table gives them (numbers, not the code's own constants),
    // over application values that differ from every one of them.
    TAppEvents loaded(nullptr);
    Application->SetHintColor(clRed);
    Application->SetHintPause(1);
    Application->SetShowHint(false);
    Application->SetHintShortPause(1);
    Application->SetHintHidePause(1);
    Application->SetHintShortCuts(false);
    Application->SetBiDiMode(1);
    Mouse->SetDragImmediate(false);
    Mouse->SetDragThreshold(1);
    loaded.Loaded();
    EXPECT_EQ(static_cast<unsigned>(Application->HintColor()), 0x80000018u) << "the tooltip background system colour";
    EXPECT_EQ(Application->HintPause(), 500);
    EXPECT_TRUE(Application->ShowHint());
    EXPECT_EQ(Application->HintShortPause(), 50);
    EXPECT_EQ(Application->HintHidePause(), 2500);
    EXPECT_TRUE(Application->HintShortCuts());
    EXPECT_EQ(Application->BiDiMode(), 0);
    EXPECT_TRUE(Mouse->DragImmediate());
    EXPECT_EQ(Mouse->DragThreshold(), 5);
}

TEST(AppEvents, SettingsChangeOfTheApplicationWindow) {
    EnsureFramework();
    TAppEvents events(nullptr);
    std::string seen;
    events.OnSettingsChanged = [&](TObject*, int flag, const std::string& section, int& result) {
        seen = std::to_string(flag) + " " + section;
    };
    char section[] = "intl";
    SendMessageA(Application->Handle(), WM_SETTINGCHANGE, 2, reinterpret_cast<LPARAM>(section));
    EXPECT_EQ(seen, "2 intl");
}

// The main window's layout sets the hint colour, the pauses, chaining and
// the handlers by name, in any letter case.
TEST(AppEvents, ALayoutSetsTheSettingsAndHandlersByName) {
    EnsureFramework();
    RegisterProgramControls();
    TComponent root(nullptr);
    int restores = 0;
    root.PublishHandler("AppRestore", TNotifyEvent([&](TObject*) { ++restores; }));
    ReadLayout(&root,
               "TViewForm ViewForm\n"
               "  TAppEvents AppEvents1\n"
               "    HintColor = $00C08040\n"
               "    hintpause = 250\n"
               "    HintHidePause = 9000\n"
               "    Chained = false\n"
               "    MouseDragThreshold = 3\n"
               "    OnRestore = AppRestore\n"
               "  end\n"
               "end\n",
               nullptr);
    auto* events = dynamic_cast<TAppEvents*>(root.FindComponent("AppEvents1"));
    ASSERT_NE(events, nullptr);
    events->Loaded();
    EXPECT_EQ(Application->HintColor(), 0x00C08040);
    EXPECT_EQ(Application->HintPause(), 250);
    EXPECT_EQ(Application->HintHidePause(), 9000);
    EXPECT_EQ(Mouse->DragThreshold(), 3);
    EXPECT_FALSE(events->Chained());
    Application->OnRestore(Application);
    EXPECT_EQ(restores, 1);
    EXPECT_THROW(ReadLayout(&root, "TViewForm ViewForm\n TAppEvents Other\n HintPause = x\n end\nend\n", nullptr),
                 EConvertError);
    root.DestroyComponents();
    Application->SetHintColor(clInfoBk);
    Application->SetHintPause(500);
    Application->SetHintHidePause(2500);
    Mouse->SetDragThreshold(5);
}
