// Forms read from layout resources: owners, parents, order, handlers,
// fields, references, and the errors of malformed layouts.
#include <gtest/gtest.h>

#include <vector>

#include "application.h"
#include "extctrls.h"
#include "forms.h"
#include "layout.h"
#include "menus.h"
#include "pump.h"
#include "stdctrls.h"
#include "timer.h"

namespace {

class TSmallForm : public TForm {
public:
    explicit TSmallForm(TComponent* owner) : TForm(owner, "TSmallForm") {
        PublishMethod("FormCreate", this, &TSmallForm::FormCreate);
        PublishMethod("FormClose", this, &TSmallForm::FormClose);
        PublishMethod("LabelClick", this, &TSmallForm::LabelClick);
        PublishMethod("ItemClick", this, &TSmallForm::ItemClick);
        BindField("Panel1", Panel1);
        BindField("Label1", Label1);
        BindField("Timer1", Timer1);
    }
    void FormCreate(TObject*) { log.push_back("create " + Panel1->Name()); }
    void FormClose(TObject*, TCloseAction& action) { log.push_back("close"); }
    void LabelClick(TObject* sender) { log.push_back("label " + static_cast<TComponent*>(sender)->Name()); }
    void ItemClick(TObject*) { log.push_back("item"); }

    TPanel* Panel1 = nullptr;
    TLabel* Label1 = nullptr;
    TTimer* Timer1 = nullptr;
    std::vector<std::string> log;
};

}  // namespace

TEST(Layout, BuildsTheFormWithOwnersParentsAndHandlers) {
    TSmallForm* form = NewForm<TSmallForm>(Application);
    ASSERT_NE(form->Panel1, nullptr);
    EXPECT_EQ(form->Name(), "SmallForm");
    // The UTF-8 text of the layout arrives in the ANSI code page.
    const std::wstring expected = L"\x41c\x430\x43b\x435\x43d\x44c\x43a\x430\x44f \x444\x43e\x440\x43c\x430";
    BOOL lossy = FALSE;
    char ansi[64] = {};
    WideCharToMultiByte(CP_ACP, 0, expected.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
    EXPECT_EQ(form->Caption(), std::string(ansi));
    if (!lossy) {
        wchar_t back[64] = {};
        MultiByteToWideChar(CP_ACP, 0, form->Caption().c_str(), -1, back, 64);
        EXPECT_EQ(std::wstring(back), expected);
    }
    // Every component is owned by the form, in the order of the layout.
    std::vector<std::string> names;
    for (int i = 0; i < form->ComponentCount(); ++i) names.push_back(form->Components(i)->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Panel1", "Label1", "Box1", "Menu1", "Item1", "Timer1"}));
    EXPECT_EQ(form->FindComponent("box1")->ComponentIndex(), 2);
    EXPECT_EQ(form->FindComponent("Box1")->Tag(), 7);
    // Controls are parented by the object they sit in.
    EXPECT_EQ(form->Label1->Parent(), form->Panel1);
    EXPECT_EQ(form->Panel1->Parent(), form);
    EXPECT_EQ(form->Panel1->ControlCount(), 2);
    // References resolve to components read later in the file.
    EXPECT_EQ(form->Panel1->PopupMenu(), form->FindComponent("Menu1"));
    auto* menu = static_cast<TPopupMenu*>(form->FindComponent("Menu1"));
    ASSERT_EQ(menu->Items()->Count(), 1);
    EXPECT_EQ(menu->Items()->Items(0)->Caption(), "One");
    // Fonts pass from the form to the controls that keep the parent's font.
    EXPECT_EQ(form->Label1->Font()->Name(), "Arial");
    EXPECT_EQ(form->Label1->Font()->Style(), fsBold);
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_EQ(form->Timer1->Interval(), 10u);
    // OnCreate ran once the fields were bound.
    EXPECT_EQ(form->log, std::vector<std::string>{"create Panel1"});
    form->Label1->OnClick(form->Label1);
    menu->Items()->Items(0)->Click();
    EXPECT_EQ(form->log, (std::vector<std::string>{"create Panel1", "label Label1", "item"}));
    FreeAndNil(form);
}

TEST(Layout, MouseClicksReachTheWindowlessLabel) {
    TSmallForm* form = NewForm<TSmallForm>(Application);
    form->Show();
    Pump(50);
    HWND panel = form->Panel1->Handle();
    LPARAM at = MAKELPARAM(10, 10);  // inside Label1 (5,5 80x16)
    SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(panel, WM_LBUTTONUP, 0, at);
    // A release outside the label is no click.
    SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(150, 90));
    EXPECT_EQ(form->log, (std::vector<std::string>{"create Panel1", "label Label1"}));
    FreeAndNil(form);
}

namespace {
class TEmptyForm : public TForm {
public:
    explicit TEmptyForm(TComponent* owner) : TForm(owner, "TNOSUCHLAYOUT") {
        PublishMethod("Clicked", this, &TEmptyForm::Clicked);
        PublishHandler("Moved", TMouseMoveEvent([](TObject*, TShiftState, int, int) {}));
    }
    void Clicked(TObject*) {}
};
}  // namespace

TEST(Layout, MalformedLayoutsFailWithTheirLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"TEmptyForm F\n  Width = \"ten\"\nend\n", "Layout line 2: number expected"},
        {"TEmptyForm F\n  Bogus = 1\nend\n", "Layout line 2: unknown property Bogus"},
        {"TEmptyForm F\n  TNoClass X\n  end\nend\n", "Layout line 2: unknown class TNoClass"},
        {"TEmptyForm F\n  TPanel P\nend\n", "Layout line 3: missing end"},
        {"TEmptyForm F\nend\nend\n", "Layout line 3: end without object"},
        {"TEmptyForm F\n  OnClick = Missing\nend\n", "Layout line 2: Handler Missing not found"},
        {"TEmptyForm F\n  OnClick = Moved\nend\n", "Layout line 2: Handler Moved has another type"},
        {"TEmptyForm F\n  TPanel P\n    PopupMenu = Nobody\n  end\nend\n", "Layout line 3: no component named Nobody"},
        {"TEmptyForm F\n  TPanel P\n    PopupMenu = F\n  end\nend\n", "Layout line 3: F is not a popup menu"},
        {"TEmptyForm F\n  Caption = \"open\nend\n", "Layout line 2: unterminated string"},
        {"TEmptyForm F\n  TPanel P\n  end\n  TLabel P\n  end\nend\n", "Layout line 4: a second component named P"},
        {"TEmptyForm F\n  BorderStyle = bsRound\nend\n", "Layout line 2: unknown value bsRound"},
        {"# only a comment\n", "Layout line 1: no object"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.text);
        TEmptyForm* form = NewForm<TEmptyForm>(Application);
        try {
            ReadLayout(form, c.text, Application->Instance());
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        FreeAndNil(form);
    }
}

TEST(Layout, FieldsWithoutAComponentStopTheForm) {
    class TMissingField : public TForm {
    public:
        explicit TMissingField(TComponent* owner) : TForm(owner, "TSMALLFORM") {
            PublishMethod("FormCreate", this, &TMissingField::Nothing);
            PublishMethod("FormClose", this, &TMissingField::NothingClose);
            PublishMethod("LabelClick", this, &TMissingField::Nothing);
            PublishMethod("ItemClick", this, &TMissingField::Nothing);
            BindField("Panel9", panel);
        }
        void Nothing(TObject*) {}
        void NothingClose(TObject*, TCloseAction&) {}
        TPanel* panel = nullptr;
    };
    int before = Application->ComponentCount();
    try {
        NewForm<TMissingField>(Application);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Field Panel9 of TSMALLFORM has no component");
    }
    EXPECT_EQ(Application->ComponentCount(), before) << "the half-built form is gone";
}

// Property names follow one rule everywhere, the framework's classes and the
// program's alike: letter case does not matter.
TEST(Layout, PropertyNamesIgnoreLetterCase) {
    TComponent root(nullptr);
    root.PublishHandler("PanelClick", TNotifyEvent([](TObject*) {}));
    ReadLayout(&root,
               "TRoot Root\n"
               "  TPanel Panel1\n"
               "    bounds = 1 2 30 40\n"
               "    CAPTION = \"Text\"\n"
               "    font.NAME = \"Arial\"\n"
               "    onClick = PanelClick\n"
               "  end\n"
               "end\n",
               nullptr);
    auto* panel = dynamic_cast<TPanel*>(root.FindComponent("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Left(), 1);
    EXPECT_EQ(panel->Height(), 40);
    EXPECT_EQ(panel->Caption(), "Text");
    EXPECT_EQ(panel->Font()->Name(), "Arial");
    EXPECT_TRUE(static_cast<bool>(panel->OnClick));
}
