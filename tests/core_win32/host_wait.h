// Older name of the host bridge, kept for the tests that still use it:
// RunHost itself waits for the host command to end.
#pragma once

#include <string>

#include "host.h"

inline int RunHostAndWait(const std::string& command, int /*timeoutSeconds*/ = 120) { return RunHost(command); }
