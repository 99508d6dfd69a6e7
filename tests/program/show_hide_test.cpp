#include <gtest/gtest.h>

#include <string>

#include "controls/notifications.h"
#include "controls/show_hide.h"
#include "controls/skinned_registry.h"
#include "controls/wait_cursor.h"
#include "controls/form_links.h"
#include "layout.h"
#include "program_fixture.h"
#include "settings/settings.h"

namespace {

// Animations that end when the test says so, posting their end as the real
// ones do (through the main window, which passes it on).
struct FakeDoll : TDollAnimation {
    std::string& log;
    explicit FakeDoll(std::string& l) : log(l) {}
    void SetUpAnimation() override { log += "doll-setup "; }
    void FinishAnimation() override { log += "doll-finish "; }
    void StartHiding() override { log += "doll-hide "; }
    void StartShowing() override { log += "doll-show "; }
};
struct FakePatterns : TPatternAnimation {
    std::string& log;
    explicit FakePatterns(std::string& l) : log(l) {}
    void SetUpAnimation() override { log += "view-setup "; }
    void FinishAnimation() override { log += "view-finish "; }
    void StartOpening() override { log += "view-open "; }
    void StartClosing() override { log += "view-close "; }
};

// The main window's part: 1025..1030 go on to the sequencer, WM_USER is counted.
class MainStandIn : public TBaseViewerForm {
public:
    TShowHide* showHide = nullptr;
    int viewsChanged = 0;
    int hooks = 0;
    explicit MainStandIn(TComponent* owner) : TBaseViewerForm(owner, "MAINSTANDIN") {}
    void AnimationHook() override { ++hooks; }
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_VIEWS_CHANGED) {
            ++viewsChanged;
            return;
        }
        if (m.Msg >= WM_SHOW_PATTERNS && m.Msg <= WM_DOLL_SHOWN && showHide) {
            PostMessageA(showHide->Handle(), m.Msg, 0, 0);
            return;
        }
        TBaseViewerForm::WndProc(m);
    }
};

class ShowHideTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureFramework();
        main = new MainStandIn(nullptr);
        showHide = new TShowHide(main);
        showHide->SetParent(main);
        main->showHide = showHide;
        showHide->SetModels(&doll);
        showHide->SetModelShow(&view);
        showHide->Initialise();
        MainViewerForm = main;
        Screen->SetCursor(crDefault);
        log.clear();
    }
    void TearDown() override {
        MainViewerForm = nullptr;
        delete main;
        while (WaitCursorDepth() > 0) EndWaitCursor();
    }
    void Pump() { Application->ProcessMessages(); }

    std::string log;
    FakeDoll doll{log};
    FakePatterns view{log};
    MainStandIn* main = nullptr;
    TShowHide* showHide = nullptr;
};

}  // namespace

TEST_F(ShowHideTest, ChainsPassTheirStepsInOrderUnderOneWait) {
    RequestShowPatterns();
    EXPECT_EQ(main->hooks, 1);
    Pump();
    EXPECT_EQ(log, "doll-hide ");
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    RequestShowPatterns();  // a second press while the chain runs
    Pump();
    EXPECT_EQ(log, "doll-hide ");
    NotifyDollHidden();
    Pump();
    EXPECT_EQ(log, "doll-hide view-open ");
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    NotifyPatternsOpened();
    Pump();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_TRUE(showHide->PatternsShown());

    log.clear();
    RequestHidePatterns();
    Pump();
    EXPECT_EQ(log, "view-close ");
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    NotifyPatternsClosed();
    Pump();
    EXPECT_EQ(log, "view-close doll-show ");
    NotifyDollShown();
    Pump();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(WaitCursorDepth(), 0);

    // A close request while the doll is shown does nothing.
    log.clear();
    RequestHidePatterns();
    Pump();
    EXPECT_EQ(log, "");
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(ShowHideTest, ShowRequestDuringTheDollsFadeInEndsWithTheCursorReleased) {
    RequestShowPatterns();
    Pump();
    NotifyDollHidden();
    Pump();
    NotifyPatternsOpened();
    Pump();
    RequestHidePatterns();
    Pump();
    NotifyPatternsClosed();
    Pump();
    // The doll is fading in when the show button is pressed again: the fade
    // is cut short and never reports its end.
    log.clear();
    RequestShowPatterns();
    Pump();
    EXPECT_EQ(log, "doll-hide ");
    NotifyDollHidden();
    Pump();
    NotifyPatternsOpened();
    Pump();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(WaitCursorDepth(), 0);

    // And the other way round: a close request while the doll fades out; the
    // late end of the fade must not open the pattern view.
    log.clear();
    RequestHidePatterns();
    Pump();
    NotifyPatternsClosed();
    Pump();
    NotifyDollShown();
    Pump();
    RequestShowPatterns();
    Pump();
    RequestHidePatterns();
    Pump();
    NotifyDollHidden();  // late
    Pump();
    NotifyPatternsClosed();
    Pump();
    NotifyDollShown();
    Pump();
    EXPECT_EQ(log, "view-close doll-show doll-hide view-close doll-show ");
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(WaitCursorDepth(), 0);
}

TEST_F(ShowHideTest, NothingIsPostedBeforeTheMainWindowExists) {
    MainViewerForm = nullptr;
    RequestShowPatterns();
    NotifyViewsChanged();
    Pump();
    EXPECT_EQ(log, "");
    EXPECT_EQ(main->hooks, 0);
    MainViewerForm = main;
    NotifyViewsChanged();
    Pump();
    EXPECT_EQ(main->viewsChanged, 1);
}

namespace {
// Components of a form that carry the animations, as the doll panel and the
// pattern view do.
struct DollComponent : TComponent, FakeDoll {
    static inline std::string sharedLog;
    explicit DollComponent(TComponent* owner) : TComponent(owner), FakeDoll(sharedLog) {}
};
struct PatternComponent : TComponent, FakePatterns {
    static inline std::string sharedLog;
    explicit PatternComponent(TComponent* owner) : TComponent(owner), FakePatterns(sharedLog) {}
};
}  // namespace

// The main window's layout names the sequencer and what it animates.
TEST(ShowHideLayout, ModelsAndModelShowAreReferencesToTheFormsComponents) {
    EnsureFramework();
    RegisterProgramControls();
    RegisterComponentClass<DollComponent>("TDollComponent");
    RegisterComponentClass<PatternComponent>("TPatternComponent");
    MainStandIn main(nullptr);
    ReadLayout(&main,
               "MainStandIn Main\n"
               "  TShowHide ShowHide1\n"
               "    Models = Doll\n"
               "    modelshow = Patterns\n"
               "  end\n"
               "  TDollComponent Doll\n"
               "  end\n"
               "  TPatternComponent Patterns\n"
               "  end\n"
               "end\n",
               nullptr);
    auto* showHide = dynamic_cast<TShowHide*>(main.FindComponent("ShowHide1"));
    ASSERT_NE(showHide, nullptr);
    EXPECT_EQ(showHide->Models(),
              static_cast<TDollAnimation*>(dynamic_cast<DollComponent*>(main.FindComponent("Doll"))));
    EXPECT_EQ(showHide->ModelShow(),
              static_cast<TPatternAnimation*>(dynamic_cast<PatternComponent*>(main.FindComponent("Patterns"))));
    // A component that animates nothing is refused.
    MainStandIn other(nullptr);
    EXPECT_THROW(ReadLayout(&other, "MainStandIn M\n TShowHide S\n Models = T\n end\n TTimer T\n end\nend\n", nullptr),
                 EConvertError);
}
