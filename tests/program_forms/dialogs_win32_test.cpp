#include <gtest/gtest.h>

#include "controls/bitmap_button.h"
#include "controls/bitmap_buttons_win32.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/fly_bitmap_win32.h"
#include "controls/zamor_win32.h"
#include "forms/begin_avi_form_win32.h"
#include "forms/open_save_form_win32.h"
#include "forms_win32_fixture.h"
#include "settings/registry_store.h"

namespace {

TEST(SlotDialogWindow, ChoiceMarksAndStoresTheDefaultSlot) {
    EnsureForms();
    TOpenSaveForm* form = NewForm<TOpenSaveForm>(nullptr);
    EXPECT_EQ(form->BitmapButton[4]->Hint(), "Record 5");
    form->SetSlot(3);
    form->FormShow(form);
    EXPECT_EQ(form->BitmapButton[2]->State(), 3);
    EXPECT_EQ(form->BitmapButton[4]->State(), 1);
    form->ButtonsClick(form->BitmapButton[4]);
    EXPECT_EQ(form->DialogResult(), 2);
    EXPECT_EQ(form->Slot(), 5);
    form->FormShow(form);
    EXPECT_EQ(form->DialogResult(), 0);
    for (int i = 0; i < SlotCount; ++i) EXPECT_EQ(form->BitmapButton[i]->State(), i == 4 ? 3 : 1) << i;
    form->CancelClick(form->bCancel);
    EXPECT_EQ(form->DialogResult(), 0);
    form->NoClick(form->No);
    EXPECT_EQ(form->DialogResult(), 1);
    FreeAndNil(form);
    EXPECT_EQ(ReadRegInteger(ProgramKey, "DefaultSlot", -1), 5);
}

TEST(TitleScreenWindow, ZoomsAndIgnoresEarlyInput) {
    EnsureForms();
    TBeginAviForm* title = NewForm<TBeginAviForm>(nullptr);
    int sounds = 0;
    title->OnRestoreSound = [&] { ++sounds; };
    title->PicturePath = "Z:\\nonexistent\\title.jpg";
    title->Show();
    EXPECT_EQ(title->Sequence().CurrentState(), TitleSequence::Zooming);
    title->FormClick(title);
    EXPECT_EQ(title->Sequence().CurrentState(), TitleSequence::Zooming);
    title->SetMayFinish(true);
    title->FormClick(title);
    EXPECT_TRUE(title->Finished());
    EXPECT_EQ(sounds, 1);
    title->Hide();
    EXPECT_EQ(sounds, 1);
    FreeAndNil(title);
}

TEST(DecorationWindows, NoticeFliesFromItsStartWindowAndHides) {
    EnsureForms();
    TForm form(nullptr, "");
    form.SetBounds(0, 0, 400, 300);
    TFlyBitmap notice(nullptr);
    notice.SetParent(&form);
    notice.SetBounds(10, 10, 220, 80);
    TMinWindow start(nullptr);
    start.SetParent(&notice);
    start.SetBounds(97, 3, 80, 72);
    notice.MinWindow1 = &start;
    notice.SetInterval(1);
    notice.SetFlyEnabled(true);
    EXPECT_EQ(notice.CurrentRect(), (DecoRect{97, 3, 80, 72}));
    EXPECT_TRUE(PumpUntil([&] { return !notice.Visible(); }, 60000));
    EXPECT_EQ(notice.Frame(), 36);
}

TEST(DecorationWindows, StripClicksOnlyInsideThePressedItem) {
    EnsureForms();
    TForm form(nullptr, "");
    TBitmapButtons strip(nullptr);
    strip.SetParent(&form);
    strip.SetBounds(0, 0, 160, 72);
    TItemBitmapButtons left(nullptr), right(nullptr);
    left.SetParent(&strip);
    right.SetParent(&strip);
    left.SetBounds(0, 0, 80, 72);
    right.SetBounds(80, 0, 80, 72);
    left.Number = 1;
    right.Number = 2;
    int clicks = 0;
    left.OnLClick = [&](TObject*) { ++clicks; };
    strip.MouseDown(mbLeft, ssLeft, 10, 10);
    EXPECT_EQ(strip.State(), 1);
    strip.MouseUp(mbLeft, 0, 100, 10);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(strip.State(), 0);
    strip.MouseDown(mbLeft, ssLeft, 10, 10);
    strip.MouseUp(mbLeft, 0, 20, 20);
    EXPECT_EQ(clicks, 1);
}

TEST(DecorationWindows, ClickAnimationsAndCaptionButtons) {
    EnsureForms();
    TForm form(nullptr, "");
    TZamorIv spot1(nullptr), spot2(nullptr);
    spot1.SetParent(&form);
    spot2.SetParent(&form);
    spot1.SetBounds(0, 0, 50, 50);
    spot2.SetBounds(10, 10, 50, 50);
    TZamorI first(nullptr), second(nullptr);
    first.SetParent(&form);
    second.SetParent(&form);
    first.ZamorIv = &spot1;
    first.One = true;
    first.CountFase = 3;
    second.ZamorIv = &spot2;
    second.CountFase = 3;
    TZamor zamor(nullptr);
    zamor.ZamorI[0] = &first;
    zamor.ZamorI[1] = &second;
    EXPECT_TRUE(zamor.ClickAt(20, 20, false));
    EXPECT_EQ(zamor.Playing(), &second) << "the pattern view is open: the doll's own animation waits";
    EXPECT_TRUE(zamor.ClickAt(20, 20, true));
    EXPECT_EQ(zamor.Playing(), &first);
    EXPECT_FALSE(second.Visible());
    zamor.Stop();
    EXPECT_FALSE(first.Visible());
    EXPECT_FALSE(zamor.ClickAt(200, 200, true));

    TCaptionBarPlus bar(nullptr);
    bar.SetParent(&form);
    TBitmapButton close(nullptr);
    close.SetParent(&bar);
    bar.MouseLeave();
    EXPECT_FALSE(close.Visible());
    bar.MouseEnter();
    EXPECT_TRUE(close.Visible());
    EXPECT_TRUE(bar.IsActive());
}

}  // namespace
