#include "forms/main_window_logic.h"

int NextSongNumber(int current, const std::function<int()>& randomZeroToSeven) {
    int next = current == 0 ? randomZeroToSeven() : current + 1;
    return next > 6 || next < 0 ? 0 : next;
}

std::string SongFile(int number, const std::function<bool(const std::string&)>& exists) {
    const std::string base = "Resource\\Song" + std::to_string(number);
    return exists(base + ".mid") ? base + ".mid" : base + ".wav";
}

int SongOrder::Next() {
    firstPending_ = false;
    current_ = NextSongNumber(current_, random_);
    return current_;
}

int SongOrder::PickFirst() {
    Next();
    firstPending_ = true;
    return current_;
}

int SongOrder::ForSwitchOn() {
    if (firstPending_) {
        firstPending_ = false;
        return current_;
    }
    return Next();
}
