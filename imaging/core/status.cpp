#include "core/status.h"

namespace {

StatusCallback g_status = nullptr;

}  // namespace

StatusCallback CurrentStatusCallback() { return g_status; }

extern "C" StatusCallback KAPI K_SetStatusCallBack(StatusCallback callback) {
    StatusCallback previous = g_status;
    g_status = callback;
    return previous;
}

Progress::Progress(int steps) : callback_(g_status), steps_(steps > 0 ? steps : 1) {}

int Progress::Begin() { return callback_ ? callback_(0) : K_OK; }

int Progress::Step() {
    int before = percent_;
    percent_ += 100 / steps_;
    remainder_ += 100 % steps_;
    if (remainder_ >= steps_) {
        ++percent_;
        remainder_ -= steps_;
    }
    if (!callback_ || percent_ == before) return K_OK;
    return callback_(percent_);
}
