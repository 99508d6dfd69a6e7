// The main window's decisions without a window: the music's song order and
// files, which category preview shows, and when the stored view is applied.
#pragma once

#include <functional>
#include <string>

// The songs Resource\Song0 .. Song6: the number after `current` (0 asks for
// a random start 0 .. 7, whose 7 wraps to 0 like any number above 6).
int NextSongNumber(int current, const std::function<int()>& randomZeroToSeven);
// "Resource\SongN.mid", or the ".wav" of the same name when the .mid file
// does not exist (exists answers for a name relative to the program folder).
std::string SongFile(int number, const std::function<bool(const std::string&)>& exists);

// The music switch's song: start-up picks the first song, and the music that
// the title screen then switches on plays that song instead of skipping it.
class SongOrder {
public:
    explicit SongOrder(std::function<int()> randomZeroToSeven) : random_(std::move(randomZeroToSeven)) {}
    // Advances to the next song (the player's tag) and returns it.
    int Next();
    // Start-up's pick: the next switch-on plays it without advancing.
    int PickFirst();
    // The song a switch-on plays: the first pick once, else the next one.
    int ForSwitchOn();
    int Current() const { return current_; }

private:
    std::function<int()> random_;
    int current_ = 0;
    bool firstPending_ = false;
};

// The six main previews, in the order Wn, Pl, Br, Bl, Hl, Yu.
constexpr int MainViewCount = 6;
// A stored ModelView outside 0 .. 5 shows no main preview; a missing one is 1.
constexpr int DefaultModelView = 1;
inline bool IsMainView(int index) { return index >= 0 && index < MainViewCount; }

// Which stored view the next activation shows: the view of a slot load is
// applied once, so a modal dialog closing (which activates the window
// again) does not throw away the preview the user chose since.
class StoredView {
public:
    void Loaded(int index) { index_ = index, pending_ = true; }
    // True (with the index) once after each load.
    bool TakePending(int& index) {
        if (!pending_) return false;
        pending_ = false;
        index = index_;
        return true;
    }

private:
    int index_ = DefaultModelView;
    bool pending_ = false;
};
