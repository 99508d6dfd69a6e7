// Forms: modal results, closing, the order of events at destruction.
#include <gtest/gtest.h>

#include <vector>

#include "application.h"
#include "forms.h"
#include "pump.h"
#include "stdctrls.h"
#include "timer.h"

namespace {

class TPlainForm : public TForm {
public:
    explicit TPlainForm(TComponent* owner) : TForm(owner, "TPLAINFORM") {}
};

// Runs a step from the message loop once the form is shown.
void Later(TComponent* owner, std::function<void()> step) {
    auto* timer = new TTimer(owner);
    timer->SetInterval(30);
    timer->OnTimer = [timer, step](TObject*) {
        timer->SetEnabled(false);
        step();
    };
}

}  // namespace

TEST(ModalForm, ReturnsTheResultThatEndsIt) {
    TPlainForm* form = NewForm<TPlainForm>(Application);
    Later(form, [form] { form->SetModalResult(mrOk); });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    // Closing a modal form gives cancel; the next showing starts at none.
    Later(form, [form] { form->Close(); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    FreeAndNil(form);
}

TEST(ModalForm, CloseQueryCanKeepItOpen) {
    TPlainForm* form = NewForm<TPlainForm>(Application);
    int asked = 0;
    form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
    Later(form, [form] {
        form->Close();  // refused
        auto* again = new TTimer(form);
        again->SetInterval(30);
        again->OnTimer = [form, again](TObject*) {
            again->SetEnabled(false);
            EXPECT_TRUE(form->Visible());
            form->SetModalResult(mrNo);
        };
    });
    EXPECT_EQ(form->ShowModal(), mrNo);
    EXPECT_EQ(asked, 2);
    FreeAndNil(form);
}

TEST(ModalForm, OtherWindowsAreDisabledMeanwhile) {
    TPlainForm* other = NewForm<TPlainForm>(Application);
    other->Show();
    TPlainForm* form = NewForm<TPlainForm>(Application);
    bool otherEnabled = true;
    Later(form, [&] {
        otherEnabled = IsWindowEnabled(other->Handle());
        form->SetModalResult(mrOk);
    });
    form->ShowModal();
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    FreeAndNil(form);
    FreeAndNil(other);
}

TEST(FormLifetime, HideAndDestroyRunBeforeTheComponentsGo) {
    std::vector<std::string> log;
    TPlainForm* form = NewForm<TPlainForm>(Application);
    struct Probe : TComponent {
        Probe(TComponent* owner, std::vector<std::string>& log, std::string name)
            : TComponent(owner), log_(log), name_(std::move(name)) {}
        ~Probe() override { log_.push_back("free " + name_); }
        std::vector<std::string>& log_;
        std::string name_;
    };
    new Probe(form, log, "first");
    new Probe(form, log, "second");
    form->OnHide = [&](TObject*) { log.push_back("hide"); };
    TPlainForm* self = form;  // FreeAndNil clears `form` first
    form->OnDestroy = [&log, self](TObject*) { log.push_back("destroy " + IntToStr(self->ComponentCount())); };
    form->Show();
    FreeAndNil(form);
    EXPECT_EQ(log, (std::vector<std::string>{"hide", "destroy 2", "free second", "free first"}));
}

TEST(FormLifetime, WindowCloseHidesAFormThatIsNotMain) {
    TPlainForm* form = NewForm<TPlainForm>(Application);
    bool closed = false;
    form->OnClose = [&](TObject*, TCloseAction& action) {
        closed = true;
        EXPECT_EQ(action, caHide);  // not the main form
    };
    form->Show();
    PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return closed; }, 2000));
    EXPECT_FALSE(form->Visible());
    FreeAndNil(form);
}

TEST(FormLifetime, AControlFreedWhileDraggedEndsTheDrag) {
    TPlainForm* form = NewForm<TPlainForm>(Application);
    auto* source = new TPanel(form);
    source->SetParent(form);
    source->SetBounds(10, 10, 50, 50);
    form->Show();
    source->BeginDrag(true);
    ASSERT_EQ(DragSource(), source);
    delete source;
    EXPECT_EQ(DragSource(), nullptr);
    // The window that held the capture goes on taking input.
    SendMessageA(form->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 30));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    EXPECT_NE(GetCapture(), form->Handle());
    FreeAndNil(form);
}

// The program's end: the main form's window is closed, the loop ends and the
// framework is finalised. Every form is hidden and then destroyed, the last
// created first, while the application's window still stands.
TEST(FormLifetime, FinalisingTheFrameworkHidesAndDestroysTheFormsInOrder) {
    FinalizeFramework();
    InitializeFramework();
    std::vector<std::string> log;
    auto watch = [&log](TForm* form, const std::string& name) {
        form->OnHide = [&log, name](TObject*) {
            log.push_back("hide " + name + (IsWindow(Application->Handle()) ? "" : " without the application"));
        };
        form->OnDestroy = [&log, name](TObject*) { log.push_back("destroy " + name); };
    };
    TPlainForm *main = nullptr, *help = nullptr, *slots = nullptr;
    Application->CreateForm(main);
    Application->CreateForm(help);
    Application->CreateForm(slots);
    ASSERT_EQ(Application->MainForm(), main);
    watch(main, "main");
    watch(help, "help");
    watch(slots, "slots");
    help->Show();
    Later(main, [main] { PostMessageA(main->Handle(), WM_CLOSE, 0, 0); });
    Application->Run();
    EXPECT_TRUE(IsWindowVisible(main->Handle())) << "closing the main form only ends the loop";
    HWND mainWindow = main->Handle();
    FinalizeFramework();
    EXPECT_EQ(Application, nullptr);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_EQ(log,
              (std::vector<std::string>{"destroy slots", "hide help", "destroy help", "hide main", "destroy main"}));
    InitializeFramework();
}
