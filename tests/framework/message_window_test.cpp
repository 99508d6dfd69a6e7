// The message-only window under the timer, the media player and the
// threaded timer: each window hands its messages to its own owner.
#include <gtest/gtest.h>

#include <vector>

#include "message_window.h"
#include "pump.h"

namespace {

TEST(MessageWindow, HandsPostedAndSentMessagesToItsOwnHandler) {
    std::vector<LPARAM> first, second;
    TMessageWindow a([&](UINT msg, WPARAM, LPARAM l) {
        if (msg != WM_APP + 7) return false;
        first.push_back(l);
        return true;
    });
    TMessageWindow b([&](UINT msg, WPARAM, LPARAM l) {
        if (msg != WM_APP + 7) return false;
        second.push_back(l);
        return true;
    });
    ASSERT_NE(a.Handle(), nullptr);
    ASSERT_NE(b.Handle(), nullptr);
    EXPECT_NE(a.Handle(), b.Handle());

    EXPECT_EQ(SendMessageA(a.Handle(), WM_APP + 7, 0, 1), 0);
    ASSERT_TRUE(PostMessageA(b.Handle(), WM_APP + 7, 0, 2));
    ASSERT_TRUE(PostMessageA(a.Handle(), WM_APP + 7, 0, 3));
    EXPECT_TRUE(PumpUntil([&] { return first.size() == 2 && second.size() == 1; }, 2000));
    EXPECT_EQ(first, (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(second, (std::vector<LPARAM>{2}));
    // What the handler leaves goes to the default procedure (WM_GETTEXTLENGTH
    // of the empty title).
    EXPECT_EQ(SendMessageA(a.Handle(), WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST(MessageWindow, GoesAwayWithItsOwner) {
    int calls = 0;
    HWND handle;
    {
        TMessageWindow w([&](UINT msg, WPARAM, LPARAM) { return msg == WM_APP + 8 && ++calls > 0; });
        handle = w.Handle();
        ASSERT_TRUE(IsWindow(handle));
    }
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(PostMessageA(handle, WM_APP + 8, 0, 0));
    Pump(50);
    EXPECT_EQ(calls, 0);
}

}  // namespace
