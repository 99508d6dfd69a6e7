// The status callback slot and the progress rule of long operations.
#include <gtest/gtest.h>

#include <vector>

#include "core/status.h"

namespace {

std::vector<int> g_seen;
int g_stopAt = -1;
int g_stopWith = 1;

int KAPI Record(int percent) {
    g_seen.push_back(percent);
    return percent == g_stopAt ? g_stopWith : 1;
}

struct StatusScope {
    StatusScope() {
        g_seen.clear();
        g_stopAt = -1;
        previous = K_SetStatusCallBack(Record);
    }
    ~StatusScope() { K_SetStatusCallBack(previous); }
    StatusCallback previous;
};

TEST(Status, SetReturnsThePreviousCallback) {
    EXPECT_EQ(K_SetStatusCallBack(Record), nullptr);
    EXPECT_EQ(K_SetStatusCallBack(nullptr), Record);
    EXPECT_EQ(CurrentStatusCallback(), nullptr);
}

TEST(Status, ProgressSpreadsTheRemainderOverSteps) {
    StatusScope scope;
    Progress p(3);
    EXPECT_EQ(p.Begin(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.Step(), 1);
    EXPECT_EQ(g_seen, (std::vector<int>{0, 33, 66, 100}));
}

TEST(Status, ManyStepsReportOnlyChanges) {
    StatusScope scope;
    Progress p(400);
    p.Begin();
    for (int i = 0; i < 400; ++i) p.Step();
    ASSERT_EQ(g_seen.size(), 101u);
    for (int i = 0; i <= 100; ++i) EXPECT_EQ(g_seen[i], i);
}

TEST(Status, AnyResultOtherThanOneStops) {
    StatusScope scope;
    g_stopAt = 50;
    g_stopWith = 7;
    Progress p(4);
    p.Begin();
    EXPECT_EQ(p.Step(), 1);
    EXPECT_EQ(p.Step(), 7);
}

TEST(Status, WithoutCallbackEveryStepGoesOn) {
    Progress p(2);
    EXPECT_EQ(p.Begin(), 1);
    EXPECT_EQ(p.Step(), 1);
}

}  // namespace
