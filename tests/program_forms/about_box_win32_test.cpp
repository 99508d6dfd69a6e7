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

TEST(AboutBoxWindow, TheCreditsAppearInLimeOnThePanel) {
    ProgramFolderFixture folder("about_pixels");
    folder.Write("Resource/about.txt", "WWWWWWWWWWWW\r\nWWWWWWWWWWWW\r\nWWWWWWWWWWWW\r\n");
    TAboutBox* box = NewForm<TAboutBox>(nullptr);
    box->AboutPanel->SetInterval(5);
    box->Show();
    const CreditsLayout layout = box->AboutPanel->Scroller().Layout();
    ASSERT_GT(layout.text.Height(), 40);
    EXPECT_TRUE(PumpUntil([&] { return box->AboutPanel->Scroller().Offset() > 40; }, 60000));
    // The ticks copy the text onto the window itself: lime on black there.
    HWND panel = box->AboutPanel->Handle();
    HDC dc = GetDC(panel);
    int lime = 0, other = 0;
    for (int y = layout.text.top; y < layout.text.bottom; y += 2)
        for (int x = layout.text.left; x < layout.text.right; x += 2) {
            const COLORREF c = GetPixel(dc, x, y);
            // Smoothed edges are darker greens: anything with red or blue is wrong.
            if (GetRValue(c) >= 100 || GetBValue(c) >= 100)
                ++other;
            else if (GetGValue(c) > 128)
                ++lime;
        }
    ReleaseDC(panel, dc);
    EXPECT_GT(lime, 20);
    EXPECT_EQ(other, 0) << "only the text on the black background";
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
