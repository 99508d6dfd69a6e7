// The process-wide status callback and the progress rule of long operations.
#pragma once

#include "volkg.h"

StatusCallback CurrentStatusCallback();

// Reports progress over a number of steps: 0 first, then the rising
// percentage whenever it changes. A callback result other than 1 is kept
// and the operation stops with it.
class Progress {
public:
    explicit Progress(int steps);
    // Starts the report; returns 1 or the callback's result.
    int Begin();
    // One step done; returns 1 or the callback's result.
    int Step();

private:
    StatusCallback callback_;
    int steps_;
    int percent_ = 0;
    int remainder_ = 0;
};
