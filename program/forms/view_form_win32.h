// The main window: the dressed doll, the category previews, the pattern
// view, the fabric drum and the buttons on one skinned 640 x 480 face; it
// routes drag and drop between them, saves and restores whole slots, plays
// the music and receives the program's notifications.
#pragma once

#include <memory>
#include <string>

#include "controls/show_hide.h"
#include "controls/form_links.h"
#include "forms/main_window_logic.h"

class TAllModels;
class TAppEvents;
class TBitmapButton;
class TBitmapButtons;
class TBrushSelect;
class TCaptionBarPlus;
class TClassModels;
class TFlyBitmap;
class TImage;
class TItemBitmapButtons;
class TMediaPlayer;
class TMinWindow;
class TModelShow;
class TModelView;
class TModels;
class TModelsItem;
class TParts;
class TRegIniFileM;
class TZamor;
struct THintInfo;

class TViewForm : public TBaseViewerForm {
public:
    explicit TViewForm(TComponent* owner);
    ~TViewForm() override;

    // Skin pictures (never shown).
    TImage *Fon = nullptr, *Resource = nullptr, *Letters = nullptr, *FillsImageS = nullptr, *FillsImageM = nullptr,
           *FaseBrushImage = nullptr, *FaseViewImage = nullptr, *FaseWindowImage = nullptr, *SorvelImage = nullptr,
           *ZamorImage = nullptr, *PointImage = nullptr;
    TCaptionBarPlus* CaptionBarPlus = nullptr;
    TBitmapButton *bClose = nullptr, *bMinimize = nullptr, *Sound = nullptr;
    TModels* Models = nullptr;
    // Wn Pl Br Bl Hl Yu, then Sh and Tf.
    static constexpr int ViewCount = 8;
    TModelView* ModelView[ViewCount] = {};
    TModelShow* ModelShow = nullptr;
    TBitmapButton *bShowModel = nullptr, *bHideModel[3] = {};
    TBrushSelect* BrushSelect = nullptr;
    TBitmapButtons *BitmapButtons1 = nullptr, *BitmapButtons2 = nullptr;
    TItemBitmapButtons *ItemBitmapButtonsKey = nullptr, *ItemBitmapButtonsBook = nullptr;
    TBitmapButton *Print = nullptr, *bPrintDoll = nullptr, *Help = nullptr, *MoreGames = nullptr, *FellFrend = nullptr,
                  *Zelmora = nullptr, *Subscribe = nullptr;
    TFlyBitmap *FlyBitmapOk = nullptr, *FlyBitmapV = nullptr, *FlyBitmapD = nullptr;
    TMinWindow *MinWindowSave = nullptr, *MinWindowLoad = nullptr;
    TZamor* Zamor = nullptr;
    TShowHide* ShowHide = nullptr;
    TAllModels* AllModels = nullptr;
    TClassModels* ClassModels[ViewCount] = {};
    TParts* Parts = nullptr;
    TMediaPlayer* MediaPlayer = nullptr;
    TAppEvents* ApplicationEvents = nullptr;

    // Set by drops that change garments or fills; cleared by a save or load.
    bool Modified = false;

    // TBaseViewerForm.
    void bShowModelClick(TObject* sender) override;
    bool IsOverShowButton(int x, int y) override;
    bool IsPatternViewVisible() override;
    TClassModels* ExcludedCategory() override;
    void AnimationHook() override;

    // Once, after every form exists: the start slot, the first song, the
    // dialogs' skins and captions, the category hints.
    void StartUp();
    // Asks for a slot and saves; false only when the user cancelled.
    bool Save();
    // At start the slot DefaultSlot without asking; otherwise asks.
    void Load(bool atStart);
    void RefreshViews();
    // 0 .. 5 shows that main preview alone; anything else only repaints the pattern view.
    void ShowCategoryView(int index);
    // The first visible main preview (0 .. 5), else -1.
    int VisibleViewIndex();
    void RestoreSound();
    void SetMusic(bool on);
    bool IsMusicOn();
    bool IsMusicUnavailable();
    void NextSong();
    void TempDraw();
    int CurrentSong() const { return songs_.Current(); }

    // Handlers named by the layout.
    void FormCreate(TObject* sender);
    void FormActivate(TObject* sender);
    void FormPaint(TObject* sender);
    void FormHide(TObject* sender);
    void FormDestroy(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void SelWnClick(TObject* sender);
    void SelPlClick(TObject* sender);
    void SelBrClick(TObject* sender);
    void SelBlClick(TObject* sender);
    void SelHlClick(TObject* sender);
    void SelYuClick(TObject* sender);
    void LoadClick(TObject* sender);
    void SaveClick(TObject* sender);
    void bHideModelClick(TObject* sender);
    void PrintClick(TObject* sender);
    void PrintDollClick(TObject* sender);
    void HelpClick(TObject* sender);
    void SoundClick(TObject* sender);
    void bCloseClick(TObject* sender);
    void bMinimizeClick(TObject* sender);
    void LinkClick(TObject* sender);
    void ButtonMouseEnter(TObject* sender);
    void ButtonMouseLeave(TObject* sender);
    void MediaPlayerNotify(TObject* sender);
    void ApplicationEventsRestore(TObject* sender);
    void ApplicationEventsShowHint(std::string& hintStr, bool& canShow, THintInfo& hintInfo);
    void AllModelsChangeModel();
    // Drag and drop onto the drum, the pattern view, a preview and the doll.
    void DragOverDrum(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
    void DragDropDrum(TObject* sender, TObject* source, int x, int y);
    void DragOverShow(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
    void DragDropShow(TObject* sender, TObject* source, int x, int y);
    void DragOverView(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
    void DragDropView(TObject* sender, TObject* source, int x, int y);
    void DragOverModels(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
    void DragDropModels(TObject* sender, TObject* source, int x, int y);

    void WndProc(TMessage& message) override;

private:
    // What the main window asks of the previews, the pattern view and the
    // print forms (view_form_parts_win32.cpp).
    void BindViewFields();
    // The preview being dragged or dropped on, or null.
    TModelView* AsView(TObject* object);
    TClassModels* ViewCategory(TModelView* view);
    void ViewSetDragCursor(TModelView* view, TCursor cursor);
    void ViewMarkDragged(TModelView* view);
    // A click on the preview: inside its front place (anywhere without
    // places) it turns to its next model, and its category becomes current.
    void ViewClickAt(TModelView* view, int x, int y);
    void ViewUpdateMenu(TModelView* view);
    void ViewFillAt(TModelView* view, int x, int y);
    void ShowFillAt(int x, int y);
    // A garment dragged off the doll onto a preview.
    void TakeOffToView();
    void WireParts();
    void HandOutDialogSkins();
    void SetDialogCaptions();
    void SetViewHint(TModelView* view, const std::string& hint);
    void InvalidateView(TModelView* view);
    void SetViewVisible(TModelView* view, bool visible);
    bool ViewVisible(TModelView* view);
    void InvalidateShow();
    void ShowPatternPrint();
    void ShowDollPrint();
    void LoadMeasurements(TRegIniFileM& registry, const std::string& section);
    void SaveMeasurements(TRegIniFileM& registry, const std::string& section);
    int ModelAreaWidth();
    int ModelAreaHeight();
    void LoadSkins();
    void SetCaptionsAndHints();
    void ReleaseViews();
    void SetUpViews(TRegIniFileM& registry, const std::string& section);
    void SaveViews(TRegIniFileM& registry, const std::string& section);
    void LoadDescription();
    // The preview of a category, or null.
    TModelView* ViewOf(TClassModels* category);
    int ViewIndex(TModelView* view);
    // The drum's drag cursor by Shift at the drag's start.
    void SetDrumCursor();
    void HideTaskBarWindow();
    void StopAndClosePlayer();
    void MusicUnavailable();
    std::string SongPath(int number);
    void PrepareSong(int number);
    // The Sound button's five faces, which the window's face has no room for.
    void DrawSoundFaces();

    SongOrder songs_;
    StoredView storedView_;
};

extern TViewForm* ViewForm;
