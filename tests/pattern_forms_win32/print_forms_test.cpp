// The pattern print form and the doll print form as the user works them:
// the measurement edits (refusals answered with the message box, the widths
// kept in proportion, the standard button, the slot's values), printing the
// data set's 100 mm test square and the dressed doll to the PDF printer and
// measuring them on the page, a doll wearing only shoes, and the closing
// buttons. The doll panel and its categories come from a small layout like
// the main window's, over a copy of the data set with one blouse more: a
// single 100 mm square piece.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/garment_host_win32.h"
#include "controls/bitmap_button.h"
#include "controls/brush_select_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/show_hide.h"
#include "extctrls.h"
#include "forms/doll_print_form_win32.h"
#include "forms/pattern_print_form_win32.h"
#include "forms_win32_fixture.h"
#include "layout.h"
#include "models/printer_helpers.h"
#include "picture/kora_win32.h"
#include "printers.h"
#include "settings/registry_store.h"
#include "stdctrls.h"

namespace {

template <class Condition>
bool PumpUntil(Condition done, DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (!done()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        Application->ProcessMessages();
        Sleep(5);
    }
    return true;
}

// Answers the first message box or common dialog the given thread shows:
// keeps its text and presses the button given (IDOK, IDCANCEL).
class DialogAnswer {
public:
    DialogAnswer(DWORD thread, int button) : thread_(thread), button_(button) {
        worker_ = std::thread([this] { Run(); });
    }
    ~DialogAnswer() {
        stop_ = true;
        worker_.join();
    }
    bool Seen() const { return seen_; }
    std::string Text() const { return seen_ ? text_ : std::string(); }

private:
    static BOOL CALLBACK Find(HWND hwnd, LPARAM self) {
        char name[16] = {};
        GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) == "#32770" && IsWindowVisible(hwnd)) *reinterpret_cast<HWND*>(self) = hwnd;
        return TRUE;
    }
    void Run() {
        while (!stop_ && !seen_) {
            HWND box = nullptr;
            EnumThreadWindows(thread_, Find, reinterpret_cast<LPARAM>(&box));
            if (box) {
                char text[512] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                text_ = text;
                Sleep(100);
                PostMessageA(box, WM_COMMAND, button_, 0);
                seen_ = true;
            }
            Sleep(20);
        }
    }
    DWORD thread_;
    int button_;
    std::string text_;
    std::atomic<bool> seen_{false}, stop_{false};
    std::thread worker_;
};

// The doll panel, the drum and the eight categories as the main window's
// layout sets them up, and the switch that names the panel as the doll's
// animation.
std::string DollLayout() {
    const char* const slots[DollSlotCount] = {"Wn", "Pl", "Br", "Bl", "Hl", "Yu", "Sh", "Tf"};
    const char* const places[DollSlotCount] = {"0 0 200 360", "0 0 200 360", "0 0 200 360", "0 0 200 360",
                                               "0 0 200 360", "0 0 200 360", "0 0 200 80",  "0 240 200 120"};
    const std::vector<std::string> bad[DollSlotCount] = {{"Bl", "Hl", "Yu", "Pl"},
                                                         {"Bl", "Br", "Hl", "Yu", "Wn"},
                                                         {"Hl", "Pl", "Yu"},
                                                         {"Hl", "Pl", "Wn"},
                                                         {"Bl", "Br", "Pl", "Yu", "Wn"},
                                                         {"Br", "Hl", "Pl", "Wn"},
                                                         {},
                                                         {}};
    std::string t =
        "TForm PrintFormsHost\n  Bounds = 40 40 420 400\n  BorderStyle = bsNone\n"
        "  TImage DollImage\n    Bounds = 0 0 1 1\n    Visible = false\n  end\n"
        "  TImage FillsImageS\n    Bounds = 0 0 60 60\n    Visible = false\n  end\n"
        "  TImage FillsImageM\n    Bounds = 0 0 60 60\n    Visible = false\n  end\n"
        "  TImage FaseBrushImage\n    Bounds = 0 0 99 103\n    Visible = false\n  end\n"
        "  TBrushSelect Drum\n    Bounds = 260 20 99 103\n    BrushsImageS = FillsImageS\n"
        "    BrushsImageM = FillsImageM\n    FaseImage = FaseBrushImage\n    CountFaseOpen = 7\n"
        "    CountFaseRotate = 5\n  end\n";
    for (int s = 0; s < DollSlotCount; ++s)
        t += std::string("  TClassModels Class") + slots[s] + "\n    Maska = \"" + slots[s] + "*\"\n  end\n";
    t += "  TAllModels AllModels\n    Visible = false\n    BrushSelect = Drum\n";
    for (int s = 0; s < DollSlotCount; ++s) t += "    cm" + std::to_string(s) + " = Class" + slots[s] + "\n";
    t +=
        "  end\n  TModels Models\n    Bounds = 10 10 200 360\n    SorvelImage = DollImage\n    AllModels = AllModels\n";
    for (int s = 0; s < DollSlotCount; ++s)
        t += std::string("    ModelsItem") + slots[s] + " = ModelsItem" + slots[s] + "\n";
    for (int s = 0; s < DollSlotCount; ++s) {
        t += std::string("    TModelsItem ModelsItem") + slots[s] + "\n      Bounds = " + places[s] +
             "\n      Visible = false\n      ClassModels = Class" + slots[s] + "\n";
        for (size_t b = 0; b < bad[s].size(); ++b)
            t += "      Bad" + std::to_string(b + 1) + " = ModelsItem" + bad[s][b] + "\n";
        t += "    end\n";
    }
    return t + "  end\n  TShowHide ShowHide\n    Models = Models\n  end\nend\n";
}

std::string Trimmed(std::string s) {
    s.erase(s.find_last_not_of(" \r\n") + 1);
    return s;
}

struct PrintForms : testing::Test {
    static void SetUpTestSuite() {
        EnsureForms();
        savedFolder = ProgramFolder;
        const std::string app = TestTempPath("app");
        // The square borrows the sleeveless top's pictures and description.
        RunHost("rm -rf '" + app + "' && cp -rl '" DATASET_UNIX_DIR "' '" + app + "' && cd '" + app +
                "/models' && for e in .bmp v.bmp .rtf; do cp bl02$e bl09$e; done");
        WriteFileBytes(app + "/models/bl09.mdl",
                       "Test square(120,120)\r\nSquare(10,10,100,100)\r\n  LINESG(0,0) (100,0)\r\n"
                       "  LINESG(100,0) (100,100)\r\n  LINESG(100,100) (0,100)\r\n  LINESG(0,100) (0,0)\r\n"
                       "  TEXT(30,50) Square\r\n  POINTFILL(50,50)\r\n}\r\n");
        ProgramFolder = WinPath(app) + "\\";
    }
    static void TearDownTestSuite() { ProgramFolder = savedFolder; }

    void SetUp() override {
        SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
        host = new TForm(Application, "TPRINTFORMSHOST");
        ReadLayout(host, DollLayout(), nullptr);
        host->InitializeForm();
        auto picture = [&](const char* image, const char* file) {
            auto bitmap = std::make_unique<TBitmap>();
            LoadPictureFile(*bitmap, ProgramFolder + "Resource\\" + file);
            static_cast<TImage*>(host->FindComponent(image))->Picture()->SetGraphic(bitmap.get());
        };
        picture("DollImage", "Doll.bmp");
        picture("FillsImageS", "FillsS.bmp");
        picture("FillsImageM", "FillsM.bmp");
        picture("FaseBrushImage", "FsBrush.bmp");
        drum = static_cast<TBrushSelect*>(host->FindComponent("Drum"));
        all = static_cast<TAllModels*>(host->FindComponent("AllModels"));
        models = static_cast<TModels*>(host->FindComponent("Models"));
        ASSERT_TRUE(drum && all && models);
        drum->PrepareDrum();
        ConnectGarmentHost();
        TRegIniFileM registry(ProgramKey);
        all->Load(239, 212, "States1", registry);
        models->SetUp();
        sform = NewForm<TSForm>(nullptr);
        sform->Models = models;
        pcform = NewForm<TPCForm>(nullptr);
        pcform->Models = models;
    }
    void TearDown() override {
        FreeAndNil(sform);
        FreeAndNil(pcform);
        if (models) models->Release();
        if (drum) drum->ReleaseDrum();
        delete host;
        SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
    }

    // The index of the category's model of this title, or -1.
    int ModelTitled(DollSlot slot, const std::string& title) {
        GarmentCategory* category = all->cm[slot];
        for (int i = 0; category && i < category->Count(); ++i)
            if (category->ModelAt(i)->Title == title) return i;
        return -1;
    }
    // Dresses the doll as a slot does: the worn index in one slot, nothing
    // in the others.
    void Wear(DollSlot slot, int index) {
        TRegIniFileM registry(ProgramKey);
        for (int s = 0; s < DollSlotCount; ++s)
            registry.WriteInteger("States8", std::string("ModelsItem") + DollSlotSuffix(DollSlot(s)),
                                  s == slot ? index : -1);
        models->LoadSlot(registry, "States8");
        ASSERT_TRUE(models->Doll().Dressing.Worn(slot));
    }

    // Leaves the edit holding the text, as a click elsewhere does; answers
    // the message box that a refusal shows and returns its text ("" when
    // none came).
    std::string LeaveEdit(TEdit* edit, void (TSForm::*exit)(TObject*), const std::string& text) {
        edit->SetText(text);
        DialogAnswer answer(GetCurrentThreadId(), IDOK);
        (sform->*exit)(edit);
        PumpUntil([&] { return answer.Seen(); }, 1500);
        // The box's own loop has ended once the answer's click is taken.
        PumpUntil([] { return false; }, 200);
        return answer.Text();
    }

    // Prints through the click and returns the PDF the job made, or "".
    std::string PrintToPdf(const std::string& title, const std::function<void()>& click) {
        const std::string marker = TestTempPath(title + ".start");
        RunHost("touch '" + marker + "'");
        Printer()->SetTitle(title);
        click();
        const std::string list = TestTempPath(title + ".found");
        const std::string find = "for i in $(seq 60); do f=$(find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title +
                                 "*.pdf' -newer '" + marker +
                                 "' 2>/dev/null | head -1); [ -n \"$f\" ] && sleep 1 && echo \"$f\" > '" + list +
                                 "' && exit 0; sleep 0.5; done; exit 1";
        if (RunHost(find) != 0) return "";
        return Trimmed(ReadFileBytes(list));
    }
    // measure_pdf.py's two numbers for the page, in millimetres.
    bool Measure(const std::string& how, const std::string& pdf, const std::string& band, double& a, double& b) {
        const std::string out = TestTempPath("measure.txt");
        if (RunHost("/usr/bin/python3 '" MEASURE_PDF "' " + how + " '" + pdf + "' " + band + " > '" + out + "'") != 0)
            return false;
        return std::sscanf(ReadFileBytes(out).c_str(), "%lf %lf", &a, &b) == 2;
    }

    static std::string savedFolder;
    TForm* host = nullptr;
    TBrushSelect* drum = nullptr;
    TAllModels* all = nullptr;
    TModels* models = nullptr;
    TSForm* sform = nullptr;
    TPCForm* pcform = nullptr;
};
std::string PrintForms::savedFolder;

std::string JobTitle(const char* what) { return std::string("volkg") + what + std::to_string(GetCurrentProcessId()); }

TEST_F(PrintForms, MeasurementEditsRefuseWhatIsNoSizeWithTheMessage) {
    sform->Show();
    ASSERT_TRUE(sform->HandleAllocated());
    struct Case {
        const char* text;
        bool taken;
    };
    const Case cases[] = {{"abc", false}, {"0", false},     {"", false}, {"-6.5", false},
                          {"7,5", false}, {"1e999", false}, {"13", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string box = LeaveEdit(sform->sW1, &TSForm::sW1Exit, c.text);
        if (c.taken) {
            EXPECT_EQ(box, "");
            EXPECT_EQ(sform->sW1->Text(), "13");
        } else {
            EXPECT_EQ(box, DollMeasurements::RefuseMessage);
            EXPECT_EQ(sform->sW1->Text(), "6.5") << "the last good value comes back";
            EXPECT_DOUBLE_EQ(static_cast<double>(sform->ScaleX()), 1.0);
        }
    }
    // 13 cm of back width: the other widths follow the standard doll's proportions.
    EXPECT_EQ(sform->sW2->Text(), "15.4");
    EXPECT_EQ(sform->sW3->Text(), "27.6");
    EXPECT_DOUBLE_EQ(static_cast<double>(sform->ScaleX()), 2.0);
    // The height alike, and a refused height keeps the scale.
    EXPECT_EQ(LeaveEdit(sform->sH, &TSForm::sHExit, "0"), DollMeasurements::RefuseMessage);
    EXPECT_EQ(sform->sH->Text(), "30.0");
    EXPECT_EQ(LeaveEdit(sform->sH, &TSForm::sHExit, "15"), "");
    EXPECT_DOUBLE_EQ(static_cast<double>(sform->ScaleY()), 0.5);
    // The waist left at a new value sets the back width and the hips.
    EXPECT_EQ(LeaveEdit(sform->sW2, &TSForm::sW2Exit, "7.7"), "");
    EXPECT_EQ(sform->sW1->Text(), "6.5");
    EXPECT_EQ(sform->sW3->Text(), "13.8");
    // The standard button puts every standard value back.
    LeaveEdit(sform->sW1, &TSForm::sW1Exit, "9");
    sform->SetSorvelClick(sform->bStdSize);
    EXPECT_EQ(sform->sH->Text(), "30.0");
    EXPECT_EQ(sform->sW1->Text(), "6.5");
    EXPECT_EQ(sform->sW2->Text(), "7.7");
    EXPECT_EQ(sform->sW3->Text(), "13.8");
    sform->Hide();
}

TEST_F(PrintForms, SlotKeepsWidthAndHeight) {
    TRegIniFileM registry(ProgramKey);
    sform->LoadSlot(registry, "States4");
    EXPECT_EQ(sform->sH->Text(), "30.0") << "a slot without sizes shows the standard doll";
    EXPECT_EQ(sform->sW1->Text(), "6.5");
    sform->sW1->SetText("13");
    sform->sW1Exit(sform->sW1);
    sform->sH->SetText("15");
    sform->sHExit(sform->sH);
    sform->SaveSlot(registry, "States4");
    EXPECT_EQ(registry.ReadString("States4", "Width", ""), "13");
    EXPECT_EQ(registry.ReadString("States4", "Height", ""), "15");
    sform->SetSorvelClick(sform->bStdSize);
    sform->LoadSlot(registry, "States4");
    sform->FormShow(sform);
    EXPECT_EQ(sform->sW1->Text(), "13");
    EXPECT_EQ(sform->sW3->Text(), "27.6") << "the hips follow the stored back width when shown";
    EXPECT_DOUBLE_EQ(static_cast<double>(sform->ScaleY()), 0.5);
    // A stored value that is no size is the standard one.
    registry.WriteString("States5", "Width", "wide");
    sform->LoadSlot(registry, "States5");
    EXPECT_EQ(sform->sW1->Text(), "6.5");
}

// The data set's test square is 100 mm a side: printed at the standard
// doll's size it measures 100 mm on the page, and a doll half as tall
// halves it down the page only.
TEST_F(PrintForms, PrintedSquareMeasuresItsSizeOnThePdf) {
    ASSERT_FALSE(Printer()->Printers().empty()) << "no printer: scripts/test starts CUPS with the PDF queue";
    const int square = ModelTitled(SlotBl, "Test square");
    ASSERT_GE(square, 0) << "the data set's blouses hold the test square";
    Wear(SlotBl, square);
    sform->Show();
    struct Case {
        const char* height;
        double across, down;
    };
    for (const Case& c : {Case{"30.0", 100, 100}, Case{"15", 100, 50}}) {
        SCOPED_TRACE(c.height);
        sform->sH->SetText(c.height);
        const std::string pdf = PrintToPdf(JobTitle(c.height[0] == '3' ? "square" : "halfsquare"),
                                           [&] { sform->PrintClick(sform->bPrint); });
        ASSERT_NE(pdf, "") << "no PDF arrived";
        EXPECT_FALSE(Printer()->Printing());
        double across = 0, down = 0;
        ASSERT_TRUE(Measure("lines", pdf, "", across, down));
        EXPECT_NEAR(across, c.across, 0.5);
        EXPECT_NEAR(down, c.down, 0.5);
    }
    sform->Hide();
}

TEST_F(PrintForms, PatternPrintRefusesAPendingBadEditAndPrintsNothing) {
    Wear(SlotBl, 0);
    sform->Show();
    sform->sW1->SetText("none");
    const std::string title = JobTitle("refused");
    Printer()->SetTitle(title);
    DialogAnswer answer(GetCurrentThreadId(), IDOK);
    sform->PrintClick(sform->bPrint);
    EXPECT_TRUE(PumpUntil([&] { return answer.Seen(); }, 3000));
    EXPECT_EQ(answer.Text(), DollMeasurements::RefuseMessage);
    EXPECT_EQ(sform->sW1->Text(), "6.5");
    PumpUntil([] { return false; }, 200);
    EXPECT_NE(
        RunHost("sleep 3; find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title + "*.pdf' 2>/dev/null | grep -q ."),
        0)
        << "the refused measurement printed";
    sform->Hide();
}

TEST_F(PrintForms, ShoesAloneHaveNothingToPrint) {
    ASSERT_GT(all->cm[SlotTf]->Count(), 0);
    Wear(SlotTf, 0);
    sform->Show();
    const std::string title = JobTitle("shoes");
    Printer()->SetTitle(title);
    sform->PrintClick(sform->bPrint);
    EXPECT_FALSE(Printer()->Printing());
    EXPECT_EQ(sform->Info->Caption(), "Nothing to print");
    EXPECT_NE(
        RunHost("sleep 3; find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title + "*.pdf' 2>/dev/null | grep -q ."),
        0)
        << "a job went out for the shoes";
    sform->Hide();
}

// The doll is printed at 0.4 mm a panel pixel: the panel's 200 x 360 pixels
// are 80 x 144 mm, so her figure measures 0.4 mm for each of its pixels.
TEST_F(PrintForms, PrintedDollMeasuresPointFourMillimetresAPixel) {
    ASSERT_FALSE(Printer()->Printers().empty());
    const int trousers = 0;
    Wear(SlotBr, trousers);
    const Raster front = models->Doll().Compose(true);
    int x0 = front.Width, y0 = front.Height, x1 = -1, y1 = -1;
    for (int y = 0; y < front.Height; ++y)
        for (int x = 0; x < front.Width; ++x)
            if ((front.At(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    ASSERT_GE(x1, x0) << "the composed doll is blank";
    const int figureW = x1 - x0 + 1, figureH = y1 - y0 + 1;
    pcform->Show();
    const std::string pdf = PrintToPdf(JobTitle("doll"), [&] { pcform->PrintClick(pcform->bPrint); });
    ASSERT_NE(pdf, "") << "no PDF arrived";
    EXPECT_FALSE(Printer()->Printing());
    double w = 0, h = 0;
    // The front stands in the left half of the page, above the titles.
    ASSERT_TRUE(Measure("box", pdf, "0 105 0 150", w, h));
    EXPECT_NEAR(w, figureW * 0.4, 0.5) << figureW << " pixels";
    EXPECT_NEAR(h, figureH * 0.4, 0.5) << figureH << " pixels";
    const std::string text = TestTempPath("doll.txt");
    ASSERT_EQ(RunHost("pdftotext '" + pdf + "' '" + text + "'"), 0);
    EXPECT_NE(ReadFileBytes(text).find(all->cm[SlotBr]->ModelAt(trousers)->Title), std::string::npos)
        << "the worn garment's title is printed below the doll";
    pcform->Hide();
}

// A job left by an exception is ended, so the next one starts.
TEST_F(PrintForms, FailedJobDoesNotKeepThePrinterBusy) {
    ASSERT_FALSE(Printer()->Printers().empty());
    Printer()->SetTitle(JobTitle("failed"));
    EXPECT_THROW(
        {
            TPrintJob job;
            EXPECT_TRUE(Printer()->Printing());
            throw EPrinter("out of paper");
        },
        EPrinter);
    EXPECT_FALSE(Printer()->Printing());
    // The doll prints after the failure.
    const std::string pdf = PrintToPdf(JobTitle("after"), [&] { models->PrintDoll(false); });
    EXPECT_NE(pdf, "");
    EXPECT_FALSE(Printer()->Printing());
}

TBitmapButton* pendingClick = nullptr;
bool clickedVisible = false;
VOID CALLBACK ClickPending(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!pendingClick) return;
    TBitmapButton* button = pendingClick;
    pendingClick = nullptr;
    clickedVisible = button->Parent() && IsWindowVisible(button->Parent()->Handle());
    button->Click();
}

TEST_F(PrintForms, ExitButtonsCloseTheModalForms) {
    for (TForm* form : {static_cast<TForm*>(sform), static_cast<TForm*>(pcform)}) {
        for (const char* button : {"bExit", "bExit2"}) {
            SCOPED_TRACE(std::string(form->Name()) + "." + button);
            auto* exit = dynamic_cast<TBitmapButton*>(form->FindComponent(button));
            ASSERT_NE(exit, nullptr);
            // Clicked from inside the modal loop.
            pendingClick = exit;
            clickedVisible = false;
            SetTimer(nullptr, 0, 300, ClickPending);
            form->ShowModal();
            EXPECT_EQ(pendingClick, nullptr) << "the click came";
            EXPECT_TRUE(clickedVisible);
            EXPECT_FALSE(form->Visible());
        }
    }
}

// The printer set-up answered with Cancel leaves the printer as it was.
TEST_F(PrintForms, CancelledPrinterSetupKeepsThePrinter) {
    ASSERT_FALSE(Printer()->Printers().empty());
    sform->Show();
    const std::string before = sform->NamePrinter->Caption();
    EXPECT_NE(before, "");
    const int index = Printer()->PrinterIndex();
    DialogAnswer answer(GetCurrentThreadId(), IDCANCEL);
    sform->SetupPrintClick(sform->bSetupPrint);
    EXPECT_TRUE(answer.Seen()) << "the set-up dialog showed";
    EXPECT_EQ(Printer()->PrinterIndex(), index);
    EXPECT_EQ(sform->NamePrinter->Caption(), before);
    sform->Hide();
    pcform->Show();
    EXPECT_EQ(pcform->NamePrinter->Caption(), before) << "both forms name the same printer";
    pcform->Hide();
}

TEST_F(PrintForms, DollPanelIsTheSwitchsDollAnimation) {
    auto* showHide = static_cast<TShowHide*>(host->FindComponent("ShowHide"));
    ASSERT_NE(showHide, nullptr);
    EXPECT_EQ(showHide->Models(), static_cast<TDollAnimation*>(models));
}

}  // namespace
