// The host tools the tests compare with (named once, in host.h), and a
// record freed by its scope, for every test folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host.h"
#include "volkg.h"

// Runs a host command that must succeed.
inline void Host(const std::string& command) { ASSERT_EQ(RunHost(command), 0) << command; }

// A record that is freed when the scope ends, whatever an assertion did.
struct RecordGuard {
    BitmapRecord record{};
    RecordGuard() = default;
    RecordGuard(const RecordGuard&) = delete;
    RecordGuard& operator=(const RecordGuard&) = delete;
    ~RecordGuard() { K_FreeBitmap(&record); }
    BitmapRecord* get() { return &record; }
};
