// The main window's song order and stored view, without windows.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "forms/main_window_logic.h"

namespace {

// Random numbers from a list, in turn.
struct Draws {
    std::vector<int> values;
    std::size_t next = 0;
    int operator()() { return values.at(next++); }
};

}  // namespace

TEST(MainWindowSongs, NumbersRunZeroToSixAndARandomStartOnlyFromZero) {
    Draws draws{{5, 7, 0}};
    auto random = [&draws] { return draws(); };
    struct Case {
        int current, next;
    } cases[] = {{1, 2}, {5, 6}, {6, 0}, {0, 5}, {0, 0}, {0, 0}};
    // 0 draws: 5, then 7 (wraps to 0), then 0 itself.
    for (const Case& c : cases) EXPECT_EQ(NextSongNumber(c.current, random), c.next) << "after " << c.current;
    EXPECT_EQ(draws.next, 3u) << "only a current 0 draws a random start";
}

TEST(MainWindowSongs, MidiFileFirstTheWaveOnlyWhenTheMidiFileIsMissing) {
    std::set<std::string> files{"Resource\\Song2.mid", "Resource\\Song3.wav", "Resource\\Song4.mid",
                                "Resource\\Song4.wav"};
    auto exists = [&files](const std::string& name) { return files.count(name) > 0; };
    EXPECT_EQ(SongFile(2, exists), "Resource\\Song2.mid");
    EXPECT_EQ(SongFile(3, exists), "Resource\\Song3.wav");
    EXPECT_EQ(SongFile(4, exists), "Resource\\Song4.mid");
    EXPECT_EQ(SongFile(5, exists), "Resource\\Song5.wav") << "neither: the .wav name, whose opening fails";
}

// Start-up picks a song and the title screen then switches the music on:
// that switch-on plays the picked song, not the one after it.
TEST(MainWindowSongs, TheSwitchOnAfterStartUpPlaysTheSongStartUpPicked) {
    Draws draws{{3}};
    SongOrder songs([&draws] { return draws(); });
    EXPECT_EQ(songs.PickFirst(), 3);
    EXPECT_EQ(songs.ForSwitchOn(), 3);
    EXPECT_EQ(songs.ForSwitchOn(), 4) << "a later switch-on goes on to the next song";
    EXPECT_EQ(songs.Next(), 5) << "the end of a song plays the next";
    EXPECT_EQ(songs.ForSwitchOn(), 6);
}

TEST(MainWindowSongs, ASongEndingBeforeTheSwitchOnUsesUpThePick) {
    Draws draws{{2}};
    SongOrder songs([&draws] { return draws(); });
    songs.PickFirst();
    EXPECT_EQ(songs.Next(), 3);
    EXPECT_EQ(songs.ForSwitchOn(), 4);
}

TEST(MainWindowView, ALoadedViewIsTakenOnceSoADialogClosingKeepsTheUsersChoice) {
    StoredView view;
    int index = -7;
    EXPECT_FALSE(view.TakePending(index)) << "nothing loaded yet";
    view.Loaded(4);
    ASSERT_TRUE(view.TakePending(index));
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(view.TakePending(index)) << "the next activation (after a dialog) leaves the view alone";
    view.Loaded(9);
    ASSERT_TRUE(view.TakePending(index));
    EXPECT_EQ(index, 9);
    EXPECT_FALSE(IsMainView(index)) << "a stored view outside 0 .. 5 shows no main preview";
    EXPECT_TRUE(IsMainView(0));
    EXPECT_TRUE(IsMainView(5));
    EXPECT_FALSE(IsMainView(-1));
}
