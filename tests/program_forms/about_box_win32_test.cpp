#include <gtest/gtest.h>

#include "controls/secret_panel_win32.h"
#include "forms/about_box_win32.h"
#include "forms_win32_fixture.h"

namespace {

TEST(AboutBoxWindow, ScrollsOutAndClosesItself) {
    ProgramFolderFixture folder("about_scroll");
    folder.Write("Resource/about.txt", "\r\n\r\nPupetta\r\nMade with care\r\n");
    TAboutBox* box = NewForm<TAboutBox>(nullptr);
    ASSERT_EQ(box->AboutPanel->Lines()->Count(), 4);
    EXPECT_EQ(box->AboutPanel->Scroller().Lines().size(), 4u);
    box->AboutPanel->SetInterval(1);
    box->Show();
    EXPECT_TRUE(box->AboutPanel->Active());
    const int total = box->AboutPanel->Scroller().Layout().total;
    EXPECT_GT(total, 0);
    // The tick at the end hands the stop to this thread, which closes the box.
    EXPECT_TRUE(PumpUntil([&] { return !box->Visible(); }, 120000));
    EXPECT_FALSE(box->AboutPanel->Active());
    EXPECT_EQ(box->ModalResult(), mrOk);
    FreeAndNil(box);
}

TEST(AboutBoxWindow, AClickClosesAtOnceAndTheNextShowingStartsAgain) {
    ProgramFolderFixture folder("about_click");
    folder.Write("Resource/about.txt", "One\r\nTwo\r\nThree\r\n");
    TAboutBox* box = NewForm<TAboutBox>(nullptr);
    box->AboutPanel->SetInterval(5);
    box->Show();
    EXPECT_TRUE(PumpUntil([&] { return box->AboutPanel->Scroller().Offset() > 3; }, 60000));
    box->AboutPanelClick(box->AboutPanel);
    EXPECT_FALSE(box->Visible());
    EXPECT_FALSE(box->AboutPanel->Active());
    EXPECT_EQ(box->AboutPanel->Scroller().Offset(), 0);
    box->Show();
    EXPECT_TRUE(box->AboutPanel->Active());
    EXPECT_LE(box->AboutPanel->Scroller().Offset(), 3);
    // Freed while scrolling: the timer's thread ends before the panel goes.
    FreeAndNil(box);
}

TEST(AboutBoxWindow, MissingFilesLeaveAnEmptyBox) {
    ProgramFolderFixture folder("about_missing");
    TAboutBox* box = NewForm<TAboutBox>(nullptr);
    EXPECT_EQ(box->AboutPanel->Lines()->Count(), 0);
    EXPECT_EQ(box->AboutPanel->Glyph()->Graphic(), nullptr);
    box->AboutPanel->SetInterval(1);
    box->Show();
    EXPECT_TRUE(PumpUntil([&] { return !box->Visible(); }, 120000));
    FreeAndNil(box);
}

}  // namespace
