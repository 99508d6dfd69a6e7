// Runs a test under either storage platform and restores the flag after.
#pragma once

#include <gtest/gtest.h>

#include "core/platform.h"

class StorageModeTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        saved_ = Win32sMode;
        Win32sMode = GetParam();
    }
    void TearDown() override { Win32sMode = saved_; }

private:
    bool saved_ = false;
};
