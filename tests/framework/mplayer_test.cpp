#include <gtest/gtest.h>

#include "mplayer.h"

TEST(MediaPlayer, AMissingFileFailsWithTheMciText) {
    TMediaPlayer player(nullptr);
    player.SetFileName("Z:\\no\\such\\song.mid");
    try {
        player.Open();
        ADD_FAILURE() << "opened";
    } catch (const EMCIDeviceError& e) {
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(player.Opened());
    EXPECT_THROW(player.Play(), EMCIDeviceError) << "not open";
    player.Close();  // closing what is not open does nothing
}
