#include "forms/view_form_win32.h"

#include <random>

#include "application.h"
#include "bitmap.h"
#include "controls/app_events.h"
#include "controls/bitmap_button.h"
#include "controls/bitmap_buttons_win32.h"
#include "controls/brush_select_win32.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/fly_bitmap_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/hint_window_new_win32.h"
#include "controls/notifications.h"
#include "controls/wait_cursor.h"
#include "controls/zamor_win32.h"
#include "extctrls.h"
#include "forms/about_box_win32.h"
#include "forms/help_form_win32.h"
#include "forms/open_link_win32.h"
#include "forms/open_save_form_win32.h"
#include "models/fill_effects.h"
#include "models/pattern_gdi_win32.h"
#include "mplayer.h"
#include "picture/kora_win32.h"
#include "settings/form_font.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

TViewForm* ViewForm = nullptr;

namespace {

constexpr const char* kCategoryNames[TViewForm::ViewCount] = {"ClassModelsWn", "ClassModelsPl", "ClassModelsBr",
                                                              "ClassModelsBl", "ClassModelsHl", "ClassModelsYu",
                                                              "ClassModelsSh", "ClassModelsTf"};
// Titles and take-off captions, in the order Wn Pl Br Bl Hl Yu Sh Tf.
constexpr const char* kCategoryTitles[TViewForm::ViewCount] = {"Coats, fur-coats, raincoats",
                                                               "Dresses",
                                                               "Trousers, narrow trousers",
                                                               "Blouses, sleeveless shirts",
                                                               "Bathrobes, bathing suits",
                                                               "Skirts",
                                                               "Hats",
                                                               "Shoes, boots"};
constexpr const char* kTakeOffCaptions[TViewForm::ViewCount] = {"Take off fur-coat (raincoat)",
                                                                "Take off dress",
                                                                "Take off trousers (narrow trousers)",
                                                                "Take off blouse (sleeveless shirt)",
                                                                "Take off bathrobe (bathing suit)",
                                                                "Take off skirt",
                                                                "Take off hat",
                                                                "Take off shoes (boots)"};

// Cursor resources registered as screen cursors 1 .. 7.
constexpr const char* kCursorNames[] = {"BRUSHCURSOR", "CONTURCURSOR", "FILLCURSOR",  "HANDCURSOR",
                                        "MODELCURSOR", "ROTATECURSOR", "BRUSHSCURSOR"};

int RandomSong() {
    // Seeded anew each time a random start is asked for.
    static std::mt19937 generator;
    generator.seed(static_cast<unsigned>(GetTickCount()) ^ std::random_device{}());
    return static_cast<int>(generator() % 8);
}

void LoadSkin(TImage* image, const std::string& relativeName) {
    if (image) LoadProgramPicture(*image->Picture()->Bitmap(), relativeName);
}

}  // namespace

// ---- creation ---------------------------------------------------------------

TViewForm::TViewForm(TComponent* owner) : TBaseViewerForm(owner, "TVIEWFORM"), songs_(RandomSong) {
    PublishMethod("FormCreate", this, &TViewForm::FormCreate);
    PublishMethod("FormActivate", this, &TViewForm::FormActivate);
    PublishMethod("FormPaint", this, &TViewForm::FormPaint);
    PublishMethod("FormHide", this, &TViewForm::FormHide);
    PublishMethod("FormDestroy", this, &TViewForm::FormDestroy);
    PublishMethod("FormCloseQuery", this, &TViewForm::FormCloseQuery);
    PublishMethod("FormMouseDown", this, &TViewForm::FormMouseDown);
    PublishMethod("SelWnClick", this, &TViewForm::SelWnClick);
    PublishMethod("SelPlClick", this, &TViewForm::SelPlClick);
    PublishMethod("SelBrClick", this, &TViewForm::SelBrClick);
    PublishMethod("SelBlClick", this, &TViewForm::SelBlClick);
    PublishMethod("SelHlClick", this, &TViewForm::SelHlClick);
    PublishMethod("SelYuClick", this, &TViewForm::SelYuClick);
    PublishMethod("LoadClick", this, &TViewForm::LoadClick);
    PublishMethod("SaveClick", this, &TViewForm::SaveClick);
    PublishMethod("bShowModelClick", this, &TViewForm::bShowModelClick);
    PublishMethod("bHideModelClick", this, &TViewForm::bHideModelClick);
    PublishMethod("PrintClick", this, &TViewForm::PrintClick);
    PublishMethod("PrintDollClick", this, &TViewForm::PrintDollClick);
    PublishMethod("HelpClick", this, &TViewForm::HelpClick);
    PublishMethod("SoundClick", this, &TViewForm::SoundClick);
    PublishMethod("bCloseClick", this, &TViewForm::bCloseClick);
    PublishMethod("bMinimizeClick", this, &TViewForm::bMinimizeClick);
    PublishMethod("LinkClick", this, &TViewForm::LinkClick);
    PublishMethod("ButtonMouseEnter", this, &TViewForm::ButtonMouseEnter);
    PublishMethod("ButtonMouseLeave", this, &TViewForm::ButtonMouseLeave);
    PublishMethod("MediaPlayerNotify", this, &TViewForm::MediaPlayerNotify);
    PublishMethod("ApplicationEventsRestore", this, &TViewForm::ApplicationEventsRestore);
    PublishMethod("ApplicationEventsShowHint", this, &TViewForm::ApplicationEventsShowHint);
    PublishMethod("DragOverDrum", this, &TViewForm::DragOverDrum);
    PublishMethod("DragDropDrum", this, &TViewForm::DragDropDrum);
    PublishMethod("DragOverShow", this, &TViewForm::DragOverShow);
    PublishMethod("DragDropShow", this, &TViewForm::DragDropShow);
    PublishMethod("DragOverView", this, &TViewForm::DragOverView);
    PublishMethod("DragDropView", this, &TViewForm::DragDropView);
    PublishMethod("DragOverModels", this, &TViewForm::DragOverModels);
    PublishMethod("DragDropModels", this, &TViewForm::DragDropModels);

    BindField("Fon", Fon);
    BindField("Resource", Resource);
    BindField("Letters", Letters);
    BindField("FillsImageS", FillsImageS);
    BindField("FillsImageM", FillsImageM);
    BindField("FaseBrushImage", FaseBrushImage);
    BindField("FaseViewImage", FaseViewImage);
    BindField("FaseWindowImage", FaseWindowImage);
    BindField("SorvelImage", SorvelImage);
    BindField("ZamorImage", ZamorImage);
    BindField("PointImage", PointImage);
    BindField("CaptionBarPlus", CaptionBarPlus);
    BindField("bClose", bClose);
    BindField("bMinimize", bMinimize);
    BindField("Sound", Sound);
    BindField("Models", Models);
    BindViewFields();
    BindField("bShowModel", bShowModel);
    BindField("BrushSelect", BrushSelect);
    BindField("BitmapButtons1", BitmapButtons1);
    BindField("BitmapButtons2", BitmapButtons2);
    BindField("ItemBitmapButtonsKey", ItemBitmapButtonsKey);
    BindField("ItemBitmapButtonsBook", ItemBitmapButtonsBook);
    BindField("Print", Print);
    BindField("bPrintDoll", bPrintDoll);
    BindField("Help", Help);
    BindField("MoreGames", MoreGames);
    BindField("FellFrend", FellFrend);
    BindField("Zelmora", Zelmora);
    BindField("Subscribe", Subscribe);
    BindField("FlyBitmapOk", FlyBitmapOk);
    BindField("FlyBitmapV", FlyBitmapV);
    BindField("FlyBitmapD", FlyBitmapD);
    BindField("MinWindowSave", MinWindowSave);
    BindField("MinWindowLoad", MinWindowLoad);
    BindField("Zamor", Zamor);
    BindField("ShowHide", ShowHide);
    BindField("AllModels", AllModels);
    for (int i = 0; i < ViewCount; ++i) BindField(kCategoryNames[i], ClassModels[i]);
    BindField("MediaPlayer", MediaPlayer);
    BindField("ApplicationEvents", ApplicationEvents);
    ViewForm = this;
}

TViewForm::~TViewForm() {
    if (ViewForm == this) ViewForm = nullptr;
    if (MainViewerForm == this) MainViewerForm = nullptr;
}

void TViewForm::HideTaskBarWindow() {
    // The application window keeps the task-bar button but is moved off the screen.
    SetWindowPos(Application->Handle(), nullptr, Screen->Width(), Screen->Height(), 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TViewForm::SetCaptionsAndHints() {
    bShowModel->SetHint("Show the patterns");
    Help->SetHint("Help");
    Print->SetHint("Print the patterns");
    bPrintDoll->SetHint("Print the doll");
    ItemBitmapButtonsKey->SetHint("Restore");
    ItemBitmapButtonsBook->SetHint("Save");
    for (TBitmapButton* button : bHideModel)
        if (button) button->SetHint("Close the patterns");
    CaptionBarPlus->SetCaption(Caption());
    bClose->SetHint("Close");
    bMinimize->SetHint("Minimize");
    for (int i = 0; i < ViewCount; ++i) {
        if (!ClassModels[i]) continue;
        ClassModels[i]->NameClassM = kCategoryTitles[i];
        ClassModels[i]->NameClass = kTakeOffCaptions[i];
    }
}

void TViewForm::LoadSkins() {
    LoadSkin(Fon, "Resource\\Main.bmp");
    LoadSkin(Resource, "Resource\\Resource.bmp");
    LoadSkin(Letters, "Resource\\Letters.bmp");
    LoadSkin(FillsImageS, "Resource\\FillsS.bmp");
    LoadSkin(FillsImageM, "Resource\\FillsM.bmp");
    LoadSkin(FaseBrushImage, "Resource\\FsBrush.bmp");
    LoadSkin(FaseViewImage, "Resource\\FsView.bmp");
    // FsWindow.bmp waits for the first opening of the pattern view.
    LoadSkin(SorvelImage, "Resource\\Doll.bmp");
    LoadSkin(ZamorImage, "Resource\\Zamor.bmp");
    // The sixteen dither patterns the form carries.
    PointImage->Picture()->Bitmap()->SetSize(128, 8);
    DrawDitherStrip(*PointImage->Picture()->Bitmap());
    for (TFlyBitmap* notice : {FlyBitmapOk, FlyBitmapV, FlyBitmapD}) {
        notice->OrgImage = Letters;
        notice->MainForm = this;
    }
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* animation = dynamic_cast<TZamorI*>(Components(i))) animation->OrgImage = ZamorImage;
    CaptionBarPlus->SetBackground(Fon, 0, 0);
    for (TBitmapButtons* strip : {BitmapButtons1, BitmapButtons2}) strip->OrgImage = Fon;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* button = dynamic_cast<TBitmapButton*>(Components(i))) button->SetResImage(Fon);
    DrawSoundFaces();
    Models->SorvelImage = SorvelImage;
    Models->OrgImage = Fon;
    BrushSelect->SetBrushsImageS(FillsImageS);
    BrushSelect->SetBrushsImageM(FillsImageM);
    BrushSelect->SetFaseImage(FaseBrushImage);
    SetStickArrowSource(Resource->Picture()->Bitmap());
}

void TViewForm::FormCreate(TObject*) {
    MainViewerForm = this;
    HideTaskBarWindow();
    SetCaptionsAndHints();
    Application->SetTitle(Caption());
    AddFontFile(ResolveProgramPath(CaptionFontFile));
    AddFontFile(ResolveProgramPath(PatternFontFile));
    SetFormFont(*this, CaptionFontName);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < 7; ++i)
        if (HCURSOR cursor = LoadCursorA(instance, kCursorNames[i])) Screen->SetCursorHandle(i + 1, cursor);
    LoadSkins();
    SmoothDollAnimation = [] {
        HDC screen = GetDC(nullptr);
        const int bits = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        return bits == 16 || bits == 24;
    }();
    BrushSelect->PrepareDrum();
    WireParts();
    ShowHide->Initialise();
    AllModels->OnChangeModel = [this] { AllModelsChangeModel(); };
    // Toggled twice: the hint window is made anew of the program's class.
    Application->SetHintWindowClass<THintWindowNew>();
    Application->SetShowHint(!Application->ShowHint());
    Application->SetShowHint(!Application->ShowHint());
}

void TViewForm::StartUp() {
    Load(true);
    // The first song; the title screen's switch-on plays it.
    PrepareSong(songs_.PickFirst());
    HandOutDialogSkins();
    SetDialogCaptions();
    const char* items[6] = {"SelWn", "SelPl", "SelBr", "SelBl", "SelHl", "SelYu"};
    for (int i = 0; i < 6; ++i)
        if (auto* item = dynamic_cast<TItemBitmapButtons*>(FindComponent(items[i]))) item->SetHint(kCategoryTitles[i]);
    for (int i = 0; i < ViewCount; ++i)
        if (ModelView[i]) SetViewHint(ModelView[i], kCategoryTitles[i]);
    SetDitherStrip(PointImage->Picture()->Bitmap());
}

// ---- the face ---------------------------------------------------------------

void TViewForm::TempDraw() { Canvas()->Draw(0, 0, Fon->Picture()->Graphic()); }

void TViewForm::FormActivate(TObject*) {
    TempDraw();
    // The slot's view is shown once after a load, not after every dialog.
    int index;
    if (storedView_.TakePending(index)) ShowCategoryView(index);
    for (TModelView* view : {ModelView[6], ModelView[7]})
        if (view) SetViewVisible(view, true);
    for (TControl* control : std::initializer_list<TControl*>{BrushSelect, Models, CaptionBarPlus, BitmapButtons1,
                                                              BitmapButtons2, bShowModel})
        control->SetVisible(true);
}

void TViewForm::FormPaint(TObject*) {
    HDC dc = Canvas()->Handle();
    HPALETTE palette = Fon->Picture()->Graphic() ? Fon->Picture()->Graphic()->Palette() : nullptr;
    HPALETTE old = nullptr;
    if (palette) {
        old = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    TempDraw();
    if (old) SelectPalette(dc, old, TRUE);
    RefreshViews();
}

void TViewForm::RefreshViews() {
    for (TModelView* view : ModelView)
        if (view) InvalidateView(view);
    BitmapButtons1->Invalidate();
    BitmapButtons2->Invalidate();
    if (Models->Visible()) Models->Invalidate();
    if (IsPatternViewVisible()) InvalidateShow();
}

void TViewForm::ShowCategoryView(int index) {
    if (IsMainView(index)) {
        for (int i = 0; i < MainViewCount; ++i)
            if (ModelView[i]) SetViewVisible(ModelView[i], i == index);
        GarmentCategory* current = AllModels->ClassModels();
        bool mainCurrent = false;
        for (int i = 0; i < MainViewCount; ++i) mainCurrent = mainCurrent || (current && current == ClassModels[i]);
        if (mainCurrent && ClassModels[index]) AllModels->SetClassModels(ClassModels[index]);
    }
    InvalidateShow();
}

int TViewForm::VisibleViewIndex() {
    for (int i = 0; i < MainViewCount; ++i)
        if (ModelView[i] && ViewVisible(ModelView[i])) return i;
    return -1;
}

void TViewForm::SelWnClick(TObject*) { ShowCategoryView(0); }
void TViewForm::SelPlClick(TObject*) { ShowCategoryView(1); }
void TViewForm::SelBrClick(TObject*) { ShowCategoryView(2); }
void TViewForm::SelBlClick(TObject*) { ShowCategoryView(3); }
void TViewForm::SelHlClick(TObject*) { ShowCategoryView(4); }
void TViewForm::SelYuClick(TObject*) { ShowCategoryView(5); }

// ---- the main window's operations for its parts -----------------------------

bool TViewForm::IsOverShowButton(int x, int y) {
    const POINT screen = Models->ClientToScreen(POINT{x, y});
    const POINT origin = bShowModel->ClientToScreen(POINT{0, 0});
    return screen.x >= origin.x && screen.y >= origin.y && screen.x <= origin.x + bShowModel->Width() &&
           screen.y <= origin.y + bShowModel->Height();
}

TClassModels* TViewForm::ExcludedCategory() { return ClassModels[7]; }

void TViewForm::AnimationHook() {
    if (Zamor) Zamor->Stop();
}

void TViewForm::bShowModelClick(TObject*) {
    if (!FaseWindowImage->Picture()->Graphic() || FaseWindowImage->Picture()->Width() == 0) {
        BeginWaitCursor();
        try {
            LoadSkin(FaseWindowImage, "Resource\\FsWindow.bmp");
        } catch (...) {
            EndWaitCursor();
            throw;
        }
        EndWaitCursor();
    }
    RequestShowPatterns();
}

void TViewForm::bHideModelClick(TObject*) { RequestHidePatterns(); }

void TViewForm::AllModelsChangeModel() { LoadDescription(); }

// ---- buttons ----------------------------------------------------------------

void TViewForm::PrintClick(TObject*) {
    if (Models->AnyWorn() || IsPatternViewVisible()) {
        Application->SetShowHint(false);
        ShowPatternPrint();
        LoadDescription();
        Application->SetShowHint(true);
    } else {
        FlyBitmapV->SetFlyEnabled(true);
    }
}

void TViewForm::PrintDollClick(TObject*) {
    if (!Models->Visible()) {
        FlyBitmapD->SetFlyEnabled(true);
        return;
    }
    Application->SetShowHint(false);
    ShowDollPrint();
    Application->SetShowHint(true);
}

void TViewForm::HelpClick(TObject*) {
    Application->SetShowHint(false);
    HelpForm->ShowHelpTopic("main");
    HelpForm->ShowModal();
    Application->SetShowHint(true);
    RefreshViews();
}

void TViewForm::LinkClick(TObject* sender) {
    if (sender == Zelmora)
        OpenLink("website.url");
    else if (sender == MoreGames)
        OpenLink("moregames.url");
    else if (sender == FellFrend)
        OpenLink("tellafriend.url");
    else if (sender == Subscribe)
        OpenLink("subscribe.url");
}

void TViewForm::ButtonMouseEnter(TObject* sender) {
    if (auto* button = dynamic_cast<TBitmapButton*>(sender)) {
        button->SetState(button->NumBitmaps() > 2 ? 3 : 2);
        button->Repaint();
    }
}

void TViewForm::ButtonMouseLeave(TObject* sender) {
    if (auto* button = dynamic_cast<TBitmapButton*>(sender)) {
        button->SetState(1);
        button->Repaint();
    }
}

void TViewForm::bCloseClick(TObject*) { Close(); }

void TViewForm::bMinimizeClick(TObject*) { Application->Minimize(); }

void TViewForm::ApplicationEventsRestore(TObject*) { HideTaskBarWindow(); }

void TViewForm::ApplicationEventsShowHint(std::string&, bool&, THintInfo& info) {
    auto* strip = dynamic_cast<TBitmapButtons*>(info.HintControl);
    if (!strip) return;
    TItemBitmapButtons* item = strip->ItemAt(info.CursorPos.x, info.CursorPos.y);
    if (!item) return;
    info.HintPos = strip->ClientToScreen(POINT{item->Left(), item->Top() + item->Height()});
}

void TViewForm::FormMouseDown(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && Zamor) Zamor->ClickAt(x, y, Models->Visible());
}

// ---- messages ---------------------------------------------------------------

void TViewForm::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_ERASEBKGND:
            message.Result = 1;
            return;
        case WM_PALETTECHANGED:
            RefreshViews();
            message.Result = 0;
            return;
        case WM_VIEWS_CHANGED:
            RefreshViews();
            return;
        case WM_SHOW_PATTERNS:
        case WM_HIDE_PATTERNS:
        case WM_DOLL_HIDDEN:
        case WM_PATTERNS_CLOSED:
        case WM_PATTERNS_OPENED:
        case WM_DOLL_SHOWN:
            PostMessageA(ShowHide->Handle(), message.Msg, 0, 0);
            return;
    }
    TBaseViewerForm::WndProc(message);
}

// ---- closing ----------------------------------------------------------------

void TViewForm::FormCloseQuery(TObject*, bool& canClose) { canClose = !Modified || Save(); }

void TViewForm::FormHide(TObject*) {
    StopAndClosePlayer();
    RegistryWriter registry;
    registry.OpenKey(RegRoot::CurrentUser, std::string("\\") + ProgramKey);
    registry.WriteString("Sound", IsMusicOn() ? "1" : "0");
}

void TViewForm::FormDestroy(TObject*) {
    ReleaseViews();
    ShowHide->Finish();
    BrushSelect->ReleaseDrum();
    AllModels->Free();
    SetStickArrowSource(nullptr);
    SetDitherStrip(nullptr);
    for (TImage* image : {Fon, Resource, Letters, FillsImageS, FillsImageM, FaseBrushImage, FaseViewImage,
                          FaseWindowImage, SorvelImage, ZamorImage, PointImage})
        image->Picture()->SetGraphic(nullptr);
    RemoveFontFile(ResolveProgramPath(CaptionFontFile));
    RemoveFontFile(ResolveProgramPath(PatternFontFile));
    OpenLink("play.url");
}
